// Debian's jalv loads Zuriz.lv2 from LV2_PATH, headless on a JACK dummy server: its console
// applies a factory preset and sets a control, and a MIDI note through JACK sounds.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>

#include <cmath>
#include <string>
#include <vector>

#include "lv2_fixture.h"

namespace velmo::test {
namespace {

TEST(Lv2Jalv, LoadsTheBundleHeadlessAndPlaysMidi) {
#ifdef ZURIZ_SANITIZED
    GTEST_SKIP() << "a sanitizer build of the module cannot load into Debian's jalv";
#endif
    Lv2SearchPath path;
    const ScratchDir& dir = path.scratch();
    const std::string command = std::string("sh '") + ZURIZ_JALV_SESSION + "' '" + dir.path() + "' '" + lv2::kPluginUri + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no jalv or JACK server to run it on (see the output above)";
    ASSERT_EQ(WEXITSTATUS(status), 0) << readTextFile(dir.file("jalv.txt"));

    // The last control listing: after the preset ("Angelus Toll") and the family set to 3.
    const std::string printed = readTextFile(dir.file("jalv.txt"));
    const std::string last = printed.substr(printed.rfind("ir_family"));
    EXPECT_NE(last.find("ir_family = 3.000000"), std::string::npos) << printed;
    EXPECT_NE(last.find("strike_position = 0.080000"), std::string::npos) << printed;
    EXPECT_NE(last.find("amp_release = 1.200000"), std::string::npos) << printed;

    SF_INFO info{};
    SNDFILE* file = sf_open(dir.file("out.wav").c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    std::vector<float> samples(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    float peak = 0.0f;
    for (float s : samples) peak = std::max(peak, std::fabs(s));
    EXPECT_EQ(info.channels, 2);
    EXPECT_GT(peak, 0.01f);
}

}  // namespace
}  // namespace velmo::test
