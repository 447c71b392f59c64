# Main window and program entry.
add_library(telvar_window STATIC
  ${CMAKE_CURRENT_LIST_DIR}/CaseLogDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CustodyLogModel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CaseMenu.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ExportDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FolderWalk.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HeapTuning.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KeysDialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MorlAuthenticator.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PdfFigures.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PdfPageCuts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PdfPictureCache.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PdfReport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PdfStyle.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RecordingDrop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RecordingPicker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReportExport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ScreenFit.cpp
)
target_include_directories(telvar_window PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(telvar_window PUBLIC Qt::Widgets telvar_widgets telvar_verification)
# Every export but the PDF is written by the report's own writers.
target_link_libraries(telvar_window PUBLIC telvar_report)

add_executable(telvar-authenticator ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
# The resource collection is linked as object code straight into the
# program, so its static registration is never dropped.
target_link_libraries(telvar-authenticator PRIVATE
  telvar_window telvar_widgets telvar_verification telvar_resources)
target_compile_definitions(telvar-authenticator PRIVATE TELVAR_VERSION="${PROJECT_VERSION}")
