# What Windows users download, beside Halvorn.scr in the build folder:
#   HalvornSetup-<version>.exe    the installer (NSIS, built here by Debian's makensis)
#   Halvorn-<version>-win64.zip   the saver, README.txt (installing by hand), LICENSE.txt
# Both are built with the saver when makensis is found (nsis).
set(halvorn_dist ${CMAKE_CURRENT_BINARY_DIR}/dist)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${halvorn_dist}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(installer/README.txt.in ${halvorn_dist}/README.txt @ONLY NEWLINE_STYLE CRLF)

set(halvorn_zip ${PROJECT_BINARY_DIR}/Halvorn-${PROJECT_VERSION}-win64.zip)
add_custom_command(OUTPUT ${halvorn_zip}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:halvorn_scr> ${halvorn_dist}/Halvorn.scr
  COMMAND ${CMAKE_COMMAND} -E tar cf ${halvorn_zip} --format=zip Halvorn.scr README.txt LICENSE.txt
  DEPENDS halvorn_scr ${halvorn_dist}/README.txt ${halvorn_dist}/LICENSE.txt
  WORKING_DIRECTORY ${halvorn_dist}
  COMMENT "Packing Halvorn-${PROJECT_VERSION}-win64.zip"
  VERBATIM)
add_custom_target(halvorn_zip ALL DEPENDS ${halvorn_zip})

find_program(HALVORN_MAKENSIS makensis)
if(NOT HALVORN_MAKENSIS)
  message(STATUS "makensis not found (apt-get install nsis): no Windows installer")
  return()
endif()
set(halvorn_setup ${PROJECT_BINARY_DIR}/HalvornSetup-${PROJECT_VERSION}.exe)
add_custom_command(OUTPUT ${halvorn_setup}
  COMMAND ${HALVORN_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DSCR=$<TARGET_FILE:halvorn_scr>
    -DLICENSE=${halvorn_dist}/LICENSE.txt -DICON=${CMAKE_CURRENT_SOURCE_DIR}/halvorn.ico
    -DOUTFILE=${halvorn_setup} ${CMAKE_CURRENT_SOURCE_DIR}/installer/halvorn.nsi
  DEPENDS halvorn_scr installer/halvorn.nsi ${halvorn_dist}/LICENSE.txt halvorn.ico
  COMMENT "Building the installer HalvornSetup-${PROJECT_VERSION}.exe"
  VERBATIM)
add_custom_target(halvorn_setup ALL DEPENDS ${halvorn_setup})
