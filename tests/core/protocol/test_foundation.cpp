// The parameter store, value encodings and report builders.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "protocol/codec.h"
#include "protocol/device_state.h"
#include "protocol/report.h"
#include "test_support.h"

using namespace udare;
using udare::test::RecordingSink;

namespace {

std::string bandHex(const DeviceState& st, Eq eq, int k) {
    uint8_t rec[7];
    st.eqImage.read(bandOffset(eq, k), 7, rec);
    return hexReport(rec, 7);
}

std::string zeros(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += " 00";
    return s;
}

}  // namespace

TEST(DeviceStateReset, SlotsStartAtTheirInitialValues) {
    DeviceState st;
    st.setSlotInt(slot::micVolume, 77);
    st.setSlotFloat(outputSlot(GROUP_REAR, COMP_RATIO), 9.0f);
    resetDeviceState(st);

    EXPECT_EQ(st.slotInt(slot::micVolume), 0);
    const float taps[7] = {217, 434, 651, 868, 1085, 1302, 1519};
    const float levels[7] = {60, 30, 15, 7.5f, 3.8f, 1.9f, 1.0f};
    for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(st.slotFloat(slot::echoTapDelay0 + k), taps[k]);
        EXPECT_EQ(st.slotFloat(slot::echoTapLevel0 + k), levels[k]);
    }
    for (int g = GROUP_MAIN; g <= GROUP_SUB; ++g) {
        EXPECT_EQ(st.slotFloat(outputSlot(g, COMP_RATIO)), 1.0f) << g;
        EXPECT_EQ(st.slotFloat(outputSlot(g, COMP_THRESHOLD)), 0.0f) << g;
    }
    EXPECT_EQ(st.slotFloat(56), 1.0f);
    EXPECT_EQ(st.params.bits(55), 0u);
}

TEST(DeviceStateReset, ImageHoldsEveryEqualisersDefaults) {
    DeviceState st;
    EXPECT_EQ(bandHex(st, Eq::Mic1, 8), "00 96 03 E8 05 86 01");
    EqBandValue b = readBand(st, Eq::Mic1, 8);
    EXPECT_FLOAT_EQ(b.gainDb, 0.0f);
    EXPECT_EQ(b.freqHz, 1000);
    EXPECT_FLOAT_EQ(b.q, 1.414f);
    EXPECT_EQ(b.type, 1);

    struct Case {
        Eq eq;
        int band;
        const char* hex;
    } cases[] = {
        {Eq::Mic2, 0, "00 96 00 19 05 86 01"},     // 25 Hz
        {Eq::Echo, 6, "00 96 0F A0 05 86 01"},     // 4000 Hz
        {Eq::Reverb, 0, "00 96 00 3E 05 86 01"},   // 62 Hz
        {Eq::Music, 14, "00 96 3E 80 05 86 01"},   // 16000 Hz
        {Eq::Main, 0, "00 96 00 14 05 86 01"},     // 20 Hz
        {Eq::Rear, 17, "00 96 05 8C 05 86 01"},    // 1420 Hz
        {Eq::Center, 9, "00 96 3E 80 05 86 01"},   // 16000 Hz
        {Eq::Sub, 7, "00 96 00 1F 02 C3 01"},      // 31 Hz, Q 0.707
        {Eq::Sub, 16, "00 96 00 64 05 86 12"},     // 100 Hz, type 18
        {Eq::Sub, 17, "00 96 00 64 02 C3 14"},     // type 20
        {Eq::Sub, 19, "00 96 00 64 02 C3 01"},
    };
    for (const Case& c : cases) EXPECT_EQ(bandHex(st, c.eq, c.band), c.hex) << int(c.eq) << "/" << c.band;

    // The Sub ends the image.
    EXPECT_EQ(bandOffset(Eq::Sub, 19) + 7, kImageSize);
}

