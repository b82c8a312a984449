# Every dependency is a Debian package; a missing one stops the configure step with its name.
find_package(PkgConfig)
if(NOT PkgConfig_FOUND)
  message(FATAL_ERROR "pkg-config not found: apt-get install pkg-config")
endif()

function(quenmark_require_pkg target module debian_package)
  pkg_check_modules(${target} QUIET IMPORTED_TARGET GLOBAL ${module})
  if(NOT ${target}_FOUND)
    if(WIN32)
      message(FATAL_ERROR "${module} not found in ${QUENMARK_WINDOWS_PREFIX}: ./run windows builds it")
    endif()
    message(FATAL_ERROR "${module} not found: apt-get install ${debian_package}")
  endif()
  # Windows links every library statically: with the libraries those depend on, and with
  # cairo's static declarations (no DLL imports).
  if(WIN32)
    set_property(TARGET PkgConfig::${target} PROPERTY INTERFACE_LINK_LIBRARIES ${${target}_STATIC_LDFLAGS})
    if(module STREQUAL "cairo")
      set_property(TARGET PkgConfig::${target} APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS CAIRO_WIN32_STATIC_BUILD)
    endif()
  endif()
endfunction()

quenmark_require_pkg(EBUR128 libebur128 libebur128-dev)
quenmark_require_pkg(SNDFILE sndfile libsndfile1-dev)
quenmark_require_pkg(CAIRO cairo libcairo2-dev)
quenmark_require_pkg(FREETYPE freetype2 libfreetype-dev)
# Only the editor tests call it, to empty its caches before the leak check; they run
# natively, and the Windows build's cairo has no fontconfig.
if(NOT WIN32)
  quenmark_require_pkg(FONTCONFIG fontconfig libfontconfig-dev)
endif()

if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/windows/Dependencies.cmake)
else()
  find_package(nlohmann_json 3 QUIET)
  if(NOT nlohmann_json_FOUND)
    message(FATAL_ERROR "nlohmann_json not found: apt-get install nlohmann-json3-dev")
  endif()

  find_package(GTest QUIET)
  if(NOT GTest_FOUND)
    message(FATAL_ERROR "GoogleTest not found: apt-get install libgtest-dev libgmock-dev")
  endif()
endif()

if(QUENMARK_BENCH)
  find_package(benchmark QUIET)
  if(NOT benchmark_FOUND)
    message(FATAL_ERROR "Google Benchmark not found: apt-get install libbenchmark-dev")
  endif()
endif()

find_package(Threads REQUIRED)
