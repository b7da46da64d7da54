# The window of ossik (explorer_ui) and the program, in bin/explorer/ with
# its language files beside it.
add_library(explorer_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/explorertexts.cpp ${CMAKE_CURRENT_LIST_DIR}/explorertexts.h
  ${CMAKE_CURRENT_LIST_DIR}/ossikform.cpp ${CMAKE_CURRENT_LIST_DIR}/ossikform.h
  ${CMAKE_CURRENT_LIST_DIR}/setupdialog.cpp ${CMAKE_CURRENT_LIST_DIR}/setupdialog.h
)
target_include_directories(explorer_ui PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(explorer_ui PUBLIC diag_fs link_port shell_guard platform_core platform_ui
                                         platform_widgets platform_text platform_processes Qt6::Widgets)

add_executable(ossik ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(ossik PRIVATE explorer_ui)
set_target_properties(ossik PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TORVANE_BIN_DIR}/explorer)
torvane_version_record(ossik ${PROJECT_VERSION}.1)

foreach(lng cs.lng en.lng)
  add_custom_command(
    OUTPUT ${TORVANE_BIN_DIR}/explorer/${lng}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_CURRENT_LIST_DIR}/${lng} ${TORVANE_BIN_DIR}/explorer/${lng}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/${lng}
    COMMENT "Copying explorer/${lng}")
  list(APPEND ossik_data ${TORVANE_BIN_DIR}/explorer/${lng})
endforeach()
add_custom_target(ossik_data ALL DEPENDS ${ossik_data})
add_dependencies(ossik ossik_data)
