# torvane-cli sms list | delete: the message store through the SMS page's listing.
target_sources(torvane-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/smscommands.cpp)
target_link_libraries(torvane-cli PRIVATE sms_store)
