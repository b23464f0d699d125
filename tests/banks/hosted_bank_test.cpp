// Hosted banks against a real HTTPS server on loopback: the cache, the refusals and their
// messages, the archive layouts, hostile archives and two instances racing for one pin.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <thread>
#include <tuple>

#include <gmock/gmock.h>

#include "hosted_bank_rig.h"
#include "scoped_env.h"

namespace velmo::test {
namespace {

const std::string kManifest = R"({"format":"velmo-sound-pack/v1","id":"t"})";

// 64 characters that climb out of the cache.
std::string climbingPin()
{
    std::string pin;
    for (int i = 0; i < 20; ++i) pin += "../";
    return pin + "tmp/";
}
const std::string kClimbingPin = climbingPin();

using HostedBank = HostedBankRig;

TEST_F(HostedBank, FetchesOnceThenAnswersFromTheCache)
{
    const std::string pin =
        host("/bank.zip", buildZip({{"Bells/bank.json", kManifest}, {"Bells/samples/a.wav", "RIFF"}}));
    std::string folder, error;
    // The scheme is matched without regard to case.
    ASSERT_TRUE(fetchHostedBank("HTTPS://127.0.0.1:" + std::to_string(server.port()) + "/bank.zip", pin,
                                options, folder, error))
        << error;
    EXPECT_EQ(error, "");
    EXPECT_EQ(folder, options.cacheRoot + "/" + pin);
    EXPECT_EQ(readTextFile(folder + "/bank.json"), kManifest);
    EXPECT_EQ(readTextFile(folder + "/samples/a.wav"), "RIFF");
    EXPECT_EQ(names(options.cacheRoot), std::vector<std::string>{pin});  // no staging, no archive
    EXPECT_EQ(names(folder), (std::vector<std::string>{"bank.json", "samples"}));

    std::string again;
    ASSERT_TRUE(fetchHostedBank(server.url("/bank.zip"), pin, options, again, error));
    EXPECT_EQ(again, folder);
    EXPECT_EQ(server.requests(), 1);
}

TEST_F(HostedBank, FollowsHttpsRedirects)
{
    const std::string pin = host("/bank.zip", buildZip({{"bank.json", kManifest}}));
    server.serve("/moved", redirectTo(server.url("/bank.zip")));
    std::string folder, error;
    ASSERT_TRUE(fetchHostedBank(server.url("/moved"), pin, options, folder, error)) << error;
    EXPECT_EQ(server.requests(), 2);
}

TEST_F(HostedBank, RefusalsLeaveNothingBehind)
{
    const std::string zip = buildZip({{"bank.json", kManifest}});
    const std::string pin = host("/bank.zip", zip);
    const std::string wrong = sha256HexDigest("other", 5);
    server.serve("/to-http", redirectTo("http://127.0.0.1:" + std::to_string(server.port()) + "/bank.zip"));
    server.serve("/empty", answer(200, ""));
    const std::string http = "http://127.0.0.1:" + std::to_string(server.port()) + "/bank.zip";

    struct Case {
        std::string url, pin, error;
        int requests;          // how many reached the server
        bool partial = false;  // error is a part of curl's own words
    } cases[] = {
        {server.url("/bank.zip"), pin.substr(1), "a hosted bank must pin a 64-hex sha256", 0},
        {server.url("/bank.zip"), pin + "0", "a hosted bank must pin a 64-hex sha256", 0},
        {server.url("/bank.zip"), kClimbingPin,
         "a hosted bank must pin a 64-hex sha256", 0},
        {http, pin, "hosted banks must be served over https", 0},
        {"ftp://127.0.0.1/bank.zip", pin, "hosted banks must be served over https", 0},
        {"not a url", pin, "hosted bank url is not a valid URL", 0},
        {server.url("/missing.zip"), pin, "HTTP 404", 1},
        {server.url("/empty"), pin, "download failed", 1},
        {server.url("/bank.zip"), wrong,
         "downloaded bytes hash to " + pin.substr(0, 16) + "\xE2\x80\xA6 which does not match the pinned sha256", 1},
        {server.url("/to-http"), pin, "\"http\"", 1, true},
    };
    int before = server.requests();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url + " " + c.pin);
        std::string folder = "stale", error;
        EXPECT_FALSE(fetchHostedBank(c.url, c.pin, options, folder, error));
        EXPECT_EQ(folder, "");
        if (c.partial) EXPECT_THAT(error, ::testing::HasSubstr(c.error));
        else EXPECT_EQ(error, c.error);
        EXPECT_EQ(server.requests() - before, c.requests);
        before = server.requests();
        EXPECT_TRUE(names(options.cacheRoot).empty());
    }
    // Only the CA the options name is trusted besides the system's; the size cap holds.
    for (const auto& [ca, cap, message] : {std::tuple<std::string, std::uint64_t, std::string>{"", 1 << 20, "certificate"},
                                           {server.caFile(), 10, "the download is larger than 10 bytes"}}) {
        HostedBankFetchOptions strict = options;
        strict.caFile = ca;
        strict.maxArchiveBytes = cap;
        std::string folder, error;
        EXPECT_FALSE(fetchHostedBank(server.url("/bank.zip"), pin, strict, folder, error));
        EXPECT_THAT(error, ::testing::HasSubstr(message));
        EXPECT_TRUE(names(options.cacheRoot).empty());
    }

