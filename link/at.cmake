# AT command transport, the phone information readout and the commands of
# the device settings (UI-free).
add_library(link_at STATIC
  attransport.cpp attransport.h
  atvalues.cpp atvalues.h
  phoneinfo.cpp phoneinfo.h
  settingcommands.cpp settingcommands.h
)
target_include_directories(link_at PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(link_at PUBLIC Qt6::Core link_port)
