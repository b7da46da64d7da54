# The pages of the main window that belong to the phone link: the
# information page and the locks page.
add_library(link_pages STATIC
  ${CMAKE_CURRENT_LIST_DIR}/infopage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/infopage.h
  ${CMAKE_CURRENT_LIST_DIR}/infopage.ui
  ${CMAKE_CURRENT_LIST_DIR}/lockspage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lockspage.h
  ${CMAKE_CURRENT_LIST_DIR}/lockspage.ui
)
target_include_directories(link_pages PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(link_pages PUBLIC link_at platform_text platform_widgets Qt6::Widgets)
