# One place registers every test: each test is its own executable, known to CTest by name.
find_package(GTest REQUIRED)
include(GoogleTest)

# lintrove_add_test(NAME SOURCES src... [LIBRARIES lib...])
function(lintrove_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE lintrove_core lintrove_test_support GTest::gtest GTest::gtest_main
                                        ${ARG_LIBRARIES} lintrove_compile_options)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES ENVIRONMENT
                       "LINTROVE_REGISTRY_DIR=${CMAKE_CURRENT_BINARY_DIR}/unused-registry")
endfunction()
