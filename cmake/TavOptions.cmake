# Warning and sanitizer flags shared by every target of the project.
add_library(tav_warnings INTERFACE)
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(tav_warnings INTERFACE -Wall -Wextra -Wpedantic)
endif()

if(TAV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

# Fuzz builds: every target (the library included) gets coverage instrumentation for libFuzzer
# and the address and undefined-behaviour sanitizers; fuzz/ links the fuzzer's main.
if(TAV_BUILD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "TAV_BUILD_FUZZ needs clang (libFuzzer), e.g. -DCMAKE_CXX_COMPILER=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()