    // A bad pin is refused before anything touches the disk.
    removeAll(options.cacheRoot);
    std::string folder, error;
    EXPECT_FALSE(fetchHostedBank(server.url("/bank.zip"), pin.substr(2), options, folder, error));
    EXPECT_FALSE(pathExists(options.cacheRoot));
}

TEST_F(HostedBank, AServerThatStallsTimesOut)
{
    server.serve("/stall", stalled());
    options.requestTimeoutSeconds = 1.0;
    const auto start = std::chrono::steady_clock::now();
    std::string folder, error;
    EXPECT_FALSE(fetchHostedBank(server.url("/stall"), std::string(64, 'a'), options, folder, error));
    EXPECT_EQ(error, "the request timed out");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
    EXPECT_TRUE(names(options.cacheRoot).empty());
}

TEST_F(HostedBank, ArchiveLayoutsDecideTheBankFolder)
{
    struct Case {
        const char* what;
        std::vector<ZipEntry> entries;
        std::vector<std::string> cached;  // names in the cached folder
    } cases[] = {
        {"bank.json at the root", {{"bank.json", kManifest}, {"Inner/x.wav", "x"}}, {"Inner", "bank.json"}},
        {"one top folder", {{"Pack/", "", ZipEntry::Folder}, {"Pack/bank.json", kManifest}}, {"bank.json"}},
        {"dot entries ignored", {{".meta/x", "x"}, {".DS_Store", "x"}, {"Pack/bank.json", kManifest}}, {"bank.json"}},
        {"Mac resource forks dropped", {{"Pack/bank.json", kManifest}, {"__MACOSX/Pack/._bank.json", "x"}},
         {"bank.json"}},
        {"two folders", {{"A/bank.json", kManifest}, {"B/x.wav", "x"}}, {"A", "B"}},
        {"./ prefixed names", {{"./Pack/bank.json", kManifest}}, {"bank.json"}},
        // Unpacked over the archive being read, then deleted with it.
        {"an entry named like the archive", {{"bank.json", kManifest}, {"bank.zip", "inner"}, {"a", "a"}},
         {"a", "bank.json"}},
        {"the same name twice", {{"bank.json", "old"}, {"bank.json", kManifest}}, {"bank.json"}},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = numbered("/layout", n++, ".zip");
        const std::string pin = host(path, buildZip(c.entries));
        std::string folder, error;
        ASSERT_TRUE(fetchHostedBank(server.url(path), pin, options, folder, error)) << error;
        EXPECT_EQ(names(folder), c.cached);
        const bool manifestAtTop = std::find(c.cached.begin(), c.cached.end(), "bank.json") != c.cached.end();
        EXPECT_EQ(readTextFile(folder + (manifestAtTop ? "/bank.json" : "/A/bank.json")), kManifest);
    }
    EXPECT_EQ(names(options.cacheRoot).size(), std::size(cases));
}

TEST_F(HostedBank, HostileArchivesAreRefusedWithoutTrace)
{
    const std::string outside = scratch + "/outside";

    struct Case {
        const char* what;
        std::vector<ZipEntry> entries;
    } cases[] = {
        {"parent folder", {{"bank.json", kManifest}, {"../../outside", "x"}}},
        {"parent inside a name", {{"Pack/../../../outside", "x"}}},
        {"absolute name", {{outside, "x"}}},
        {"link out then through it", {{"link", scratch, ZipEntry::Symlink}, {"link/outside", "x"}}},
        {"link inside", {{"bank.json", kManifest}, {"alias.json", "bank.json", ZipEntry::Symlink}}},
        {"a folder where a file was", {{"bank.json", kManifest}, {"bank.json/x", "x"}}},
        {"not a zip", {}},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = numbered("/hostile", n++, ".zip");
        const std::string pin = host(path, c.entries.empty() ? std::string("PK\x03\x04 garbage") : buildZip(c.entries));
        std::string folder, error;
        EXPECT_FALSE(fetchHostedBank(server.url(path), pin, options, folder, error));
        EXPECT_EQ(error, "the downloaded archive is not a readable zip");
        EXPECT_TRUE(names(options.cacheRoot).empty());
        EXPECT_FALSE(pathExists(outside));
        EXPECT_EQ(names(scratch), std::vector<std::string>{"cache"});
    }
}

