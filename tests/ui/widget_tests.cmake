# Tests of the widgets and the resource collection. They share the Qt test
# main (an application object, headless by default) with the verification tests.
telvar_add_test(widget_tests
  ${CMAKE_CURRENT_LIST_DIR}/AboutDlgTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ResourcesTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ResultTreeTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ToolButtonTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TimelineViewTest.cpp
)
target_link_libraries(widget_tests PRIVATE telvar_qt_test_main telvar_widgets)
