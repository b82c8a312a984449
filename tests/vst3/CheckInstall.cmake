# cmake -DBUILD_DIR=<build tree> -DHOME_DIR=<scratch home> -P CheckInstall.cmake
# Installs the vst3 component with HOME set to HOME_DIR and checks the bundle landed in
# HOME_DIR/.vst3 whole.
file(REMOVE_RECURSE ${HOME_DIR})
file(MAKE_DIRECTORY ${HOME_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} -E env HOME=${HOME_DIR}
                        ${CMAKE_COMMAND} --install ${BUILD_DIR} --component vst3
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${output}${errors}")
endif()
set(bundle ${HOME_DIR}/.vst3/TavrikQuenmark.vst3/Contents)
file(GLOB module ${bundle}/*-linux/TavrikQuenmark.so)
if(NOT module OR NOT EXISTS ${bundle}/Resources/moduleinfo.json)
  message(FATAL_ERROR "the bundle in ${HOME_DIR}/.vst3 is incomplete")
endif()
message(STATUS "installed into ${HOME_DIR}/.vst3")
