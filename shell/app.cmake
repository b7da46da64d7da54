# The torvane program, in the bin folder with its data files beside it.
add_executable(torvane main.cpp)
target_link_libraries(torvane PRIVATE shell_ui)
torvane_version_record(torvane ${PROJECT_VERSION}.1)

# The about-box texts next to the program, and the folder of the diagnostic-port explorer.
foreach(text oprgl.txt oprgr.txt)
  add_custom_command(
    OUTPUT ${TORVANE_BIN_DIR}/${text}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different
            ${CMAKE_CURRENT_SOURCE_DIR}/data/${text} ${TORVANE_BIN_DIR}/${text}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/data/${text}
    COMMENT "Copying ${text}")
  list(APPEND torvane_data ${TORVANE_BIN_DIR}/${text})
endforeach()
add_custom_target(torvane_data ALL DEPENDS ${torvane_data})
add_dependencies(torvane torvane_data)
file(MAKE_DIRECTORY ${TORVANE_BIN_DIR}/explorer)
