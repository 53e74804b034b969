// Synchronisation and the full send against the virtual unit, through the
// real link, dispatcher, commands and workers.
#include <gtest/gtest.h>

#include <cmath>

#include "link/usb_link.h"
#include "link/workers.h"
#include "protocol/codec.h"
#include "protocol/commands.h"
#include "protocol/device_state.h"
#include "protocol/inbound.h"
#include "sim/sim_options.h"
#include "sim/virtual_unit.h"
#include "test_support.h"

namespace udare::sim {
namespace {

constexpr double kTwoPi = 6.283185307179586;

// The value a slot holds once the unit's wire values for it are decoded: the
// dispatcher's own decoding of a read reply carrying them.
uint32_t expectedSlot(const VirtualUnit& unit, const SlotInfo& s) {
    auto v = unit.wireValues(s.group, s.code, 7);
    HidReport reply = buildParamReport(0x0A, s.group, s.code, v.data(), 7);
    DeviceState scratch;
    test::RecordingSink drop;
    test::FakeClock clock;
    test::RecordingLog log;
    test::RecordingNotifier notifier;
    test::RecordingPrompter prompter;
    Ctx c{scratch, drop, clock, log, notifier, prompter};
    DecodeParamReply(c, reply.data());
    return scratch.params.bits(s.index);
}

// Distinct wire values for every slot, each as the unit would hold them.
void fillUnit(VirtualUnit& unit) {
    for (const SlotInfo& s : kSlots) {
        int i = s.index;
        uint32_t w = 0;
        switch (s.wire) {
        case Wire::Percent: w = enc::percent(10 + i % 80); break;
        case Wire::MuteGain: w = enc::muteGain(i % 2); break;
        case Wire::Integer:
        case Wire::InvertedInteger: w = enc::integer(i % 2); break;
        case Wire::MsToSamples: w = enc::msToSamples(float(3 + i)); break;
        case Wire::Div1e4: w = enc::div1e4(100 + i); break;
        case Wire::Div1e5: w = enc::div1e5(200 + i); break;
        case Wire::Div1e7: w = enc::div1e7(300 + i); break;
        case Wire::FloatPercent: w = enc::floatPercent(float(i % 90)); break;
        case Wire::WholePercent: w = enc::wholePercent(float(i)); break;
        case Wire::Shift: w = floatBits(float(3 * kTwoPi / 48000.0)); break;
        case Wire::Pitch: unit.setWireValues(s.group, s.code, {537, 0x432943CF}); continue;
        case Wire::Compressor:
            if (s.valueIndex == 0) {
                uint32_t block[7];
                enc::compressorBlock(-3.0f * float(s.group), 1.0f + float(s.group), 5.0f * float(s.group),
                                100.0f * float(s.group), block);
                unit.setWireValues(s.group, s.code, std::vector<uint32_t>(block, block + 7));
            }
            continue;
        }
        unit.setWireValues(s.group, s.code, {w, w});
    }
}

class SyncOverUnit : public ::testing::Test {
protected:
    explicit SyncOverUnit(const SimOptions& o = {}) : unit(o) {}
    void SetUp() override {
        link = std::make_unique<UsbLink>(unit, st, log,
                                         LinkContext{notifier, prompter, SystemClock::instance()});
        ASSERT_EQ(link->ConnectDevice(), 1);
    }
    void TearDown() override { link.reset(); }
    Ctx& ctx() { return link->context(); }

    void expectMirrorsUnit() {
        for (const SlotInfo& s : kSlots) {
            SCOPED_TRACE(slotName(s.index));
            EXPECT_EQ(st.params.bits(s.index), expectedSlot(unit, s));
        }
        auto img = st.eqImage.copy();
        EXPECT_EQ(std::vector<uint8_t>(img.begin(), img.end()), unit.image());
        EXPECT_EQ(st.machine.committed.copy(), unit.machineSettings());
        EXPECT_EQ(st.machine.working.copy(), unit.machineSettings());
        EXPECT_EQ(st.remoteKeys.copy(), unit.remoteKeys());
        EXPECT_EQ(st.currentMode.load(), unit.currentMode());
    }

