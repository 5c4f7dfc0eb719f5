# The battle's trace (trace.*, battle_trace.*): no GL, so the web page writes
# the same lines as the headless run. Included by host/CMakeLists.txt.
add_library(battle_trace STATIC ${CMAKE_CURRENT_LIST_DIR}/trace.cpp ${CMAKE_CURRENT_LIST_DIR}/battle_trace.cpp)
target_include_directories(battle_trace PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(battle_trace PUBLIC battle)
halvorn_strict(battle_trace)
