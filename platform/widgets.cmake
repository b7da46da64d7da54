# Reusable widgets of the windows: radio groups and labelled edits whose
# captions and items the language loader replaces, and check lists that tell
# the user's toggles from the program's.
add_library(platform_widgets STATIC
  widgets/radiogroup.cpp widgets/radiogroup.h
  widgets/labellededit.cpp widgets/labellededit.h
  widgets/checklist.cpp widgets/checklist.h
  widgets/accessiblenames.cpp widgets/accessiblenames.h
)
target_include_directories(platform_widgets PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/widgets)
target_link_libraries(platform_widgets PUBLIC Qt6::Widgets)
