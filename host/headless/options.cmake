# The Linux program's command line (options.*) and the video names it checks
# (video_recorder.*): no GL, so the parsing builds, is tested and is fuzzed in
# every native configuration. Included by host/CMakeLists.txt.
add_library(host_options STATIC ${CMAKE_CURRENT_LIST_DIR}/options.cpp ${CMAKE_CURRENT_LIST_DIR}/video_recorder.cpp)
# The project root for render/layers.h and render/drawing_paths.h, whose names
# and parsing need no GL.
target_include_directories(host_options PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${PROJECT_SOURCE_DIR})
target_link_libraries(host_options PUBLIC battle PRIVATE halvorn_version)
halvorn_strict(host_options)
