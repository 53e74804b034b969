// Argument parsing: numbers, kinds, counts, and that no argument list crashes.
#include <gtest/gtest.h>

#include "args.h"
#include "cli_test_support.h"
#include "command_table.h"
#include "protocol/slots.h"
#include "text.h"

namespace udare::cli {
namespace {

TEST(CliNumbers, WholeTokensOnly) {
    struct Case {
        const char* text;
        bool ok;
        long long value;
    };
    const Case ints[] = {
        {"0", true, 0},        {"-20", true, -20},   {"+7", true, 7},     {"0x1F", true, 31},
        {"-0x10", true, -16},  {"12a", false, 0},    {"", false, 0},      {" 1", false, 0},
        {"1 ", false, 0},      {"1.5", false, 0},    {"--1", false, 0},   {"99999999999999999999", false, 0},
        {"101", false, 0},     {"-101", false, 0},
    };
    for (const Case& c : ints) {
        long long v = 12345;
        EXPECT_EQ(ParseInt(c.text, -100, 100, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
    const struct {
        const char* text;
        bool ok;
        double value;
    } nums[] = {
        {"-6", true, -6},   {"1.41", true, 1.41}, {"-0.5", true, -0.5}, {"1e2", true, 100},
        {"nan", false, 0},  {"inf", false, 0},    {"-inf", false, 0},   {"0x10", false, 0},
        {"1e999", false, 0}, {"1,5", false, 0},   {"", false, 0},       {"1e3", false, 0},
        {"-", false, 0},    {".", false, 0},
    };
    for (const auto& c : nums) {
        double v = 0;
        EXPECT_EQ(ParseNumber(c.text, -200, 200, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(v, c.value) << c.text;
        }
    }
}

TEST(CliOptions, FrontOptions) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
        size_t first;
    };
    const Case cases[] = {
        {{"--simulate", "info"}, true, 1},
        {{"--simulate=model=Q9,silent", "--json", "dump"}, true, 2},
        {{"--device", "/dev/hidraw3", "info"}, true, 2},
        {{"--device=/dev/hidraw3", "info"}, true, 1},
        {{"--trace", "-", "--lang", "zh", "info"}, true, 4},
        {{"--lang", "fr", "info"}, false, 0},
        {{"--device"}, false, 0},
        {{"--trace="}, false, 0},
        {{"--frobnicate", "info"}, false, 0},
        {{}, true, 0},
    };
    for (const Case& c : cases) {
        Options o;
        size_t first = 99;
        std::string err;
        EXPECT_EQ(ParseOptions(c.args, o, first, err), c.ok) << (c.args.empty() ? "" : c.args[0]);
        if (c.ok) {
            EXPECT_EQ(first, c.first);
        } else {
            EXPECT_FALSE(err.empty());
        }
    }
    Options o;
    size_t first;
    std::string err;
    ASSERT_TRUE(ParseOptions({"--simulate=protocol=1,latency-ms=3", "--lang=zh", "--yes", "x"}, o, first, err));
    EXPECT_TRUE(o.simulate);
    EXPECT_EQ(o.simulateOptions, "protocol=1,latency-ms=3");
    EXPECT_EQ(o.lang, LANG_ZH);
    EXPECT_TRUE(o.yes);
}

// Command arguments against the table: negatives are values, bad numbers and
// wrong counts are refused with the argument named.
TEST(CliArgs, CommandTable) {
    struct Case {
        std::vector<std::string> words;
        bool ok;
        const char* mentions;  // in the error
    };
    const Case cases[] = {
        {{"SetCompressor", "main", "-20", "4", "10", "100"}, true, ""},
        {{"setcompressor", "MAIN", "-20", "4", "10", "100"}, true, ""},
        {{"design", "1", "1000", "-6", "1.41"}, true, ""},
        {{"SetMusicPitch", "-12"}, true, ""},
        {{"SetMusicPitch", "-13"}, false, "SEMITONES"},
        {{"SetEqBand", "mic1", "14", "1", "1000", "-15", "0.7"}, true, ""},
        {{"SetEqBand", "mic1", "15", "1", "1000", "0", "0.7"}, false, "BAND"},
        {{"SetEqBand", "sub", "19", "18", "100", "0", "1.414"}, true, ""},
        {{"SetEqBand", "echo", "7", "1", "100", "0", "1"}, false, "BAND"},
        {{"SetEqBand", "mic3", "0", "1", "100", "0", "1"}, false, "EQ"},
        {{"SetEqBand", "mic1", "0", "1", "100", "x", "1"}, false, "GAIN"},
        {{"SetEqBand", "mic1", "0", "1", "100", "16", "1"}, false, "GAIN"},
        {{"SetEqBand", "mic1", "0", "1", "100", "0"}, false, "Q"},
        {{"SetEqBand", "mic1", "0", "1", "100", "0", "1", "2"}, false, "'2'"},
        {{"SetOutputLevel", "rear", "reverb", "30"}, true, ""},
        {{"SetOutputLevel", "rear", "piano", "30"}, false, "SOURCE"},
        {{"SetOutputDelay", "main", "right", "0.4"}, true, ""},
        {{"SetOutputDelay", "center", "right", "2"}, false, "left"},
        {{"SetOutputDelay", "sub", "up", "2"}, false, "SIDE"},
        {{"SetEchoTapLevel", "6", "1.5"}, true, ""},
        {{"SetEchoTapLevel", "7", "1.5"}, false, "K"},
        {{"SetMicVolume", "50.5"}, false, "V"},
        {{"SetMicVolume"}, false, "V"},
        {{"LoadMode", "3"}, true, ""},
        {{"LoadMode", "4"}, false, "N"},
        {{"meter"}, true, ""},
        {{"meter", "--count", "3"}, true, ""},
        {{"meter", "--count=3"}, true, ""},
        {{"meter", "--count"}, false, "count"},
        {{"meter", "--count", "0"}, false, "N"},
        {{"meter", "3"}, false, "'3'"},
        {{"curve", "1:1000:6:1.41", "0:50:3:1"}, true, ""},
        {{"curve", "1:1000:6"}, false, "TYPE:FREQ:GAIN:Q"},
        {{"curve", "1:1000:6:1.41:2"}, false, "TYPE:FREQ:GAIN:Q"},
        {{"curve", "1:1000:nan:1"}, false, "TYPE:FREQ:GAIN:Q"},
        {{"curve"}, false, "TYPE:FREQ:GAIN:Q"},
        {{"SendBytes", "0x0E"}, true, ""},
        {{"SendBytes", "256"}, false, "BYTE"},
        {{"backup", ""}, false, "FILE"},
        {{"info", "extra"}, false, "'extra'"},
    };
    for (const Case& c : cases) {
        const Command* cmd = FindCommand(c.words[0]);
        ASSERT_NE(cmd, nullptr) << c.words[0];
        std::vector<Value> v;
        std::string err;
        const bool ok = ParseCommand(*cmd, {c.words.begin() + 1, c.words.end()}, v, err, LANG_EN);
        EXPECT_EQ(ok, c.ok) << c.words[0] << ": " << err;
        if (!c.ok) {
            EXPECT_NE(err.find(c.mentions), std::string::npos) << err;
            EXPECT_NE(err.find(Usage(*cmd)), std::string::npos) << err;  // the expected form
        }
    }
    std::vector<Value> v;
    std::string err;
    ASSERT_TRUE(ParseCommand(*FindCommand("SetCompressor"), {"sub", "-20", "4", "10", "100"}, v, err, LANG_EN));
    EXPECT_EQ(v[0].i, 3);
    EXPECT_DOUBLE_EQ(v[1].d, -20);
}

// A value argument of a write takes exactly its slot's range: both ends are
// accepted and the nearest values beyond them refused, unless the operation
// raises low values to the slot's lowest itself (delays, pre-delays).
TEST(CliArgs, SlotArgumentsTakeTheirRowsRange) {
    struct Case {
        std::vector<std::string> before;  // command and the arguments ahead of the value
        int slot;
        int halves;        // a total of two halves spans twice the slot's range
        bool raisedBelow;  // the operation raises what is below the range
        double step;       // the nearest value beyond an end
    };
    const Case cases[] = {
        {{"SetMicVolume"}, slot::micVolume, 1, false, 1},
        {{"SetMusicMute"}, slot::musicMute, 1, false, 1},
        {{"SetOutputVolume", "sub"}, outputSlot(GROUP_SUB, OUT_VOLUME), 1, false, 1},
        {{"SetOutputDelay", "rear", "right"}, slot::rearDelayRight, 1, true, 0.01},
        {{"SetEchoPreDelay"}, slot::echoPreDelayA, 2, true, 0.01},
        {{"SetReverbPreDelay"}, slot::reverbPreDelayB, 2, true, 0.01},
        {{"SetEchoTapDelay", "3"}, slot::echoTapDelay0 + 3, 1, false, 0.01},
        {{"SetEchoTapLevel", "2"}, slot::echoTapLevel0 + 2, 1, false, 0.01},
        {{"SetReverbTime"}, slot::reverbTime, 1, false, 1},
        {{"SetMusicPitch"}, slot::musicPitch, 1, false, 1},
        {{"SetAutoSubLevel"}, slot::autoSubLevel, 1, false, 1},
        {{"SetCompressorBypass", "center"}, outputSlot(GROUP_CENTER, COMP_BYPASS), 1, false, 1},
    };
    auto parses = [](std::vector<std::string> words, double value) {
        words.push_back(format("%.9g", value));
        std::vector<Value> v;
        std::string err;
        return ParseCommand(*FindCommand(words[0]), {words.begin() + 1, words.end()}, v, err, LANG_EN);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before[0]);
        const SlotRange r = kSlots[c.slot].range;
        const double lo = c.raisedBelow ? 0 : r.lo, hi = c.halves * r.hi;
        EXPECT_TRUE(parses(c.before, lo));
        EXPECT_TRUE(parses(c.before, hi));
        EXPECT_FALSE(parses(c.before, lo - c.step));
        EXPECT_FALSE(parses(c.before, hi + c.step));
        if (c.raisedBelow) {
            EXPECT_TRUE(parses(c.before, c.halves * r.lo - c.step));
        }
    }
    // The compressor's four values, each at the ends of its slot's range.
    for (int k = COMP_THRESHOLD; k <= COMP_RELEASE; ++k) {
        SCOPED_TRACE(slotName(outputSlot(GROUP_MAIN, k)));
        const SlotRange r = kSlots[outputSlot(GROUP_MAIN, k)].range;
        const std::pair<double, bool> ends[] = {{r.lo, true}, {r.hi, true}, {r.lo - 0.01, false}, {r.hi + 0.01, false}};
        for (const auto& [value, ok] : ends) {
            std::vector<std::string> words = {"main", "-20", "4", "10", "100"};
            words[static_cast<size_t>(k - COMP_THRESHOLD + 1)] = format("%.9g", value);
            std::vector<Value> v;
            std::string err;
            EXPECT_EQ(ParseCommand(*FindCommand("SetCompressor"), words, v, err, LANG_EN), ok) << value << " " << err;
        }
    }
}

// Every command with argument lists that are wrong in every way: each is
// refused (or accepted) without a crash, and the program exits 2 on refusal
// before touching any unit.
TEST(CliArgs, NoArgumentListCrashes) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {""},
        {"-"},
        {"--"},
        {"-1"},
        {"1e308", "1e308", "1e308", "1e308", "1e308", "1e308"},
        {"nan", "inf", "-inf"},
        {"0x", "0x7fffffffffffffff", "-9223372036854775809"},
        {"mic1", "-1", "-1", "-1", "-1", "-1"},
        {"sub", "20", "21", "24000", "15", "65"},
        {"main", "right", "left", "mic", "music"},
        {":::", "1:2:3:4:5", "a:b:c:d"},
        std::vector<std::string>(70, "1"),
        {std::string(5000, '9')},
        {"\xff\xfe", "\t", "\n"},
    };
    for (const Command& c : Commands()) {
        if (std::string(c.name) == "help" || std::string(c.name) == "run") continue;
        for (const auto& args : bad) {
            std::vector<Value> v;
            std::string err;
            const bool ok = ParseCommand(c, args, v, err, LANG_ZH);
            if (!ok) {
                EXPECT_FALSE(err.empty());
                std::vector<std::string> all = {"--device", "/nonexistent", c.name};
                all.insert(all.end(), args.begin(), args.end());
                EXPECT_EQ(test::runCtl(all).rc, EXIT_USAGE) << c.name;
            }
        }
    }
}

TEST(CliArgs, TopLevelErrors) {
    using test::runCtl;
    struct Case {
        std::vector<std::string> args;
        int rc;
        const char* mentions;
    };
    const Case cases[] = {
        {{}, EXIT_USAGE, "COMMAND"},
        {{"Frobnicate"}, EXIT_USAGE, "'Frobnicate'"},
        {{"--bogus", "info"}, EXIT_USAGE, "--bogus"},
        {{"--simulate=warp=9", "info"}, EXIT_USAGE, "warp"},
        {{"--lang", "zh", "Frobnicate"}, EXIT_USAGE, "未知命令"},
        {{"--device", "/nonexistent", "info"}, EXIT_NO_UNIT, "/nonexistent"},
        {{"--device", "/nonexistent", "SetMicVolume", "50"}, EXIT_NO_UNIT, "/nonexistent"},
    };
    for (const Case& c : cases) {
        const test::Run r = runCtl(c.args);
        EXPECT_EQ(r.rc, c.rc) << r.err;
        EXPECT_NE(r.err.find(c.mentions), std::string::npos) << r.err;
        EXPECT_EQ(test::lines(r.err).size(), 1u) << r.err;  // one line
    }
}

TEST(CliHelp, ListsEveryCommandWithItsArguments) {
    const test::Run r = test::runCtl({"help"});
    ASSERT_EQ(r.rc, 0);
    for (const Command& c : Commands()) EXPECT_NE(r.out.find("  " + Usage(c)), std::string::npos) << c.name;
    EXPECT_NE(r.out.find("SetEqBand EQ BAND TYPE FREQ GAIN Q"), std::string::npos);
    EXPECT_NE(r.out.find("SetOutputDelay OUT SIDE MS"), std::string::npos);
    EXPECT_NE(test::runCtl({"--lang", "zh", "help"}).out.find("设置一个频段"), std::string::npos);
}

}  // namespace
}  // namespace udare::cli
