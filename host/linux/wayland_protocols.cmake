# The Wayland protocols the program speaks, as C glue that wayland-scanner
# writes from their XML at build time:
#
#   xdg-shell, viewporter, fractional-scale   Debian's wayland-protocols
#   wlr-layer-shell-unstable-v1 (version 4)   wlroots' protocol, which Debian 12 ships only
#                                             inside librust-wayland-protocols-dev; found there
#                                             (or given as HALVORN_LAYER_SHELL_XML). Without it
#                                             the program is built without the layer-shell forms.
#
# halvorn_wayland_protocol(<target> <xml>...) adds the client header and code
# of each protocol to a target (tests use it for their own protocols).
include_guard(GLOBAL)
find_package(PkgConfig REQUIRED)
pkg_check_modules(WAYLAND REQUIRED IMPORTED_TARGET GLOBAL wayland-client>=1.20 wayland-egl xkbcommon libdecor-0)
pkg_get_variable(HALVORN_WAYLAND_SCANNER wayland-scanner wayland_scanner)
pkg_get_variable(HALVORN_WAYLAND_PROTOCOLS wayland-protocols pkgdatadir)
if(NOT HALVORN_WAYLAND_SCANNER OR NOT HALVORN_WAYLAND_PROTOCOLS)
  message(FATAL_ERROR "wayland-scanner and wayland-protocols are needed (scripts/install-deps.sh gl)")
endif()
# For the tests' protocols too, which are built in another folder.
set(HALVORN_WAYLAND_SCANNER ${HALVORN_WAYLAND_SCANNER} CACHE INTERNAL "")

function(halvorn_wayland_protocol target)
  foreach(xml ${ARGN})
    get_filename_component(name ${xml} NAME_WE)
    set(header ${CMAKE_CURRENT_BINARY_DIR}/protocols/${name}-client-protocol.h)
    set(code ${CMAKE_CURRENT_BINARY_DIR}/protocols/${name}-protocol.c)
    add_custom_command(OUTPUT ${header} ${code}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/protocols
      COMMAND ${HALVORN_WAYLAND_SCANNER} client-header ${xml} ${header}
      COMMAND ${HALVORN_WAYLAND_SCANNER} private-code ${xml} ${code}
      DEPENDS ${xml}
      COMMENT "wayland-scanner ${name}")
    target_sources(${target} PRIVATE ${header} ${code})
  endforeach()
  target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_BINARY_DIR}/protocols)
endfunction()

# The wlroots protocols' folder, where the layer shell's XML is.
set(HALVORN_LAYER_SHELL_XML "" CACHE FILEPATH "wlr-layer-shell-unstable-v1.xml (found when empty)")
if(NOT HALVORN_LAYER_SHELL_XML)
  file(GLOB halvorn_layer_shell_found
    /usr/share/wlr-protocols/unstable/wlr-layer-shell-unstable-v1.xml
    /usr/share/cargo/registry/wayland-protocols-*/wlr-protocols/unstable/wlr-layer-shell-unstable-v1.xml)
  if(halvorn_layer_shell_found)
    list(SORT halvorn_layer_shell_found COMPARE NATURAL ORDER DESCENDING)
    list(GET halvorn_layer_shell_found 0 halvorn_layer_shell_xml)
  endif()
else()
  set(halvorn_layer_shell_xml ${HALVORN_LAYER_SHELL_XML})
endif()
set(HALVORN_LAYER_SHELL OFF CACHE INTERNAL "")
if(halvorn_layer_shell_xml AND EXISTS ${halvorn_layer_shell_xml})
  file(STRINGS ${halvorn_layer_shell_xml} halvorn_layer_shell_version
    REGEX "interface name=\"zwlr_layer_surface_v1\" version=\"[0-9]+\"")
  string(REGEX REPLACE ".*version=\"([0-9]+)\".*" "\\1" halvorn_layer_shell_version "${halvorn_layer_shell_version}")
  if(halvorn_layer_shell_version GREATER_EQUAL 4)
    set(HALVORN_LAYER_SHELL ON CACHE INTERNAL "")
    set(HALVORN_LAYER_SHELL_FILE ${halvorn_layer_shell_xml} CACHE INTERNAL "")
    message(STATUS "Wayland layer shell: ${halvorn_layer_shell_xml}")
  else()
    message(STATUS "Wayland layer shell: ${halvorn_layer_shell_xml} is version ${halvorn_layer_shell_version}, not 4")
  endif()
endif()
if(NOT HALVORN_LAYER_SHELL)
  message(WARNING "No wlr-layer-shell-unstable-v1.xml of version 4 (Debian: librust-wayland-protocols-dev): "
    "halvorn is built without the layer-shell forms (--saver covers each output with a full-screen window, "
    "--wallpaper is refused)")
endif()
