# Cross-compiling for Windows x64 with Debian's mingw-w64. The -posix compilers: the
# default win32-thread variant has no std::mutex or std::thread. Everything links
# statically, so the modules and programmes need only DLLs that Windows itself carries.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUENMARK_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUENMARK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUENMARK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUENMARK_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${QUENMARK_MINGW_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${QUENMARK_MINGW_TRIPLET}-ranlib CACHE FILEPATH "")

# Libraries built for Windows (cmake/windows/build-deps.sh) are looked for in this prefix
# and in the compiler's own sysroot, never in the build machine's /usr.
set(QUENMARK_WINDOWS_PREFIX "" CACHE PATH "Prefix of the Windows libraries from build-deps.sh")
set(CMAKE_FIND_ROOT_PATH /usr/${QUENMARK_MINGW_TRIPLET} ${QUENMARK_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
if(QUENMARK_WINDOWS_PREFIX)
  set(ENV{PKG_CONFIG_LIBDIR} ${QUENMARK_WINDOWS_PREFIX}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "")
  set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
endif()

# No link time in the PE header: a rebuild of one commit gives the same bytes.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")

# Programmes of the build (the module info writer, the tests) run under Wine, in a
# 64-bit prefix of the build tree's own.
set(QUENMARK_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Wine prefix for running the build's programmes")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${QUENMARK_WINEPREFIX})
