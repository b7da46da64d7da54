# The running processes of the machine and their termination (QtCore only).
add_library(platform_processes STATIC processlist.cpp processlist.h)
target_include_directories(platform_processes PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(platform_processes PUBLIC Qt6::Core)
