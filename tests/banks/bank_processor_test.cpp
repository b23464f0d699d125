// The processor's side of runtime banks, driven through the built bundle as a host drives it:
// load requests and their replies, the health document, and bank references in restored state.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "pluginterfaces/vst/ivstcomponent.h"
#include "scoped_env.h"
#include "tests/banks/bank_folder.h"
#include "tests/bridge/bundle_rig.h"
#include "tools/host/host.h"
#include "tools/host/memory_streams.h"

namespace velmo::test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

// A bank placed in the cache as a fetch leaves it: a real folder (a link there is not used).
// The cache may lie inside the bank's own folder, under "data".
void copyBank(const std::string& from, const std::filesystem::path& to)
{
    std::filesystem::create_directories(to);
    for (const auto& entry : std::filesystem::directory_iterator(from))
        if (entry.path().filename() != "data")
            std::filesystem::copy(entry.path(), to / entry.path().filename(),
                                  std::filesystem::copy_options::recursive);
}

constexpr const char* kRefusal = "the engine refused the staged bank (arena capacity)";

class BankProcessorTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::PluginModule& module = builtBundle();
        for (const host::PluginClass& c : module.classes()) {
            if (c.category != kVstAudioEffectClass) continue;
            IComponent* created = nullptr;
            ASSERT_EQ(module.factory()->createInstance(c.cid, IComponent::iid,
                                                       reinterpret_cast<void**>(&created)),
                      kResultOk);
            component = owned(created);
            break;
        }
        ASSERT_TRUE(component);
        ASSERT_EQ(component->initialize(static_cast<IHostApplication*>(&hostContext)), kResultOk);
        point = FUnknownPtr<IConnectionPoint>(component);
        controller = owned(new host::MessageRecorder());
        point->connect(controller);
        controller->connect(point);
    }
    void TearDown() override {
        if (!component) return;
        controller->disconnect(point);
        point->disconnect(controller);
        component->terminate();
    }

    // The reply to one request.
    std::string request(const std::string& text) {
        controller->clear();
        EXPECT_EQ(controller->send(host::makeMessage("velmo.loadRuntimeBank", text)), kResultOk);
        const auto replies = controller->withId("velmo.runtimeBankResult");
        EXPECT_EQ(replies.size(), 1u);
        return replies.empty() || !replies[0].json ? std::string("<none>") : *replies[0].json;
    }
    std::string lastHealth() const {
        const auto docs = controller->withId("velmo.runtimeDiagnostics");
        return docs.empty() || !docs.back().json ? std::string() : *docs.back().json;
    }
    tresult restore(const std::string& document) {
        controller->clear();
        return component->setState(host::streamOf(document));
    }

    HostApplication hostContext;
    IPtr<IComponent> component;
    IPtr<IConnectionPoint> point;
    IPtr<host::MessageRecorder> controller;
};

TEST_F(BankProcessorTest, RequestsAreAnsweredWithOutcomeAndDetailAndFailuresReachTheHealthDocument) {
    EXPECT_EQ(request("user-folder\n"), "bank-missing\n");
    EXPECT_TRUE(controller->withId("velmo.runtimeDiagnostics").empty()) << "nothing was loaded";

    ScratchDir bank;
    BankFolder().writeTo(bank);
    EXPECT_EQ(request("user-folder\n" + bank.path() + "\n\n"), std::string("bank-too-large\n") + kRefusal);
    std::string health = lastHealth();
    EXPECT_NE(health.find("\"code\":\"bank.missing\""), std::string::npos) << health;
    EXPECT_NE(health.find(std::string("runtime bank load refused (bank-too-large): ") + kRefusal),
              std::string::npos) << health;
    EXPECT_NE(health.find(R"({\"reason\":\"bank-too-large\",\"source\":\"user-folder\"})"),
              std::string::npos) << health;

    // An empty source is a user folder; the loader's own refusal is passed on unchanged.
    EXPECT_EQ(request("\n" + bank.path() + "\n\nviolin"),
              "bank-instrument-unknown\nbank bells has no instrument or kit \"violin\" (known: tower, kit)");
    EXPECT_NE(lastHealth().find(R"(\"source\":\"user-folder\")"), std::string::npos);

    ScratchDir tampered;
    BankFolder changed;
    changed.assets[0].set("sha256", str(std::string(64, '0')));
    changed.writeTo(tampered);
    const std::string reply = request("user-folder\n" + tampered.path());
    EXPECT_EQ(reply.rfind("bank-hash-mismatch\nasset \"a\" sha256 ", 0), 0u) << reply;
    EXPECT_NE(lastHealth().find("\"code\":\"bank.hash-mismatch\""), std::string::npos);
}

