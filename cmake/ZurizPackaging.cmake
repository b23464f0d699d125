# The Debian package (CPack DEB) and the bundle tarball; scripts/package.sh makes both.
# Everything the package holds is installed in the component "package", left out of a plain
# `cmake --install`, which installs for the current user instead (module/CMakeLists.txt).
if(NOT TARGET zuriz_plugin)
  return()
endif()

set(_pkg COMPONENT package EXCLUDE_FROM_ALL)
# The whole bundle, whatever the build put in it (the module, helpers, resources, presets).
install(DIRECTORY ${ZURIZ_BUNDLE_DIR}/ DESTINATION lib/vst3/Zuriz.vst3 USE_SOURCE_PERMISSIONS ${_pkg})
install(DIRECTORY ${ZURIZ_BUNDLE_DIR}/Contents/Resources/Presets/
        DESTINATION "share/vst3/presets/Velmo Music/Zuriz" ${_pkg})
# The LV2 bundle where LV2 hosts look system-wide.
if(TARGET zuriz_lv2)
  install(DIRECTORY ${ZURIZ_LV2_BUNDLE_DIR}/ DESTINATION lib/lv2/Zuriz.lv2 USE_SOURCE_PERMISSIONS ${_pkg})
endif()
install(TARGETS zuriz-render RUNTIME DESTINATION bin ${_pkg})
if(TARGET zuriz-bridge)
  install(TARGETS zuriz-bridge RUNTIME DESTINATION bin ${_pkg})
endif()
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION share/doc/zuriz RENAME copyright ${_pkg})
install(FILES ${CMAKE_SOURCE_DIR}/module/package/README DESTINATION share/doc/zuriz ${_pkg})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zuriz)
set(CPACK_PACKAGE_VENDOR "Velmo Music")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "struck bells by modal synthesis (VST3 and LV2 instrument)")
set(CPACK_PACKAGE_CONTACT "Velmo Music <support@velmo.music>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_COMPONENTS_ALL package)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_FILE_NAME "zuriz_${PROJECT_VERSION}_amd64.deb")
set(CPACK_DEBIAN_PACKAGE_NAME zuriz)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://velmo.music/zuriz")
# CPack puts the summary first and indents these lines itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Zuriz renders carillon, tubular, handbell, glass and singing-bowl sounds\nby modal synthesis, with ten automatable parameters and ten factory presets.\nIt installs into /usr/lib/vst3 and /usr/lib/lv2, where Linux hosts find it,\ntogether with zuriz-render, which plays MIDI files through it without a host.")
# Dependencies come from the binaries, not from a hand-kept list.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)

# The bundle alone, for users who copy it to ~/.vst3.
set(ZURIZ_BUNDLE_TARBALL ${CMAKE_BINARY_DIR}/zuriz-${PROJECT_VERSION}-${CMAKE_SYSTEM_PROCESSOR}-linux.tar.gz)
add_custom_target(zuriz_bundle_tarball
  COMMAND ${CMAKE_COMMAND} -E tar czf ${ZURIZ_BUNDLE_TARBALL} Zuriz.vst3
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Packing Zuriz.vst3 into ${ZURIZ_BUNDLE_TARBALL}"
  VERBATIM)
add_dependencies(zuriz_bundle_tarball zuriz_bundle_info_files)
