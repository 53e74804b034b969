#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "protocol/codec.h"
#include "protocol/commands.h"
#include "test_support.h"

namespace udare {
namespace {

using test::fromHex;

using Rig = test::CommandRig;

float value(const HidReport& r, int k) { return bitsFloat(getBe32(&r[6 + 4 * k])); }

struct OpCase {
    const char* name;
    std::function<void(Ctx&)> op;
    int slot;
    float slotValue;  // as the slot's type reads it
    std::vector<const char*> reports;
};

float slotAsFloat(const DeviceState& st, int slot) {
    return kSlots[slot].isFloat ? st.slotFloat(slot) : float(st.slotInt(slot));
}

void runCases(const std::vector<OpCase>& cases, int protocol = 2) {
    for (const OpCase& k : cases) {
        SCOPED_TRACE(k.name);
        Rig r;
        r.st.identity.protocolVersion = uint8_t(protocol);
        k.op(r.c);
        EXPECT_EQ(slotAsFloat(r.st, k.slot), k.slotValue);
        ASSERT_EQ(r.out.reports.size(), k.reports.size());
        for (size_t i = 0; i < k.reports.size(); ++i)
            EXPECT_EQ(hexReport(r.out.reports[i].data()), hexReport(fromHex(k.reports[i]).data()));
        EXPECT_TRUE(r.clock.sleeps.empty());
    }
}

TEST(LevelCommands, StoreThenSendOneReport) {
    runCases({
        {"mic volume", [](Ctx& c) { SetMicVolume(c, 50); }, 0, 50,
         {"02 09 00 01 30 01 3F 00 00 00"}},
        {"spare level", [](Ctx& c) { SetSpareLevel(c, 25); }, 1, 25,
         {"02 09 00 01 31 01 3E 80 00 00"}},
        {"effect volume", [](Ctx& c) { SetEffectVolume(c, 75); }, 2, 75,
         {"02 09 00 01 32 01 3F 40 00 00"}},
        {"mic muted", [](Ctx& c) { SetMicMute(c, 1); }, 3, 1, {"02 09 00 01 33 01 00 00 00 00"}},
        {"mic unmuted at once", [](Ctx& c) { SetMicMute(c, 0); }, 3, 0,
         {"02 09 00 01 33 01 3F 80 00 00"}},
        {"music volume, both of the pair", [](Ctx& c) { SetMusicVolume(c, 100); }, 40, 100,
         {"02 09 00 04 30 02 3F 80 00 00 3F 80 00 00"}},
        {"music muted at once", [](Ctx& c) { SetMusicMute(c, 1); }, 41, 1,
         {"02 09 00 04 31 02 00 00 00 00 00 00 00 00"}},
        {"echo mute, a pair", [](Ctx& c) { SetEchoMute(c, 1); }, 15, 1,
         {"02 09 00 02 31 02 00 00 00 00 00 00 00 00"}},
        {"reverb unmuted, single", [](Ctx& c) { SetReverbMute(c, 0); }, 35, 0,
         {"02 09 00 03 31 01 3F 80 00 00"}},
        {"rear reverb level", [](Ctx& c) { SetOutputLevel(c, GROUP_REAR, Source::Reverb, 50); },
         61, 50, {"02 09 00 06 32 01 3F 00 00 00"}},
        {"sub music level", [](Ctx& c) { SetOutputLevel(c, GROUP_SUB, Source::Music, 25); }, 84,
         25, {"02 09 00 08 33 01 3E 80 00 00"}},
        {"main mic level", [](Ctx& c) { SetOutputLevel(c, GROUP_MAIN, Source::Mic, 75); }, 48,
         75, {"02 09 00 05 30 01 3F 40 00 00"}},
        {"main volume, a pair", [](Ctx& c) { SetOutputVolume(c, GROUP_MAIN, 75); }, 53, 75,
         {"02 09 00 05 35 02 3F 40 00 00 3F 40 00 00"}},
        {"sub volume, single", [](Ctx& c) { SetOutputVolume(c, GROUP_SUB, 75); }, 86, 75,
         {"02 09 00 08 35 01 3F 40 00 00"}},
        {"main left delay raised to 1.5 ms",
         [](Ctx& c) { SetOutputDelay(c, GROUP_MAIN, Side::Left, 0.4f); }, 92, 1.5f,
         {"02 09 00 05 38 01 00 00 00 48"}},
        {"rear right delay", [](Ctx& c) { SetOutputDelay(c, GROUP_REAR, Side::Right, 10.0f); },
         97, 10.0f, {"02 09 00 06 3A 01 00 00 01 E0"}},
        {"NaN delay held at 1.5 ms",
         [](Ctx& c) { SetOutputDelay(c, GROUP_SUB, Side::Left, std::nanf("")); }, 102, 1.5f,
         {"02 09 00 08 38 01 00 00 00 48"}},
        {"rear right delay on travels inverted",
         [](Ctx& c) { SetOutputDelayOn(c, GROUP_REAR, Side::Right, 1); }, 99, 1,
         {"02 09 00 06 3B 01 00 00 00 00"}},
        {"center delay off", [](Ctx& c) { SetOutputDelayOn(c, GROUP_CENTER, Side::Left, 0); },
         101, 0, {"02 09 00 07 39 01 00 00 00 01"}},
    });
}

TEST(LevelCommands, ProtocolOneUnitsHaveNoOutputDelays) {
    runCases(
        {
            {"center delay stored only",
             [](Ctx& c) { SetOutputDelay(c, GROUP_CENTER, Side::Left, 10.0f); }, 100, 10.0f, {}},
            {"switch still sent", [](Ctx& c) { SetOutputDelayOn(c, GROUP_MAIN, Side::Left, 1); },
             94, 1, {"02 09 00 05 39 01 00 00 00 00"}},
        },
        1);
}

TEST(LevelCommands, OutputsThatDoNotExistAreLeftAlone) {
    const std::function<void(Ctx&)> ops[] = {
        [](Ctx& c) { SetOutputLevel(c, GROUP_MUSIC, Source::Mic, 50); },
        [](Ctx& c) { SetOutputLevel(c, 9, Source::Mic, 50); },
        [](Ctx& c) { SetOutputLevel(c, GROUP_MAIN, static_cast<Source>(4), 50); },
        [](Ctx& c) { SetOutputVolume(c, 0, 50); },
        [](Ctx& c) { SetOutputDelay(c, GROUP_CENTER, Side::Right, 5.0f); },
        [](Ctx& c) { SetOutputDelay(c, GROUP_SUB, Side::Right, 5.0f); },
        [](Ctx& c) { SetOutputDelayOn(c, GROUP_CENTER, Side::Right, 1); },
        [](Ctx& c) { SetOutputDelay(c, -3, Side::Left, 5.0f); },
    };
    for (const auto& op : ops) {
        Rig r;
        const auto before = r.st.params.copy();
        op(r.c);
        EXPECT_TRUE(r.out.reports.empty());
        EXPECT_EQ(r.st.params.copy(), before);
    }
}

TEST(SetMusicMute, UnmutingFadesInOverTenReports) {
    Rig r;
    r.st.setSlotInt(slot::musicMute, 1);
    SetMusicMute(r.c, 0);
    EXPECT_EQ(r.st.slotInt(slot::musicMute), 0);
    ASSERT_EQ(r.out.reports.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        const HidReport& rep = r.out.reports[i];
        EXPECT_EQ(hexReport(rep.data(), 6), "02 09 00 04 31 02");
        const float want = i < 9 ? float(i / 10.0) : 1.0f;
        EXPECT_EQ(value(rep, 0), want);
        EXPECT_EQ(value(rep, 1), want);
        EXPECT_EQ(r.out.stamps[i], 30 * i);  // a 30 ms pause after each of 0.0 ... 0.8
    }
    EXPECT_EQ(r.clock.sleeps, std::vector<int>(9, 30));
}

TEST(SetMusicMute, StoresWhileDisconnected) {
    Rig r;
    r.out.connected = false;
    SetMusicMute(r.c, 1);
    EXPECT_EQ(r.st.slotInt(slot::musicMute), 1);
    EXPECT_TRUE(r.out.reports.empty());
}

// ---- the full send's building blocks ------------------------------------------

struct FadeCase {
    const char* name;
    int mic, music;
    std::vector<int> micSent;    // after the leading 0
    std::vector<int> musicSent;  // after the leading 0
    std::vector<int> sleeps;
};

TEST(FadeInVolumes, RaisesTheVolumesStepByStep) {
    const FadeCase cases[] = {
        {"below the fade thresholds", 50, 40, {50}, {40}, {}},
        {"mic 85, music 62", 85, 62, {80, 81, 82, 83, 84, 85}, {60, 61, 62}, {100, 100, 100}},
        {"exactly at the thresholds", 80, 60, {80}, {60}, {100}},
        {"over full scale: steps stop at 100, then the value", 120, 101,
         {80, 81, 82, 83, 84, 85, 86, 87, 88, 89, 90, 91, 92, 93, 94, 95, 96, 97, 98, 99, 100,
          120},
         {60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 77, 78, 79, 80,
          81, 82, 83, 84, 85, 86, 87, 88, 89, 90, 91, 92, 93, 94, 95, 96, 97, 98, 99, 100, 101},
         std::vector<int>(41, 100)},
    };
    for (const FadeCase& k : cases) {
        SCOPED_TRACE(k.name);
        Rig r;
        r.st.setSlotInt(slot::micVolume, k.mic);
        r.st.setSlotInt(slot::musicVolume, k.music);
        SendVolumesZero(r.c);
        FadeInVolumes(r.c);
        // SendVolumesZero: microphone 0, then music 0; the fade follows.
        ASSERT_GE(r.out.reports.size(), 2u);
        EXPECT_EQ(r.out.reports[0][3], GROUP_MIC);
        EXPECT_EQ(r.out.reports[1][3], GROUP_MUSIC);
        std::vector<int> mic, music;
        for (const HidReport& rep : r.out.reports) {
            ASSERT_EQ(rep[1], 0x09);
            ASSERT_EQ(rep[4], '0');
            const int v = dec::percent(value(rep, 0));
            if (rep[3] == GROUP_MIC) {
                ASSERT_EQ(rep[5], 1);
                EXPECT_TRUE(music.size() <= 1) << "the microphone is raised before the music";
                mic.push_back(v);
            } else {
                ASSERT_EQ(rep[3], GROUP_MUSIC);
                ASSERT_EQ(rep[5], 2);
                EXPECT_EQ(value(rep, 1), value(rep, 0));
                music.push_back(v);
            }
        }
        std::vector<int> wantMic{0}, wantMusic{0};
        wantMic.insert(wantMic.end(), k.micSent.begin(), k.micSent.end());
        wantMusic.insert(wantMusic.end(), k.musicSent.begin(), k.musicSent.end());
        EXPECT_EQ(mic, wantMic);
        EXPECT_EQ(music, wantMusic);
        EXPECT_EQ(r.clock.sleeps, k.sleeps);
        EXPECT_EQ(r.st.slotInt(slot::micVolume), k.mic);
        EXPECT_EQ(r.st.slotInt(slot::musicVolume), k.music);
    }
}

TEST(FadeInVolumes, HugeStoredVolumeStaysBounded) {
    Rig r;
    r.st.setSlotInt(slot::micVolume, INT_MAX);
    r.st.setSlotInt(slot::musicVolume, INT_MAX);
    FadeInVolumes(r.c);
    EXPECT_EQ(r.out.reports.size(), 22u + 42u);
}

TEST(SendSlot, EachSlotWithItsOwnEncoding) {
    struct Case {
        const char* name;
        std::function<void(DeviceState&)> set;
        int slot;  // sent with its row's count
        const char* report;
    };
    const Case cases[] = {
        {"start-up echo tap 0 in samples", [](DeviceState&) {}, slot::echoTapDelay0,
         "02 09 00 02 35 01 00 00 28 B0"},
        {"start-up echo tap level 3", [](DeviceState&) {}, slot::echoTapLevel0 + 3,
         "02 09 00 02 3F 01 3D 99 99 9A"},
        {"echo mute pair", [](DeviceState& s) { s.setSlotInt(slot::echoMute, 0); },
         slot::echoMute, "02 09 00 02 31 02 3F 80 00 00 3F 80 00 00"},
        {"gate release", [](DeviceState& s) { s.setSlotInt(slot::micGateRelease, 3); },
         slot::micGateRelease, "02 09 00 01 3C 01 34 A1 0F B0"},
        {"delay switch inverted", [](DeviceState& s) { s.setSlotInt(slot::subDelayOn, 0); },
         slot::subDelayOn, "02 09 00 08 39 01 00 00 00 01"},
        {"reverb time as whole percent",
         [](DeviceState& s) { s.setSlotFloat(slot::reverbTime, 35.7f); }, slot::reverbTime,
         "02 09 00 03 35 01 3E B3 33 33"},
        {"shift step", [](DeviceState& s) { s.setSlotInt(slot::fbcShift, 3); }, slot::fbcShift,
         "02 09 00 01 36 01 39 CD E3 2E"},
        {"pitch pair", [](DeviceState& s) { s.setSlotInt(slot::musicPitch, 5); },
         slot::musicPitch, "02 09 00 04 38 02 00 00 01 FC 43 0C A5 28"},
        {"compressor block from any of its slots",
         [](DeviceState& s) { s.setSlotFloat(outputSlot(GROUP_CENTER, COMP_RATIO), 4.0f); },
         outputSlot(GROUP_CENTER, COMP_ATTACK),
         "02 09 00 07 37 07 00 00 00 00 00 00 00 00 3F 40 00 00 41 A0 00 00 3D 4C CC CD "
         "3F 80 00 00 3F 80 00 00"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Rig r;
        k.set(r.st);
        SendSlot(r.c, k.slot);
        ASSERT_EQ(r.out.reports.size(), 1u);
        EXPECT_EQ(hexReport(r.out.reports[0].data()), hexReport(fromHex(k.report).data()));
    }
    Rig r;
    SendSlot(r.c, -1);
    SendSlot(r.c, kSlotCount);
    r.st.setSlotInt(slot::musicPitch, 40);  // a damaged file
    SendSlot(r.c, slot::musicPitch);
    EXPECT_TRUE(r.out.reports.empty());
}

}  // namespace
}  // namespace udare
