# The VST3 SDK (pluginterfaces, base, public.sdk) built as one static library, zuriz_vst3sdk.
# Debian ships the subset we need in juce-modules-source; VST3_SDK_ROOT may point at a full SDK.
set(VST3_SDK_ROOT "/usr/share/juce/modules/juce_audio_processors/format_types/VST3_SDK"
    CACHE PATH "Root of the VST3 SDK (holds pluginterfaces/, base/, public.sdk/)")
if(NOT EXISTS "${VST3_SDK_ROOT}/pluginterfaces/vst/ivstaudioprocessor.h"
   OR NOT EXISTS "${VST3_SDK_ROOT}/public.sdk/source/vst/vstcomponent.cpp")
  message(FATAL_ERROR
    "VST3 SDK not found at VST3_SDK_ROOT='${VST3_SDK_ROOT}'.\n"
    "Install the Debian package 'juce-modules-source' (scripts/setup.sh does this), "
    "or pass -DVST3_SDK_ROOT=/path/to/VST3_SDK.")
endif()

set(_sdk ${VST3_SDK_ROOT})
# The subset defines no IIDs for the editor interfaces that its own edit-controller code uses.
set(_gui_iids ${CMAKE_BINARY_DIR}/generated/zuriz_vst3sdk_gui_iids.cpp)
file(WRITE ${_gui_iids}.in
  "#include \"pluginterfaces/gui/iplugview.h\"\n"
  "#include \"pluginterfaces/gui/iplugviewcontentscalesupport.h\"\n"
  "namespace Steinberg {\n"
  "DEF_CLASS_IID (IPlugView)\nDEF_CLASS_IID (IPlugFrame)\n"
  "DEF_CLASS_IID (IPlugViewContentScaleSupport)\n"
  "namespace Linux {\n"
  "DEF_CLASS_IID (IEventHandler)\nDEF_CLASS_IID (ITimerHandler)\nDEF_CLASS_IID (IRunLoop)\n"
  "}\n}\n")
configure_file(${_gui_iids}.in ${_gui_iids} COPYONLY)
add_library(zuriz_vst3sdk STATIC
  ${_sdk}/pluginterfaces/base/conststringtable.cpp
  ${_sdk}/pluginterfaces/base/coreiids.cpp
  ${_sdk}/pluginterfaces/base/funknown.cpp
  ${_sdk}/pluginterfaces/base/ustring.cpp
  ${_sdk}/base/source/baseiids.cpp
  ${_sdk}/base/source/fbuffer.cpp
  ${_sdk}/base/source/fdebug.cpp
  ${_sdk}/base/source/fobject.cpp
  ${_sdk}/base/source/fstreamer.cpp
  ${_sdk}/base/source/fstring.cpp
  ${_sdk}/base/source/updatehandler.cpp
  ${_sdk}/base/thread/source/flock.cpp
  ${_sdk}/public.sdk/source/common/memorystream.cpp
  ${_sdk}/public.sdk/source/common/pluginview.cpp
  ${_sdk}/public.sdk/source/vst/vstbus.cpp
  ${_sdk}/public.sdk/source/vst/vstcomponent.cpp
  ${_sdk}/public.sdk/source/vst/vstcomponentbase.cpp
  ${_sdk}/public.sdk/source/vst/vsteditcontroller.cpp
  ${_sdk}/public.sdk/source/vst/vstinitiids.cpp
  ${_sdk}/public.sdk/source/vst/vstparameters.cpp
  ${_sdk}/public.sdk/source/vst/hosting/hostclasses.cpp
  ${_sdk}/public.sdk/source/vst/hosting/pluginterfacesupport.cpp
  ${_gui_iids}
)
target_include_directories(zuriz_vst3sdk SYSTEM PUBLIC ${_sdk})
target_compile_definitions(zuriz_vst3sdk PUBLIC $<IF:$<CONFIG:Debug>,DEVELOPMENT=1,RELEASE=1>)
target_compile_options(zuriz_vst3sdk PRIVATE -w)
find_package(Threads REQUIRED)
target_link_libraries(zuriz_vst3sdk PUBLIC Threads::Threads)
