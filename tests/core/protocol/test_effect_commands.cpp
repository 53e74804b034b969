#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "protocol/codec.h"
#include "protocol/commands.h"
#include "protocol/effect_tables.h"
#include "test_support.h"

namespace udare {
namespace {

using test::fromHex;

using Rig = test::CommandRig;

void expectReports(const Rig& r, const std::vector<std::string>& want) {
    ASSERT_EQ(r.out.reports.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(hexReport(r.out.reports[i].data()), hexReport(fromHex(want[i]).data()));
    }
}

struct SlotValue {
    int slot;
    float value;  // as the slot's type reads it
};

struct OpCase {
    const char* name;
    std::function<void(Ctx&)> op;
    std::vector<SlotValue> slots;
    std::vector<std::string> reports;
};

void runCases(const std::vector<OpCase>& cases) {
    for (const OpCase& k : cases) {
        SCOPED_TRACE(k.name);
        Rig r;
        k.op(r.c);
        for (const SlotValue& s : k.slots) {
            SCOPED_TRACE(s.slot);
            if (kSlots[s.slot].isFloat)
                EXPECT_EQ(r.st.slotFloat(s.slot), s.value);
            else
                EXPECT_EQ(r.st.slotInt(s.slot), int(s.value));
        }
        expectReports(r, k.reports);
    }
}

TEST(EffectCommands, SimpleSlots) {
    runCases({
        {"echo volume", [](Ctx& c) { SetEchoVolume(c, 50); }, {{14, 50}},
         {"02 09 00 02 30 01 3F 00 00 00"}},
        {"echo ratio", [](Ctx& c) { SetEchoRatio(c, 25); }, {{33, 25}},
         {"02 09 00 02 43 01 3E 80 00 00"}},
        {"reverb volume", [](Ctx& c) { SetReverbVolume(c, 75); }, {{34, 75}},
         {"02 09 00 03 30 01 3F 40 00 00"}},
        {"reverb time under both codes", [](Ctx& c) { SetReverbTime(c, 35); }, {{39, 35.0f}},
         {"02 09 00 03 35 01 3E B3 33 33", "02 09 00 03 36 01 3E B3 33 33"}},
        {"echo tap level", [](Ctx& c) { SetEchoTapLevel(c, 3, 7.5f); }, {{29, 7.5f}},
         {"02 09 00 02 3F 01 3D 99 99 9A"}},
        {"echo tap delay", [](Ctx& c) { SetEchoTapDelay(c, 6, 10.011f); }, {{25, 10.011f}},
         {"02 09 00 02 3B 01 00 00 01 E1"}},
        {"mic gate threshold twice", [](Ctx& c) { SetMicGateThreshold(c, 5); },
         {{8, 5}, {9, 5}}, {"02 09 00 01 39 01 3A 03 12 6F", "02 09 00 01 3A 01 3A 03 12 6F"}},
        {"mic gate attack", [](Ctx& c) { SetMicGateAttack(c, 5); }, {{10, 5}},
         {"02 09 00 01 3B 01 38 51 B7 17"}},
        {"mic gate release", [](Ctx& c) { SetMicGateRelease(c, 3); }, {{11, 3}},
         {"02 09 00 01 3C 01 34 A1 0F B0"}},
        {"music gate threshold", [](Ctx& c) { SetMusicGateThreshold(c, 5); }, {{43, 5}},
         {"02 09 00 04 33 01 3A 03 12 6F"}},
        {"music gate attack", [](Ctx& c) { SetMusicGateAttack(c, 5); }, {{44, 5}},
         {"02 09 00 04 34 01 38 51 B7 17"}},
        {"music gate release", [](Ctx& c) { SetMusicGateRelease(c, 3); }, {{45, 3}},
         {"02 09 00 04 35 01 34 A1 0F B0"}},
        {"compressor bypass", [](Ctx& c) { SetCompressorBypass(c, GROUP_CENTER, 1); }, {{76, 1}},
         {"02 09 00 07 36 01 00 00 00 01"}},
        {"auto sub on", [](Ctx& c) { SetAutoSubEnable(c, 1); }, {{12, 1}},
         {"02 09 00 01 3D 01 00 00 00 01"}},
        {"auto sub level", [](Ctx& c) { SetAutoSubLevel(c, 40); }, {{13, 40}},
         {"02 09 00 01 3E 01 3E CC CC CD"}},
        {"pitch bypass under both codes", [](Ctx& c) { SetPitchBypass(c, 1); }, {{47, 1}},
         {"02 09 00 04 36 01 00 00 00 01", "02 09 00 04 37 01 00 00 00 01"}},
    });
}

TEST(EffectCommands, PreDelaysSplitInHalves) {
    runCases({
        {"echo 2 ms raised to 3 in all", [](Ctx& c) { SetEchoPreDelay(c, 2.0f); },
         {{17, 1.5f}, {18, 1.5f}},
         {"02 09 00 02 33 01 00 00 00 48", "02 09 00 02 34 01 00 00 00 48"}},
        {"reverb 10 ms", [](Ctx& c) { SetReverbPreDelay(c, 10.0f); }, {{37, 5.0f}, {38, 5.0f}},
         {"02 09 00 03 33 01 00 00 00 F0", "02 09 00 03 34 01 00 00 00 F0"}},
        {"NaN as the least", [](Ctx& c) { SetEchoPreDelay(c, std::nanf("")); },
         {{17, 1.5f}, {18, 1.5f}},
         {"02 09 00 02 33 01 00 00 00 48", "02 09 00 02 34 01 00 00 00 48"}},
    });
}

TEST(SetEchoInterval, FansOutToSevenTaps) {
    struct Case {
        const char* name;
        float ms;
        int step;
    };
    for (const Case& k : {Case{"below 40 uses 40", 35.9f, 40}, Case{"whole ms only", 217.7f, 217},
                          Case{"NaN uses 40", std::nanf(""), 40}}) {
        SCOPED_TRACE(k.name);
        Rig r;
        SetEchoInterval(r.c, k.ms);
        ASSERT_EQ(r.out.reports.size(), 7u);
        for (int tap = 0; tap < 7; ++tap) {
            const HidReport& rep = r.out.reports[tap];
            EXPECT_EQ(r.st.slotFloat(slot::echoTapDelay0 + tap), float((tap + 1) * k.step));
            EXPECT_EQ(rep[3], GROUP_ECHO);
            EXPECT_EQ(rep[4], '5' + tap);
            EXPECT_EQ(getBe32(&rep[6]), uint32_t((tap + 1) * k.step * 48));
        }
    }
    Rig r;
    SetEchoInterval(r.c, 35.9f);
    EXPECT_EQ(getBe32(&r.out.reports[0][6]), 1920u);
    EXPECT_EQ(getBe32(&r.out.reports[6][6]), 13440u);
}

TEST(EffectCommands, TapIndicesOutsideTheSevenDoNothing) {
    Rig r;
    const auto before = r.st.params.copy();
    SetEchoTapDelay(r.c, 7, 100.0f);
    SetEchoTapDelay(r.c, -1, 100.0f);
    SetEchoTapLevel(r.c, 7, 50.0f);
    SetCompressor(r.c, GROUP_MUSIC, -10, 4, 10, 100);
    SetCompressorBypass(r.c, 9, 1);
    EXPECT_TRUE(r.out.reports.empty());
    EXPECT_EQ(r.st.params.copy(), before);
}

// ---- feedback suppression -----------------------------------------------------

TEST(SetFbcShift, StepsAndTheirValues) {
    const std::string off0 = "02 09 00 01 38 01 00 00 00 00";
    runCases({
        {"step 3", [](Ctx& c) { SetFbcShift(c, 3); }, {{6, 3}, {7, 0}},
         {off0, "02 09 00 01 36 01 39 CD E3 2E", "02 09 00 01 37 01 00 00 0A F0"}},
        {"step 2", [](Ctx& c) { SetFbcShift(c, 2); }, {{6, 2}, {7, 0}},
         {off0, "02 09 00 01 36 01 39 89 42 1E", "02 09 00 01 37 01 00 00 12 C0"}},
        {"step 7 acts as 5", [](Ctx& c) { SetFbcShift(c, 7); }, {{6, 5}, {7, 0}},
         {off0, "02 09 00 01 36 01 3A 2B 92 A6", "02 09 00 01 37 01 00 00 04 B0"}},
        {"step 1 switches off", [](Ctx& c) { SetFbcShift(c, 1); }, {{6, 1}, {7, 1}},
         {"02 09 00 01 38 01 00 00 00 01"}},
        {"step 0 acts as 1", [](Ctx& c) { SetFbcShift(c, 0); }, {{6, 1}, {7, 1}},
         {"02 09 00 01 38 01 00 00 00 01"}},
    });
    // The listed sample counts agree with the milliseconds they come from.
    constexpr uint32_t kListedSamples[6] = {0, 0, 4800, 2800, 1800, 1200};
    for (int s = 2; s <= 5; ++s) {
        Rig r;
        SetFbcShift(r.c, s);
        EXPECT_EQ(getBe32(&r.out.reports[2][6]), kListedSamples[s]);
    }
}

// ---- pitch ------------------------------------------------------------------

TEST(SetMusicPitch, OutOfRangeIsLoggedAndIgnored) {
    for (int n : {13, -13, 1000}) {
        Rig r;
        r.st.setSlotInt(slot::musicPitch, 4);
        SetMusicPitch(r.c, n);
        EXPECT_EQ(r.st.slotInt(slot::musicPitch), 4);
        EXPECT_TRUE(r.out.reports.empty());
        EXPECT_EQ(r.log.lines, std::vector<std::string>{"Pitch val is over range!\n"});
    }
}

TEST(SetMusicPitch, SwitchesTheBypassAsNeeded) {
    Rig r;
    r.st.setSlotInt(slot::pitchBypass, 1);
    SetMusicPitch(r.c, 5);
    EXPECT_EQ(r.st.slotInt(slot::musicPitch), 5);
    EXPECT_EQ(r.st.slotInt(slot::pitchBypass), 0);
    expectReports(r, {"02 09 00 04 36 01 00 00 00 00", "02 09 00 04 37 01 00 00 00 00",
                      "02 09 00 04 38 02 00 00 01 FC 43 0C A5 28",
                      "02 09 00 04 39 02 00 00 01 FC 43 0C A5 28"});

    r.out.clear();
    SetMusicPitch(r.c, 0);
    EXPECT_EQ(r.st.slotInt(slot::pitchBypass), 1);
    expectReports(r, {"02 09 00 04 36 01 00 00 00 01", "02 09 00 04 37 01 00 00 00 01",
                      "02 09 00 04 38 02 00 00 01 E0 00 00 00 00",
                      "02 09 00 04 39 02 00 00 01 E0 00 00 00 00"});

    // Bypass already off: only the two pitch reports.
    r.out.clear();
    r.st.setSlotInt(slot::pitchBypass, 0);
    SetMusicPitch(r.c, -12);
    expectReports(r, {"02 09 00 04 38 02 00 00 01 E0 C3 A0 B6 F9",
                      "02 09 00 04 39 02 00 00 01 E0 C3 A0 B6 F9"});
}

TEST(PitchTable, RisesWithTheKeyShift) {
    // Catches a mistyped row: the float grows steadily, 0 sits in the middle.
    EXPECT_EQ(pitchEntry(0).floatBits, 0u);
    for (int n = kPitchMin + 1; n <= kPitchMax; ++n) {
        SCOPED_TRACE(n);
        const float lo = bitsFloat(pitchEntry(n - 1).floatBits);
        const float hi = bitsFloat(pitchEntry(n).floatBits);
        EXPECT_GT(hi - lo, 25.0f);
        EXPECT_LT(hi - lo, 30.0f);
        EXPECT_GE(pitchEntry(n).integer, pitchEntry(n - 1).integer);
    }
    EXPECT_NEAR(bitsFloat(pitchEntry(12).floatBits), 344.4986f, 1e-3f);
    EXPECT_NEAR(bitsFloat(pitchEntry(-12).floatBits), -321.4295f, 1e-3f);
}

// ---- compressor -----------------------------------------------------------------

TEST(SetCompressor, StoresTheFourValuesAndSendsTheBlock) {
    struct Case {
        const char* name;
        float thr, ratio, attack, release;
        const char* values;  // the seven values after the count byte
    };
    const Case cases[] = {
        {"ratio 4", -10.0f, 4.0f, 10.0f, 100.0f,
         "C1 20 00 00 00 00 00 00 3F 40 00 00 41 A0 00 00 3D 4C CC CD 3B 08 64 00 39 5A 70 00"},
        {"ratio 1", -10.0f, 1.0f, 0.5f, 100.0f,
         "C1 20 00 00 00 00 00 00 00 00 00 00 41 A0 00 00 3D 4C CC CD 3D 27 28 F0 39 5A 70 00"},
        {"no time follows at once", 0.0f, 4.0f, 0.0f, 0.0f,
         "00 00 00 00 00 00 00 00 3F 40 00 00 41 A0 00 00 3D 4C CC CD 3F 80 00 00 3F 80 00 00"},
        {"ratio 0, NaN threshold, negative time", std::nanf(""), 0.0f, -5.0f, std::nanf(""),
         "00 00 00 00 00 00 00 00 00 00 00 00 41 A0 00 00 3D 4C CC CD 3F 80 00 00 3F 80 00 00"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Rig r;
        SetCompressor(r.c, GROUP_REAR, k.thr, k.ratio, k.attack, k.release);
        const int b = outputBase(GROUP_REAR);
        EXPECT_EQ(floatBits(r.st.slotFloat(b + COMP_THRESHOLD)), floatBits(k.thr));
        EXPECT_EQ(r.st.slotFloat(b + COMP_RATIO), k.ratio);
        EXPECT_EQ(r.st.slotFloat(b + COMP_ATTACK), k.attack);
        EXPECT_EQ(floatBits(r.st.slotFloat(b + COMP_RELEASE)), floatBits(k.release));
        expectReports(r, {std::string("02 09 00 06 37 07 ") + k.values});
    }
}

// Seven taps from a start level: 100 at ratio 50 decays by 0.505 each tap.
TEST(EchoTaps, StartLevelWritesAllSevenInOrder) {
    Rig r;
    r.st.setSlotInt(slot::echoRatio, 50);
    SetEchoStartLevel(r.c, 100);
    const float levels[7] = {100.0f, 50.5f, 25.5025f, 12.878762f, 6.5037746f, 3.2844062f, 1.6586251f};
    for (int k = 0; k < 7; ++k) EXPECT_FLOAT_EQ(r.st.slotFloat(slot::echoTapLevel0 + k), levels[k]) << k;
    expectReports(r, {"02 09 00 02 3C 01 3F 80 00 00", "02 09 00 02 3D 01 3F 01 47 AE",
                      "02 09 00 02 3E 01 3E 82 92 A3", "02 09 00 02 3F 01 3E 03 E0 E7",
                      "02 09 00 02 40 01 3D 85 32 83", "02 09 00 02 41 01 3D 06 87 7F",
                      "02 09 00 02 42 01 3C 87 DF E4"});
}

// A ratio change keeps tap 1 and decays from its whole part (73.9 -> 73).
TEST(EchoTaps, RatioRecomputesTapsTwoToSevenFromTheWholeStartLevel) {
    Rig r;
    r.st.setSlotFloat(slot::echoTapLevel0, 73.9f);
    SetEchoDecay(r.c, 30);
    EXPECT_EQ(r.st.slotInt(slot::echoRatio), 30);
    EXPECT_EQ(r.st.slotFloat(slot::echoTapLevel0), 73.9f);
    EXPECT_FLOAT_EQ(r.st.slotFloat(slot::echoTapLevel0 + 1), 22.265001f);
    EXPECT_FLOAT_EQ(r.st.slotFloat(slot::echoTapLevel0 + 6), 0.058765434f);
    expectReports(r, {"02 09 00 02 43 01 3E 99 99 9A", "02 09 00 02 3D 01 3E 63 FE 5D",
                      "02 09 00 02 3E 01 3D 8B 13 7C", "02 09 00 02 3F 01 3C A9 AC 40",
                      "02 09 00 02 40 01 3B CF 00 3A", "02 09 00 02 41 01 3A FC 8A 84",
                      "02 09 00 02 42 01 3A 1A 0C D1"});
}

TEST(EchoTaps, ReverbTimeMeaning) {
    EXPECT_EQ(reverbTimeMs(0), 40.0);
    EXPECT_EQ(reverbTimeMs(100), 5000.0);
}

}  // namespace
}  // namespace udare