TEST(DeviceStateReset, IdentityStartsAsAQ9OnProtocol2) {
    DeviceState st;
    EXPECT_EQ(st.identity.modelName.utf8(), "Q9");
    EXPECT_EQ(st.identity.mcuVersion.utf8(), "2013-05-03");
    EXPECT_EQ(st.identity.dspVersion.utf8(), "2013-05-01");
    EXPECT_EQ(st.protocol(), 2);
    EXPECT_EQ(st.identity.fwVersionHi.load(), 0xF1);
    EXPECT_EQ(st.identity.fwVersionLo.load(), 0x88);
    auto keys = st.remoteKeys.copy();
    EXPECT_EQ(hexReport(keys.data(), 16), "01 D8 58 B8 38 88 E8 C8 98 A8 B0 30 D0 18 78 F8");
    EXPECT_EQ(st.imageSize(), 959);
    st.identity.protocolVersion = 1;
    EXPECT_EQ(st.imageSize(), 889);
    EXPECT_EQ(st.subSections(), 10);
}

TEST(DeviceState, TextFieldsStopAtZeroAndKeepTheirTerminator) {
    DeviceState st;
    const uint8_t longText[40] = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M'};
    st.identity.mcuVersion.setFromBytes(longText, 40);
    EXPECT_EQ(st.identity.mcuVersion.utf8(), "ABCDEFGHIJ");  // 11 units less the terminator
    const uint8_t q9[] = {'Q', '9', 0, 'X'};
    st.identity.modelName.setFromBytes(q9, 4);
    EXPECT_EQ(st.identity.modelName.utf8(), "Q9");
}

TEST(DeviceState, EqBandOfGroupOneCoversBothMicrophones) {
    DeviceState st;
    auto rec = encodeBandRecord(3.0f, 777, 2.0f, 4);
    st.eqImage.write(bandOffset(Eq::Mic2, 2), 7, rec.data());
    EqBandValue b = eqBand(st, GROUP_MIC, 17);
    EXPECT_EQ(b.freqHz, 777);
    EXPECT_EQ(b.type, 4);
    EXPECT_FLOAT_EQ(b.gainDb, 3.0f);
    EXPECT_EQ(eqBand(st, GROUP_MIC, 8).freqHz, 1000);
    EXPECT_EQ(eqBand(st, GROUP_SUB, 16).type, 18);
    // Indices beyond an equaliser read as nothing, never past the image's end.
    for (auto [group, k] : {std::pair{1, 30}, {1, -1}, {8, 20}, {9, 0}})
        EXPECT_EQ(eqBand(st, group, k).freqHz, 0) << group << "/" << k;
}

// Each equaliser's wire group and curve-editor kind, and the bands a group
// carries on the wire for each protocol version.
TEST(Channels, EqualiserGroupAndKindMapThroughOneTable) {
    struct Case {
        Eq eq;
        int group, kind, groupBands2, groupBands1;
    } cases[] = {
        {Eq::Mic1, GROUP_MIC, dsp::KIND_MIC1, 30, 30},   {Eq::Mic2, GROUP_MIC, dsp::KIND_MIC2, 30, 30},
        {Eq::Echo, GROUP_ECHO, dsp::KIND_ECHO, 7, 7},     {Eq::Reverb, GROUP_REVERB, dsp::KIND_REVERB, 7, 7},
        {Eq::Music, GROUP_MUSIC, dsp::KIND_MUSIC, 15, 15}, {Eq::Main, GROUP_MAIN, dsp::KIND_MAIN, 24, 24},
        {Eq::Rear, GROUP_REAR, dsp::KIND_REAR, 24, 24},     {Eq::Center, GROUP_CENTER, dsp::KIND_CENTER, 10, 10},
        {Eq::Sub, GROUP_SUB, dsp::KIND_SUB, 20, 10},
    };
    for (const Case& c : cases) {
        const EqInfo& e = eqInfo(c.eq);
        EXPECT_EQ(e.group, c.group) << e.name;
        EXPECT_EQ(e.kind, c.kind) << e.name;
        EXPECT_EQ(groupBands(c.group, 2), c.groupBands2) << e.name;
        EXPECT_EQ(groupBands(c.group, 1), c.groupBands1) << e.name;
        // A group leads to its first equaliser: Mic1 for the microphones.
        ASSERT_NE(eqOfGroup(c.group), nullptr);
        EXPECT_EQ(eqOfGroup(c.group)->eq, c.group == GROUP_MIC ? Eq::Mic1 : c.eq);
    }
    EXPECT_EQ(eqOfGroup(0), nullptr);
    EXPECT_EQ(eqOfGroup(9), nullptr);
    EXPECT_EQ(groupBands(9, 2), 0);
}

