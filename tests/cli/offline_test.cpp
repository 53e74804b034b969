// design and curve: the output formats and what the curve leaves out.
#include <gtest/gtest.h>

#include <regex>

#include "cli_test_support.h"

namespace udare::cli {
namespace {

using test::lines;
using test::runCtl;

TEST(CliDesign, FiveCoefficientsNineDecimals) {
    struct Case {
        std::vector<std::string> args;
        const char* expected;
    };
    const Case cases[] = {
        {{"design", "1", "1000", "6", "1.41"},
         "1.031577911 -1.919976144 0.904965631 -1.919976144 0.936543542\n"},
        {{"design", "2", "1000", "0", "0.7"},
         "0.003912770 0.007825540 0.003912770 -1.813785106 0.829436186\n"},
        {{"design", "10", "1000", "0", "1"},
         "0.061511769 0.061511769 0.000000000 -0.876976463 0.000000000\n"},
        // A flat peaking section: b equals a.
        {{"design", "1", "1000", "0", "1.41"},
         "1.000000000 -1.895170100 0.911523448 -1.895170100 0.911523448\n"},
    };
    for (const Case& c : cases) {
        const test::Run r = runCtl(c.args);
        EXPECT_EQ(r.rc, 0) << r.err;
        EXPECT_EQ(r.out, c.expected);
    }
    // A negative gain is a value, not an option.
    const test::Run neg = runCtl({"design", "1", "1000", "-6", "1.41"});
    EXPECT_EQ(neg.rc, 0);
    EXPECT_TRUE(std::regex_match(neg.out, std::regex("(-?[0-9]+\\.[0-9]{9} ){4}-?[0-9]+\\.[0-9]{9}\n")));
}

TEST(CliCurve, DefaultGridAndPinnedPeak) {
    const test::Run r = runCtl({"curve", "1:1000:6:1.41"});
    ASSERT_EQ(r.rc, 0) << r.err;
    const auto l = lines(r.out);
    ASSERT_EQ(l.size(), 512u);
    const std::regex form("[0-9]+\\.[0-9]{3} -?[0-9]+\\.[0-9]{4}");
    for (const auto& x : l) ASSERT_TRUE(std::regex_match(x, form)) << x;
    EXPECT_EQ(l.front().substr(0, 7), "18.000 ");
    EXPECT_EQ(l.back().substr(0, 10), "22680.914 ");  // one step short of 23000
    // The point nearest the centre reads the band gain exactly.
    int pinned = 0;
    for (const auto& x : l) pinned += x.ends_with(" 6.0000");
    EXPECT_GE(pinned, 1);
}

TEST(CliCurve, SumsSectionsAndLeavesOutTypeZero) {
    const std::string a = runCtl({"curve", "1:1000:6:1.41"}).out;
    EXPECT_EQ(runCtl({"curve", "0:200:12:1", "1:1000:6:1.41"}).out, a);
    // Two sections add in dB: a +6 and a -6 band at the same place cancel.
    const auto flat = lines(runCtl({"curve", "1:1000:6:1.41", "1:1000:-6:1.41"}).out);
    ASSERT_EQ(flat.size(), 512u);
    for (const auto& x : flat) {
        const double db = std::stod(x.substr(x.find(' ') + 1));
        EXPECT_NEAR(db, 0.0, 1e-3) << x;
    }
    // A crossover building block of the sub (code 18): -3 dB region at its corner.
    const test::Run lp = runCtl({"curve", "18:100:0:1.414", "20:100:0:0.707"});
    EXPECT_EQ(lp.rc, 0);
}

}  // namespace
}  // namespace udare::cli
