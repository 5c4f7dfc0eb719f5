# The saver's portable logic: no Windows headers, so it builds and is tested on
# every platform. Included by host/win32/CMakeLists.txt on Windows and by the
# tests elsewhere.
add_library(saver_logic STATIC
  ${CMAKE_CURRENT_LIST_DIR}/dialog_logic.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fps_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frame_period.cpp
  ${CMAKE_CURRENT_LIST_DIR}/saver_args.cpp)
target_include_directories(saver_logic PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${PROJECT_SOURCE_DIR})
halvorn_strict(saver_logic)
