# The torvane program, in the bin folder with its data files beside it.
add_executable(torvane main.cpp)
target_link_libraries(torvane PRIVATE shell_ui)
torvane_version_record(torvane ${PROJECT_VERSION}.1)

# The about-box texts next to the program, and the folder of the diagnostic-port explorer.
# The language files ship beside the program too.
foreach(text data/oprgl.txt data/oprgr.txt lang/cs.lng lang/en.lng)
  get_filename_component(name ${text} NAME)
  add_custom_command(
    OUTPUT ${TORVANE_BIN_DIR}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different
            ${CMAKE_CURRENT_SOURCE_DIR}/${text} ${TORVANE_BIN_DIR}/${name}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${text}
    COMMENT "Copying ${name}")
  list(APPEND torvane_data ${TORVANE_BIN_DIR}/${name})
endforeach()
add_custom_target(torvane_data ALL DEPENDS ${torvane_data})
add_dependencies(torvane torvane_data)
file(MAKE_DIRECTORY ${TORVANE_BIN_DIR}/explorer)
