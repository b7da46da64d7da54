# The conflicting-process guard, shared by torvane and ossik.

# torvane's localized message texts with their built-in defaults.
if(NOT TARGET shell_texts)
  add_library(shell_texts STATIC
    ${CMAKE_CURRENT_LIST_DIR}/messagetexts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/messagetexts.h
  )
  target_include_directories(shell_texts PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(shell_texts PUBLIC Qt6::Core)
endif()

add_library(shell_guard STATIC
  ${CMAKE_CURRENT_LIST_DIR}/guard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/guard.h
)
target_include_directories(shell_guard PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(shell_guard PUBLIC platform_processes platform_ui platform_text Qt6::Core)
