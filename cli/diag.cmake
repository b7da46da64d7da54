# torvane-cli diag ...: the handset's file system over the diagnostic port.
target_sources(torvane-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/diagcommands.cpp)
target_link_libraries(torvane-cli PRIVATE diag_fs platform_text)
