# Windows of the phone link: the settings dialog with its automatic port test.
add_library(link_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/nastaveni.cpp
  ${CMAKE_CURRENT_LIST_DIR}/nastaveni.h
  ${CMAKE_CURRENT_LIST_DIR}/nastaveni.ui
)
target_include_directories(link_ui PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(link_ui PUBLIC link_port link_at diag_codec platform_ui Qt6::Widgets)
