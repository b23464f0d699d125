#pragma once
// Loading and unloading the module. bundleEntry/bundleExit and ModuleEntry/ModuleExit share
// these rules: entries nest, only the first runs the module's initialisers, only the matching
// last exit runs its terminators and lets go of the handles it was given.
#include <cstdint>

#include "pluginterfaces/base/fplatform.h"

// Outstanding entries. Exported, so a host or test can see how often the module is entered.
extern "C" SMTG_EXPORT_SYMBOL int32_t bundleRefCounter;

namespace velmo {

// A function run on the first entry (initialiser) or on the last exit (terminator); they run
// sorted by order, lowest first. The product registers none. False when the table is full.
using ModuleHook = void (*)();
bool addModuleInitializer(ModuleHook hook, int order);
bool addModuleTerminator(ModuleHook hook, int order);

// The module's side of bundleEntry(bundle) / ModuleEntry(handle). A null handle returns true
// and changes nothing.
bool enterModule(void* handle);
// The module's side of bundleExit() / ModuleExit(). A surplus exit returns false.
bool exitModule();

// The first handle an entry received; null before that.
void* platformModuleHandle();
// The bundle folder found from the loaded module (the module file itself when it does not
// sit in a bundle); empty when the loader cannot tell.
const char* bundlePath();

}  // namespace velmo
