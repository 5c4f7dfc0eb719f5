# The Windows command line's parsing: no Windows headers, so it builds and is
# tested on every platform. Included by host/CMakeLists.txt.
add_library(saver_args STATIC ${CMAKE_CURRENT_LIST_DIR}/saver_args.cpp)
target_include_directories(saver_args PUBLIC ${CMAKE_CURRENT_LIST_DIR})
halvorn_strict(saver_args)
