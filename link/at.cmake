# AT command transport and the phone information readout (UI-free).
add_library(link_at STATIC
  attransport.cpp attransport.h
  phoneinfo.cpp phoneinfo.h
)
target_include_directories(link_at PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(link_at PUBLIC Qt6::Core link_port)
