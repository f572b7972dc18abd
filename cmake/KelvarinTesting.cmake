include(GoogleTest)

# kelvarin_add_unit_test(NAME SOURCES... [LIBS libs...])
# One GoogleTest executable, its cases registered one by one with ctest.
function(kelvarin_add_unit_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE kelvarin_options kelvarin_test_support
                        ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS unit)
endfunction()

# kelvarin_add_gui_test(NAME SOURCES... [LIBS libs...])
# A QtTest executable, run on the offscreen platform so CI needs no display.
function(kelvarin_add_gui_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE kelvarin_options kelvarin_test_support
                        ${ARG_LIBS} Qt6::Test)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    LABELS gui
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# kelvarin_add_e2e_test(NAME SOURCES... [LIBS libs...])
# A GoogleTest executable that drives the real programs (kelvarin-cli against
# kelvarin-exchange), so both must be built first.
function(kelvarin_add_e2e_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE kelvarin_options kelvarin_test_support
                        ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  add_dependencies(${name} kelvarin-exchange kelvarin-cli)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS e2e)
endfunction()