TEST(BandRecord, GainAndQEncodeAtTheirRoundingEdges) {
    struct Case {
        float gain;
        float q;
        int gainCode;
        int qCode;
    } cases[] = {
        {-15.0f, 1.414f, 0, 1414}, {15.0f, 0.707f, 300, 707}, {-0.04f, 1.41f, 150, 1410},
        {0.0f, 1.0f, 150, 1000},   {2.96f, 0.5f, 180, 500},   {-6.0f, 4.0f, 90, 4000},
        // Beyond the 16-bit fields: held at their ends, not wrapped.
        {-20.0f, -1.0f, 0, 0},     {7000.0f, 70.0f, 0xFFFF, 0xFFFF},
    };
    for (const Case& c : cases) {
        auto r = encodeBandRecord(c.gain, 1000, c.q, 1);
        EXPECT_EQ((r[0] << 8) | r[1], c.gainCode) << c.gain;
        EXPECT_EQ((r[4] << 8) | r[5], c.qCode) << c.q;
    }
    // A damaged value must not become an undefined cast.
    auto r = encodeBandRecord(NAN, 1000, INFINITY, 1);
    EXPECT_EQ((r[0] << 8) | r[1], 0);
}

TEST(Codec, EncodingsHitTheirRoundingEdges) {
    EXPECT_EQ(enc::percent(50), 0x3F000000u);
    EXPECT_EQ(enc::percent(100), 0x3F800000u);
    EXPECT_EQ(enc::muteGain(0), 0x3F800000u);
    EXPECT_EQ(enc::muteGain(1), 0u);
    EXPECT_EQ(enc::invertedInteger(0), 1u);
    EXPECT_EQ(enc::invertedInteger(1), 0u);
    EXPECT_EQ(enc::msToSamples(10.0f), 480u);
    EXPECT_EQ(enc::msToSamples(10.01f), 480u);
    EXPECT_EQ(enc::msToSamples(10.011f), 481u);
    EXPECT_EQ(enc::msToSamples(1.5f), 72u);
    EXPECT_EQ(bitsFloat(enc::div1e4(5)), 0.0005f);
    EXPECT_EQ(bitsFloat(enc::floatPercent(7.5f)), float(7.5 / 100.0));
    EXPECT_EQ(enc::wholePercent(42.9f), enc::percent(42));
    EXPECT_EQ(enc::msToSamples(NAN), 0u);
    EXPECT_EQ(enc::msToSamples(-5.0f), 0u);
    EXPECT_EQ(enc::floatPercent(NAN), 0u);
    EXPECT_EQ(enc::floatPercent(-INFINITY), 0u);
}

