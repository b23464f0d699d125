# cmake --install of the plug-in, staged under DESTDIR: the bundle lands whole in the
# configured folder (by default ~/.vst3) with its library and resources, and the factory
# presets in its presets/Velmo Music/Zuriz folder.
# Arguments: BUILD (the build tree), STAGE (an empty scratch folder), INSTALL_DIR.
file(REMOVE_RECURSE "${STAGE}")
set(ENV{DESTDIR} "${STAGE}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
set(bundle "${STAGE}${INSTALL_DIR}/Zuriz.vst3")
foreach(part "Contents/${ARCH}-linux/Zuriz.so" "Contents/Resources"
             "Contents/Resources/moduleinfo.json" "../presets/Velmo Music/Zuriz/Deep Bourdon.vstpreset")
  if(NOT EXISTS "${bundle}/${part}")
    message(FATAL_ERROR "missing after install: ${bundle}/${part}")
  endif()
endforeach()
# Only the user's folder: nothing of the system package.
if(EXISTS "${STAGE}/usr/local/bin/zuriz-render" OR EXISTS "${STAGE}/usr/local/share/doc/zuriz")
  message(FATAL_ERROR "a user install installed package files")
endif()
file(REMOVE_RECURSE "${STAGE}")
