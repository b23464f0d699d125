find_package(GTest REQUIRED)
include(GoogleTest)

# Test executables that exercise threads; the ThreadSanitizer build compiles only these.
add_custom_target(zuriz_thread_tests)

# zuriz_add_gtest(<target> LABELS <label>... SOURCES <file>... [LIBS <lib>...])
# One test executable; every case becomes a CTest test carrying the given labels.
# Give the label "threads" to executables whose cases run threads: they also run under TSan.
function(zuriz_add_gtest target)
  cmake_parse_arguments(ARG "" "" "LABELS;SOURCES;LIBS" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} zuriz_test_support GTest::gtest GTest::gmock
                        GTest::gtest_main zuriz_warnings)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${target} TEST_LIST ${target}_TESTS
    DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST)
  # gtest_discover_tests drops list-valued properties, so labels are set by a script that
  # CTest reads after the discovered tests.
  set(label_script ${CMAKE_CURRENT_BINARY_DIR}/${target}_labels.cmake)
  file(WRITE ${label_script}
    "foreach(t IN LISTS ${target}_TESTS)\n"
    "  set_tests_properties(\"\${t}\" PROPERTIES LABELS \"${ARG_LABELS}\")\n"
    "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${label_script})
  if("threads" IN_LIST ARG_LABELS)
    add_dependencies(zuriz_thread_tests ${target})
  endif()
endfunction()
