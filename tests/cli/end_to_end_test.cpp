// udare-ctl against the virtual unit: golden traces, backup and restore, the
// error exits and command files.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "cli_test_support.h"
#include "sim/virtual_unit.h"

namespace udare::cli {
namespace {

using test::fixture;
using test::lines;
using test::readFile;
using test::runCtl;
using test::tempDir;
using test::writeFile;

// Compares with tests/fixtures/<name>; UDARE_UPDATE_GOLDEN=1 rewrites it instead.
void expectGolden(const std::string& name, const std::string& actual) {
    if (std::getenv("UDARE_UPDATE_GOLDEN")) {
        writeFile(fixture(name), actual);
        return;
    }
    const std::string want = readFile(fixture(name));
    ASSERT_FALSE(want.empty()) << "missing golden file " << name;
    EXPECT_EQ(actual, want) << "trace differs from " << name;
}

struct Traced {
    test::Run run;
    std::string trace;
};

Traced traced(const std::string& dirName, std::vector<std::string> command,
              const std::string& sim = "--simulate") {
    const auto dir = tempDir(dirName);
    const std::string trace = (dir / "wire.trace").string();
    std::vector<std::string> args = {sim, "--trace", trace};
    args.insert(args.end(), command.begin(), command.end());
    Traced t;
    t.run = runCtl(args);
    t.trace = readFile(trace);
    return t;
}

TEST(CliGolden, BandChange) {
    const Traced t = traced("band", {"SetEqBand", "mic1", "8", "1", "1000", "0", "1.41"});
    ASSERT_EQ(t.run.rc, 0) << t.run.err;
    const auto l = lines(t.trace);
    ASSERT_GE(l.size(), 5u);
    // The record first, then the coefficients, then the closing report.
    EXPECT_EQ(l[0].substr(0, 37), "> 02 85 00 38 07 00 96 03 E8 05 82 01");
    EXPECT_EQ(l[2].substr(0, 19), "> 02 09 00 01 08 05");
    EXPECT_EQ(l.back().substr(0, 7), "> 02 8A");
    expectGolden("band_change.trace", t.trace);
}

TEST(CliGolden, MusicFadeIn) {
    const auto dir = tempDir("fade-script");
    writeFile(dir / "fade.cmds", "SetMusicMute 1   # at once\nSetMusicMute 0   # fades in\n");
    const Traced t = traced("fade", {"run", (dir / "fade.cmds").string()});
    ASSERT_EQ(t.run.rc, 0) << t.run.err;
    // One mute report, then 0.0, 0.1 ... 0.8 and 1.0: 11 writes of 4 '1'.
    int writes = 0;
    for (const auto& x : lines(t.trace)) writes += x.starts_with("> 02 09 00 04 31 02");
    EXPECT_EQ(writes, 11);
    expectGolden("music_fade_in.trace", t.trace);
}

TEST(CliGolden, Synchronisation) {
    const Traced t = traced("sync", {"sync"});
    ASSERT_EQ(t.run.rc, 0) << t.run.err;
    const auto l = lines(t.trace);
    EXPECT_EQ(l[0].substr(0, 7), "> 02 80");
    EXPECT_EQ(l[2].substr(0, 7), "> 02 7F");
    EXPECT_EQ(l[4].substr(0, 7), "> 02 81");
    expectGolden("synchronisation.trace", t.trace);
}

TEST(CliGolden, TraceToStandardOutput) {
    const test::Run r = runCtl({"--simulate", "--trace", "-", "SetMicVolume", "50"});
    ASSERT_EQ(r.rc, 0);
    const auto l = lines(r.out);
    ASSERT_EQ(l.size(), 3u);
    std::string want = "> 02 09 00 01 30 01 3F 00 00 00";
    for (int i = 0; i < 51; ++i) want += " 00";
    EXPECT_EQ(l[0], want);
    EXPECT_TRUE(l[1].starts_with("< 02 09 00 01 30 01 3F"));
    EXPECT_EQ(l[2].size(), 2u + 61 * 3 - 1);
}

TEST(CliUnit, InfoAndJson) {
    const test::Run r = runCtl({"--simulate=model=Q9,mcu=2020-01-02", "info"});
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.out, "model: Q9\nprotocol: 02\nMCU version: 2020-01-02\nDSP version: 2013-05-01\nmode: M1\n");
    const test::Run j = runCtl({"--simulate", "--json", "info"});
    ASSERT_EQ(j.rc, 0);
    EXPECT_NE(j.out.find("\"model\":\"Q9\""), std::string::npos) << j.out;
    EXPECT_NE(j.out.find("\"protocolVersion\":2"), std::string::npos);
    const test::Run zh = runCtl({"--simulate", "--lang", "zh", "info"});
    EXPECT_NE(zh.out.find("机器型号: Q9"), std::string::npos) << zh.out;
}

TEST(CliUnit, DumpNamesEverySlotAndBand) {
    const test::Run r = runCtl({"--simulate", "dump"});
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_NE(r.out.find("main.compRatio = 1\n"), std::string::npos);
    EXPECT_NE(r.out.find("mic1.8 = type 1, 1000 Hz, 0.0 dB, Q 1.414\n"), std::string::npos);
    EXPECT_NE(r.out.find("sub.19 = "), std::string::npos);
    EXPECT_NE(r.out.find("remoteKeys = 01 D8 58 B8"), std::string::npos);
    EXPECT_NE(r.out.find("currentMode = M1"), std::string::npos);
    const test::Run p1 = runCtl({"--simulate=protocol=1", "dump"});
    EXPECT_EQ(p1.rc, EXIT_FAILED);  // ReadAll refuses a protocol-1 unit, so does dump
    EXPECT_EQ(runCtl({"--simulate", "--json", "dump"}).out.front(), '{');
}

TEST(CliUnit, BackupThenRestoreRoundTrips) {
    const auto dir = tempDir("roundtrip");
    const std::string vxs = (dir / "preset.vxs").string();
    writeFile(dir / "change.cmds",
              "SetEqBand main 3 4 200 -6.5 0.9\n"
              "SetEqBand sub 12 1 55 3 2\n"
              "SetCompressor rear -20 4 10 100\n"
              "SetEchoTapLevel 2 12.34\n"
              "SetOutputDelay main left 0.4\n"
              "SetEchoPreDelay 2\n"
              "SetReverbTime 45\n"
              "SetMusicPitch 5\n"
              "SetFbcShift 3\n"
              "backup " + vxs + "\n"
              "dump\n");
    const test::Run a = runCtl({"--simulate", "run", (dir / "change.cmds").string()});
    ASSERT_EQ(a.rc, 0) << a.err;
    EXPECT_NE(a.out.find("main.3 = type 4, 200 Hz, -6.5 dB, Q 0.900"), std::string::npos);
    EXPECT_NE(a.out.find("echoTapLevel2 = 12\n"), std::string::npos);  // whole percent

    // A fresh unit takes the file and reports back what was written.
    writeFile(dir / "restore.cmds", "restore " + vxs + "\ndump\n");
    const test::Run b = runCtl({"--simulate", "run", (dir / "restore.cmds").string()});
    ASSERT_EQ(b.rc, 0) << b.out << b.err;
    EXPECT_EQ(b.out.find("differs"), std::string::npos) << b.out;
    EXPECT_NE(b.out.find("not restored"), std::string::npos);
    EXPECT_NE(b.out.find("main.compBypass"), std::string::npos);
    EXPECT_NE(b.out.find("micVolume"), std::string::npos);  // no fade flag: not sent

    // What was changed is in the second unit as in the first. (Other slots may
    // differ by the full write's own clamps: 1.5 ms delays, 3 ms pre-delays,
    // and compressor times, whose read-back adds half a sample each time.)
    auto pick = [](const std::string& dump) {
        std::vector<std::string> keep;
        for (const auto& l : lines(dump))
            for (const char* p : {"main.", "rear.", "sub.", "center.", "mic1.", "mic2.", "echo.", "reverb.",
                                  "music.", "fbcShift =", "fbcOff =", "echoTapLevel2 =", "echoPreDelayA =",
                                  "reverbTime =", "musicPitch =", "pitchBypass ="})
                if (l.starts_with(p) && l.find("compAttack") == std::string::npos &&
                    l.find("compRelease") == std::string::npos && l.find("compBypass") == std::string::npos &&
                    l.find("delay") == std::string::npos)
                    keep.push_back(l);
        return keep;
    };
    const auto before = pick(a.out), after = pick(b.out);
    EXPECT_GT(before.size(), 150u);
    EXPECT_EQ(before, after);
    EXPECT_NE(b.out.find("main.delayLeft = 1.5\n"), std::string::npos);
    EXPECT_NE(b.out.find("rear.compRatio = 4\n"), std::string::npos);
    EXPECT_NE(b.out.find("sub.12 = type 1, 55 Hz, 3.0 dB, Q 2.000\n"), std::string::npos);
}

// The virtual unit with every report it sends passed through edit first.
class LyingBackend final : public HidBackend {
public:
    using Edit = void (*)(uint8_t* report, int length);
    explicit LyingBackend(Edit edit) : unit_(sim::SimOptions{}), edit_(edit) {}
    std::vector<HidInterfaceInfo> enumerate(bool* ok) override { return unit_.enumerate(ok); }
    std::unique_ptr<HidDevice> open(const std::string& path) override {
        struct Dev final : HidDevice {
            std::unique_ptr<HidDevice> d;
            Edit edit;
            int read(uint8_t* buf, size_t cap, int t) override {
                int n = d->read(buf, cap, t);
                if (n > 0) edit(buf, n);
                return n;
            }
            int write(const uint8_t* p, size_t n) override { return d->write(p, n); }
            bool attributes(uint16_t& v, uint16_t& p) override { return d->attributes(v, p); }
            void cancel() override { d->cancel(); }
        };
        auto dev = std::make_unique<Dev>();
        dev->edit = edit_;
        dev->d = unit_.open(path);
        if (!dev->d) return nullptr;
        return dev;
    }
    bool startMonitor(HotplugListener* l) override { return unit_.startMonitor(l); }
    void stopMonitor() override { unit_.stopMonitor(); }

private:
    sim::VirtualUnit unit_;
    Edit edit_;
};

CliHooks lyingHooks(LyingBackend::Edit edit) {
    CliHooks hooks;
    hooks.makeBackend = [edit](const Options&, std::string&) -> std::unique_ptr<HidBackend> {
        return std::make_unique<LyingBackend>(edit);
    };
    return hooks;
}

TEST(CliUnit, RestoreReportsWhatTheUnitDoesNotHold) {
    const auto dir = tempDir("mismatch");
    const std::string vxs = (dir / "p.vxs").string();
    writeFile(dir / "save.cmds", "SetEffectVolume 40\nbackup " + vxs + "\n");
    ASSERT_EQ(runCtl({"--simulate", "run", (dir / "save.cmds").string()}).rc, 0);
    // Every read reply for effectVolume says 7 %.
    const test::Run r = runCtl({"--simulate", "restore", vxs}, lyingHooks([](uint8_t* b, int n) {
        if (n >= 10 && b[1] == 0x0A && b[3] == 1 && b[4] == '2')
            b[6] = 0x3D, b[7] = 0x8F, b[8] = 0x5C, b[9] = 0x29;  // 0.07
    }));
    EXPECT_EQ(r.rc, EXIT_MISMATCH) << r.out << r.err;
    EXPECT_NE(r.out.find("differs: effectVolume: 40 -> 7"), std::string::npos) << r.out;
    EXPECT_EQ(runCtl({"--simulate", "restore", (dir / "missing.vxs").string()}).rc, EXIT_FAILED);
}

TEST(CliUnit, RestoreFollowsTheUnitsFadeFlagAndRefusesPartFiles) {
    const auto dir = tempDir("fade");
    const std::string vxs = (dir / "p.vxs").string();
    writeFile(dir / "save.cmds", "SetMicVolume 85\nSetMusicVolume 62\nbackup " + vxs + "\n");
    ASSERT_EQ(runCtl({"--simulate", "run", (dir / "save.cmds").string()}).rc, 0);
    // A unit whose machine settings ask for the fade-in gets its volumes raised
    // step by step, so they are restored too.
    const test::Run r = runCtl({"--simulate", "--trace", "-", "restore", vxs}, lyingHooks([](uint8_t* b, int n) {
        if (n >= 3 && b[1] == 0x92) b[2] = 1;
    }));
    ASSERT_EQ(r.rc, 0) << r.out << r.err;
    EXPECT_EQ(r.out.find("micVolume"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("musicVolume"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("> 02 09 00 01 30 01 3F 59 99 9A"), std::string::npos);  // 0.85, the last step

    // A file cut short would restore start-up values for what it lacks.
    const std::string full = readFile(vxs);
    for (size_t keep : {size_t{0}, size_t{120}, full.size() - 1}) {
        writeFile(dir / "cut.vxs", full.substr(0, keep));
        const test::Run cut = runCtl({"--simulate", "--trace", "-", "restore", (dir / "cut.vxs").string()});
        EXPECT_EQ(cut.rc, EXIT_FAILED) << keep;
        EXPECT_NE(cut.err.find("is not a whole mode file"), std::string::npos) << cut.err;
        EXPECT_EQ(cut.out.find("> 02 09"), std::string::npos) << keep;
        EXPECT_EQ(cut.out.find("> 02 85"), std::string::npos) << keep;
    }
}

TEST(CliExit, UnitGoneOrSilent) {
    struct Case {
        std::vector<std::string> args;
        int rc;
    };
    const Case cases[] = {
        {{"--simulate=silent", "SetMicVolume", "50"}, EXIT_SILENT},
        {{"--simulate=silent", "info"}, EXIT_SILENT},
        {{"--simulate=silent", "sync"}, EXIT_SILENT},
        {{"--simulate=remove-after=5", "sync"}, EXIT_SILENT},
        {{"--simulate=read-error-after=3", "WriteEqImage"}, EXIT_SILENT},
        {{"--device", "/nonexistent", "info"}, EXIT_NO_UNIT},
        {{"--simulate", "--device", "/dev/hidraw-elsewhere", "info"}, EXIT_NO_UNIT},
        {{"--simulate", "--device", "/dev/hidraw-virtual0", "info"}, EXIT_OK},
    };
    for (const Case& c : cases) {
        const test::Run r = runCtl(c.args);
        EXPECT_EQ(r.rc, c.rc) << c.args[0] << " " << c.args.back() << ": " << r.err;
        if (c.rc != EXIT_OK) {
            EXPECT_EQ(lines(r.err).size(), 1u) << r.err;
        }
    }
}

TEST(CliRun, StopsAtTheFirstFailingLineAndNamesIt) {
    const auto dir = tempDir("run");
    // A wrong line anywhere: nothing is sent at all.
    writeFile(dir / "typo.cmds", "SetMicVolume 10\n\n# comment\nSetMicVolume 20\nLoadMode 9\n");
    const Traced t = traced("run-typo", {"run", (dir / "typo.cmds").string()});
    EXPECT_EQ(t.run.rc, EXIT_USAGE);
    EXPECT_NE(t.run.err.find("line 5"), std::string::npos) << t.run.err;
    EXPECT_TRUE(t.trace.empty()) << t.trace;
    // A line that fails when run: the lines before it ran, the ones after did not.
    writeFile(dir / "fail.cmds", "SetMicVolume 10\nrestore " + (dir / "none.vxs").string() + "\nSetMicVolume 30\n");
    const Traced f = traced("run-fail", {"run", (dir / "fail.cmds").string()});
    EXPECT_EQ(f.run.rc, EXIT_FAILED);
    EXPECT_NE(f.run.err.find("line 2: restore"), std::string::npos) << f.run.err;
    EXPECT_NE(f.trace.find("> 02 09 00 01 30 01 3D CC CC CD"), std::string::npos);  // 0.1
    EXPECT_EQ(f.trace.find("3E 99 99 9A"), std::string::npos);                      // 0.3 never sent
    writeFile(dir / "nested.cmds", "run " + (dir / "typo.cmds").string() + "\n");
    EXPECT_EQ(runCtl({"--simulate", "run", (dir / "nested.cmds").string()}).rc, EXIT_USAGE);
    EXPECT_EQ(runCtl({"--simulate", "run", (dir / "absent.cmds").string()}).rc, EXIT_FAILED);
    EXPECT_EQ(runCtl({"--simulate", "run", dir.string()}).rc, EXIT_FAILED);  // a directory reads as empty
}

TEST(CliUnit, MeterPrintsOneLinePerReply) {
    const test::Run r = runCtl({"--simulate", "meter", "--count", "3"});
    ASSERT_EQ(r.rc, 0) << r.err;
    const auto l = lines(r.out);
    ASSERT_EQ(l.size(), 3u);
    for (const auto& x : l) EXPECT_EQ(std::count(x.begin(), x.end(), ' '), 2) << x;
}

TEST(CliUnit, RemoteKeyFileRoundTrip) {
    const auto dir = tempDir("remote");
    const std::string f = (dir / "keys.remo").string();
    ASSERT_EQ(runCtl({"--simulate", "remote-save", f}).rc, 0);
    const std::string bytes = readFile(f);
    ASSERT_EQ(bytes.size(), 16u);
    EXPECT_EQ(static_cast<uint8_t>(bytes[1]), 0xD8);
    const Traced t = traced("remote-load", {"remote-load", f});
    EXPECT_EQ(t.run.rc, 0);
    EXPECT_NE(t.trace.find("> 02 63 01 D8 58 B8 38 88 E8 C8 98 A8 B0 30 D0 18 78 F8"), std::string::npos);
    EXPECT_EQ(runCtl({"--simulate", "remote-load", (dir / "none.remo").string()}).rc, EXIT_FAILED);
}

TEST(CliUnit, QuestionsAreAnsweredNoUnlessYes) {
    const Traced no = traced("reset-no", {"ResetMachine"});
    EXPECT_EQ(no.run.rc, EXIT_FAILED);
    EXPECT_NE(no.run.err.find("提示: Are you sure to reset machine?  [No]"), std::string::npos) << no.run.err;
    EXPECT_EQ(no.trace.find("> 02 68"), std::string::npos);
    const test::Run yes = runCtl({"--simulate", "--yes", "--trace", "-", "ResetMachine"});
    EXPECT_EQ(yes.rc, 0);
    EXPECT_NE(yes.out.find("> 02 68 AA"), std::string::npos);
}

}  // namespace
}  // namespace udare::cli

namespace udare::cli {
namespace {

// The virtual unit of one run, kept reachable so the test can press a remote key.
struct KeyPresser {
    sim::VirtualUnit* unit = nullptr;
    std::mutex m;
};

TEST(CliUnit, LearnRemoteKeyWaitsForTheKey) {
    auto presser = std::make_shared<KeyPresser>();
    CliHooks hooks;
    hooks.makeBackend = [presser](const Options&, std::string&) -> std::unique_ptr<HidBackend> {
        auto u = std::make_unique<sim::VirtualUnit>(sim::SimOptions{});
        std::lock_guard<std::mutex> l(presser->m);
        presser->unit = u.get();
        return u;
    };
    std::atomic<bool> done{false};
    std::thread finger([&] {
        while (!done) {
            {
                std::lock_guard<std::mutex> l(presser->m);
                if (presser->unit && presser->unit->learningKey() == 3) {
                    presser->unit->pressRemoteKey(0x5A);
                    return;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    const test::Run r = runCtl({"--simulate", "LearnRemoteKey", "3", "5"}, hooks);
    done = true;
    finger.join();
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.out, "3 0x5A\n");

    // Nobody presses: learning is cancelled and the command fails.
    const test::Run none = runCtl({"--simulate", "--trace", "-", "LearnRemoteKey", "4", "1"});
    EXPECT_EQ(none.rc, EXIT_FAILED) << none.err;
    EXPECT_NE(none.out.find("> 02 61"), std::string::npos);
}

TEST(CliUnit, DebugLogGoesToStandardError) {
    const test::Run quiet = runCtl({"--simulate", "SetMicVolume", "5"});
    EXPECT_TRUE(quiet.err.empty()) << quiet.err;
}

TEST(CliUnit, ListShowsTheVirtualUnit) {
    const test::Run r = runCtl({"--simulate", "list"});
    ASSERT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find(' ')), "/dev/hidraw-virtual0");
    const test::Run j = runCtl({"--simulate=upgrade-mode", "--json", "list"});
    EXPECT_NE(j.out.find("\"upgradeMode\":true"), std::string::npos) << j.out;
    EXPECT_EQ(runCtl({"--simulate", "--device", "/dev/other", "list"}).rc, EXIT_NO_UNIT);
}

}  // namespace
}  // namespace udare::cli

namespace udare::cli {
namespace {

TEST(CliExit, FilesThatCannotBeWritten) {
    struct Case {
        std::vector<std::string> args;
        const char* mentions;
    };
    const Case cases[] = {
        {{"--simulate", "backup", "/nonexistent-dir/x.vxs"}, "Can't write to file"},
        {{"--simulate", "remote-save", "/nonexistent-dir/x.remo"}, "Can't write to file"},
        {{"--simulate", "--trace", "/nonexistent-dir/t.trace", "info"}, "/nonexistent-dir/t.trace"},
        {{"SaveModeFile", "/nonexistent-dir/y.vxs"}, "Can't write to file"},
        {{"LoadModeFile", "/nonexistent-dir/y.vxs"}, "/nonexistent-dir/y.vxs"},
    };
    for (const Case& c : cases) {
        const test::Run r = runCtl(c.args);
        EXPECT_EQ(r.rc, EXIT_FAILED) << c.args.back() << ": " << r.err;
        EXPECT_NE(r.err.find(c.mentions), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace udare::cli
