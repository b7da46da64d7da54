# torvane-cli gps watch.
target_sources(torvane-cli PRIVATE ${CMAKE_CURRENT_LIST_DIR}/gpscommands.cpp)
target_link_libraries(torvane-cli PRIVATE gps_nmea link_port)
