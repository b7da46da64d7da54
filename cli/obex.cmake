# torvane-cli obex ...: the handset's files over the modem port.
target_sources(torvane-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/obexcommands.cpp)
target_link_libraries(torvane-cli PRIVATE obex_core)