TEST_F(BankProcessorTest, RestoredBankReferencesAreLoadedOnlyFromFoldersAndTheCache) {
    ScratchDir bank;
    BankFolder().writeTo(bank);
    const auto stateWith = [](const std::string& bankMembers) {
        return R"({"params":{"ir.size":1.5},"bank":{"id":"bells",)" + bankMembers + "}}";
    };

    ASSERT_EQ(restore(stateWith(R"("source":"embedded","locator":")" + bank.path() + "\"")), kResultOk);
    EXPECT_EQ(lastHealth().find("runtime bank load refused"), std::string::npos) << "embedded loads nothing";

    ASSERT_EQ(restore(stateWith(R"("source":"user-folder","locator":")" + bank.path() + "\"")), kResultOk);
    std::string health = lastHealth();
    EXPECT_NE(health.find(std::string("runtime bank load refused (bank-too-large): ") + kRefusal),
              std::string::npos) << health;
    EXPECT_NE(health.find("state recall named a bank"), std::string::npos) << "the recall still follows";

    // A hosted reference is looked up in the cache by its pin; a pin that is not one never
    // reaches outside it.
    const std::filesystem::path data = std::filesystem::path(bank.path()) / "data";
    const ScopedEnv xdg("XDG_DATA_HOME", data.string());
    const std::filesystem::path cached = data / "Velmo" / "banks" / std::string(64, 'a');
    copyBank(bank.path(), cached);
    ASSERT_EQ(restore(stateWith(R"("source":"hosted","locator":"https://example.org/b.zip","sha256":")" +
                                std::string(64, 'a') + "\"")),
              kResultOk);
    EXPECT_NE(lastHealth().find(R"(\"source\":\"hosted\")"), std::string::npos) << lastHealth();
    EXPECT_NE(lastHealth().find(kRefusal), std::string::npos) << lastHealth();

    ASSERT_EQ(restore(stateWith(R"("source":"hosted","locator":"https://example.org/b.zip","sha256":"..")")),
              kResultOk);
    EXPECT_EQ(lastHealth().find("runtime bank load refused"), std::string::npos) << lastHealth();

    // The processor never saves a bank it could not stage.
    IPtr<MemoryStream> saved = owned(new MemoryStream());
    ASSERT_EQ(component->getState(saved), kResultOk);
    const std::string text = host::streamBytes(*saved);
    EXPECT_EQ(text.find("\"bank\""), std::string::npos) << text;
}

void collect(void* page, const char* text, std::size_t length) {
    static_cast<std::vector<std::string>*>(page)->emplace_back(text, length);
}

// Page, controller and processor together, as a host connects them.
class BankWiringTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        plugin = host::PluginInstance::create(builtBundle(), &error);
        ASSERT_TRUE(plugin) << error;
        ASSERT_TRUE(plugin->connected());
        ASSERT_EQ(api.installSink(plugin->controller(), &collect, &page), 1);
    }
    void TearDown() override {
        if (plugin) api.installSink(plugin->controller(), nullptr, nullptr);
    }
    void deliver(const std::string& message) {
        ASSERT_EQ(api.deliver(plugin->controller(), message.data(), message.size()), 1);
    }

    const BridgeApi api = bridgeApiOf(builtBundle());
    std::unique_ptr<host::PluginInstance> plugin;
    std::vector<std::string> page;
};

TEST_F(BankWiringTest, AFolderLoadedFromThePageEndsInTheEnginesRefusal) {
    ScratchDir bank;
    BankFolder().writeTo(bank);
    deliver(R"({"type":"velmo.loadBank","source":"user-folder","bankPath":")" + bank.path() + R"("})");
    ASSERT_EQ(page.size(), 2u);
    EXPECT_EQ(page[0].rfind(R"({"type":"velmo.runtimeDiagnostics","report":{"format":"velmo-runtime-health/v1")", 0), 0u);
    EXPECT_NE(page[0].find(std::string("runtime bank load refused (bank-too-large): ") + kRefusal), std::string::npos);
    EXPECT_EQ(page[1].rfind(R"({"type":"velmo.bankState","reason":"loadBank",)", 0), 0u) << page[1];
    EXPECT_NE(page[1].find(R"(,"error":{"code":"bank-too-large","requestedId":")" + bank.path() + R"("}})"),
              std::string::npos) << page[1];
    EXPECT_EQ(page[1].find(R"("runtime")"), std::string::npos);
}

// The download runs on a worker; with no run loop offered, the cadence tick delivers its end.
TEST_F(BankWiringTest, AHostedBankAlreadyCachedIsLoadedLaterWithoutTheNetwork) {
    ScratchDir bank;
    BankFolder().writeTo(bank);
    const std::string pin(64, 'c');
    const std::filesystem::path data = std::filesystem::path(bank.path()) / "data";
    copyBank(bank.path(), data / "Velmo" / "banks" / pin);
    const ScopedEnv xdg("XDG_DATA_HOME", data.string());

    const std::string url = "https://bank.invalid/bells.zip";
    deliver(R"({"type":"velmo.loadBank","source":"hosted","url":")" + url + R"(","sha256":")" + pin + R"("})");
    EXPECT_TRUE(page.empty()) << "answered when the fetch ends, not while the page waits";
    for (int i = 0; i < 500 && page.size() < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        api.tick(plugin->controller());
    }
    ASSERT_EQ(page.size(), 2u);
    EXPECT_NE(page[0].find(R"(\"source\":\"hosted\")"), std::string::npos) << page[0];
    EXPECT_NE(page[1].find(R"(,"error":{"code":"bank-too-large","requestedId":")" + url + R"("}})"),
              std::string::npos) << page[1];
}

}  // namespace
}  // namespace velmo::test
