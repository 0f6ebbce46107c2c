# One place registers every test: each test is its own executable, known to CTest by name.
if(CMAKE_CROSSCOMPILING)
  # Debian packages GoogleTest's sources, not a MinGW build of it.
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

if(WIN32 AND CMAKE_CROSSCOMPILING)
  # Every Windows test runs under Wine in one prefix made anew for each test run. The tests share
  # its registry and installer, so they run one at a time.
  add_test(NAME wine_prefix COMMAND "${PROJECT_SOURCE_DIR}/cmake/wine-run.sh" --fresh
                                    "${CMAKE_BINARY_DIR}/wineprefix" wineboot --init)
  set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine_prefix RESOURCE_LOCK wine)
  include(${CMAKE_CURRENT_LIST_DIR}/LintroveVersionResource.cmake)
endif()

# lintrove_add_test(NAME SOURCES src... [LIBRARIES lib...])
function(lintrove_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE lintrove_core lintrove_test_support GTest::gtest
                                        GTest::gtest_main GTest::gmock ${ARG_LIBRARIES}
                                        lintrove_compile_options)
  if(WIN32 AND CMAKE_CROSSCOMPILING)
    # The tests run as the client does: with the version resource it reads its version from.
    lintrove_add_version_resource(${name})
    # One Wine start per executable: starting Wine for each test case would cost seconds each.
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_prefix RESOURCE_LOCK wine)
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES ENVIRONMENT
                         "LINTROVE_REGISTRY_DIR=${CMAKE_CURRENT_BINARY_DIR}/unused-registry")
  endif()
endfunction()

# lintrove_add_qt_test(NAME SOURCES src... [LIBRARIES lib...] [RUN_THROUGH command...]): a QtTest
# executable, one CTest test, run headless on Qt's offscreen platform (the embedded browser drawing
# in software; as root the client turns the browser's sandbox off itself, as it does for a user),
# started by the RUN_THROUGH command when one is given. Whatever it reaches of the user's data
# points into the build directory; in the Windows build it runs under Wine in the build's prefix,
# whose static Qt gets the offscreen platform linked in. The directory that calls it finds Qt's
# Test and Widgets first, once: the static Qt for Windows defines some of its targets without
# asking whether they exist.
function(lintrove_add_qt_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES;RUN_THROUGH" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE lintrove_core lintrove_test_support Qt6::Test
                                        ${ARG_LIBRARIES} lintrove_compile_options)
  if(ARG_RUN_THROUGH)
    set(command ${ARG_RUN_THROUGH} ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}>)
  else()
    set(command ${name})
  endif()
  # The platform is named on the command line too: Qt under Wine was seen to ignore the variable.
  add_test(NAME ${name} COMMAND ${command} -platform offscreen)
  set_tests_properties(${name} PROPERTIES ENVIRONMENT
    "QT_QPA_PLATFORM=offscreen;QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu;LINTROVE_REGISTRY_DIR=${CMAKE_CURRENT_BINARY_DIR}/unused-registry;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/unused-config")
  if(WIN32)
    qt_import_plugins(${name} INCLUDE Qt6::QOffscreenIntegrationPlugin)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_prefix RESOURCE_LOCK wine)
  endif()
endfunction()
