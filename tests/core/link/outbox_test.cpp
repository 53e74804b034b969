// The window's outbox over the virtual unit: what the unit ends holding,
// the order in which targets reach it, sequences, workers and removal.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <functional>
#include <chrono>
#include <thread>

#include "link/outbox.h"
#include "link/workers.h"
#include "link_fixture.h"
#include "protocol/commands.h"
#include "protocol/slots.h"
#include "sim/virtual_unit.h"

namespace udare::test {
namespace {

// The protocol's waits pass 25 times faster (the 2.5 s before a synchronisation).
class QuickClock final : public Clock {
public:
    void sleepMs(int ms) override {
        if (ms <= 0) return;
        skipped_ += ms;
        std::this_thread::sleep_for(std::chrono::microseconds(ms * 40));
    }
    int64_t nowMs() override { return steadyMs() + skipped_.load(); }

private:
    std::atomic<int64_t> skipped_{0};
};

class OutboxTest : public ::testing::Test {
protected:
    void start(const std::string& simOptions = "latency-ms=1", LinkTiming t = {300, 300, 20}) {
        sim::SimOptions o;
        ASSERT_TRUE(sim::parseSimOptions(simOptions, o));
        unit = std::make_unique<sim::VirtualUnit>(o);
        link = std::make_unique<UsbLink>(*unit, st, log, LinkContext{notifier, prompter, clock});
        link->setTimingForTest(t);
        link->setHotplugHandler([this](bool arrived, const std::string& path) {
            if (!arrived && link->IsOurDeviceRemoved(path)) link->DisconnectDevice();
        });
        ASSERT_EQ(link->ConnectDevice(), 1);
        outbox = std::make_unique<Outbox>(*link);
    }
    void TearDown() override {
        workers.reset();
        outbox.reset();
        link.reset();
    }
    Ctx& ui() { return outbox->context(); }

    // The same calls on a recorder: every report the window queued, in order.
    struct Shadow {
        CommandRig rig;
        Ctx& c() { return rig.c; }
        const std::vector<HidReport>& all() const { return rig.out.reports; }
    };

    static bool isSubsequence(const std::vector<HidReport>& part, const std::vector<HidReport>& whole) {
        size_t i = 0;
        for (const HidReport& r : whole)
            if (i < part.size() && part[i] == r) ++i;
        return i == part.size();
    }
    // The five values of the last coefficient report of a band.
    static std::array<uint32_t, 5> lastCoefficients(const std::vector<HidReport>& v, int group, int band) {
        std::array<uint32_t, 5> out{};
        for (const HidReport& r : v)
            if (r[1] == 0x09 && r[3] == group && r[4] == band && r[5] == 5)
                for (int k = 0; k < 5; ++k)
                    out[k] = uint32_t(r[6 + 4 * k]) << 24 | uint32_t(r[7 + 4 * k]) << 16 |
                             uint32_t(r[8 + 4 * k]) << 8 | r[9 + 4 * k];
        return out;
    }
    static bool isParam(const HidReport& r, int group, char code) {
        return r[1] == 0x09 && r[3] == group && r[4] == static_cast<uint8_t>(code);
    }
    static int indexOf(const std::vector<HidReport>& v, const std::function<bool(const HidReport&)>& p,
                       int from = 0) {
        for (int i = from; i < static_cast<int>(v.size()); ++i)
            if (p(v[i])) return i;
        return -1;
    }

