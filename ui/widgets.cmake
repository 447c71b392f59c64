# Widgets of the result list, header strip and About dialog.
add_library(telvar_widgets STATIC
  ${CMAKE_CURRENT_LIST_DIR}/AboutDlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Continuity.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EvidencePane.cpp
  ${CMAKE_CURRENT_LIST_DIR}/EvidenceText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FilmstripView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FrameView.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NResultTree.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NToolButton.cpp
  ${CMAKE_CURRENT_LIST_DIR}/NTreeItemDelegate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PlayerWindow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PlayerWorker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ResultModel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ResultText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RowEvidence.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RowText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TimelineView.cpp
)
target_include_directories(telvar_widgets PUBLIC ${PROJECT_SOURCE_DIR})
# The widgets load their icons from the collection, so whoever links them gets it.
target_link_libraries(telvar_widgets PUBLIC Qt::Widgets telvar_verification telvar_resources)
# The pane and its timeline show the core report's continuity and picture.
target_link_libraries(telvar_widgets PUBLIC telvar_report telvar_pictures)
