# The reading of $XSCREENSAVER_WINDOW: no X11, so it builds, is tested and is
# fuzzed in every native configuration. Included by host/CMakeLists.txt.
add_library(screensaver_window STATIC ${CMAKE_CURRENT_LIST_DIR}/screensaver_window.cpp)
target_include_directories(screensaver_window PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(screensaver_window PUBLIC host_options)
halvorn_strict(screensaver_window)
