# SMS: the message store page's controls.
add_library(sms_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/smspage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/smspage.h
  ${CMAKE_CURRENT_LIST_DIR}/smspage.ui
)
target_include_directories(sms_ui PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(sms_ui PUBLIC platform_widgets Qt6::Widgets)