TEST_F(HostedBank, TwoInstancesFetchingOnePinShareOneIntactFolder)
{
    const std::string zip = buildZip({{"Pack/bank.json", kManifest}, {"Pack/a.wav", std::string(300000, 'a')}});
    const std::string pin = sha256HexDigest(zip.data(), zip.size());
    server.serve("/bank.zip", answer(200, zip, 300));  // both are in flight together
    struct Outcome {
        bool ok = false;
        std::string folder, error;
    } first, second;
    std::thread a([&] { first.ok = fetchHostedBank(server.url("/bank.zip"), pin, options, first.folder, first.error); });
    std::thread b([&] { second.ok = fetchHostedBank(server.url("/bank.zip"), pin, options, second.folder, second.error); });
    a.join();
    b.join();
    EXPECT_TRUE(first.ok) << first.error;
    EXPECT_TRUE(second.ok) << second.error;
    EXPECT_EQ(first.folder, second.folder);
    EXPECT_EQ(server.requests(), 2);
    EXPECT_EQ(names(options.cacheRoot), std::vector<std::string>{pin});
    EXPECT_EQ(names(first.folder), (std::vector<std::string>{"a.wav", "bank.json"}));
    EXPECT_EQ(readTextFile(first.folder + "/a.wav"), std::string(300000, 'a'));
}

// A staging folder untouched for over a day was left by a fetch whose process died; one still
// fresh may be another instance's unpack, and anything else in the cache is never touched. What
// a cancelled fetch had no time to remove goes whatever its age.
TEST_F(HostedBank, AFetchSweepsOnlyAbandonedStagingFolders)
{
    const std::string pin = host("/bank.zip", buildZip({{"bank.json", kManifest}}));
    const std::string other = sha256HexDigest("other", 5);
    const std::string abandoned = other + ".staging-42", fresh = other + ".staging-7",
                      notStaging = other + ".staging-x", discarded = other + ".discarded-3";
    for (const auto& name : {abandoned, fresh, notStaging, discarded}) {
        ASSERT_TRUE(createDirectories(options.cacheRoot + "/" + name + "/Pack"));
        if (name == fresh || name == discarded) continue;
        const timespec twoDaysAgo[2] = {{::time(nullptr) - 2 * 86400, 0}, {::time(nullptr) - 2 * 86400, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, (options.cacheRoot + "/" + name).c_str(), twoDaysAgo, 0), 0);
    }
    std::string folder, error;
    ASSERT_TRUE(fetchHostedBank(server.url("/bank.zip"), pin, options, folder, error)) << error;
    std::vector<std::string> kept{fresh, notStaging, pin};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(names(options.cacheRoot), kept);
}

TEST(HostedBankCache, RootFollowsTheUserDataFolder)
{
    {
        const ScratchDir folder;
        const std::string home = folder.path();
        const ScopedEnv xdg("XDG_DATA_HOME", home + "/data");
        EXPECT_EQ(hostedBankCacheRoot(), home + "/data/Velmo/banks");
        EXPECT_TRUE(isDirectory(home + "/data/Velmo/banks"));
        ASSERT_EQ(kClimbingPin.size(), 64u);
        const std::string pin(64, 'e');
        EXPECT_EQ(hostedBankFolder(pin), home + "/data/Velmo/banks/" + pin);
        EXPECT_EQ(hostedBankFolder(kClimbingPin), "");
        EXPECT_EQ(hostedBankFolder(pin.substr(1)), "");
        xdg.set("relative/ignored");
        const ScopedEnv homeEnv("HOME", home);
        EXPECT_EQ(hostedBankCacheRoot(), home + "/.local/share/Velmo/banks");
        EXPECT_TRUE(isDirectory(home + "/.local/share/Velmo/banks"));
        xdg.set("/proc/no-such/place");
        EXPECT_EQ(hostedBankCacheRoot(), "");
    }

    std::string path = "stale", error;
    EXPECT_FALSE(pickBankFolder(path, error));
    EXPECT_EQ(path, "");
    EXPECT_EQ(error, "this build has no folder picker");
}

}  // namespace
}  // namespace velmo::test
