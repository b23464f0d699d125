# Fuzz targets (tests/fuzz/*_fuzz.cpp) built by clang-14's libFuzzer in a nested build under
# build/fuzz, and CTest cases labelled "fuzz" that run each one for a few seconds over its seed
# corpus. On (AUTO) when clang++-14 and its libFuzzer runtime are present; the sanitizer
# builds leave it out (the targets already run under ASan and UBSan).
# Every tests/fuzz/<name>.cpp ending in _fuzz is a target (tests/fuzz/project says what each links).
file(GLOB _fuzz_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
set(ZURIZ_FUZZ_TARGET_NAMES)
foreach(source IN LISTS _fuzz_sources)
  get_filename_component(name ${source} NAME_WE)
  list(APPEND ZURIZ_FUZZ_TARGET_NAMES ${name})
endforeach()

find_program(ZURIZ_FUZZ_CXX clang++-14)
find_program(ZURIZ_FUZZ_CC clang-14)
set(_fuzz_default OFF)
if(ZURIZ_FUZZ_CXX AND ZURIZ_FUZZ_CC AND NOT ZURIZ_SANITIZE AND ZURIZ_BUILD_TESTS)
  execute_process(COMMAND ${ZURIZ_FUZZ_CXX} -print-file-name=libclang_rt.fuzzer-x86_64.a
                  OUTPUT_VARIABLE _fuzz_rt OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(_fuzz_rt AND EXISTS "${_fuzz_rt}")
    set(_fuzz_default ON)
  else()
    # Newer layouts keep the runtime under lib/linux.
    file(GLOB _fuzz_rt_alt /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a)
    if(_fuzz_rt_alt)
      set(_fuzz_default ON)
    endif()
  endif()
endif()
# AUTO is decided again at every configure, so a tree first configured before clang-14 was
# installed (scripts/demo.sh does not install it) gains the fuzz targets once it is there.
set(ZURIZ_FUZZ AUTO CACHE STRING
    "Build the libFuzzer targets and run them briefly as CTest label fuzz (ON, OFF or AUTO)")
set_property(CACHE ZURIZ_FUZZ PROPERTY STRINGS AUTO ON OFF)
set(_fuzz_on ${ZURIZ_FUZZ})
if(ZURIZ_FUZZ STREQUAL "AUTO")
  set(_fuzz_on ${_fuzz_default})
endif()
set(ZURIZ_FUZZ_SECONDS 3 CACHE STRING "Seconds each fuzz target runs under CTest")

if(_fuzz_on)
  include(ExternalProject)
  set(ZURIZ_FUZZ_BINARY_DIR ${CMAKE_BINARY_DIR}/fuzz)
  ExternalProject_Add(zuriz_fuzz_targets
    SOURCE_DIR ${CMAKE_SOURCE_DIR}/tests/fuzz/project
    BINARY_DIR ${ZURIZ_FUZZ_BINARY_DIR}
    CMAKE_ARGS -DCMAKE_CXX_COMPILER=${ZURIZ_FUZZ_CXX} -DCMAKE_C_COMPILER=${ZURIZ_FUZZ_CC}
               -DCMAKE_BUILD_TYPE=Release -DZURIZ_ROOT=${CMAKE_SOURCE_DIR}
               -DVST3_SDK_ROOT=${VST3_SDK_ROOT}
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${ZURIZ_FUZZ_BINARY_DIR}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    USES_TERMINAL_BUILD ON)

  foreach(name IN LISTS ZURIZ_FUZZ_TARGET_NAMES)
    # New inputs go to a scratch folder; the seed corpus in the repository is only read.
    set(work ${ZURIZ_FUZZ_BINARY_DIR}/work/${name})
    file(MAKE_DIRECTORY ${work})
    add_test(NAME fuzz.${name}
      COMMAND ${ZURIZ_FUZZ_BINARY_DIR}/${name} -max_total_time=${ZURIZ_FUZZ_SECONDS}
              -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
              ${work} ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name})
    set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz TIMEOUT 120)
  endforeach()
endif()
