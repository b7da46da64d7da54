# torvane-cli phonebook read: the phonebook reader of the phonebook page.
target_sources(torvane-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/phonebookcommands.cpp)
target_link_libraries(torvane-cli PRIVATE phonebook_core link_at)
