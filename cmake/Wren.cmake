# wren_add_test_suite(<name> LABEL <layer> SOURCES <files...> [LIBS <targets...>]
#                     [FIXTURES <ctest fixture>] [ENVIRONMENT <VAR=value>])
# One GoogleTest executable per suite; every test in it carries the layer label,
# so `ctest -L <layer>` runs one layer alone. FIXTURES names the CTest fixture
# (such as the local HTTP server, http_server) that every test of the suite
# requires; ctest starts it first even when a label selects the tests.
# ENVIRONMENT sets one variable for every test of the suite.
function(wren_add_test_suite name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS;FIXTURES;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock Threads::Threads)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  set(properties LABELS ${ARG_LABEL})
  if(ARG_FIXTURES)
    list(APPEND properties FIXTURES_REQUIRED ${ARG_FIXTURES})
  endif()
  if(ARG_ENVIRONMENT)
    list(APPEND properties ENVIRONMENT "${ARG_ENVIRONMENT}")
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ${properties})
endfunction()
