#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "protocol/commands.h"
#include "test_support.h"

namespace udare {
namespace {

using test::fromHex;

struct Rig : test::CommandRig {
    int syncs = 0;
    StartSync startSync = [this] {
        // The worker starts after the mode report has gone out.
        EXPECT_FALSE(out.reports.empty());
        ++syncs;
    };
};

void expectReports(const Rig& r, const std::vector<std::string>& want) {
    ASSERT_EQ(r.out.reports.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_EQ(hexReport(r.out.reports[i].data()), hexReport(fromHex(want[i]).data()));
}

TEST(ModeCommands, ClampStoreSendAndFollowUp) {
    struct Case {
        const char* name;
        std::function<void(Rig&)> op;
        int mode;
        std::vector<std::string> reports;
        int syncs;
        bool modifiedCleared;
    };
    const Case cases[] = {
        {"load 7 is load M4", [](Rig& r) { LoadMode(r.c, 7, r.startSync); }, 3, {"02 05 03"}, 1,
         false},
        {"load 1", [](Rig& r) { LoadMode(r.c, 1, r.startSync); }, 1, {"02 05 01"}, 1, false},
        {"reset -2 is reset M1", [](Rig& r) { ResetMode(r.c, -2, r.startSync); }, 0,
         {"02 06 00"}, 1, false},
        {"save -1 is save M1", [](Rig& r) { SaveMode(r.c, -1); }, 0, {"02 04 00"}, 0, true},
        {"save 2", [](Rig& r) { SaveMode(r.c, 2); }, 2, {"02 04 02"}, 0, true},
        {"select and save 2", [](Rig& r) { SelectAndSaveMode(r.c, 2); }, 2,
         {"02 03 02", "02 04 02"}, 0, false},
        {"select and save 9", [](Rig& r) { SelectAndSaveMode(r.c, 9); }, 3,
         {"02 03 03", "02 04 03"}, 0, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Rig r;
        r.st.currentMode = 1;
        r.st.settingsModified = 1;
        k.op(r);
        EXPECT_EQ(r.st.currentMode.load(), k.mode);
        expectReports(r, k.reports);
        EXPECT_EQ(r.syncs, k.syncs);
        EXPECT_EQ(r.st.settingsModified.load(), k.modifiedCleared ? 0 : 1);
    }
}

TEST(ModeCommands, SelectAndSaveWaits20msBetweenItsReports) {
    Rig r;
    SelectAndSaveMode(r.c, 2);
    EXPECT_EQ(r.clock.sleeps, std::vector<int>{20});
    EXPECT_EQ(r.out.stamps, (std::vector<int64_t>{0, 20}));
}

TEST(ModeCommands, StoreAndSyncEvenWhileDisconnected) {
    Rig r;
    r.out.connected = false;
    LoadMode(r.c, 2, [&] { ++r.syncs; });
    EXPECT_EQ(r.st.currentMode.load(), 2);
    EXPECT_EQ(r.syncs, 1);
    LoadMode(r.c, 3, {});  // nothing to start
    ResetMode(r.c, 0, {});
    EXPECT_EQ(r.st.currentMode.load(), 0);
    EXPECT_TRUE(r.out.reports.empty());
}

TEST(ModeCommands, ShortRequests) {
    const std::pair<std::function<void(Ctx&)>, const char*> cases[] = {
        {RequestCurrentMode, "02 07"},
        {[](Ctx& c) { LearnRemoteKey(c, 1); }, "02 60 01"},
        {[](Ctx& c) { LearnRemoteKey(c, 15); }, "02 60 0F"},
        {CancelLearning, "02 61"},
        {ReadRemoteKeys, "02 62"},
        {ReadMachineSettings, "02 92"},
        {ResetMachine, "02 68 AA"},
    };
    for (const auto& [op, want] : cases) {
        SCOPED_TRACE(want);
        Rig r;
        op(r.c);
        expectReports(r, {want});
    }
}

TEST(GiveUpLearning, LetsTheWaitingWriterGoBeforeCancelling) {
    Rig r;
    GiveUpLearning(r.c);
    EXPECT_EQ(r.out.released, 1);
    expectReports(r, {"02 61"});
    EXPECT_EQ(r.st.remoteKeys.copy()[9], kInitialRemoteKeys[9]);
}

TEST(LearnRemoteKey, OnlyTheFifteenKeys) {
    Rig r;
    for (int k : {0, 16, -1, 255}) LearnRemoteKey(r.c, k);
    EXPECT_TRUE(r.out.reports.empty());
}

TEST(WriteRemoteKeys, SendsTheWholeTable) {
    Rig r;
    WriteRemoteKeys(r.c);
    expectReports(r, {"02 63 01 D8 58 B8 38 88 E8 C8 98 A8 B0 30 D0 18 78 F8"});

    r.out.clear();
    r.st.remoteKeys.set(15, 0x42);
    WriteRemoteKeys(r.c);
    expectReports(r, {"02 63 01 D8 58 B8 38 88 E8 C8 98 A8 B0 30 D0 18 78 42"});
}

TEST(MachineSettings, ApplyCommitsAndSendsTheWorkingCopy) {
    Rig r;
    for (int i = 0; i < 12; ++i) r.st.machine.working.set(i, uint8_t(i + 1));
    ApplyMachineSettings(r.c);
    EXPECT_EQ(r.st.machine.committed.copy(), r.st.machine.working.copy());
    expectReports(r, {"02 91 01 02 03 04 05 06 07 08 09 0A 0B 0C"});

    // Sent again even though nothing changed.
    r.out.clear();
    ApplyMachineSettings(r.c);
    expectReports(r, {"02 91 01 02 03 04 05 06 07 08 09 0A 0B 0C"});
}

// The rules other parts read from the record, at the values where they turn.
TEST(MachineSettings, RulesReadFromTheRecord) {
    using Record = std::array<uint8_t, machine::kSize>;
    auto with = [](std::initializer_list<std::pair<int, uint8_t>> bytes) {
        Record r{};
        for (auto [i, v] : bytes) r[static_cast<size_t>(i)] = v;
        return r;
    };
    // Only the exact by-mode value fades the volumes in.
    EXPECT_FALSE(machine::fadesVolumesIn(with({{machine::kSaveMode, 0}})));
    EXPECT_TRUE(machine::fadesVolumesIn(with({{machine::kSaveMode, 1}})));
    EXPECT_FALSE(machine::fadesVolumesIn(with({{machine::kSaveMode, 2}})));

    struct Lock {
        uint8_t panel, bits;
        bool locked;
    } locks[] = {{0, 0x10, false}, {1, 0x10, true}, {2, 0xFF, true}, {1, 0xEF, false}};
    for (const Lock& l : locks)
        EXPECT_EQ(machine::loadModeLocked(with({{machine::kPanelLock, l.panel}, {machine::kLockBits, l.bits}})),
                  l.locked)
            << int(l.panel) << " " << int(l.bits);

    struct PowerOn {
        uint8_t byte;
        int mode;
    } powerOn[] = {{0, -1}, {1, 0}, {4, 3}, {5, -1}, {255, -1}};
    for (const PowerOn& p : powerOn)
        EXPECT_EQ(machine::powerOnModeIndex(with({{machine::kPowerOnMode, p.byte}})), p.mode) << int(p.byte);
}

TEST(MachineSettings, RevertRestoresTheWorkingCopyQuietly) {
    Rig r;
    for (int i = 0; i < 12; ++i) r.st.machine.committed.set(i, uint8_t(0xA0 + i));
    r.st.machine.working.set(3, 0x55);
    RevertMachineSettings(r.c);
    EXPECT_EQ(r.st.machine.working.copy(), r.st.machine.committed.copy());
    EXPECT_TRUE(r.out.reports.empty());
}

}  // namespace
}  // namespace udare
