// The DSP core upgrade on the virtual unit: erase, write, read back, compare,
// with the inputs muted around it; flash errors, mismatches and a lost unit.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "protocol/codec.h"
#include "protocol/slots.h"
#include "upgrade/dsp_upgrade.h"
#include "upgrade_support.h"

namespace udare {
namespace {

using test::CommandRig;
using test::HeldPrompter;
using test::pattern;
using test::TamperingSink;
using test::TempDir;
using test::UnitRig;

struct FlashTraffic {
    std::vector<uint32_t> erases;
    int writes = 0, reads = 0;
    size_t firstFlash = SIZE_MAX, lastFlash = 0;  // indices among all reports
    std::vector<std::pair<size_t, HidReport>> params;  // 0x09 reports with their index
};

FlashTraffic traffic(const std::vector<HidReport>& received) {
    FlashTraffic f;
    for (size_t i = 0; i < received.size(); ++i) {
        const HidReport& r = received[i];
        if (r[1] >= 0xDC && r[1] <= 0xDE) {
            f.firstFlash = std::min(f.firstFlash, i);
            f.lastFlash = i;
        }
        if (r[1] == 0xDC) f.erases.push_back(getBe32(r.data() + 3));
        if (r[1] == 0xDD) ++f.writes;
        if (r[1] == 0xDE) ++f.reads;
        if (r[1] == 0x09) f.params.push_back({i, r});
    }
    return f;
}

TEST(DspUpgradeOnUnitTest, ErasesWritesReadsBackAndMutesAround) {
    struct Case {
        size_t size;
        bool muted;  // microphones and music muted beforehand
        std::vector<uint32_t> erases;
        int pieces;
    } cases[] = {
        {100, false, {0}, 4},
        {65537, true, {0, 0x10000}, 2049},
    };
    TempDir dir;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.size);
        UnitRig rig;
        ASSERT_EQ(rig.link.ConnectDevice(), 1);
        rig.st.setSlotInt(slot::micMute, k.muted ? 1 : 0);
        rig.st.setSlotInt(slot::musicMute, k.muted ? 1 : 0);
        auto t = PrepareDspTransfer(dir.write("core.tsp", pattern(k.size)), nullptr);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->image.size() % 32, 0u);

        DspUpgradeWorker(rig.link, rig.ctx(), *t, [&] { return rig.lost(); });
        EXPECT_EQ(t->result.load(), DspResult::Verified);
        EXPECT_EQ(rig.notifier.dspDone.load(), 1);
        EXPECT_EQ(rig.link.dspUpgradeActive.load(), 0);
        EXPECT_TRUE(rig.prompter.boxes.empty());

        FlashTraffic f = traffic(rig.unit.received());
        EXPECT_EQ(f.erases, k.erases);
        EXPECT_EQ(f.writes, k.pieces);
        EXPECT_EQ(f.reads, k.pieces);
        auto padded = pattern(k.size);
        padded.resize(size_t(k.pieces) * 32, kDspPadding);
        EXPECT_EQ(rig.unit.dspFlash(0, uint32_t(padded.size())), padded);

        if (k.muted) {
            EXPECT_TRUE(f.params.empty());  // nothing to mute, nothing to restore
            continue;
        }
        // Muted before the first flash report, unmuted after the last.
        auto value = [](const HidReport& r) { return bitsFloat(getBe32(r.data() + 6)); };
        bool micOff = false, musicOff = false, micOn = false, musicOn = false;
        for (const auto& [i, r] : f.params) {
            if (i < f.firstFlash) {
                micOff |= r[3] == GROUP_MIC && r[4] == '3' && value(r) == 0.0f;
                musicOff |= r[3] == GROUP_MUSIC && r[4] == '1' && value(r) == 0.0f;
            } else {
                EXPECT_GT(i, f.lastFlash);
                micOn |= r[3] == GROUP_MIC && r[4] == '3' && value(r) == 1.0f;
                musicOn |= r[3] == GROUP_MUSIC && r[4] == '1' && value(r) == 1.0f;
            }
        }
        EXPECT_TRUE(micOff && musicOff && micOn && musicOn);
        EXPECT_EQ(rig.st.slotInt(slot::micMute), 0);
        EXPECT_EQ(rig.st.slotInt(slot::musicMute), 0);
    }
}

// dspProgress as each flash report leaves, for a 224-byte image (7 pieces).
TEST(DspUpgradeTest, ProgressFiguresOfA224ByteImage) {
    struct ProgressSink final : ReportSink {
        DspTransfer* t = nullptr;
        std::vector<int> writes, reads;
        int writeReport(const uint8_t* data, size_t) override {
            if (data[1] == 0xDD) writes.push_back(t->dspProgress.load());
            if (data[1] == 0xDE) reads.push_back(t->dspProgress.load());
            return kReportSize;
        }
    };
    CommandRig rig;
    ProgressSink sink;
    Ctx c{rig.st, sink, rig.clock, rig.log, rig.notifier, rig.prompter};
    TempDir dir;
    auto t = PrepareDspTransfer(dir.write("core.tsp", pattern(224)), nullptr);
    sink.t = t.get();
    std::atomic<int> active{0};
    RunDspUpgrade(c, *t, active);
    ASSERT_EQ(sink.writes.size(), 7u);
    ASSERT_EQ(sink.reads.size(), 7u);
    EXPECT_EQ(sink.writes.front(), 0);
    EXPECT_EQ(sink.writes.back(), 7714);
    EXPECT_EQ(sink.reads.front(), 7714);
    EXPECT_EQ(sink.reads.back(), 8571);
}

