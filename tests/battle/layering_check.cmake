# The include rules of the battle core, checked on the sources:
#   cmake -DSOURCE_DIR=<repository root> -P layering_check.cmake
#
# The folders are layers, and includes run downwards only:
#   coldet/   the collision library: nothing of the battle
#   sim/      the simulation: itself (and coldet)
#   weapons/  the guns: sim/ and itself
#   view/     the camera, view volume, effects, glare and the start-up:
#             sim/, weapons/ and itself
# with one forced exception: sim/item.h includes view/explosion.h (every item
# embeds its explosion effects by value), and view/explosion.h includes
# nothing of sim/ but sim/math3d.h, which includes nothing of the project.
# None of these folders includes a GL, window-system or OS header.
# view/glare_draw.cpp is the renderer's and is left out.

cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "give -DSOURCE_DIR=<repository root>")
endif()

set(allowed_coldet "")
set(allowed_sim sim)
set(allowed_weapons sim weapons)
set(allowed_view sim weapons view)
set(project_folders coldet sim weapons view render host bench tests fuzz)
set(system_pattern "^(GL|GLES|GLES2|EGL|KHR|X11|sys)/|^(windows|winuser|unistd|pthread|dlfcn|fcntl)\\.h$")

set(violations "")
foreach(layer coldet sim weapons view)
  file(GLOB sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${layer}/*.h ${SOURCE_DIR}/${layer}/*.cpp)
  list(REMOVE_ITEM sources view/glare_draw.cpp)
  foreach(source IN LISTS sources)
    file(STRINGS ${SOURCE_DIR}/${source} lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS lines)
      if(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
        set(header ${CMAKE_MATCH_1})
        if(header MATCHES "${system_pattern}")
          list(APPEND violations "${source}: system header <${header}>")
        endif()
        continue()
      endif()
      if(NOT line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
        continue()
      endif()
      set(header ${CMAKE_MATCH_1})
      if(source STREQUAL "sim/math3d.h")
        list(APPEND violations "${source}: includes \"${header}\", but it must include nothing")
        continue()
      endif()
      if(NOT header MATCHES "^([^/]+)/")
        continue()  # a header of the same folder
      endif()
      set(folder ${CMAKE_MATCH_1})
      if(NOT folder IN_LIST project_folders)
        continue()
      endif()
      if(source STREQUAL "sim/item.h" AND header STREQUAL "view/explosion.h")
        continue()  # the forced exception
      endif()
      if(source STREQUAL "view/explosion.h" AND folder STREQUAL "sim" AND NOT header STREQUAL "sim/math3d.h")
        list(APPEND violations "${source}: includes \"${header}\", but from sim/ only sim/math3d.h")
        continue()
      endif()
      if(NOT folder IN_LIST allowed_${layer})
        list(JOIN allowed_${layer} ", " allowed_text)
        list(APPEND violations "${source}: includes \"${header}\" (${layer}/ may include only: ${allowed_text})")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "Include rules of the battle core broken:\n  ${text}")
endif()
message(STATUS "The battle core's includes run one way")
