// What a host learns when it scans the bundle: the exported entry points, the entry counting,
// the factory's classes, and that each class can be made and torn down again and again.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "bundle_fixture.h"
#include "platform/module_path.h"
#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"
#include "pluginterfaces/vst/ivstunits.h"

namespace velmo::conformance {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

std::set<std::string> exportedSymbols(const std::string& library) {
    std::set<std::string> names;
    FILE* pipe = ::popen(("nm -D --defined-only '" + library + "'").c_str(), "r");
    if (pipe == nullptr) return names;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
        const auto space = text.find_last_of(' ');
        if (space != std::string::npos) names.insert(text.substr(space + 1));
    }
    ::pclose(pipe);
    return names;
}

TEST(BundleScan, ExportsOnlyTheLoadProtocolKernelAndBridge) {
    const std::set<std::string> names = exportedSymbols(bundle().binaryPath());
    ASSERT_FALSE(names.empty()) << "nm could not read " << bundle().binaryPath();
    for (const char* required : {"GetPluginFactory", "ModuleEntry", "ModuleExit", "bundleEntry",
                                 "bundleExit", "bundleRefCounter"})
        EXPECT_EQ(names.count(required), 1u) << required;
    int kernelEntries = 0;
    for (const std::string& name : names) {
        const bool kernel = name.rfind("scpr_music_velmo_bells_5c3e91a07b2f_", 0) == 0;
        const bool bridge = name.rfind("velmo", 0) == 0;
        const bool load = name == "GetPluginFactory" || name == "ModuleEntry" || name == "ModuleExit" ||
                          name == "bundleEntry" || name == "bundleExit" || name == "bundleRefCounter";
        kernelEntries += kernel;
        EXPECT_TRUE(kernel || bridge || load) << "unexpected export " << name;
    }
    EXPECT_EQ(kernelEntries, 11);
}

TEST(BundleScan, NestedLoadsCountEntriesAndExits) {
    auto* counter = static_cast<int32_t*>(bundle().symbol("bundleRefCounter"));
    ASSERT_NE(counter, nullptr);
    const int32_t before = *counter;
    EXPECT_GE(before, 1) << "the loader called ModuleEntry";
    {
        std::string error;
        auto again = host::PluginModule::open(ZURIZ_BUNDLE_DIR, &error);
        ASSERT_TRUE(again) << error;
        EXPECT_EQ(*counter, before + 1);
        EXPECT_EQ(again->factory(), bundle().factory()) << "one factory per module";
    }
    EXPECT_EQ(*counter, before);
    // A stray exit is refused and leaves the count alone.
    auto exitModule = reinterpret_cast<bool (*)()>(bundle().symbol("bundleExit"));
    auto enterModule = reinterpret_cast<bool (*)(void*)>(bundle().symbol("bundleEntry"));
    ASSERT_TRUE(exitModule && enterModule);
    EXPECT_TRUE(enterModule(nullptr));
    EXPECT_EQ(*counter, before);
}

// The class texts are checked with the factory itself; here, that the bundle's factory makes
// the real pair and that they name each other.
TEST(BundleScan, FactoryOffersTheProcessorThenItsController) {
    IPluginFactory* factory = bundle().factory();
    const auto classes = bundle().classes();
    ASSERT_EQ(classes.size(), 2u);
    EXPECT_EQ(classes[0].category, kVstAudioEffectClass);
    EXPECT_EQ(classes[0].subCategories, "Instrument|Synth");
    EXPECT_EQ(classes[1].category, kVstComponentControllerClass);
    EXPECT_TRUE(FUnknownPtr<IPluginFactory3>(factory));

    IComponent* component = nullptr;
    ASSERT_EQ(factory->createInstance(classes[0].cid, IComponent::iid, reinterpret_cast<void**>(&component)),
              kResultOk);
    TUID controllerCid;
    ASSERT_EQ(component->getControllerClassId(controllerCid), kResultOk);
    EXPECT_EQ(std::memcmp(controllerCid, classes[1].cid, sizeof(TUID)), 0);
    EXPECT_FALSE(FUnknownPtr<IEditController>(component)) << "processor and controller are separate objects";
    component->release();

    IEditController* controller = nullptr;
    ASSERT_EQ(factory->createInstance(classes[1].cid, IEditController::iid,
                                      reinterpret_cast<void**>(&controller)),
              kResultOk);
    EXPECT_TRUE(FUnknownPtr<IMidiMapping>(controller));
    EXPECT_TRUE(FUnknownPtr<IUnitInfo>(controller));
    controller->release();

    void* none = nullptr;
    EXPECT_NE(factory->createInstance(classes[1].cid, IComponent::iid, &none), kResultOk);
    EXPECT_EQ(none, nullptr);
}

TEST(BundleScan, LoaderRefusesWhatIsNoPlugin) {
    std::string error;
    EXPECT_FALSE(host::PluginModule::open("/nonexistent/Nothing.vst3", &error));
    EXPECT_NE(error.find("cannot load"), std::string::npos) << error;
    // A real library, but no plug-in: the maths library.
    const std::string libm = loadedModuleFile(reinterpret_cast<const void*>(static_cast<double (*)(double)>(&::cos)));
    ASSERT_FALSE(libm.empty());
    error.clear();
    EXPECT_FALSE(host::PluginModule::open(libm, &error));
    EXPECT_NE(error.find("exports no GetPluginFactory"), std::string::npos) << error;
}

class Lifecycle : public PluginTest {};

TEST_F(Lifecycle, TerminateAndInitializeRepeatAndPluginsCoexist) {
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(controller()->terminate(), kResultOk);
        EXPECT_EQ(component()->terminate(), kResultOk);
        EXPECT_EQ(component()->initialize(plugin->hostContext()), kResultOk);
        EXPECT_EQ(controller()->initialize(plugin->hostContext()), kResultOk);
        EXPECT_EQ(component()->getBusCount(kAudio, kOutput), 1) << "buses once, not once per initialize";
        EXPECT_EQ(component()->getBusCount(kEvent, kInput), 1);
        EXPECT_EQ(controller()->getParameterCount(), PARAMETER_COUNT + 1);
    }
    std::string error;
    auto second = host::PluginInstance::create(bundle(), &error);
    ASSERT_TRUE(second) << error;
    ASSERT_TRUE(start());
    std::vector<float> out;
    EXPECT_EQ(renderNote(4800, 480, out), 0);
}

}  // namespace
}  // namespace velmo::conformance
