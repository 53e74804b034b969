// The MCU transfer: its reports, the image check, the switch into upgrade
// mode and back, and a unit lost at any point of it.
#include <gtest/gtest.h>

#include <chrono>

#include "protocol/inbound.h"
#include "upgrade/upgrade_hooks.h"
#include "upgrade/mcu_upgrade.h"
#include "upgrade_support.h"

namespace udare {
namespace {

using test::CommandRig;
using test::makeCabinet;
using test::pattern;
using test::TempDir;
using test::UnitRig;

// Records mcuProgress as each data report leaves.
struct ProgressRig : CommandRig {
    ProgressRig() {
        c.upgrade = &hooks;
        st.identity.fwVersionHi = 0xF1;
        st.identity.fwVersionLo = 0x88;
    }
    UpgradeHooks hooks;
    std::atomic<int> progress{-1};
};

TEST(McuImageTest, ReportsPiecesAndBlockMarks) {
    struct Case {
        size_t size;
        size_t pieces;
        int lastPiece;
        std::vector<size_t> markedOffsets;  // data offsets a block mark precedes
        int lastProgress;
    } cases[] = {
        {1000, 18, 48, {0, 504}, 95},
        {112, 2, 56, {0}, 50},
        {512, 10, 8, {0}, 98},  // the boundary at the end opens no block
        {513, 10, 9, {0, 504}, 98},
        {2, 1, 2, {0}, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.size);
        ProgressRig rig;
        std::vector<int> seen;
        const auto image = pattern(k.size);
        ASSERT_TRUE(SendMcuImage(rig.c, image, rig.hooks, rig.progress));
        ASSERT_TRUE(SendMcuImageEnd(rig.c, rig.hooks));
        const auto& r = rig.out.reports;
        ASSERT_GE(r.size(), 3u);
        EXPECT_EQ(test::fromHex("02 03 00 01 02"), r[0]);
        EXPECT_EQ(test::fromHex("02 01 E4 00 20"), r[1]);
        EXPECT_EQ(rig.clock.sleeps, std::vector<int>{50});  // after the prepare report

        std::vector<uint8_t> sentImage;
        std::vector<size_t> marked;
        size_t pieces = 0;
        int last = 0;
        for (size_t i = 2; i + 1 < r.size(); ++i) {
            if (r[i][1] == 0x01) {
                size_t offset = sentImage.size();
                marked.push_back(offset);
                EXPECT_EQ(r[i][2] << 8 | r[i][3], int(marked.size() - 1) * 512);
                continue;
            }
            ASSERT_EQ(r[i][1], 0x02);
            EXPECT_EQ(size_t(r[i][2] << 8 | r[i][3]), sentImage.size());
            last = r[i][4];
            sentImage.insert(sentImage.end(), r[i].begin() + 5, r[i].begin() + 5 + last);
            ++pieces;
        }
        EXPECT_EQ(pieces, k.pieces);
        EXPECT_EQ(last, k.lastPiece);
        EXPECT_EQ(marked, k.markedOffsets);
        auto expected = image;
        if (expected.size() > 1) expected[1] = 0xF1;
        if (expected.size() > 2) expected[2] = 0x88;
        EXPECT_EQ(sentImage, expected);
        EXPECT_EQ(rig.progress.load(), k.lastProgress);
        // The end report carries the head as read from the file.
        EXPECT_EQ(r.back()[1], 0x02);
        EXPECT_EQ(r.back()[2], 0xE4);
        EXPECT_EQ(r.back()[5], image[0]);
        EXPECT_EQ(r.back()[6], image.size() > 1 ? image[1] : 0);
        EXPECT_EQ(mcuVerifyPending(rig.hooks), 1);
    }
}

TEST(McuImageTest, OnlyTheEchoedHeadConfirmsTheImage) {
    struct Case {
        const char* reply;
        int pending;
    } cases[] = {
        {"02 03 E4 00 00 12 34 56", 0},
        {"02 03 E4 00 03 12 34 56", 0},  // b4 is not looked at
        {"02 03 E4 00 00 12 34 57", 1},
        {"02 03 E4 00 00 ED CB A9", 1},
        {"02 03 E4 01 00 12 34 56", 1},  // not a check reply
        {"02 03 00 01 00 12 34 56", 1},  // the firmware-version reply
    };
    for (const Case& k : cases) {
        ProgressRig rig;
        rig.hooks.armMcuCheck(0x12, 0x34, 0x56);
        DispatchReport(rig.c, test::fromHex(k.reply).data(), kReportSize);
        EXPECT_EQ(mcuVerifyPending(rig.hooks), k.pending) << k.reply;
        EXPECT_EQ(CheckMcuImage(rig.c, rig.hooks), k.pending == 0) << k.reply;
        EXPECT_EQ(rig.out.hex().back().substr(0, 14), "02 03 E4 00 03");
        EXPECT_EQ(rig.clock.sleeps.back(), 150);
    }
}

// 0xD1, the unit comes back in upgrade mode, the transfer, the check, the
// restart, and the unit is back in normal mode with the image.
TEST(McuUpgradeOnUnitTest, ImageAndPackageThroughUpgradeMode) {
    TempDir dir;
    std::vector<std::vector<uint8_t>> modes;
    std::vector<std::pair<std::string, std::vector<uint8_t>>> members{{"K740Z.bin", pattern(1500)}};
    for (int m = 0; m < 4; ++m) {
        modes.push_back(pattern(40 + 10 * m, uint8_t(m + 1)));
        members.push_back({"K740Z" + std::to_string(m) + ".AIM", modes.back()});
    }
    const std::string bin = dir.write("fw.bin", pattern(1500));
    const std::string pkg = dir.write("fw.CBA", makeCabinet(members));

    for (const std::string& file : {bin, pkg}) {
        SCOPED_TRACE(file);
        UnitRig rig;
        ASSERT_EQ(rig.link.ConnectDevice(), 1);
        ASSERT_EQ(rig.link.upgradeMode.load(), 0);
        ImageRefusal refusal;
        auto t = PrepareMcuTransfer(file, &refusal);
        ASSERT_NE(t, nullptr);

        RequestUpgradeMode(rig.ctx());
        ASSERT_TRUE(rig.reconnectAfterArrival(1));
        ASSERT_EQ(rig.link.upgradeMode.load(), 1);

        McuUpgradeWorker(rig.link, rig.ctx(), *t, [&] { return rig.lost(); });
        EXPECT_EQ(t->mcuProgress.load(), t->package ? 100 : 97);
        if (t->package) {
            EXPECT_GE(t->modeImageProgress.load(), 75);
        }
        EXPECT_EQ(rig.link.linkIdle.load(), 1);
        ASSERT_TRUE(CheckMcuImage(rig.ctx(), rig.hooks));
        EXPECT_EQ(mcuVerifyPending(rig.hooks), 0);

        auto expected = pattern(1500);
        expected[1] = 0xF1;  // the virtual unit's firmware-version bytes
        expected[2] = 0x88;
        EXPECT_EQ(rig.unit.mcuImage(), expected);
        if (t->package) {
            auto memory = rig.unit.modeMemory();
            for (int m = 0; m < 4; ++m) {
                std::vector<uint8_t> sent(modes[m].begin() + 1, modes[m].end());
                uint8_t sum = 0;
                for (uint8_t b : sent) sum = uint8_t(sum + b);
                sent.push_back(sum);
                for (int mirror : {0, 0x4000}) {
                    auto at = memory.begin() + 0x1000 * m + mirror;
                    EXPECT_TRUE(std::equal(sent.begin(), sent.end(), at)) << m;
                }
            }
        }

        RestartAfterMcuUpgrade(rig.ctx());
        ASSERT_TRUE(rig.reconnectAfterArrival(2));
        EXPECT_EQ(rig.link.upgradeMode.load(), 0);
        EXPECT_EQ(rig.unit.restarts(), 1);
    }
}

// The unit vanishes after each report of a small transfer in turn: the check
// fails at once, and the next connection (in upgrade mode still) takes the
// whole transfer again.
TEST(McuUpgradeOnUnitTest, LostAtEveryReportThenTheNextConnectionWorks) {
    TempDir dir;
    const std::string bin = dir.write("fw.bin", pattern(120));
    // prepare, start, mark, three pieces, end, check
    constexpr int kReports = 8;
    for (int k = 1; k <= kReports; ++k) {
        SCOPED_TRACE(k);
        sim::SimOptions o;
        o.upgradeMode = true;
        o.removeAfter = k;
        UnitRig rig(o);
        ASSERT_EQ(rig.link.ConnectDevice(), 1);
        auto t = PrepareMcuTransfer(bin, nullptr);
        ASSERT_NE(t, nullptr);
        auto start = std::chrono::steady_clock::now();
        McuUpgradeWorker(rig.link, rig.ctx(), *t, [&] { return rig.lost(); });
        EXPECT_FALSE(CheckMcuImage(rig.ctx(), rig.hooks));
        EXPECT_EQ(mcuVerifyPending(rig.hooks), 1);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        EXPECT_EQ(rig.unit.receivedCount(), size_t(k));

        rig.unit.replug();
        ASSERT_TRUE(rig.reconnectAfterArrival(1));
        ASSERT_EQ(rig.link.upgradeMode.load(), 1);
        auto again = PrepareMcuTransfer(bin, nullptr);
        McuUpgradeWorker(rig.link, rig.ctx(), *again, [&] { return rig.lost(); });
        EXPECT_TRUE(CheckMcuImage(rig.ctx(), rig.hooks));
    }
}

}  // namespace
}  // namespace udare
