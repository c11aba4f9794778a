# Finds the Wireshark development files the dissector plugin builds against: pkg-config's
# wireshark, of the 4.0 series (a plugin is tied to one major.minor). Sets TAV_WIRESHARK_FOUND
# and, when found, TAV_WS_INCLUDE_DIRS, TAV_WS_LINK_LIBRARIES, TAV_WS_VERSION and
# TAV_WIRESHARK_PLUGIN_SUBDIR (the plugin folder relative to the prefix, without "epan").
set(TAV_WIRESHARK_FOUND OFF)
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(TAV_WS QUIET wireshark)
  if(TAV_WS_FOUND AND TAV_WS_VERSION MATCHES "^4\\.0(\\.|$)")
    set(TAV_WIRESHARK_FOUND ON)
    pkg_get_variable(tav_ws_plugindir wireshark plugindir)
    pkg_get_variable(tav_ws_prefix wireshark prefix)
    string(REGEX REPLACE "/+$" "" tav_ws_prefix "${tav_ws_prefix}")
    if(tav_ws_plugindir AND tav_ws_prefix AND tav_ws_plugindir MATCHES "^${tav_ws_prefix}/(.+)$")
      set(TAV_WIRESHARK_PLUGIN_SUBDIR "${CMAKE_MATCH_1}")
    elseif(CMAKE_LIBRARY_ARCHITECTURE)
      set(TAV_WIRESHARK_PLUGIN_SUBDIR "lib/${CMAKE_LIBRARY_ARCHITECTURE}/wireshark/plugins/4.0")
    else()
      set(TAV_WIRESHARK_PLUGIN_SUBDIR "lib/wireshark/plugins/4.0")
    endif()
  elseif(TAV_WS_FOUND)
    message(STATUS "Wireshark ${TAV_WS_VERSION} found; the dissector plugin needs 4.0")
  endif()
endif()
