// udare-ctl learns which unit it talks to before reports whose form depends
// on the unit's protocol: older units get only what they hold, a unit that is
// not ours gets nothing but the identity requests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "cli_test_support.h"

namespace udare::cli {
namespace {

using test::fixture;
using test::lines;
using test::readFile;
using test::runCtl;
using test::tempDir;
using test::writeFile;

using Report = std::vector<uint8_t>;

struct Wire {
    test::Run run;
    std::vector<Report> sent;  // every report written, in order
};

Wire onUnit(const std::string& sim, std::vector<std::string> command) {
    const auto dir = tempDir("identity");
    const std::string trace = (dir / "wire.trace").string();
    std::vector<std::string> args = {sim, "--lang", "en", "--trace", trace};
    args.insert(args.end(), command.begin(), command.end());
    Wire w;
    w.run = runCtl(args);
    for (const std::string& l : lines(readFile(trace))) {
        if (!l.starts_with("> ")) continue;
        std::istringstream hex(l.substr(2));
        Report r;
        for (unsigned b; hex >> std::hex >> b;) r.push_back(static_cast<uint8_t>(b));
        w.sent.push_back(r);
    }
    return w;
}

std::vector<int> commandBytes(const Wire& w) {
    std::vector<int> v;
    for (const Report& r : w.sent) v.push_back(r.size() > 1 ? r[1] : -1);
    return v;
}

// End of the furthest equaliser-image byte written (0x85: offset hi lo, length).
int imageEnd(const Wire& w) {
    int end = 0;
    for (const Report& r : w.sent)
        if (r.size() > 4 && r[1] == 0x85) end = std::max(end, (r[2] << 8 | r[3]) + r[4]);
    return end;
}

// Parameter writes (0x09) to group / code.
int writesTo(const Wire& w, int group, int code) {
    return static_cast<int>(std::count_if(w.sent.begin(), w.sent.end(), [&](const Report& r) {
        return r.size() > 4 && r[1] == 0x09 && r[3] == group && r[4] == code;
    }));
}

// Coefficient writes to Sub sections 10-19.
int highSubSections(const Wire& w) {
    int n = 0;
    for (int k = 10; k < 20; ++k) n += writesTo(w, 8, k);
    return n;
}

constexpr int kIdentity[] = {0x80, 0x7F, 0x81};

TEST(CliIdentity, EachUnitGetsWhatItHolds) {
    const std::string filters = fixture("eq/rew_generic.txt").string();  // more filters than Sub sections
    struct Case {
        std::vector<std::string> command;
        int imageEnd;       // protocol 1, then 2
        int imageEnd2;
        int highSub, highSub2;
        int delays, delays2;  // writes of Main left's delay time
        const char* note;     // on standard error for protocol 1
    };
    const Case cases[] = {
        {{"WriteEqImage"}, 889, 959, 0, 0, 0, 0, nullptr},
        {{"SetEqBand", "sub", "15", "1", "100", "3", "1"}, 0, 931, 0, 1, 0, 0, "only 10 Sub sections; section 15 was not sent"},
        {{"ResetEq", "sub"}, 889, 959, 0, 10, 0, 0, nullptr},
        {{"SetOutputDelay", "main", "left", "10"}, 0, 0, 0, 0, 0, 1, "has no output delays; nothing was sent"},
        {{"SendAllParams", "0"}, 0, 0, 0, 0, 0, 1, nullptr},
        {{"WriteAllData"}, 889, 959, 0, 10, 0, 1, nullptr},
        {{"eq-import", "sub", filters}, 889, 959, 0, 10, 0, 0, nullptr},
    };
    for (const Case& c : cases) {
        const std::string what = c.command.front();
        const Wire p1 = onUnit("--simulate=protocol=1", c.command);
        const Wire p2 = onUnit("--simulate", c.command);
        ASSERT_EQ(p1.run.rc, 0) << what << ": " << p1.run.err;
        ASSERT_EQ(p2.run.rc, 0) << what << ": " << p2.run.err;
        // The identity comes first on both.
        ASSERT_GE(p1.sent.size(), 3u) << what;
        EXPECT_TRUE(std::equal(std::begin(kIdentity), std::end(kIdentity), commandBytes(p1).begin())) << what;
        EXPECT_EQ(imageEnd(p1), c.imageEnd) << what;
        EXPECT_EQ(imageEnd(p2), c.imageEnd2) << what;
        EXPECT_EQ(highSubSections(p1), c.highSub) << what;
        EXPECT_EQ(highSubSections(p2), c.highSub2) << what;
        EXPECT_EQ(writesTo(p1, 5, '8'), c.delays) << what;
        EXPECT_EQ(writesTo(p2, 5, '8'), c.delays2) << what;
        if (c.note)
            EXPECT_NE(p1.run.err.find(c.note), std::string::npos) << what << ": " << p1.run.err;
        else
            EXPECT_TRUE(p1.run.err.empty()) << what << ": " << p1.run.err;
        EXPECT_TRUE(p2.run.err.empty()) << what << ": " << p2.run.err;
    }
}

TEST(CliIdentity, AnotherModelGetsNothingButTheIdentityRequests) {
    const auto dir = tempDir("wrong-model");
    // The script's first line alone would not need the identity: it must
    // still not reach a unit the script is refused on.
    writeFile(dir / "s.cmds", "SetMicVolume 20\nWriteEqImage\nSetMicVolume 30\n");
    const std::vector<std::string> commands[] = {
        {"WriteEqImage"},
        {"SetOutputDelay", "main", "left", "10"},
        {"SetEqBand", "sub", "15", "1", "100", "3", "1"},
        {"WriteAllData"},
        {"run", (dir / "s.cmds").string()},
    };
    // Letter case counts: "q9" is not ours either.
    for (const char* sim : {"--simulate=model=X7", "--simulate=model=q9", "--simulate=model=X7,protocol=1"})
        for (const auto& command : commands) {
            const Wire w = onUnit(sim, command);
            EXPECT_EQ(w.run.rc, EXIT_FAILED) << sim << " " << command.front();
            EXPECT_EQ(w.run.err, "udare-ctl: 机器型号与软件不匹配!\n") << sim << " " << command.front();
            // The three requests, then the closing report.
            EXPECT_EQ(commandBytes(w), (std::vector<int>{0x80, 0x7F, 0x81, 0x8A})) << sim << " " << command.front();
        }
}

TEST(CliIdentity, AScriptOpeningWithInfoIsRefusedBeforeItsFirstWrite) {
    const auto dir = tempDir("info-first");
    // info and ReadAll run on any model; the write after them must not.
    for (const char* first : {"info", "ReadAll"}) {
        writeFile(dir / "s.cmds", std::string(first) + "\nSetMicVolume 50\nWriteEqImage\n");
        const Wire w = onUnit("--simulate=model=X7", {"run", (dir / "s.cmds").string()});
        EXPECT_EQ(w.run.rc, EXIT_FAILED) << first;
        EXPECT_NE(w.run.err.find("机器型号与软件不匹配!"), std::string::npos) << first << ": " << w.run.err;
        EXPECT_EQ(writesTo(w, 1, '0') + imageEnd(w), 0) << first;
        for (int c : commandBytes(w)) EXPECT_NE(c, 0x09) << first;
    }
}

TEST(CliIdentity, AnUnansweredIdentityWritesNothing) {
    const Wire w = onUnit("--simulate=silent", {"WriteEqImage"});
    EXPECT_EQ(w.run.rc, EXIT_SILENT);
    EXPECT_EQ(w.run.err, "udare-ctl: the unit did not answer when asked for its model and protocol; nothing was written\n");
    for (int c : commandBytes(w)) EXPECT_TRUE(c == 0x80 || c == 0x7F || c == 0x81 || c == 0x8A) << c;
}

TEST(CliIdentity, AScriptReadsTheIdentityOnce) {
    const auto dir = tempDir("once");
    struct Case {
        const char* script;
        int firstCommand;  // the script's first report
    };
    const Case cases[] = {
        // Read before the first line, though that line does not need it.
        {"SetMicVolume 20\nSetOutputDelay main left 5\nWriteEqImage\nSetEqBand sub 15 1 100 3 1\n"
         "eq-export sub -\nSendAllEqBands\nWriteAllData\n",
         0x80},
        // A first line that reads the unit reads the identity for the script.
        {"ReadAll\nWriteEqImage\nSetOutputDelay main left 5\n", 0x80},
        {"info\nWriteEqImage\n", 0x80},
        // Nothing depends on the protocol: nothing is asked.
        {"SetMicVolume 20\nSetEqBand sub 3 1 100 3 1\nSetOutputDelayOn main left 1\n", 0x09},
    };
    for (const Case& c : cases) {
        writeFile(dir / "s.cmds", c.script);
        for (const char* sim : {"--simulate", "--simulate=protocol=1"}) {
            const Wire w = onUnit(sim, {"run", (dir / "s.cmds").string()});
            ASSERT_EQ(w.run.rc, 0) << sim << ": " << c.script << w.run.err;
            const std::vector<int> bytes = commandBytes(w);
            EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 0x80), c.firstCommand == 0x80 ? 1 : 0)
                << sim << ": " << c.script;
            EXPECT_EQ(bytes.front(), c.firstCommand) << sim << ": " << c.script;
        }
    }
    // On an older unit the notes name the script's lines.
    writeFile(dir / "s.cmds", cases[0].script);
    const Wire p1 = onUnit("--simulate=protocol=1", {"run", (dir / "s.cmds").string()});
    EXPECT_EQ(p1.run.err,
              "udare-ctl: line 2: SetOutputDelay: this unit (protocol 1) has no output delays; nothing was sent\n"
              "udare-ctl: line 4: SetEqBand: this unit (protocol 1) has only 10 Sub sections; section 15 was not sent\n");
}

// A mode file takes the unit's Sub layout as it loads, so in a script that
// goes on to write, the identity is known before the file is loaded.
TEST(CliIdentity, AModeFileLoadedInAScriptTakesTheUnitsSubLayout) {
    const auto dir = tempDir("layout");
    const std::string vxs = (dir / "p.vxs").string();
    ASSERT_EQ(runCtl({"--simulate", "backup", vxs}).rc, 0);
    writeFile(dir / "load.cmds", "LoadModeFile " + vxs + "\nWriteEqImage\n");
    writeFile(dir / "known.cmds", "info\nLoadModeFile " + vxs + "\nWriteEqImage\n");
    auto image = [&](const char* script) {
        std::vector<Report> v;
        for (const Report& r : onUnit("--simulate=protocol=1", {"run", (dir / script).string()}).sent)
            if (r[1] == 0x85) v.push_back(r);
        return v;
    };
    const std::vector<Report> loaded = image("load.cmds");
    ASSERT_EQ(loaded.size(), 16u);
    EXPECT_EQ(loaded, image("known.cmds"));
}

}  // namespace
}  // namespace udare::cli
