# The conflicting-process guard, shared by torvane and ossik.

add_library(shell_guard STATIC
  ${CMAKE_CURRENT_LIST_DIR}/guard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/guard.h
)
target_include_directories(shell_guard PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(shell_guard PUBLIC texts_core platform_processes platform_ui platform_text Qt6::Core)
