# One sanitizer set for the whole build tree, so libraries and tests agree on the runtime.
if(QUENMARK_SANITIZE)
  add_compile_options(-fsanitize=${QUENMARK_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${QUENMARK_SANITIZE})
  add_compile_definitions(QUENMARK_SANITIZED=1)
  # A debug build of the sanitizer run keeps its checks at -O1, which they are made for:
  # unoptimised, the tool's true-peak and meter tests alone took thirteen minutes.
  if(CMAKE_BUILD_TYPE STREQUAL "Debug")
    add_compile_options(-O1)
  endif()
endif()
if(QUENMARK_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "QUENMARK_FUZZ needs clang (libFuzzer); configure with CXX=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
