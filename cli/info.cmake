# torvane-cli info: the presence check and the information readout.
target_sources(torvane-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/infocommands.cpp)
target_link_libraries(torvane-cli PRIVATE link_at platform_text)
