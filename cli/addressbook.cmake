# torvane-cli addressbook show|vcard
target_sources(torvane-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/addressbookcommands.cpp)
target_link_libraries(torvane-cli PRIVATE addressbook_core)
