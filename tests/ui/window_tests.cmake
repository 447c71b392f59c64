# Tests of the main window, through the worker to the rows of the tree.
telvar_add_test(window_tests
  ${CMAKE_CURRENT_LIST_DIR}/CaseWindowTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ClaimWordingTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ExportTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/KeysDialogTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PdfPageCutsTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PdfStyleTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MainWindowTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PlayerWindowTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WindowKeyboardTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RecordingDropTest.cpp
)
target_link_libraries(window_tests PRIVATE
  telvar_qt_test_main telvar_window telvar_qt_test_support telvar_resources)
# The end-to-end test verifies the very files the demo program writes.
add_dependencies(window_tests telvar-make-demo telvar-verify)
target_compile_definitions(window_tests PRIVATE
  TELVAR_MAKE_DEMO="$<TARGET_FILE:telvar-make-demo>"
  TELVAR_VERIFY_EXE="$<TARGET_FILE:telvar-verify>")

# Renders the window after verifying the demo recordings (scripts/screenshot.sh).
add_executable(telvar-screenshot ${CMAKE_CURRENT_LIST_DIR}/ScreenshotMain.cpp)
target_link_libraries(telvar-screenshot PRIVATE telvar_window telvar_resources)
target_compile_definitions(telvar-screenshot PRIVATE TELVAR_VERSION="${PROJECT_VERSION}")
# It pictures the window for the docs, from a release build: a sanitized
# build, which no test of it needs, leaves it out (it still builds on demand).
if(TELVAR_SANITIZE)
  set_target_properties(telvar-screenshot PROPERTIES EXCLUDE_FROM_ALL ON)
endif()
