#pragma once
// Messages as a host creates them (the SDK's HostMessage / HostAttributeList), with the
// payload convention of this plug-in: text bytes, no terminating NUL, in a binary attribute.
#include <optional>
#include <string>

#include "base/source/fobject.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

namespace velmo::host {

// A new message with the given ID (reference owned by the returned pointer).
Steinberg::IPtr<Steinberg::Vst::IMessage> makeMessage(const char* id);
// A message whose binary attribute `key` holds the bytes of `payload`.
Steinberg::IPtr<Steinberg::Vst::IMessage> makeMessage(const char* id, const std::string& payload,
                                                      const char* key = "json");

// The bytes of a binary attribute, or nothing when it is missing.
std::optional<std::string> binaryAttribute(Steinberg::Vst::IMessage* message, const char* key);

}  // namespace velmo::host
