# Builds and runs the consumer program of project/ against tav, in one of these modes:
#   install         install the build tree BUILD_DIR into PREFIX (a fresh directory)
#   find_package    configure project/ with find_package(tav) from PACKAGE_ROOT (a prefix or a
#                   build tree), checking that the package found lies there
#   add_subdirectory  configure project/ with the source tree SOURCE_DIR as a subdirectory
#   pkg-config      compile project/main.cpp with the flags of `pkg-config --cflags --libs tav`,
#                   with tav.pc taken from PREFIX
# Every step runs in WORK_DIR, which is made afresh. Usage:
#   cmake -DMODE=... -DWORK_DIR=... [-D...] -P run_consumer.cmake
cmake_minimum_required(VERSION 3.25)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "failed (${rc}): ${command}")
  endif()
endfunction()

set(project_dir "${CMAKE_CURRENT_LIST_DIR}/project")
if(MODE STREQUAL "install")
  file(REMOVE_RECURSE "${PREFIX}")
  run("${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}")
  return()
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

if(MODE STREQUAL "pkg-config")
  file(GLOB_RECURSE pc_files "${PREFIX}/*/tav.pc")
  if(NOT pc_files)
    message(FATAL_ERROR "no tav.pc installed under ${PREFIX}")
  endif()
  list(GET pc_files 0 pc_file)
  get_filename_component(pc_dir "${pc_file}" DIRECTORY)
  set(ENV{PKG_CONFIG_PATH} "${pc_dir}")
  execute_process(COMMAND "${PKG_CONFIG}" --cflags --libs tav
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "pkg-config does not know tav in ${pc_dir}")
  endif()
  message(STATUS "pkg-config --cflags --libs tav: ${flags}")
  separate_arguments(flags UNIX_COMMAND "${flags}")
  run("${CXX}" -std=c++17 "${project_dir}/main.cpp" ${flags} -o "${WORK_DIR}/consumer")
  # A shared libtav in a private prefix is found through the loader path, as a user would.
  execute_process(COMMAND "${PKG_CONFIG}" --variable=libdir tav
    OUTPUT_VARIABLE libdir OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(ENV{LD_LIBRARY_PATH} "${libdir}:$ENV{LD_LIBRARY_PATH}")
else()
  set(args -S "${project_dir}" -B "${WORK_DIR}" -G "${GENERATOR}"
    "-DCMAKE_CXX_COMPILER=${CXX}" "-DTAV_CONSUMER_MODE=${MODE}"
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF)
  if(MODE STREQUAL "find_package")
    list(APPEND args "-Dtav_ROOT=${PACKAGE_ROOT}" "-DTAV_CONSUMER_EXPECTED_ROOT=${PACKAGE_ROOT}")
  else()
    list(APPEND args "-DTAV_SOURCE_DIR=${SOURCE_DIR}")
  endif()
  run("${CMAKE_COMMAND}" ${args})
  run("${CMAKE_COMMAND}" --build "${WORK_DIR}" -j 2)
endif()

run("${WORK_DIR}/consumer")
