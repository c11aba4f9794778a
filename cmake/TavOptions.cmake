# Warning and sanitizer flags shared by every target of the project.
add_library(tav_warnings INTERFACE)
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(tav_warnings INTERFACE -Wall -Wextra -Wpedantic)
endif()

if(TAV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()
