# Run by ctest as it starts (a test include file of tests/CMakeLists.txt's
# telvar_add_test): lists the suites of one test program and adds a test for
# each, which runs that suite alone in a process of its own.
#   PROGRAM  the test program       NAME  its name, the tests' prefix
#   ENV      the tests' environment (a list of NAME=VALUE)
if(NOT EXISTS "${PROGRAM}")
  # Not built: a test that fails and says so, rather than no test at all.
  add_test("${NAME}_NOT_BUILT" "${PROGRAM}")
  return()
endif()
execute_process(COMMAND "${PROGRAM}" --gtest_list_tests
  OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE status TIMEOUT 60)
if(NOT status EQUAL 0)
  # A program that cannot list its tests fails as a test, with its output.
  add_test("${NAME}_LISTING_FAILED" "${PROGRAM}" --gtest_list_tests)
  return()
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(suites "")
foreach(line IN LISTS lines)
  # Suites start in the first column and end in a dot (a parameterised or
  # typed suite's line goes on with a comment); their tests are indented.
  if(line MATCHES "^([^ #]+)\\.")
    set(suite "${CMAKE_MATCH_1}")
    list(APPEND suites "${suite}")
    set(count_${suite} 0)
  elseif(line MATCHES "^  [^ ]" AND DEFINED suite)
    math(EXPR count_${suite} "${count_${suite}} + 1")
  endif()
endforeach()
foreach(suite IN LISTS suites)
  add_test("${NAME}.${suite}" "${PROGRAM}" "--gtest_filter=${suite}.*")
  # The suites with the most tests start first, so that the last to end
  # is a short one (ctest has no times of its own on a fresh build).
  set_tests_properties("${NAME}.${suite}" PROPERTIES ENVIRONMENT "${ENV}" COST "${count_${suite}}")
endforeach()
