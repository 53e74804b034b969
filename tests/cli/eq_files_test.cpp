// eq-import, eq-export and curve-export: on the virtual unit and on mode
// files, and their exit statuses.
#include <gtest/gtest.h>

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

std::string eqFixture(const char* name) { return fixture(std::string("eq/") + name).string(); }

// One script, one virtual unit: the export reads back what the import sent.
TEST(CliEqFiles, ImportReachesTheUnitAndExportReadsItBack) {
    const auto dir = tempDir("eqrun");
    const std::string script = (dir / "s.cmds").string();
    writeFile(script, "eq-import echo " + eqFixture("rew_generic.txt") + "\neq-export echo -\n");
    const auto r = runCtl({"--simulate", "run", script});
    ASSERT_EQ(r.rc, 0) << r.err;
    const auto out = lines(r.out);
    // Five notes for the filters beyond the seven bands, then the export.
    ASSERT_GE(out.size(), 13u);
    EXPECT_EQ(out[0], "line 18: left out, the equaliser has only 7 bands");
    EXPECT_EQ(out[5], "# udare echo equaliser, 7 bands");
    EXPECT_EQ(out[6], "Filter 1: ON PK Fc 347 Hz Gain -0.5 dB Q 14.000");
    EXPECT_EQ(out[12], "Filter 7: ON PK Fc 1240 Hz Gain 3.0 dB Q 15.000");
}

TEST(CliEqFiles, ModeFileIsEditedOnlyByAGoodImport) {
    const auto dir = tempDir("eqfrom");
    const std::string vxs = (dir / "unit.vxs").string();
    ASSERT_EQ(runCtl({"--simulate", "backup", vxs}).rc, 0);
    const std::string before = readFile(vxs);

    const std::string bad = (dir / "bad.txt").string();
    writeFile(bad, "Filter 1: ON PK Fc 100 Hz Gain 2 dB Q 1\nFilter 2: ON PK Fc 1,0,0 Hz Gain 2 dB Q 1\n");
    auto r = runCtl({"eq-import", "main", bad, "--from", vxs});
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("line 2: cannot read"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(vxs), before);

    r = runCtl({"eq-import", "main", eqFixture("autoeq_ParametricEQ.txt"), "--from", vxs});
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_NE(readFile(vxs), before);
    r = runCtl({"eq-export", "main", "-", "--format", "rew", "--from", vxs});
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_NE(r.out.find("\nFilter  1: ON  LSC      Fc     105 Hz  Gain   6.4 dB  Q  0.700\n"), std::string::npos)
        << r.out;
    r = runCtl({"curve-export", "main", "-", "--points", "3", "--from", vxs});
    ASSERT_EQ(r.rc, 0) << r.err;
    ASSERT_EQ(lines(r.out).size(), 4u);
    EXPECT_EQ(lines(r.out)[0], "frequency_hz,gain_db");
    EXPECT_EQ(lines(r.out)[1].substr(0, 7), "20.000,");
}

TEST(CliEqFiles, ExitStatuses) {
    const auto dir = tempDir("eqrc");
    const std::string empty = (dir / "empty.txt").string();
    writeFile(empty, "Preamp: -3 dB\n");
    const std::string good = eqFixture("apo_decimal_comma.txt");
    struct Case {
        std::vector<std::string> args;
        int rc;
    };
    const Case cases[] = {
        {{"--simulate", "eq-import", "main", (dir / "missing.txt").string()}, 1},
        {{"--simulate", "eq-import", "main", dir.string()}, 1},  // a directory
        {{"--simulate", "eq-import", "main", empty}, 1},         // no filter at all
        {{"--simulate", "eq-import", "main", good, "--from", (dir / "missing.vxs").string()}, 1},
        {{"--simulate", "eq-export", "main", (dir / "no" / "such" / "dir.txt").string()}, 1},
        {{"--simulate", "curve-export", "main", (dir / "c.png").string()}, 1},  // no PNG in this program
        {{"--simulate", "eq-export", "main", "x.txt", "--format", "csv"}, 2},
        {{"--simulate", "curve-export", "main", "x.jpg"}, 2},
        {{"--simulate", "curve-export", "main", "x.png", "--points", "50"}, 2},
        {{"--simulate", "curve-export", "main", "x.csv", "--size", "800x400"}, 2},
        {{"--simulate", "curve-export", "main", "x.png", "--size", "800"}, 2},
        {{"--simulate", "eq-import", "main", good, "--from"}, 2},
        {{"--simulate", "eq-import", "bass", good}, 2},
        {{"--device", "/nonexistent", "eq-import", "main", good}, 3},
        {{"--simulate=silent", "eq-export", "main", "-"}, 4},
        {{"--simulate", "eq-import", "main", good}, 0},
    };
    for (const Case& c : cases) {
        const auto r = runCtl(c.args);
        std::string cmd;
        for (const auto& a : c.args) cmd += a + " ";
        EXPECT_EQ(r.rc, c.rc) << cmd << "\n" << r.err;
        if (c.rc != 0) {
            EXPECT_FALSE(r.err.empty()) << cmd;
        }
    }
}

}  // namespace
}  // namespace udare::cli
