# cmake -DMODULE=<TavrikQuenmark.clap> -P QtractorScan.cmake: Qtractor's headless scanner
# reads "CLAP:<path>" lines and prints one line per plug-in found,
# CLAP|<name>|<inputs>:<outputs>|...
set(scanner /usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan)
if(NOT EXISTS ${scanner})
  message(FATAL_ERROR "${scanner} not found: apt-get install qtractor")
endif()
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/qtractor-scan-input.txt "CLAP:${MODULE}\n")
execute_process(COMMAND ${scanner}
  INPUT_FILE ${CMAKE_CURRENT_BINARY_DIR}/qtractor-scan-input.txt
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc TIMEOUT 30)
message(STATUS "scanner: ${out}")
if(NOT out MATCHES "CLAP\\|TavrikQuenmark\\|2:2\\|")
  message(FATAL_ERROR "the scanner did not list TavrikQuenmark with 2 inputs and 2 outputs:\n${out}\n${err}")
endif()
