#pragma once
// Runs a test under a comma-decimal process locale (strtod and printf then read and write "0,5"),
// restoring the previous locale afterwards. Skips when the locale is not generated.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

namespace velmo::test {

class CommaLocale : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = std::setlocale(LC_ALL, nullptr);
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 not generated";
        ASSERT_EQ(std::strtod("0.5", nullptr), 0.0) << "locale did not take effect";
    }
    void TearDown() override { std::setlocale(LC_ALL, saved_.c_str()); }
    std::string saved_;
};

}  // namespace velmo::test