TEST(Codec, DecodingsHitTheirRoundingEdges) {
    EXPECT_EQ(dec::percent(0.5f), 50);
    EXPECT_EQ(dec::percent(0.004f), 0);
    EXPECT_EQ(dec::muteGain(0.004f), 1);
    EXPECT_EQ(dec::muteGain(1.0f), 0);
    // 0.29 is stored as 0.28999999; the rounding step brings it back to 29.
    EXPECT_EQ(dec::percent(0.29f), 29);
    EXPECT_EQ(dec::percent(float(7.5 / 100.0)), 8);  // whole percent, rounded
    EXPECT_EQ(dec::integer(0x02), 2);
    EXPECT_EQ(dec::invertedInteger(0), 1);
    EXPECT_EQ(dec::samplesToMs(480), 10.0f);
    EXPECT_EQ(dec::samplesToMs(72), 1.5f);
    // Every value a control can produce reads back as written (7 and 14 are
    // where a bare truncation of the 1e4 scale fell one short).
    for (int v = 0; v <= 20000; ++v) {
        ASSERT_EQ(dec::div1e4(bitsFloat(enc::div1e4(v))), v);
        ASSERT_EQ(dec::div1e5(bitsFloat(enc::div1e5(v))), v);
        ASSERT_EQ(dec::div1e7(bitsFloat(enc::div1e7(v))), v);
        ASSERT_EQ(dec::percent(bitsFloat(enc::percent(v))), v);
    }
    // Garbage from the unit saturates instead of overflowing.
    EXPECT_EQ(dec::percent(NAN), 0);
    EXPECT_EQ(dec::percent(1e30f), INT32_MAX);
    EXPECT_EQ(dec::div1e7(-1e30f), INT32_MIN);
}

// The effect encodings and the dispatcher's inverses live side by side; what
// the operations send must read back as the value that was set.
TEST(Codec, EffectEncodingsReadBackAsTheValueSent) {
    for (int s = kFbcStepMin; s <= kFbcStepMax; ++s)
        EXPECT_EQ(dec::fbcShift(bitsFloat(enc::fbcShift(s))), s) << "shift step " << s;
    EXPECT_EQ(enc::fbcShift(0), enc::fbcShift(1));
    EXPECT_EQ(enc::fbcShift(9), enc::fbcShift(5));
    EXPECT_EQ(enc::fbcSecondSamples(1), 0u);

    for (int n = kPitchMin; n <= kPitchMax; ++n) {
        uint8_t pair[8];
        enc::pitch(n, pair);
        EXPECT_EQ(dec::pitch(getBe32(pair + 4)), n) << "pitch " << n;
    }

    struct Ratio {
        float sent;
        double readBack;
    } ratios[] = {{1.0f, 1.0}, {4.0f, 4.0}, {30.0f, 30.0}, {0.0f, 1.0}, {-2.0f, 1.0}, {NAN, 1.0}};
    for (const Ratio& r : ratios)
        EXPECT_NEAR(dec::compressorRatio(bitsFloat(enc::compressorRatio(r.sent))), r.readBack, 1e-4)
            << r.sent;

    // Times come back in whole samples (1/48 ms); no time at all is an
    // instant envelope both ways. Long times keep only what a single-precision
    // coefficient close to 0 can say.
    struct Time {
        float ms;
        double readBack, within;
    } times[] = {{0.0f, 0.0, 0},     {-1.0f, 0.0, 0},    {1.0f / 48.0f, 1.0 / 48.0, 1e-9},
                 {0.5f, 0.5, 1e-9},  {10.0f, 10.0, 1e-9}, {10.01f, 10.0, 1e-9},
                 {3000.0f, 3000.0, 30.0}};
    for (const Time& t : times)
        EXPECT_NEAR(dec::compressorTime(bitsFloat(enc::compressorTime(t.ms))), t.readBack, t.within) << t.ms;
}

TEST(Codec, SharedRoundingStepAddsHalfAUnitOfTheDigit) {
    struct Case {
        int d;
        double half;
    } cases[] = {{1, 0.05}, {2, 0.005}, {5, 0.000005}, {8, 0.000000005}, {0, 0.5}, {9, 0.5}};
    for (const Case& c : cases)
        EXPECT_EQ(roundForDecode(1.0f, c.d), static_cast<float>(1.0 + c.half)) << c.d;
}

