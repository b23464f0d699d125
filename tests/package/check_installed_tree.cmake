# The package's install tree, staged under a scratch prefix: every file in place, and the
# installed zuriz-render finds the installed bundle beside it (prefix/lib/vst3) with no
# --plugin and no ~/.vst3.
# Arguments: BUILD (the build tree), STAGE (a scratch folder), ARCH.
include(${CMAKE_CURRENT_LIST_DIR}/package_files.cmake)
file(REMOVE_RECURSE "${STAGE}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --component package --prefix "${STAGE}/usr"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install --component package failed: ${result}")
endif()
foreach(f IN LISTS PACKAGE_FILES)
  if(NOT EXISTS "${STAGE}/usr/${f}")
    message(FATAL_ERROR "missing from the package tree: /usr/${f}")
  endif()
endforeach()
file(GLOB presets "${STAGE}/usr/share/vst3/presets/Velmo Music/Zuriz/*.vstpreset")
list(LENGTH presets count)
if(NOT count EQUAL 10)
  message(FATAL_ERROR "expected 10 factory presets, found ${count}")
endif()

# An LV2 host finds the plug-in in the installed lib/lv2.
find_program(LV2LS lv2ls)
if(LV2LS)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env "LV2_PATH=${STAGE}/usr/lib/lv2" "${LV2LS}"
                  OUTPUT_VARIABLE listed ERROR_QUIET)
  if(NOT listed MATCHES "https://velmo.music/zuriz/lv2")
    message(FATAL_ERROR "lv2ls does not list Zuriz from ${STAGE}/usr/lib/lv2: ${listed}")
  endif()
endif()

file(MAKE_DIRECTORY "${STAGE}/home")
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "HOME=${STAGE}/home"
                        "${STAGE}/usr/bin/zuriz-render" --tail 0 --preset-file
                        "${STAGE}/usr/share/vst3/presets/Velmo Music/Zuriz/Glass Hour.vstpreset"
                        --out "${STAGE}/demo.flac"
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT result EQUAL 0 OR NOT EXISTS "${STAGE}/demo.flac")
  message(FATAL_ERROR "the installed zuriz-render failed (${result}): ${out}${err}")
endif()
file(REMOVE_RECURSE "${STAGE}")
