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
  gtest_discover_tests(${target}
    PROPERTIES LABELS "${ARG_LABELS}"
    DISCOVERY_TIMEOUT 60)
  if("threads" IN_LIST ARG_LABELS)
    add_dependencies(zuriz_thread_tests ${target})
  endif()
endfunction()
