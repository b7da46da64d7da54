# The language files of torvane: the table of texts and the file reader
# (UI-free), and the loader that puts the texts into the windows.

add_library(shell_languagefile STATIC
  ${CMAKE_CURRENT_LIST_DIR}/languagefile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/languagefile.h
  ${CMAKE_CURRENT_LIST_DIR}/messagetexts.h
)
target_include_directories(shell_languagefile PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(shell_languagefile PUBLIC platform_core platform_text Qt6::Core)

add_library(shell_language STATIC
  ${CMAKE_CURRENT_LIST_DIR}/language.cpp
  ${CMAKE_CURRENT_LIST_DIR}/language.h
)
target_include_directories(shell_language PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(shell_language PUBLIC
  shell_languagefile link_pages link_ui platform_widgets platform_text Qt6::Widgets)
