# Install rules and package files for the core library:
#   <includedir>/tav/{model,protocol,print.h,tl/optional.hpp}   public headers
#   <libdir>/libtav.*                                           the library
#   <includedir>/tav/json, <libdir>/libtav_json.*               the JSON mapping (tav::json)
#   <bindir>/tav-dump, <bindir>/tav-encode                      the tools (tools/CMakeLists.txt)
#   <libdir>/cmake/tav/tav{Config,ConfigVersion,Targets}.cmake  find_package(tav CONFIG)
#   <libdir>/pkgconfig/tav.pc                                   pkg-config --cflags --libs tav
#   <docdir>/LICENSE                                            the licence (MIT)
# plus a build-tree package in the build directory, so that a consumer can point tav_DIR at a
# build without installing it.
#
# The headers live under their own directory <includedir>/tav, so that installing into a shared
# prefix neither overwrites nor shadows another package's print.h or tl/optional.hpp. The
# target's install interface (and tav.pc) puts both <includedir>/tav and <includedir> on the
# include path, for "protocol/v8_4.h" and <tav/protocol/v8_4.h> alike.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The licence of the project (LICENSE), as the package config (tav_LICENSE), tav.pc and the
# Python package metadata (pyproject.toml) state it.
set(TAV_LICENSE "MIT")
install(FILES "${PROJECT_SOURCE_DIR}/LICENSE"
  DESTINATION "${CMAKE_INSTALL_DOCDIR}"
  COMPONENT tav_Development)

set(TAV_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/tav"
    CACHE STRING "Where tavConfig.cmake is installed, relative to the prefix")
set(TAV_INSTALL_PKGCONFIGDIR "${CMAKE_INSTALL_LIBDIR}/pkgconfig"
    CACHE STRING "Where tav.pc is installed, relative to the prefix")
set(tav_include_subdir "${CMAKE_INSTALL_INCLUDEDIR}/tav")

# The bundled optional type is installed only when the library does not use an installed
# tl::optional; in that case the package config finds the same package for its consumers.
get_target_property(tav_link_libraries tav LINK_LIBRARIES)
if(tav_link_libraries AND "tl::optional" IN_LIST tav_link_libraries)
  set(TAV_USES_SYSTEM_OPTIONAL ON)
else()
  set(TAV_USES_SYSTEM_OPTIONAL OFF)
endif()

set_target_properties(tav PROPERTIES
  VERSION ${PROJECT_VERSION}
  SOVERSION ${PROJECT_VERSION_MAJOR})

install(DIRECTORY "${PROJECT_SOURCE_DIR}/include/model" "${PROJECT_SOURCE_DIR}/include/protocol"
  DESTINATION "${tav_include_subdir}"
  COMPONENT tav_Development
  FILES_MATCHING PATTERN "*.h")
install(FILES "${PROJECT_SOURCE_DIR}/include/print.h"
  DESTINATION "${tav_include_subdir}"
  COMPONENT tav_Development)
if(NOT TAV_USES_SYSTEM_OPTIONAL)
  install(FILES "${PROJECT_SOURCE_DIR}/include/tl/optional.hpp"
    DESTINATION "${tav_include_subdir}/tl"
    COMPONENT tav_Development)
endif()

install(TARGETS tav EXPORT tavTargets
  ARCHIVE DESTINATION "${CMAKE_INSTALL_LIBDIR}" COMPONENT tav_Development
  LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}" COMPONENT tav_Runtime
          NAMELINK_COMPONENT tav_Development
  RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT tav_Runtime)

# The JSON mapping, tav::json, when it is built. Its JSON parser is header-only and private to
# it, so the package asks nothing more of its consumers.
if(TARGET tav_json)
  install(DIRECTORY "${PROJECT_SOURCE_DIR}/include/json"
    DESTINATION "${tav_include_subdir}"
    COMPONENT tav_Development
    FILES_MATCHING PATTERN "*.h")
  install(TARGETS tav_json EXPORT tavTargets
    ARCHIVE DESTINATION "${CMAKE_INSTALL_LIBDIR}" COMPONENT tav_Development
    LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}" COMPONENT tav_Runtime
            NAMELINK_COMPONENT tav_Development
    RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT tav_Runtime)
endif()

install(EXPORT tavTargets
  NAMESPACE tav::
  FILE tavTargets.cmake
  DESTINATION "${TAV_INSTALL_CMAKEDIR}"
  COMPONENT tav_Development)

# The same config file serves the install tree and the build tree: it only includes the
# targets file next to it.
configure_package_config_file("${PROJECT_SOURCE_DIR}/cmake/tavConfig.cmake.in"
  "${PROJECT_BINARY_DIR}/tavConfig.cmake"
  INSTALL_DESTINATION "${TAV_INSTALL_CMAKEDIR}")
write_basic_package_version_file("${PROJECT_BINARY_DIR}/tavConfigVersion.cmake"
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES "${PROJECT_BINARY_DIR}/tavConfig.cmake" "${PROJECT_BINARY_DIR}/tavConfigVersion.cmake"
  DESTINATION "${TAV_INSTALL_CMAKEDIR}"
  COMPONENT tav_Development)

# Build-tree package: the library target only (its warning flags are private compile options,
# so nothing else comes along).
export(TARGETS tav
  NAMESPACE tav::
  FILE "${PROJECT_BINARY_DIR}/tavTargets.cmake")

# tav.pc finds its prefix relative to its own directory (${pcfiledir}), so the installed tree
# can be moved or installed with `cmake --install --prefix` elsewhere than configured.
if(IS_ABSOLUTE "${TAV_INSTALL_PKGCONFIGDIR}")
  set(tav_pc_prefix "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH tav_pc_up "/${TAV_INSTALL_PKGCONFIGDIR}" "/")
  string(REGEX REPLACE "/$" "" tav_pc_up "${tav_pc_up}")
  set(tav_pc_prefix "\${pcfiledir}/${tav_pc_up}")
endif()
foreach(dir IN ITEMS LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    set(tav_pc_${dir} "${CMAKE_INSTALL_${dir}}")
  else()
    set(tav_pc_${dir} "\${prefix}/${CMAKE_INSTALL_${dir}}")
  endif()
endforeach()
configure_file("${PROJECT_SOURCE_DIR}/cmake/tav.pc.in" "${PROJECT_BINARY_DIR}/tav.pc" @ONLY)
install(FILES "${PROJECT_BINARY_DIR}/tav.pc"
  DESTINATION "${TAV_INSTALL_PKGCONFIGDIR}"
  COMPONENT tav_Development)
