# wren_add_test_suite(<name> LABEL <layer> SOURCES <files...> [LIBS <targets...>])
# One GoogleTest executable per suite; every test in it carries the layer label,
# so `ctest -L <layer>` runs one layer alone.
function(wren_add_test_suite name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock Threads::Threads)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES LABELS ${ARG_LABEL})
endfunction()
