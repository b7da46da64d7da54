# The loader that puts the texts of the language files (texts/) into the
# windows of torvane.

add_library(shell_language STATIC
  ${CMAKE_CURRENT_LIST_DIR}/language.cpp
  ${CMAKE_CURRENT_LIST_DIR}/language.h
)
target_include_directories(shell_language PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(shell_language PUBLIC
  texts_core link_pages link_ui platform_widgets platform_text Qt6::Widgets)
