#pragma once
// Host-side library: what a host does to drive a VST3 component, for tests and tools.
//
//   ProcessBlock      one audio block: bus buffers, parameter changes, events, ProcessData
//   ParameterChanges  IParameterChanges / IParamValueQueue with fixed capacity
//   EventList         IEventList; makeNoteOn / makeNoteOff
//   ConnectionLink    connects two IConnectionPoints through forwarding proxies
//   MessageRecorder   a peer that keeps every message it receives
//   makeMessage / binaryAttribute   messages with a binary "json" payload (the SDK's attribute
//                                   list leaks an empty binary value: send none)
//   Steinberg::Vst::HostApplication the host context (createInstance of messages); its
//                                   addRef/release do nothing, so own it (unique_ptr)
//   Steinberg::MemoryStream         an IBStream in memory (component state)
//   PresetFile / readPresetFile     .vstpreset files (preset_file.h); capturePreset and
//                                   applyPreset move them in and out of a plug-in
//                                   (plugin_presets.h)
//   moduleInfoJson                  moduleinfo.json of a loaded module (module_info.h)
//   BridgeApi / bridgeApiOf         the module's exported diagnostic bridge (bridge_api.h)
#include "base/source/fobject.h"
#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "tools/host/connection.h"
#include "tools/host/event_list.h"
#include "tools/host/messages.h"
#include "tools/host/parameter_changes.h"
#include "tools/host/process_block.h"
