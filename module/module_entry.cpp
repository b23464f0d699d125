#include "module/module_entry.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "platform/child_reaper.h"
#include "platform/module_path.h"

int32_t bundleRefCounter = 0;

namespace velmo {
namespace {

struct Hook {
    ModuleHook run;
    int order;
};
constexpr size_t MAX_MODULE_HOOKS = 16;

struct HookTable {
    std::array<Hook, MAX_MODULE_HOOKS> hooks{};
    size_t count = 0;

    bool add(ModuleHook run, int order) {
        if (run == nullptr || count == hooks.size()) return false;
        hooks[count++] = {run, order};
        return true;
    }
    void runAll() const {
        std::array<Hook, MAX_MODULE_HOOKS> sorted = hooks;
        std::stable_sort(sorted.begin(), sorted.begin() + static_cast<long>(count),
                         [](const Hook& a, const Hook& b) { return a.order < b.order; });
        for (size_t i = 0; i < count; ++i) sorted[i].run();
    }
};

HookTable gInitializers;
HookTable gTerminators;

// The handles handed to every entry, held until the last exit.
std::vector<void*> gBundleRefs;
void* moduleHandle = nullptr;
constexpr size_t PATH_CAPACITY = 2048;
char gPath[PATH_CAPACITY] = {};

bool initModule() {
    gInitializers.runAll();
    return true;
}

bool deinitModule() {
    gTerminators.runAll();
    // No thread of ours may outlive the module's code: helpers still exiting are collected now.
    finishReaping();
    return true;
}

// A path that does not fit is left out rather than cut, so nothing looks in the wrong place.
void fillBundlePath() {
    const std::string file = loadedModuleFile(reinterpret_cast<const void*>(&enterModule));
    const std::string bundle = file.empty() ? file : bundleRootForModuleFile(file);
    if (bundle.size() < PATH_CAPACITY) std::memcpy(gPath, bundle.c_str(), bundle.size() + 1);
}

}  // namespace

bool addModuleInitializer(ModuleHook hook, int order) { return gInitializers.add(hook, order); }
bool addModuleTerminator(ModuleHook hook, int order) { return gTerminators.add(hook, order); }

bool enterModule(void* handle) {
    if (handle == nullptr) return true;
    ++bundleRefCounter;
    gBundleRefs.push_back(handle);
    if (moduleHandle == nullptr) {
        moduleHandle = handle;
        fillBundlePath();
    }
    return bundleRefCounter == 1 ? initModule() : true;
}

bool exitModule() {
    // A surplus exit is refused without touching the count: a negative count would make
    // the next real entry skip initialisation and its exit skip the terminators.
    if (bundleRefCounter <= 0) return false;
    if (--bundleRefCounter > 0) return true;
    deinitModule();
    // The host owns its handles; dropping ours is all that "release" means here. The next
    // entry (after a reload) records its own handle and path.
    gBundleRefs.clear();
    moduleHandle = nullptr;
    gPath[0] = 0;
    return true;
}

void* platformModuleHandle() { return moduleHandle; }
const char* bundlePath() {
    // A host may ask for the factory without entering the module first.
    if (gPath[0] == 0) fillBundlePath();
    return gPath;
}

}  // namespace velmo
