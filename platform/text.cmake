# Windows-1250 <-> Unicode, the code page of every text in the programs.
add_library(platform_text STATIC
  ${CMAKE_CURRENT_LIST_DIR}/cp1250.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cp1250.h
)
target_include_directories(platform_text PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(platform_text PUBLIC Qt6::Core)
