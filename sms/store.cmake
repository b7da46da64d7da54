# SMS: the message store's listing, its rows and archives (UI-free), shared
# by the page and torvane-cli.
add_library(sms_store STATIC
  ${CMAKE_CURRENT_LIST_DIR}/smsentries.cpp
  ${CMAKE_CURRENT_LIST_DIR}/smsentries.h
  ${CMAKE_CURRENT_LIST_DIR}/smslisting.cpp
  ${CMAKE_CURRENT_LIST_DIR}/smslisting.h
  ${CMAKE_CURRENT_LIST_DIR}/smsarchive.cpp
  ${CMAKE_CURRENT_LIST_DIR}/smsarchive.h
)
target_include_directories(sms_store PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(sms_store PUBLIC Qt6::Core sms_codec link_at link_port platform_core platform_text)
