# Widgets of the result list, header strip and About dialog.
add_library(telvar_widgets STATIC
  ${CMAKE_CURRENT_LIST_DIR}/AboutDlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NImageLabel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NResultTree.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NToolButton.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NTreeItem.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NTreeItemDelegate.cpp
)
target_include_directories(telvar_widgets PUBLIC ${PROJECT_SOURCE_DIR})
# The widgets load their icons from the collection, so whoever links them gets it.
target_link_libraries(telvar_widgets PUBLIC Qt::Widgets telvar_verification telvar_resources)
