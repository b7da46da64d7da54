# The device settings and security codes, with the code-entry dialog.
add_library(link_settings STATIC
  ${CMAKE_CURRENT_LIST_DIR}/devicesettings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/devicesettings.h
  ${CMAKE_CURRENT_LIST_DIR}/heslo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/heslo.h
  ${CMAKE_CURRENT_LIST_DIR}/heslo.ui
)
target_include_directories(link_settings PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(link_settings PUBLIC link_port link_at texts_core link_pages platform_ui platform_text Qt6::Widgets)
