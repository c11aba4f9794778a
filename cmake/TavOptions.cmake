# Compiler flags of the project: warnings for the targets built from our own sources, and the
# sanitizer and fuzzing instrumentation of whole builds.

# Applies the project's warning flags to target. They are PRIVATE, so they reach only the
# target's own sources: nothing internal is linked or exported, and a consumer of tav::tav
# (installed, from the build tree or through add_subdirectory) compiles with its own flags.
function(tav_target_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  endif()
endfunction()

if(TAV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

if(TAV_SANITIZE_THREAD)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
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

# The Python interpreter that the module is built for and that runs the Python tests and
# benchmarks. FindPython3 alone takes the first python3 on PATH, which may be one without pytest
# and mypy (a pyenv shim, say); so the default is the system's /usr/bin/python3 where it exists,
# which on Debian has them (python3-pytest, python3-mypy) and, with python3-dev, the headers.
# Another one: -DPython3_EXECUTABLE=<path>, or the environment variable TAV_PYTHON, at the
# first configure of a build directory.
if((TAV_BUILD_PYTHON OR TAV_BUILD_BENCH) AND NOT Python3_EXECUTABLE)
  if(DEFINED ENV{TAV_PYTHON})
    set(tav_python "$ENV{TAV_PYTHON}")
  elseif(EXISTS /usr/bin/python3)
    set(tav_python /usr/bin/python3)
  else()
    set(tav_python "")
  endif()
  if(tav_python)
    set(Python3_EXECUTABLE "${tav_python}" CACHE FILEPATH
        "The Python interpreter of the module, its tests and the benchmarks")
  endif()
endif()
