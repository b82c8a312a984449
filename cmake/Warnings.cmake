add_compile_options(-Wall -Wextra -Wpedantic)
if(QUENMARK_WERROR)
  add_compile_options(-Werror)
endif()
