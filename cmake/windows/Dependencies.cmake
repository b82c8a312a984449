# Windows builds: the libraries come from the prefix cmake/windows/build-deps.sh fills
# (found through pkg-config above); the header-only JSON library and GoogleTest come from
# the build machine's Debian packages, GoogleTest compiled here with the cross compiler.
if(NOT QUENMARK_WINDOWS_PREFIX)
  message(FATAL_ERROR "QUENMARK_WINDOWS_PREFIX is not set: configure with ./run windows")
endif()

# The JSON library is headers only and the same on every platform, but /usr/include cannot
# be on a cross build's include path: build-deps.sh copies the headers into the prefix.
find_path(QUENMARK_NLOHMANN_INCLUDE nlohmann/json.hpp)
if(NOT QUENMARK_NLOHMANN_INCLUDE)
  message(FATAL_ERROR "nlohmann/json.hpp not in ${QUENMARK_WINDOWS_PREFIX}: apt-get install nlohmann-json3-dev, then ./run windows")
endif()
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${QUENMARK_NLOHMANN_INCLUDE})

set(QUENMARK_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (Debian's googletest package)")
if(NOT EXISTS ${QUENMARK_GTEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${QUENMARK_GTEST_SOURCE}: apt-get install googletest")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${QUENMARK_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
foreach(library gtest gtest_main gmock gmock_main)
  # Third-party code: our warning flags do not apply to it.
  set_target_properties(${library} PROPERTIES COMPILE_OPTIONS "-w")
  if(NOT TARGET GTest::${library}) # newer GoogleTest names them itself
    add_library(GTest::${library} ALIAS ${library})
  endif()
endforeach()

# The C library's M_PI and friends under strict C++ (the Linux headers give them anyway).
add_compile_definitions(_USE_MATH_DEFINES)

# Release at -O2, as the Linux build: mingw's GCC 12 at -O3 reports false overlaps
# (-Wrestrict) inside std::string, which CI's warnings-as-errors would stop on.
foreach(lang C CXX)
  string(REPLACE "-O3" "-O2" CMAKE_${lang}_FLAGS_RELEASE "${CMAKE_${lang}_FLAGS_RELEASE}")
endforeach()
