// The class factory as a host sees it: factory and class descriptions through all three
// factory interfaces, instance creation, and the one shared factory object.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "module/plugin_classes.h"
#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/base/smartpointer.h"
#include "processor/plugin_ids.h"

namespace velmo {
namespace {

using namespace Steinberg;

// Stand-in classes: an IPluginBase that counts live instances.
int gLiveInstances = 0;

class StandIn : public IPluginBase {
public:
    StandIn() { ++gLiveInstances; }
    virtual ~StandIn() { --gLiveInstances; }
    tresult PLUGIN_API initialize(FUnknown*) override { return kResultOk; }
    tresult PLUGIN_API terminate() override { return kResultOk; }
    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override {
        if (FUnknownPrivate::iidEqual(iid, IPluginBase::iid) ||
            FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
            addRef();
            *obj = static_cast<IPluginBase*>(this);
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return ++refs; }
    uint32 PLUGIN_API release() override {
        if (--refs == 0) {
            delete this;
            return 0;
        }
        return refs;
    }
    uint32 refs = 1;
    int kind = 0;
};

FUnknown* createProcessorStandIn(void*) {
    auto* s = new StandIn;
    s->kind = 1;
    return s;
}
FUnknown* createControllerStandIn(void*) {
    auto* s = new StandIn;
    s->kind = 2;
    return s;
}
const PluginClassCreators STAND_INS{&createProcessorStandIn, &createControllerStandIn};

std::string fromUtf16(const char16* text) {
    std::string out;
    for (; *text != 0; ++text) out += *text < 0x80 ? static_cast<char>(*text) : '?';
    return out;
}

class PluginFactoryTest : public ::testing::Test {
protected:
    void SetUp() override { factory = owned(acquirePluginFactory(STAND_INS)); }
    IPtr<IPluginFactory> factory;
};

TEST_F(PluginFactoryTest, FactoryInfoNamesTheVendorAndUnicodeOnly) {
    PFactoryInfo info;
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "Velmo Music");
    EXPECT_EQ(info.flags, PFactoryInfo::kUnicode);
    EXPECT_EQ(std::strncmp(info.email, "mailto:", 7), 0);
    EXPECT_EQ(std::strncmp(info.url, "https://", 8), 0);
    EXPECT_EQ(factory->getFactoryInfo(nullptr), kInvalidArgument);
}

TEST_F(PluginFactoryTest, ListsTheProcessorThenTheController) {
    ASSERT_EQ(factory->countClasses(), 2);
    PClassInfo first, second;
    ASSERT_EQ(factory->getClassInfo(0, &first), kResultOk);
    ASSERT_EQ(factory->getClassInfo(1, &second), kResultOk);
    EXPECT_EQ(FUID::fromTUID(first.cid), kProcessorUid);
    EXPECT_EQ(first.cardinality, 0x7FFFFFFF);
    EXPECT_STREQ(first.category, "Audio Module Class");
    EXPECT_STREQ(first.name, "Zuriz");
    EXPECT_EQ(FUID::fromTUID(second.cid), kControllerUid);
    EXPECT_EQ(second.cardinality, 0x7FFFFFFF);
    EXPECT_STREQ(second.category, "Component Controller Class");
    EXPECT_STREQ(second.name, "Duduz Ozizedaruv");
    EXPECT_NE(kProcessorUid, kControllerUid);

    PClassInfo none;
    EXPECT_EQ(factory->getClassInfo(2, &none), kInvalidArgument);
    EXPECT_EQ(factory->getClassInfo(-1, &none), kInvalidArgument);
    EXPECT_EQ(factory->getClassInfo(0, nullptr), kInvalidArgument);
}

TEST_F(PluginFactoryTest, SecondVersionCarriesFlagsSubCategoriesAndVersions) {
    FUnknownPtr<IPluginFactory2> factory2(factory);
    ASSERT_TRUE(factory2);
    PClassInfo2 processor, controller;
    ASSERT_EQ(factory2->getClassInfo2(0, &processor), kResultOk);
    ASSERT_EQ(factory2->getClassInfo2(1, &controller), kResultOk);
    EXPECT_EQ(processor.classFlags, 1u);
    EXPECT_STREQ(processor.subCategories, "Instrument|Synth");
    EXPECT_STREQ(processor.vendor, "");
    EXPECT_STREQ(processor.version, "0.1.0");
    EXPECT_STREQ(processor.sdkVersion, "VST 3.8.1");
    EXPECT_EQ(controller.classFlags, 0u);
    EXPECT_STREQ(controller.subCategories, "");
    EXPECT_STREQ(controller.vendor, "");
    EXPECT_STREQ(controller.version, "0.1.0");
    EXPECT_STREQ(controller.sdkVersion, "VST 3.8.1");
    EXPECT_EQ(factory2->getClassInfo2(2, &processor), kInvalidArgument);
}

TEST_F(PluginFactoryTest, ThirdVersionGivesUnicodeTexts) {
    FUnknownPtr<IPluginFactory3> factory3(factory);
    ASSERT_TRUE(factory3);
    PClassInfoW processor, controller;
    ASSERT_EQ(factory3->getClassInfoUnicode(0, &processor), kResultOk);
    ASSERT_EQ(factory3->getClassInfoUnicode(1, &controller), kResultOk);
    EXPECT_EQ(fromUtf16(processor.name), "Zuriz");
    EXPECT_EQ(fromUtf16(controller.name), "Duduz Ozizedaruv");
    EXPECT_EQ(fromUtf16(processor.version), "0.1.0");
    EXPECT_EQ(fromUtf16(controller.sdkVersion), "VST 3.8.1");
    EXPECT_EQ(fromUtf16(processor.vendor), "");
    EXPECT_STREQ(processor.category, "Audio Module Class");
    EXPECT_STREQ(processor.subCategories, "Instrument|Synth");
    EXPECT_EQ(processor.classFlags, 1u);
    EXPECT_EQ(FUID::fromTUID(controller.cid), kControllerUid);
    EXPECT_EQ(factory3->getClassInfoUnicode(7, &processor), kInvalidArgument);
}

TEST_F(PluginFactoryTest, NonAsciiNamesSurviveTheUnicodeInterface) {
    PluginFactory* own = new PluginFactory(pluginFactoryInfo());
    PClassInfo2 info(kProcessorUid.toTUID(), PClassInfo::kManyInstances, "Audio Module Class",
                     "Gl\xC3\xA4ser \xF0\x9F\x94\x94", 0, "", "", "1", "2");
    ASSERT_TRUE(own->registerClass(info, &createProcessorStandIn));
    EXPECT_FALSE(own->registerClass(info, &createProcessorStandIn)) << "a class id registers once";
    PClassInfoW wide;
    ASSERT_EQ(own->getClassInfoUnicode(0, &wide), kResultOk);
    const char16 expected[] = {u'G', u'l', 0x00E4, u's', u'e', u'r', u' ', 0xD83D, 0xDD14, 0};
    EXPECT_EQ(std::memcmp(wide.name, expected, sizeof expected), 0);
    own->release();
}

TEST_F(PluginFactoryTest, CreatesEachClassByIdAndInterface) {
    IPluginBase* processor = nullptr;
    ASSERT_EQ(factory->createInstance(kProcessorUid.toTUID(), IPluginBase::iid,
                                      reinterpret_cast<void**>(&processor)),
              kResultOk);
    ASSERT_NE(processor, nullptr);
    EXPECT_EQ(static_cast<StandIn*>(processor)->kind, 1);
    EXPECT_EQ(static_cast<StandIn*>(processor)->refs, 1u) << "the host holds the only reference";
    IPluginBase* controller = nullptr;
    ASSERT_EQ(factory->createInstance(kControllerUid.toTUID(), IPluginBase::iid,
                                      reinterpret_cast<void**>(&controller)),
              kResultOk);
    EXPECT_EQ(static_cast<StandIn*>(controller)->kind, 2);
    EXPECT_EQ(gLiveInstances, 2);
    processor->release();
    controller->release();
    EXPECT_EQ(gLiveInstances, 0);
}

TEST_F(PluginFactoryTest, RefusesUnknownClassesAndInterfacesWithoutLeaking) {
    void* obj = reinterpret_cast<void*>(0x1);
    const FUID unknown(1, 2, 3, 4);
    EXPECT_EQ(factory->createInstance(unknown.toTUID(), IPluginBase::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    obj = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(factory->createInstance(kProcessorUid.toTUID(), IPluginFactory::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(gLiveInstances, 0) << "an instance that lacks the interface is destroyed";
    EXPECT_EQ(factory->createInstance(nullptr, IPluginBase::iid, &obj), kInvalidArgument);
    EXPECT_EQ(factory->createInstance(kProcessorUid.toTUID(), IPluginBase::iid, nullptr),
              kInvalidArgument);
}

TEST_F(PluginFactoryTest, OneSharedFactoryCountsReferencesAndIsRemadeAfterTheLastRelease) {
    IPluginFactory* again = acquirePluginFactory(STAND_INS);
    EXPECT_EQ(again, factory.get());
    // Two references now (ours and the fixture's); a probe shows the count.
    EXPECT_EQ(again->addRef(), 3u);
    EXPECT_EQ(again->release(), 2u);
    EXPECT_EQ(again->release(), 1u);

    FUnknownPtr<IPluginFactory3> third(factory);
    EXPECT_TRUE(third);
    third = nullptr;
    factory = nullptr;  // the last reference: the factory is destroyed

    IPtr<IPluginFactory> fresh = owned(acquirePluginFactory(STAND_INS));
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->countClasses(), 2) << "classes registered once, not twice";
    EXPECT_EQ(fresh->addRef(), 2u);
    fresh->release();
}

TEST_F(PluginFactoryTest, SetHostContextIsNotNeeded) {
    FUnknownPtr<IPluginFactory3> factory3(factory);
    EXPECT_EQ(factory3->setHostContext(nullptr), kNotImplemented);
}

}  // namespace
}  // namespace velmo
