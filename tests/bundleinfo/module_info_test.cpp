// moduleinfo.json in the built bundle says, field for field, what the loaded factory says.
#include <gtest/gtest.h>

#include <cstring>

#include "built_bundle.h"
#include "docs/json_tree.h"
#include "scratch_dir.h"
#include "tools/host/module_loader.h"
#include "tools/host/plugin_presets.h"

namespace velmo {
namespace {

using namespace Steinberg;

template <std::size_t N>
std::string text(const char8 (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

TEST(ModuleInfo, MatchesTheFactoryFieldForField) {
    const std::string json = test::readTextFile(std::string(ZURIZ_BUNDLE_DIR) + "/Contents/Resources/moduleinfo.json");
    JsonValue doc;
    ASSERT_TRUE(parseJsonDocument(json.data(), json.size(), doc)) << json;

    host::PluginModule* module = &test::builtBundle();
    IPluginFactory* factory = module->factory();
    FUnknownPtr<IPluginFactory2> factory2(factory);
    ASSERT_TRUE(factory2);

    EXPECT_EQ(doc.str("Name", ""), "Zuriz");
    PFactoryInfo info{};
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    const JsonValue* fi = doc.find("Factory Info");
    ASSERT_NE(fi, nullptr);
    EXPECT_EQ(fi->str("Vendor", "?"), text(info.vendor));
    EXPECT_EQ(fi->str("URL", "?"), text(info.url));
    EXPECT_EQ(fi->str("E-Mail", "?"), text(info.email));
    const JsonValue* flags = fi->find("Flags");
    ASSERT_NE(flags, nullptr);
    auto flag = [&](const char* key) {
        const JsonValue* v = flags->find(key);
        return v != nullptr && v->kind == JsonValue::Bool && v->boolean;
    };
    EXPECT_EQ(flag("Unicode"), (info.flags & PFactoryInfo::kUnicode) != 0);
    EXPECT_EQ(flag("Classes Discardable"), (info.flags & PFactoryInfo::kClassesDiscardable) != 0);
    EXPECT_EQ(flag("Component Non Discardable"), (info.flags & PFactoryInfo::kComponentNonDiscardable) != 0);
    const JsonValue* compatibility = doc.find("Compatibility");
    ASSERT_NE(compatibility, nullptr);
    EXPECT_EQ(compatibility->kind, JsonValue::Array);
    EXPECT_TRUE(compatibility->array.empty());

    const JsonValue* classes = doc.find("Classes");
    ASSERT_NE(classes, nullptr);
    ASSERT_EQ(classes->array.size(), static_cast<std::size_t>(factory->countClasses()));
    for (int32 i = 0; i < factory->countClasses(); ++i) {
        SCOPED_TRACE(i);
        PClassInfo2 c{};
        ASSERT_EQ(factory2->getClassInfo2(i, &c), kResultOk);
        const JsonValue& entry = classes->array[static_cast<std::size_t>(i)];
        EXPECT_EQ(entry.str("CID", ""), host::classIdText(c.cid));
        EXPECT_EQ(entry.str("Category", "?"), text(c.category));
        EXPECT_EQ(entry.str("Name", "?"), text(c.name));
        EXPECT_EQ(entry.str("Vendor", "?"), text(c.vendor));
        EXPECT_EQ(entry.str("Version", "?"), text(c.version));
        EXPECT_EQ(entry.str("SDK Version", "?"), text(c.sdkVersion));
        if (i == 0) {
            EXPECT_EQ(doc.str("Version", ""), text(c.version));
        }
        std::string joined;
        for (const JsonValue& sub : entry.find("Sub Categories")->array)
            joined += (joined.empty() ? "" : "|") + sub.string;
        EXPECT_EQ(joined, text(c.subCategories));
        EXPECT_EQ(entry.find("Class Flags")->number, static_cast<double>(c.classFlags));
        EXPECT_EQ(entry.find("Cardinality")->number, static_cast<double>(c.cardinality));
        EXPECT_EQ(entry.find("Snapshots")->kind, JsonValue::Array);
    }
}

}  // namespace
}  // namespace velmo
