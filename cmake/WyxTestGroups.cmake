# How CTest sees the GoogleTest suites: wyx_discover_tests(<target>) registers the tests of a
# test executable when CTest runs, as gtest_discover_tests does, one CTest test per test, or,
# with WYX_GROUP_TESTS (scripts/test turns it on), one CTest test per GoogleTest test suite
# (the tests of one fixture run in one process, named "<target>.<suite>"). Starting a
# sanitized test executable costs more than most tests do: grouped, a full run starts about a
# fifth as many processes. Off by default, so that "ctest -R <test name>" finds one test.

option(WYX_GROUP_TESTS "One CTest test per GoogleTest test suite instead of one per test" OFF)

set(WYX_TEST_GROUPS_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/WyxTestGroups.in)

function(wyx_discover_tests target)
  if(NOT WYX_GROUP_TESTS)
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)
    return()
  endif()
  # The file CTest includes: it lists the executable's suites and adds a test for each.
  set(WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set(configured ${CMAKE_CURRENT_BINARY_DIR}/${target}_groups.in)
  set(groups ${CMAKE_CURRENT_BINARY_DIR}/${target}_groups.cmake)
  configure_file(${WYX_TEST_GROUPS_TEMPLATE} ${configured} @ONLY)
  file(GENERATE OUTPUT ${groups} INPUT ${configured})
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${groups})
endfunction()
