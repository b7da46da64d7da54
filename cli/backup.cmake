# torvane-cli backup | restore: the whole handset through the backup library.
target_sources(torvane-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/backupcommands.cpp)
target_link_libraries(torvane-cli PRIVATE backup_core)
