# torvane-cli sms send: the sending exchange of the compose dialog.
target_sources(torvane-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/smssendcommands.cpp)
target_link_libraries(torvane-cli PRIVATE sms_send)
