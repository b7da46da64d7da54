# The explorer window of torvane.
add_library(obex_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/explorer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/explorer.h
)
target_include_directories(obex_ui PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(obex_ui PUBLIC obex_core texts_core platform_ui platform_core platform_text Qt6::Widgets)
