# Serial port layer: TComPort on QSerialPort, its stored settings and the port list (UI-free).
add_library(link_port STATIC
  ${CMAKE_CURRENT_LIST_DIR}/comport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/comport.h
)
target_include_directories(link_port PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(link_port PUBLIC Qt6::Core Qt6::SerialPort platform_core)
