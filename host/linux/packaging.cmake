# Installing `halvorn` and packing it as a Debian package.
#
#   <prefix>/bin/halvorn                            the program (window, headless run)
#   <prefix>/libexec/xscreensaver/halvorn           a link to it where XScreenSaver
#                                                   looks for its modules
#   <prefix>/share/xscreensaver/config/halvorn.xml  its settings in XScreenSaver's dialog
#   <prefix>/share/man/man6/halvorn.6.gz            the manual page
#   <prefix>/share/applications/halvorn.desktop     the window program in the menu
#   <prefix>/share/applications/screensavers/halvorn.desktop
#                                                   the module, for MATE's screen saver
#   <prefix>/share/icons/hicolor/NxN/apps/halvorn.png  the icon (host/resources/icons/)
#   <prefix>/share/doc/halvorn/                     copyright, changelog.Debian.gz
#   <prefix>/share/lintian/overrides/halvorn        lintian's notes that stay, with reasons
#
# `cmake --install <build> --prefix /usr` installs them; `cpack -G DEB` in the
# build folder writes halvorn_<version>-<release>_<arch>.deb (prefix /usr) with
# its library dependencies worked out from the program by dpkg-shlibdeps. The
# package is meant to be built with -DHALVORN_HARDEN=ON (scripts/package.sh).
include_guard(GLOBAL)
if(WIN32)
  return()
endif()

include(GNUInstallDirs)

set(HALVORN_DEBIAN_RELEASE 1 CACHE STRING "Debian revision of the package (the -1 of 1.1.0-1)")
set(halvorn_debian_version ${PROJECT_VERSION}-${HALVORN_DEBIAN_RELEASE})
# The changelog's newest entry must be the version packed: one version, set once.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/debian/changelog halvorn_changelog_top LIMIT_COUNT 1)
if(NOT halvorn_changelog_top MATCHES "^halvorn \\(${halvorn_debian_version}\\) ")
  message(FATAL_ERROR "host/linux/debian/changelog starts with '${halvorn_changelog_top}': add an entry "
    "'halvorn (${halvorn_debian_version}) unstable; urgency=medium' at its top for the version in project()")
endif()

# The manual page (with the version) and the changelog are installed
# compressed, as Debian wants them: gzip -n leaves the name and time stamp out,
# so the same text always gives the same bytes.
find_program(HALVORN_GZIP gzip REQUIRED)
configure_file(halvorn.6 ${CMAKE_CURRENT_BINARY_DIR}/halvorn.6 @ONLY)
configure_file(debian/changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian COPYONLY)
set(halvorn_man_gz ${CMAKE_CURRENT_BINARY_DIR}/halvorn.6.gz)
set(halvorn_changelog_gz ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz)
add_custom_command(OUTPUT ${halvorn_man_gz} ${halvorn_changelog_gz}
  COMMAND ${HALVORN_GZIP} -9 -n -c halvorn.6 > ${halvorn_man_gz}
  COMMAND ${HALVORN_GZIP} -9 -n -c changelog.Debian > ${halvorn_changelog_gz}
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/halvorn.6 ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian
  WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
  COMMENT "Compressing the manual page and the changelog")
add_custom_target(halvorn_man ALL DEPENDS ${halvorn_man_gz} ${halvorn_changelog_gz})
# Building the program alone (--target halvorn) is enough to install it.
add_dependencies(halvorn halvorn_man)

# The program once, and XScreenSaver's module a relative link to it.
install(TARGETS halvorn RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
file(RELATIVE_PATH halvorn_module_target /usr/${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver
  /usr/${CMAKE_INSTALL_BINDIR}/halvorn)
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/module)
file(CREATE_LINK ${halvorn_module_target} ${CMAKE_CURRENT_BINARY_DIR}/module/halvorn SYMBOLIC)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/module/halvorn DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver)
# Stripped for the package (cpack, cmake --install --strip), without the
# compiler's notes either, as dh_strip leaves Debian's programs.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment --remove-section=.note
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/halvorn\" COMMAND_ERROR_IS_FATAL ANY)
  endif()")
install(FILES ${CMAKE_CURRENT_LIST_DIR}/halvorn.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)
install(FILES ${halvorn_man_gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/halvorn.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/halvorn-screensaver.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications/screensavers RENAME halvorn.desktop)
foreach(size 16 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/host/resources/icons/halvorn-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME halvorn.png)
endforeach()
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright ${halvorn_changelog_gz}
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/halvorn)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME halvorn)

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
set(CPACK_DEBIAN_PACKAGE_RELEASE ${HALVORN_DEBIAN_RELEASE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${HALVORN_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS xscreensaver)

include(CPack)