// A piece sent to an address the flash does not have: the unit reports
// INVALID_SECTOR, its box holds the write pass until it is closed, and the
// piece that never landed fails the comparison.
TEST(DspUpgradeOnUnitTest, FlashErrorHoldsTheWritePassUntilItsBoxCloses) {
    HeldPrompter held;
    UnitRig rig({}, &held);
    rig.link.setTimingForTest({100, 1000, 50});  // a reply not coming costs 100 ms
    ASSERT_EQ(rig.link.ConnectDevice(), 1);
    int writes = 0;
    TamperingSink misdirect(rig.link, [&](HidReport& r) {
        if (r[1] == 0xDD && ++writes == 2) putBe32(r.data() + 3, 0x300000);
    });
    Ctx c{rig.st, misdirect, rig.clock, rig.log, rig.notifier, held, &rig.hooks};
    TempDir dir;
    auto t = PrepareDspTransfer(dir.write("core.tsp", pattern(256)), nullptr);
    std::atomic<int> active{0};
    std::thread worker([&] { RunDspUpgrade(c, *t, active, [&] { return rig.lost(); }); });

    ASSERT_TRUE(test::eventually([&] { return held.open.load(); }));
    EXPECT_EQ(rig.hooks.transferGate.load(), 0);
    auto writesSeen = [&] { return traffic(rig.unit.received()).writes; };
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const int whileOpen = writesSeen();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(writesSeen(), whileOpen);
    EXPECT_LT(whileOpen, 8);
    held.release();
    worker.join();

    EXPECT_EQ(writesSeen(), 8);
    EXPECT_EQ(rig.hooks.transferGate.load(), 1);
    EXPECT_EQ(t->result.load(), DspResult::Running);  // only the worker sets it
    ASSERT_EQ(held.boxes.size(), 2u);
    EXPECT_EQ(held.boxes[0].text, "INVALID_SECTOR");
    EXPECT_EQ(held.boxes[0].caption, "错误");
    EXPECT_EQ(held.boxes[1].text, "DSP校验错误，请重新升级！");
    EXPECT_EQ(held.boxes[1].icon, Prompter::Icon::Error);
}

// A piece damaged on its way: the unit keeps what it got, the read-back
// differs, the checksum box shows, and the worker still reports completion.
TEST(DspUpgradeOnUnitTest, ReadBackMismatchShowsItsBoxAndStillCompletes) {
    UnitRig rig;
    ASSERT_EQ(rig.link.ConnectDevice(), 1);
    int writes = 0;
    TamperingSink damage(rig.link, [&](HidReport& r) {
        if (r[1] == 0xDD && ++writes == 3) r[7 + 5] ^= 0x01;
    });
    Ctx c{rig.st, damage, rig.clock, rig.log, rig.notifier, rig.prompter, &rig.hooks};
    TempDir dir;
    auto t = PrepareDspTransfer(dir.write("core.tsp", pattern(300)), nullptr);
    DspUpgradeWorker(rig.link, c, *t, [&] { return rig.lost(); });
    EXPECT_EQ(t->result.load(), DspResult::Mismatch);
    ASSERT_EQ(rig.prompter.boxes.size(), 1u);
    EXPECT_EQ(rig.prompter.boxes[0].text, "DSP校验错误，请重新升级！");
    EXPECT_EQ(rig.notifier.dspDone.load(), 1);
}

// The unit vanishes after each flash report of a small image in turn.
TEST(DspUpgradeOnUnitTest, LostAtEveryReportThenTheNextConnectionWorks) {
    TempDir dir;
    const std::string file = dir.write("core.tsp", pattern(100));
    constexpr int kReports = 1 + 4 + 4;  // erase, writes, read-backs
    for (int k = 1; k <= kReports; ++k) {
        SCOPED_TRACE(k);
        sim::SimOptions o;
        o.removeAfter = k;
        UnitRig rig(o);
        ASSERT_EQ(rig.link.ConnectDevice(), 1);
        auto t = PrepareDspTransfer(file, nullptr);
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(RunDspUpgrade(rig.ctx(), *t, rig.link.dspUpgradeActive, [&] { return rig.lost(); }),
                  DspResult::Lost);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        EXPECT_EQ(rig.link.dspUpgradeActive.load(), 0);
        EXPECT_TRUE(rig.prompter.boxes.empty());

        rig.unit.replug();
        ASSERT_TRUE(rig.reconnectAfterArrival(1));
        auto again = PrepareDspTransfer(file, nullptr);
        EXPECT_EQ(RunDspUpgrade(rig.ctx(), *again, rig.link.dspUpgradeActive, [&] { return rig.lost(); }),
                  DspResult::Verified);
    }
}

}  // namespace
}  // namespace udare
