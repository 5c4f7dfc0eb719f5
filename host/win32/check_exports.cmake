# Checks that MODULE exports the collision library's three functions under
# their plain names (read with OBJDUMP -p).
#   cmake -DOBJDUMP=<objdump> -DMODULE=<file> -P check_exports.cmake
execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${MODULE} failed")
endif()
# The name table follows "There is an export table"; binutils versions
# differ in its headings, not in its "[ index] name" lines.
string(FIND "${dump}" "There is an export table" table)
if(table EQUAL -1)
  message(FATAL_ERROR "${MODULE} has no export table")
endif()
string(SUBSTRING "${dump}" ${table} -1 exports)
foreach(name newCollisionModel3D SphereRayCollision SphereSphereCollision)
  if(NOT exports MATCHES "\\] ${name}\n")
    message(FATAL_ERROR "${MODULE} does not export ${name}")
  endif()
  message(STATUS "exported: ${name}")
endforeach()