TEST(Reports, BuildersProduceTheirBytes) {
    RecordingSink out;
    const uint8_t bytes7[7] = {0x00, 0x96, 0x03, 0xE8, 0x05, 0x82, 0x01};
    const float coeffs[5] = {1.0f, -0.5f, 0.25f, 0.0f, -2.0f};
    const uint8_t block[8] = {0, 0, 1, 0xE0, 0, 0, 0, 0};

    struct Case {
        std::function<int()> build;
        std::string hex;
    } cases[] = {
        {[&] { return WriteParamPercent(out, 1, '0', 50, 1); }, "02 09 00 01 30 01 3F 00 00 00"},
        {[&] { return WriteParamPercent(out, 4, '0', 100, 2); },
         "02 09 00 04 30 02 3F 80 00 00 3F 80 00 00"},
        {[&] { return WriteParamRaw(out, 6, ';', 0, 1); }, "02 09 00 06 3B 01 00 00 00 00"},
        {[&] { return WriteParamBlock(out, 4, '8', block, 2); },
         "02 09 00 04 38 02 00 00 01 E0 00 00 00 00"},
        {[&] { return WriteBandCoefficients(out, 1, 8, coeffs); },
         "02 09 00 01 08 05 3F 80 00 00 BF 00 00 00 3E 80 00 00 00 00 00 00 C0 00 00 00"},
        {[&] { return ReadParam(out, 5, '7', 7); }, "02 0A 00 05 37 07"},
        {[&] { return WriteEqBytes(out, 56, 7, bytes7); }, "02 85 00 38 07 00 96 03 E8 05 82 01"},
        {[&] { return ReadEqBytes(out, 952, 7); }, "02 86 03 B8 07"},
        {[&] { return SendBytes(out, {0x68, 0xAA}); }, "02 68 AA"},
        {[&] { return SendBytes(out, {0x05, 3, -1, 7}); }, "02 05 03"},
    };
    for (const Case& c : cases) {
        out.clear();
        EXPECT_EQ(c.build(), 61);
        ASSERT_EQ(out.reports.size(), 1u);
        std::string expected = c.hex + zeros(61 - int((c.hex.size() + 1) / 3));
        EXPECT_EQ(out.hex()[0], expected);
    }
}

TEST(Reports, SendBytesKeepsAtMostSixtyArguments) {
    RecordingSink out;
    std::vector<int> args(70);
    for (int i = 0; i < 70; ++i) args[i] = i + 1;
    SendBytes(out, std::span<const int>(args));
    ASSERT_EQ(out.reports.size(), 1u);
    EXPECT_EQ(out.reports[0][0], 0x02);
    EXPECT_EQ(out.reports[0][1], 1);
    EXPECT_EQ(out.reports[0][60], 60);
}

TEST(Reports, OversizedLengthsAreClampedToTheReport) {
    RecordingSink out;
    uint8_t big[64] = {};
    WriteEqBytes(out, 0, 200, big);
    EXPECT_EQ(out.reports[0][4], 56);
    WriteParamRaw(out, 1, '0', 0xFFFFFFFF, 40);
    EXPECT_EQ(out.reports[1][5], 7);
}

TEST(Reports, DroppedWhenNotConnected) {
    RecordingSink out;
    out.connected = false;
    EXPECT_EQ(WriteParamPercent(out, 1, '0', 50, 1), 0);
    EXPECT_TRUE(out.reports.empty());
}

TEST(SlotTable, NamesAreUniqueAndFindable) {
    for (int i = 0; i < kSlotCount; ++i) {
        EXPECT_EQ(kSlots[i].index, i);
        EXPECT_EQ(slotByName(slotName(i)), i) << slotName(i);
    }
    EXPECT_EQ(slotName(56), "main.compRatio");
    EXPECT_EQ(slotByName("MAIN.COMPRATIO"), 56);
    EXPECT_EQ(slotByName("nonsense"), -1);
    EXPECT_EQ(findSlot(GROUP_REVERB, '6'), slot::reverbTime);
    EXPECT_EQ(findSlot(GROUP_MUSIC, '7'), slot::pitchBypass);
    EXPECT_EQ(findSlot(GROUP_CENTER, ':'), -1);
    EXPECT_EQ(findSlot(GROUP_SUB, '9'), slot::subDelayOn);
}