    QuickClock clock;
    DeviceState st;
    RecordingLog log;
    RecordingNotifier notifier;
    RecordingPrompter prompter;
    std::unique_ptr<sim::VirtualUnit> unit;
    std::unique_ptr<UsbLink> link;
    std::unique_ptr<Outbox> outbox;
    std::unique_ptr<Workers> workers;
};

// Four targets moved in turn, as a drag on two pages with MIC1+MIC2 would.
void moveBands(Ctx& c, int step) {
    const float gain = static_cast<float>(step % 31 - 15);
    const int freq = 100 + step * 37;
    SetEqBand(c, Eq::Main, 3, 1, freq, gain, 1.41f);
    SetEqBand(c, Eq::Sub, 16, 18, 60 + step % 100, 0.0f, 0.7f);
    SetEqBand(c, Eq::Mic1, 7, 1, freq, -gain, 2.0f);
    SetEqBand(c, Eq::Mic2, 7, 1, freq, -gain, 2.0f);
}

TEST_F(OutboxTest, BurstOfBandMovesEndsWithTheLastValuesInQueueOrder) {
    start("latency-ms=1");
    Shadow shadow;
    for (int step = 0; step < 200; ++step) {
        moveBands(ui(), step);
        moveBands(shadow.c(), step);
    }
    ASSERT_TRUE(outbox->waitDrained(10000));
    // The window's state is stored at once, and the unit ends holding it.
    const auto image = st.eqImage.copy();
    EXPECT_EQ(unit->image(), std::vector<uint8_t>(image.begin(), image.end()));
    for (auto [group, band] : {std::pair{5, 3}, {8, 16}, {1, 7}, {1, 22}})
        EXPECT_EQ(unit->coefficients(group, band), lastCoefficients(shadow.all(), group, band))
            << "group " << group << " band " << band;

    const std::vector<HidReport> got = unit->received();
    EXPECT_TRUE(isSubsequence(got, shadow.all())) << "a target overtook another";
    const Outbox::Counts n = outbox->counts();
    EXPECT_EQ(n.queued, shadow.all().size());
    EXPECT_EQ(n.handed + n.superseded, n.queued);
    EXPECT_GT(n.superseded, 0u);
    EXPECT_EQ(got.size(), n.handed);
}

TEST_F(OutboxTest, SequencesAreNeverCutAndKeepTheirPlace) {
    start("latency-ms=1");
    const char muteCode = kSlots[slot::musicMute].code;
    SetEqBand(ui(), Eq::Main, 0, 1, 500, 3.0f, 1.41f);
    SetMusicMute(ui(), 0);  // the fade: ten reports with pauses between them
    SetEqBand(ui(), Eq::Main, 0, 1, 800, -3.0f, 1.41f);  // supersedes the move before the fade
    SelectAndSaveMode(ui(), 2);
    std::atomic<int> jobRan{0};
    std::atomic<int> doneRan{0};
    outbox->post([&](Ctx& c) {
        jobRan = static_cast<int>(unit->receivedCount());
        SendBytes(c.out, {0x07});
    }, [&] { doneRan = 1; });
    SetMusicMute(ui(), 1);
    ASSERT_TRUE(outbox->waitDrained(10000));

    const std::vector<HidReport> got = unit->received();
    std::vector<int> fade;
    for (int i = 0; i < static_cast<int>(got.size()); ++i)
        if (isParam(got[i], GROUP_MUSIC, muteCode)) fade.push_back(i);
    ASSERT_EQ(fade.size(), 11u);  // ten fade steps, then the mute
    for (size_t k = 1; k + 1 < fade.size(); ++k) EXPECT_EQ(fade[k], fade[k - 1] + 1) << "fade cut at " << k;

    // The move queued after the fade supersedes the one before it unless
    // that one had already left; either way the last lands after the fade.
    std::vector<int> moves;
    for (int i = 0; i < static_cast<int>(got.size()); ++i)
        if (got[i][1] == 0x85) moves.push_back(i);
    ASSERT_GE(moves.size(), 1u);
    ASSERT_LE(moves.size(), 2u);
    const int move = moves.back();
    EXPECT_GT(move, fade[9]) << "the band move left before the fade it followed";
    EXPECT_EQ(got[move][7] << 8 | got[move][8], 800);
    if (moves.size() == 2) {
        EXPECT_LT(moves[0], fade[0]);
    }

    const int select = indexOf(got, [](const HidReport& r) { return r[1] == 0x03; });
    ASSERT_GT(select, move);
    EXPECT_EQ(got[select + 1][1], 0x04);
    EXPECT_EQ(got[select + 2][1], 0x07);
    EXPECT_EQ(jobRan.load(), select + 2);  // the job ran in its turn
    EXPECT_EQ(doneRan.load(), 1);
    EXPECT_EQ(fade.back(), select + 3);
}

TEST_F(OutboxTest, AWorkerStartsOnceTheOutboxDrainedAndLaterWritesWaitBehindIt) {
    start("latency-ms=1");
    workers = std::make_unique<Workers>(*link);
    workers->setGate(outbox.get());
    for (int band = 0; band < 24; ++band) SetEqBand(ui(), Eq::Main, band, 1, 1000, 1.0f, 1.41f);
    workers->StartSynchronizeData();
    SetMicVolume(ui(), 42);  // queued while the worker runs
    workers->waitAll();
    ASSERT_TRUE(outbox->waitDrained(5000));

    const std::vector<HidReport> got = unit->received();
    const int first = indexOf(got, [](const HidReport& r) { return r[1] == 0x80; });
    EXPECT_EQ(first, 48) << "every band move (record and coefficients) leaves before the worker";
    for (int i = 0; i < first; ++i) EXPECT_TRUE(got[i][1] == 0x85 || isParam(got[i], GROUP_MAIN, char(i / 2)));
    int lastSync = -1;
    for (int i = 0; i < static_cast<int>(got.size()); ++i)
        if (got[i][1] == 0x62) lastSync = i;
    ASSERT_GT(lastSync, first);
    const int volume = indexOf(got, [](const HidReport& r) {
        return isParam(r, GROUP_MIC, kSlots[slot::micVolume].code);
    });
    EXPECT_EQ(volume, lastSync + 1);
    ASSERT_EQ(notifier.syncs.size(), 1u);
}

TEST_F(OutboxTest, RemovalMidBurstEndsCleanlyAndNothingHangsAtTheEnd) {
    start("latency-ms=3");
    for (int step = 0; step < 200; ++step) moveBands(ui(), step);
    SetMusicMute(ui(), 0);
    unit->unplug();  // the monitor's removal disconnects the link
    ASSERT_TRUE(eventually([&] { return link->connected.load() == 0; }));
    EXPECT_TRUE(outbox->waitDrained(2000));
    SetEqBand(ui(), Eq::Main, 1, 1, 200, 0.0f, 1.41f);
    EXPECT_EQ(outbox->pending(), 0u);  // dropped at once while unplugged
    EXPECT_EQ(readBand(st, Eq::Main, 1).freqHz, 200);  // but stored
    const int64_t t0 = steadyMs();
    outbox.reset();
    link.reset();
    EXPECT_LT(steadyMs() - t0, 1000);
}

TEST_F(OutboxTest, ASilentUnitHoldsOnlyTheSenderAndTheEndCutsTheQueue) {
    start("silent", {150, 300, 20});
    const int64_t t0 = steadyMs();
    for (int step = 0; step < 50; ++step) moveBands(ui(), step);
    SetMusicMute(ui(), 0);
    // Waiting on the unit would take 150 ms for every one of the 400 reports.
    EXPECT_LT(steadyMs() - t0, 1000) << "the window waited for the unit";
    EXPECT_GT(outbox->pending(), 0u);
    const int64_t t1 = steadyMs();
    outbox.reset();  // at most the write in flight finishes its wait
    EXPECT_LT(steadyMs() - t1, 1000);
}

}  // namespace
}  // namespace udare::test
