# SMS: the message store page with its save dialog, and its printing.
add_library(sms_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/smspage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/smspage.h
  ${CMAKE_CURRENT_LIST_DIR}/smspage.ui
  ${CMAKE_CURRENT_LIST_DIR}/ulozsms.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ulozsms.h
)
target_include_directories(sms_ui PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(sms_ui PUBLIC sms_store texts_core platform_widgets platform_ui platform_core
  platform_text Qt6::Widgets Qt6::PrintSupport)
