# vst3sdk_add_bundle(<target> BUNDLE_NAME <name> [OUTPUT_DIRECTORY <dir>] SOURCES ... [LIBS ...])
#
# Builds a plug-in module in the bundle layout hosts load:
#   Linux:   <dir>/<name>.vst3/Contents/<arch>-linux/<name>.so, exporting GetPluginFactory,
#            ModuleEntry, ModuleExit, InitDll and ExitDll (hidden visibility and a version
#            script, so also no library template instantiated inside it);
#   Windows: <dir>/<name>.vst3/Contents/x86_64-win/<name>.vst3, a DLL exporting
#            GetPluginFactory, InitDll and ExitDll (the only symbols marked for export;
#            static libraries' symbols are excluded from the export table).
set(VST3SDK_MODULE_MAP ${CMAKE_CURRENT_LIST_DIR}/module.map CACHE INTERNAL "")

function(vst3sdk_add_bundle target)
  cmake_parse_arguments(B "" "BUNDLE_NAME;OUTPUT_DIRECTORY" "SOURCES;LIBS" ${ARGN})
  if(NOT B_BUNDLE_NAME)
    message(FATAL_ERROR "vst3sdk_add_bundle(${target}): BUNDLE_NAME is required")
  endif()
  if(NOT B_OUTPUT_DIRECTORY)
    set(B_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  set(contents ${B_OUTPUT_DIRECTORY}/${B_BUNDLE_NAME}.vst3/Contents)

  add_library(${target} MODULE ${B_SOURCES})
  target_link_libraries(${target} PRIVATE vst3sdk_module_entry vst3sdk ${B_LIBS})
  set_target_properties(${target} PROPERTIES
    PREFIX ""
    OUTPUT_NAME ${B_BUNDLE_NAME}
    CXX_VISIBILITY_PRESET hidden
    C_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  if(WIN32)
    set_target_properties(${target} PROPERTIES
      SUFFIX ".vst3"
      LIBRARY_OUTPUT_DIRECTORY ${contents}/x86_64-win)
    # Symbols of the static libraries linked in stay out of the export table.
    target_link_options(${target} PRIVATE -Wl,--exclude-libs,ALL)
  else()
    set_target_properties(${target} PROPERTIES
      SUFFIX ".so"
      LIBRARY_OUTPUT_DIRECTORY ${contents}/${CMAKE_SYSTEM_PROCESSOR}-linux
      LINK_DEPENDS ${VST3SDK_MODULE_MAP})
    target_link_options(${target} PRIVATE -Wl,--version-script=${VST3SDK_MODULE_MAP})
    # Unresolved symbols fail the link instead of the host's dlopen. Sanitizer runtimes
    # live in the host executable, so sanitized modules keep their undefined references.
    if(NOT QUENMARK_SANITIZE AND NOT QUENMARK_FUZZ)
      target_link_options(${target} PRIVATE -Wl,--no-undefined)
    endif()
  endif()
  add_custom_command(TARGET ${target} PRE_LINK
    COMMAND ${CMAKE_COMMAND} -E make_directory ${contents}/Resources)
endfunction()
