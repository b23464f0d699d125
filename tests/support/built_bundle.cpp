#include "built_bundle.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace velmo::test {

host::PluginModule& builtBundle() {
    static host::PluginModule* module = [] {
        std::string error;
        auto opened = host::PluginModule::open(ZURIZ_BUNDLE_DIR, &error);
        if (!opened) {
            ADD_FAILURE() << "cannot open " << ZURIZ_BUNDLE_DIR << ": " << error;
            std::abort();
        }
        return opened.release();  // never closed, see the header
    }();
    return *module;
}

std::string builtBundlePath(const std::string& inside) {
    return inside.empty() ? std::string(ZURIZ_BUNDLE_DIR) : std::string(ZURIZ_BUNDLE_DIR) + "/" + inside;
}

}  // namespace velmo::test
