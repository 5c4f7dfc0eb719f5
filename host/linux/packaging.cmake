# Installing `halvorn` and packing it as a Debian package.
#
#   <prefix>/bin/halvorn                            the program (window, headless run)
#   <prefix>/libexec/xscreensaver/halvorn           the same program where XScreenSaver
#                                                   looks for its modules
#   <prefix>/share/xscreensaver/config/halvorn.xml  its settings in XScreenSaver's dialog
#   <prefix>/share/man/man6/halvorn.6.gz            the manual page
#
# `cmake --install <build> --prefix /usr` installs them; `cpack -G DEB` in the
# build folder writes halvorn_<version>_<arch>.deb (prefix /usr) with its
# library dependencies worked out from the program by dpkg-shlibdeps.
include_guard(GLOBAL)
if(WIN32)
  return()
endif()

include(GNUInstallDirs)

# The manual page is installed compressed, as Debian wants it: gzip -n leaves
# the name and time stamp out, so the same page always gives the same bytes.
find_program(HALVORN_GZIP gzip REQUIRED)
set(halvorn_man_in ${CMAKE_CURRENT_LIST_DIR}/halvorn.6)
set(halvorn_man_copy ${CMAKE_CURRENT_BINARY_DIR}/halvorn.6)
set(halvorn_man_gz ${CMAKE_CURRENT_BINARY_DIR}/halvorn.6.gz)
add_custom_command(OUTPUT ${halvorn_man_gz}
  COMMAND ${CMAKE_COMMAND} -E copy ${halvorn_man_in} ${halvorn_man_copy}
  COMMAND ${HALVORN_GZIP} -9 -n -f ${halvorn_man_copy}
  DEPENDS ${halvorn_man_in}
  COMMENT "Compressing the manual page halvorn.6"
  VERBATIM)
add_custom_target(halvorn_man ALL DEPENDS ${halvorn_man_gz})
# Building the program alone (--target halvorn) is enough to install it.
add_dependencies(halvorn halvorn_man)

# Two real copies of the program rather than a link: XScreenSaver runs the
# module from its own folder, and a package manager sees two plain files.
install(TARGETS halvorn RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS halvorn RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/halvorn.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)
install(FILES ${halvorn_man_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

set(HALVORN_PACKAGE_MAINTAINER "Halvorn developers <halvorn@example.org>"
  CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME halvorn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Halvorn developers")
set(CPACK_PACKAGE_CONTACT "${HALVORN_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "endless space battle screen saver (OpenGL)")
# One line per line of the package description (dpkg wants them short).
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Two fleets of small fighters fly at each other, fire bolts and explode"
  "at the first hit, while a camera that changes its view every few seconds"
  "follows random ships in front of a star cube, a distant sun and its lens"
  "glare. When too few ships are left, a new battle begins."
  ""
  "Runs in a window of its own, as an XScreenSaver module (with its settings"
  "in XScreenSaver's dialog), or with no display at all to render pictures"
  "and traces of the battle.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME halvorn)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${HALVORN_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS xscreensaver)

include(CPack)