    VirtualUnit unit;
    DeviceState st;
    test::RecordingLog log;
    test::RecordingNotifier notifier;
    test::RecordingPrompter prompter;
    std::unique_ptr<UsbLink> link;
};

class SyncOverExtendedUnit : public SyncOverUnit {
protected:
    static SimOptions opts() {
        SimOptions o;
        o.extended = 1;
        o.mcuVersion = "2020-02-02";
        o.dspVersion = "2020-02-01";
        return o;
    }
    SyncOverExtendedUnit() : SyncOverUnit(opts()) {}
};

TEST_F(SyncOverExtendedUnit, ReadAllMirrorsEverythingTheUnitHolds) {
    SendBytes(ctx().out, {0x05, 2, -1});  // the unit now runs M3
    fillUnit(unit);
    std::vector<uint8_t> pattern(kImageSize);
    for (int i = 0; i < kImageSize; ++i) pattern[i] = uint8_t(i * 31 + 7);
    unit.setImage(pattern);
    unit.setMachineSettings({0, 11, 22, 88, 77, 1, 0x12, 3, 4, 2, 5, 6});
    std::array<uint8_t, 16> keys{};
    for (int i = 0; i < 16; ++i) keys[i] = uint8_t(0xC0 + i);
    unit.setRemoteKeys(keys);
    st.settingsModified = 1;
    unit.clearReceived();

    ASSERT_TRUE(ReadAll(ctx()));
    expectMirrorsUnit();
    EXPECT_EQ(st.identity.modelName.utf8(), "Q9");
    EXPECT_EQ(st.identity.protocolVersion.load(), 2);
    EXPECT_EQ(st.identity.mcuVersion.utf8(), "2020-02-02");
    EXPECT_EQ(st.identity.dspVersion.utf8(), "2020-02-01");
    EXPECT_EQ(st.identity.extendedInfo.load(), 1);
    EXPECT_EQ(st.settingsModified.load(), 0);
    EXPECT_TRUE(prompter.boxes.empty());  // no error reply for any request
    auto rx = unit.received();
    EXPECT_TRUE(std::any_of(rx.begin(), rx.end(), [](const HidReport& r) { return r[1] == 0x94; }));
}

TEST_F(SyncOverUnit, ReadAllAfterLoadingAModeShowsItsPreset) {
    LoadMode(ctx(), 1, {});
    ASSERT_TRUE(ReadAll(ctx()));
    EXPECT_EQ(st.slotInt(slot::micVolume), 60);
    EXPECT_EQ(st.slotInt(slot::musicVolume), 60);
    EXPECT_EQ(st.slotInt(outputSlot(GROUP_MAIN, OUT_VOLUME)), 80);
    EXPECT_EQ(st.currentMode.load(), 1);
    EXPECT_NEAR(eqBand(st, GROUP_MIC, 8).gainDb, 3.0f, 1e-4);
    expectMirrorsUnit();
}

TEST_F(SyncOverUnit, WriteAllDataLeavesTheUnitHoldingThePreset) {
    // A loaded preset: distinct values that survive the trip through the wire.
    for (const SlotInfo& s : kSlots) {
        int i = s.index;
        switch (s.wire) {
        case Wire::MsToSamples: st.setSlotFloat(i, float(4 + i)); break;
        case Wire::FloatPercent: st.setSlotFloat(i, float(i % 90)); break;
        case Wire::WholePercent: st.setSlotFloat(i, 12.0f); break;
        case Wire::Compressor: break;
        case Wire::Percent: st.setSlotInt(i, 10 + i % 80); break;
        case Wire::Div1e4: st.setSlotInt(i, 100); break;
        case Wire::Div1e5: st.setSlotInt(i, 200 + i); break;
        case Wire::Div1e7: st.setSlotInt(i, 300 + i); break;
        default: st.setSlotInt(i, i % 2); break;
        }
    }
    st.setSlotInt(slot::fbcShift, 4);
    st.setSlotInt(slot::fbcOff, 0);
    st.setSlotInt(slot::musicPitch, -7);
    st.setSlotInt(slot::pitchBypass, 0);
    for (int g = GROUP_MAIN; g <= GROUP_SUB; ++g) {
        st.setSlotInt(outputSlot(g, COMP_BYPASS), 0);  // not part of the full send
        st.setSlotFloat(outputSlot(g, COMP_THRESHOLD), -2.0f * float(g));
        st.setSlotFloat(outputSlot(g, COMP_RATIO), 4.0f);
        st.setSlotFloat(outputSlot(g, COMP_ATTACK), 10.0f);
        st.setSlotFloat(outputSlot(g, COMP_RELEASE), 300.0f);
    }
    auto rec = encodeBandRecord(6.0f, 1250, 2.5f, 1);
    st.eqImage.write(bandOffset(Eq::Rear, 5), 7, rec.data());
    st.machine.committed.set(0, 0);  // no volume fade
    unit.setWireValues(GROUP_MIC, '0', {enc::percent(33)});
    unit.setWireValues(GROUP_MUSIC, '0', {enc::percent(44), enc::percent(44)});

    WriteAllData(*link, ctx());
    // The volumes are not sent without the fade; the unit's own come back.
    EXPECT_EQ(st.slotInt(slot::micVolume), 33);
    EXPECT_EQ(st.slotInt(slot::musicVolume), 44);
    auto img = st.eqImage.copy();
    EXPECT_EQ(unit.image(), std::vector<uint8_t>(img.begin(), img.end()));
    // Every band of every equaliser got its coefficients.
    const std::array<uint32_t, 5> passThrough{0, 0, floatBits(1.0f), 0, 0};
    for (const EqInfo& e : kEqualisers)
        for (int k = 0; k < e.bands; ++k)
            EXPECT_NE(unit.coefficients(e.group, e.wireOffset + k), passThrough) << e.name << " " << k;
    EXPECT_EQ(st.settingsModified.load(), 0);

    // Reading it all back gives the same preset.
    StateSnapshot sent = snapshot(st);
    resetDeviceState(st);
    ASSERT_TRUE(ReadAll(ctx()));
    for (const SlotInfo& s : kSlots) {
        SCOPED_TRACE(slotName(s.index));
        if (s.wire == Wire::Compressor)
            EXPECT_NEAR(st.slotFloat(s.index), bitsFloat(sent.params[s.index]),
                        1e-4 * std::fabs(bitsFloat(sent.params[s.index])) + 1e-6);
        else
            EXPECT_EQ(st.params.bits(s.index), sent.params[s.index]);
    }
    img = st.eqImage.copy();
    EXPECT_EQ(std::vector<uint8_t>(img.begin(), img.end()),
              std::vector<uint8_t>(sent.image.begin(), sent.image.end()));
}

// Both ends of every slot's range go out in a full write and come back from
// a synchronisation as they went, within the range: the send, the read list
// and the decoder agree with the rows.
TEST_F(SyncOverUnit, RangeEndsSurviveAFullWriteAndAReadBack) {
    st.machine.committed.set(0, 0);  // no volume fade: its steps take seconds
    for (bool top : {false, true}) {
        SCOPED_TRACE(top ? "upper ends" : "lower ends");
        for (const SlotInfo& s : kSlots) {
            const float v = top ? s.range.hi : s.range.lo;
            if (s.isFloat)
                st.setSlotFloat(s.index, v);
            else
                st.setSlotInt(s.index, static_cast<int>(v));
        }
        WriteAllData(*link, ctx());
        // What the operations made of it (the pitch switches its bypass, a
        // shift of 1 sets the off switch).
        const StateSnapshot sent = snapshot(st);
        resetDeviceState(st);
        ASSERT_TRUE(ReadAll(ctx()));
        for (const SlotInfo& s : kSlots) {
            if (s.send != Send::Value && s.send != Send::Operation) continue;
            SCOPED_TRACE(slotName(s.index));
            if (s.isFloat) {
                const float want = bitsFloat(sent.params[s.index]), got = st.slotFloat(s.index);
                // A compressor time comes back through a logarithm of a single-precision coefficient.
                const float tol = s.wire == Wire::Compressor ? 2e-3f * std::fabs(want) + 1e-5f : 0.0f;
                EXPECT_NEAR(got, want, tol);
                EXPECT_GE(got, s.range.lo - tol);
                EXPECT_LE(got, s.range.hi + tol);
            } else {
                EXPECT_EQ(st.slotInt(s.index), static_cast<int32_t>(sent.params[s.index]));
                EXPECT_GE(st.slotInt(s.index), s.range.lo);
                EXPECT_LE(st.slotInt(s.index), s.range.hi);
            }
        }
    }
}

class SyncOverWrongUnit : public SyncOverUnit {
protected:
    static SimOptions opts() {
        SimOptions o;
        o.protocol = 1;
        return o;
    }
    SyncOverWrongUnit() : SyncOverUnit(opts()) {}
};

TEST_F(SyncOverWrongUnit, ReadAllStopsAfterTheIdentity) {
    EXPECT_FALSE(ReadAll(ctx()));
    EXPECT_EQ(st.identity.protocolVersion.load(), 1);
    auto rx = unit.received();
    ASSERT_EQ(rx.size(), 3u);
    EXPECT_EQ(rx[2][1], 0x81);
}

// Slow replies must not break the pacing: each request still gets its own answer.
class SyncOverSlowUnit : public SyncOverUnit, public ::testing::WithParamInterface<const char*> {
protected:
    static SimOptions opts(const char* text) {
        SimOptions o;
        EXPECT_TRUE(parseSimOptions(text, o));
        return o;
    }
    SyncOverSlowUnit() : SyncOverUnit(opts(GetParam())) {}
};

TEST_P(SyncOverSlowUnit, ReadAllStillMirrorsTheUnit) {
    fillUnit(unit);
    ASSERT_TRUE(ReadAll(ctx()));
    expectMirrorsUnit();
}

INSTANTIATE_TEST_SUITE_P(Timing, SyncOverSlowUnit, ::testing::Values("latency-ms=2", "frames"));

class SyncOverNoisyUnit : public SyncOverUnit {
protected:
    static SimOptions opts() {
        SimOptions o;
        o.garbage = true;
        o.seed = 77;
        return o;
    }
    SyncOverNoisyUnit() : SyncOverUnit(opts()) {}
};

TEST_F(SyncOverNoisyUnit, RandomReportsAmongTheRepliesAreSurvived) {
    ReadAll(ctx());  // whatever garbage did to the mirror, the sequence ends
    WriteAllData(*link, ctx());
    SendBytes(ctx().out, {0x80, -1});
    SendBytes(ctx().out, {0x7F, -1});
    SendBytes(ctx().out, {0x7F, -1});
    EXPECT_EQ(link->connected.load(), 1);
    EXPECT_EQ(link->g_bReadThreadEnd.load(), 0);
}

// The demo unit: what an installer leaves behind, as the window reads it.
class SyncOverDemoUnit : public SyncOverUnit {
protected:
    static SimOptions opts() {
        SimOptions o;
        EXPECT_TRUE(parseSimOptions("demo", o));
        return o;
    }
    SyncOverDemoUnit() : SyncOverUnit(opts()) {}
};

TEST_F(SyncOverDemoUnit, StartsAsAnInstalledM1AndThePlainUnitStaysAtZero) {
    ASSERT_TRUE(ReadAll(ctx()));
    expectMirrorsUnit();
    EXPECT_EQ(st.currentMode.load(), 0);
    EXPECT_EQ(st.slotInt(slot::micVolume), 75);
    EXPECT_EQ(st.slotInt(slot::musicVolume), 65);
    EXPECT_EQ(st.slotInt(outputSlot(GROUP_MAIN, OUT_VOLUME)), 85);
    for (int g = GROUP_MAIN; g <= GROUP_SUB; ++g) {
        EXPECT_EQ(st.slotInt(outputSlot(g, COMP_BYPASS)), 0) << g;
        EXPECT_GT(st.slotFloat(outputSlot(g, COMP_RATIO)), 1.0f) << g;  // ratio 1 would do nothing
    }
    // Shaped microphone and main equalisers: a high-pass below, boosts and cuts above.
    for (Eq eq : {Eq::Mic1, Eq::Mic2, Eq::Main}) {
        EXPECT_EQ(readBand(st, eq, 0).type, 3) << eqInfo(eq).name;
        int shaped = 0;
        for (int k = 0; k < eqInfo(eq).bands; ++k) shaped += readBand(st, eq, k).gainDb != 0.0f;
        EXPECT_GE(shaped, 4) << eqInfo(eq).name;
    }
    // The subwoofer's last four sections: Linkwitz-Riley 24 dB, 12 12 1 1.
    const int types[4] = {12, 12, 1, 1};
    for (int k = 0; k < 4; ++k) {
        const EqBandValue b = readBand(st, Eq::Sub, 16 + k);
        EXPECT_EQ(b.type, types[k]) << k;
        EXPECT_EQ(b.freqHz, 90) << k;
    }
    // Stored as M1 too: loading M1 again changes nothing.
    EXPECT_EQ(unit.storedMode(0).image, unit.current().image);

    VirtualUnit plain;
    EXPECT_EQ(plain.wireValues(GROUP_MIC, '0'), std::vector<uint32_t>{enc::percent(0)});
}

}  // namespace
}  // namespace udare::sim
