// Stored values sent again must reach the unit exactly as the operation that
// stored them sent them: undo and redo rely on it.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "protocol/commands.h"
#include "test_support.h"

namespace udare {
namespace {

using Rig = test::CommandRig;

struct RewriteCase {
    const char* name;
    std::function<void(Ctx&)> prepare;  // both rigs, before the operation
    std::function<void(Ctx&)> op;
};

std::vector<int> changedSlots(const std::array<uint32_t, kSlotCount>& a, const std::array<uint32_t, kSlotCount>& b) {
    std::vector<int> out;
    for (int i = 0; i < kSlotCount; ++i)
        if (a[static_cast<size_t>(i)] != b[static_cast<size_t>(i)]) out.push_back(i);
    return out;
}

TEST(RewriteSlots, SendsWhatTheOwningOperationSent) {
    auto none = [](Ctx&) {};
    const RewriteCase cases[] = {
        {"mic volume", none, [](Ctx& c) { SetMicVolume(c, 40); }},
        {"music volume, both channels", none, [](Ctx& c) { SetMusicVolume(c, 55); }},
        {"echo mute, both channels", none, [](Ctx& c) { SetEchoMute(c, 1); }},
        {"music unmute fades in", [](Ctx& c) { SetMusicMute(c, 1); }, [](Ctx& c) { SetMusicMute(c, 0); }},
        {"main volume, stereo", none, [](Ctx& c) { SetOutputVolume(c, GROUP_MAIN, 70); }},
        {"center volume, mono", none, [](Ctx& c) { SetOutputVolume(c, GROUP_CENTER, 70); }},
        {"center music level", none, [](Ctx& c) { SetOutputLevel(c, GROUP_CENTER, Source::Music, 33); }},
        {"feedback shift on", none, [](Ctx& c) { SetFbcShift(c, 3); }},
        {"feedback shift off", [](Ctx& c) { SetFbcShift(c, 4); }, [](Ctx& c) { SetFbcShift(c, 1); }},
        {"pitch switches its bypass off", none, [](Ctx& c) { SetMusicPitch(c, 5); }},
        {"pitch back to 0 switches it on", [](Ctx& c) { SetMusicPitch(c, 5); }, [](Ctx& c) { SetMusicPitch(c, 0); }},
        {"compressor block once", none, [](Ctx& c) { SetCompressor(c, GROUP_REAR, -10.0f, 4.0f, 5.0f, 100.0f); }},
        {"echo pre-delay pair", none, [](Ctx& c) { SetEchoPreDelay(c, 30.0f); }},
        {"echo interval, seven taps", none, [](Ctx& c) { SetEchoInterval(c, 120.0f); }},
        {"reverb time under both codes", none, [](Ctx& c) { SetReverbTime(c, 60); }},
        {"mic gate, both thresholds", none, [](Ctx& c) { SetMicGateThreshold(c, 20); }},
        {"main right delay", none, [](Ctx& c) { SetOutputDelay(c, GROUP_MAIN, Side::Right, 12.5f); }},
        {"delay on a protocol-1 unit sends nothing", [](Ctx& c) { c.st.identity.protocolVersion = 1; },
         [](Ctx& c) { SetOutputDelay(c, GROUP_REAR, Side::Left, 8.0f); }},
        {"sub delay switch", none, [](Ctx& c) { SetOutputDelayOn(c, GROUP_SUB, Side::Left, 1); }},
        {"rear equaliser switch", none, [](Ctx& c) { SetEqBypass(c, Eq::Rear, 1); }},
        {"mic2 equaliser switch", none, [](Ctx& c) { SetEqBypass(c, Eq::Mic2, 1); }},
    };
    for (const RewriteCase& k : cases) {
        SCOPED_TRACE(k.name);
        auto edited = std::make_unique<Rig>();
        auto replayed = std::make_unique<Rig>();
        k.prepare(edited->c);
        k.prepare(replayed->c);
        const auto before = edited->st.params.copy();
        edited->out.clear();
        edited->clock.sleeps.clear();
        k.op(edited->c);
        const auto after = edited->st.params.copy();

        replayed->st.params.assign(after);
        replayed->out.clear();
        replayed->clock.sleeps.clear();
        RewriteSlots(replayed->c, changedSlots(before, after));
        EXPECT_EQ(replayed->out.hex(), edited->out.hex());
        EXPECT_EQ(replayed->clock.sleeps, edited->clock.sleeps);
        EXPECT_EQ(replayed->st.params.copy(), after);
    }
}

TEST(RewriteSlots, LeavesTheStateAsHeldEvenWhereAnOperationWouldChangeIt) {
    // A start-up state the shift operation cannot express (step 0, suppression on).
    Rig rig;
    rig.st.setSlotInt(slot::fbcShift, 0);
    rig.st.setSlotInt(slot::fbcOff, 0);
    const auto held = rig.st.params.copy();
    RewriteSlots(rig.c, {slot::fbcShift, slot::fbcOff});
    EXPECT_EQ(rig.st.params.copy(), held);
    EXPECT_FALSE(rig.out.reports.empty());
}

TEST(RewriteEqBand, SendsTheRecordByteForByteThenItsCoefficients) {
    struct Case {
        Eq eq;
        int band;
        int type;
        int freq;
        float gain, q;
    };
    const Case cases[] = {
        {Eq::Main, 5, 1, 1000, 4.5f, 2.2f},
        {Eq::Mic2, 14, 5, 12000, -3.3f, 0.707f},
        {Eq::Sub, 17, 20, 90, 0.0f, 0.707f},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(eqInfo(k.eq).name);
        Rig edited, replayed;
        edited.out.clear();
        SetEqBand(edited.c, k.eq, k.band, k.type, k.freq, k.gain, k.q);
        replayed.st.eqImage.assign(edited.st.eqImage.copy());
        replayed.out.clear();
        RewriteEqBand(replayed.c, k.eq, k.band);
        ASSERT_EQ(replayed.out.reports.size(), edited.out.reports.size());
        EXPECT_EQ(replayed.out.hex()[0], edited.out.hex()[0]);  // the record
        for (size_t i = 1; i < edited.out.reports.size(); ++i) {
            // The coefficients come from the record's values: same report, same band.
            EXPECT_EQ(replayed.out.reports[i][1], edited.out.reports[i][1]);
            EXPECT_EQ(replayed.out.reports[i][2], edited.out.reports[i][2]);
            EXPECT_EQ(replayed.out.reports[i][3], edited.out.reports[i][3]);
        }
    }
    // A Sub section a protocol-1 unit lacks: nothing goes out.
    Rig old;
    old.st.identity.protocolVersion = 1;
    old.out.clear();
    RewriteEqBand(old.c, Eq::Sub, 15);
    EXPECT_TRUE(old.out.reports.empty());
}

}  // namespace
}  // namespace udare
