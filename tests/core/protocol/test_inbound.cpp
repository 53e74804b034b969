#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "protocol/codec.h"
#include "protocol/inbound.h"
#include "upgrade/upgrade_hooks.h"
#include "test_support.h"

namespace udare {
namespace {

using test::fromHex;

// Remembers the transfer gate as it was while each box was open.
class GatePrompter : public test::RecordingPrompter {
public:
    explicit GatePrompter(UpgradeHooks& hooks) : hooks_(hooks) {}
    Answer messageBox(std::string_view text, std::string_view caption, Icon icon,
                      Buttons buttons) override {
        gates.push_back(hooks_.transferGate.load());
        return RecordingPrompter::messageBox(text, caption, icon, buttons);
    }
    std::vector<int> gates;

private:
    UpgradeHooks& hooks_;
};

class Inbound : public ::testing::Test {
protected:
    DeviceState st;
    test::RecordingSink sink;
    test::FakeClock clock;
    test::RecordingLog log;
    test::RecordingNotifier notifier;
    UpgradeHooks hooks;
    GatePrompter prompter{hooks};
    Ctx c{st, sink, clock, log, notifier, prompter, &hooks};

    void dispatch(const HidReport& r) { DispatchReport(c, r.data(), r.size()); }
    void dispatch(const std::string& hex) { dispatch(fromHex(hex)); }
    void reply(int group, int code, std::vector<uint32_t> values, uint8_t error = 0) {
        HidReport r = buildParamReport(0x0A, group, code, values.data(), int(values.size()));
        r[2] = error;
        dispatch(r);
    }
};

struct ParamCase {
    const char* what;
    int group;
    char code;
    std::vector<uint32_t> values;
    int slot;
    bool isFloat;
    double expected;
};

TEST_F(Inbound, ParamRepliesDecodeIntoTheirSlots) {
    const float shift5 = float(5 * 2 * std::numbers::pi / 48000);
    const ParamCase cases[] = {
        {"percent", 1, '0', {floatBits(0.5f)}, slot::micVolume, false, 50},
        {"percent below one", 1, '2', {floatBits(0.004f)}, slot::effectVolume, false, 0},
        {"mute gain of 0.004 is muted", 1, '3', {floatBits(0.004f)}, slot::micMute, false, 1},
        {"mute gain of 1.0 is not", 1, '3', {floatBits(1.0f)}, slot::micMute, false, 0},
        {"integer reads the last byte", 1, '4', {0x00000102}, slot::mic1EqBypass, false, 2},
        {"shift step 5", 1, '6', {floatBits(shift5)}, slot::fbcShift, false, 5},
        {"shift 0.0 is step 1", 1, '6', {0}, slot::fbcShift, false, 1},
        {"shift huge clamps to 5", 1, '6', {floatBits(1e30f)}, slot::fbcShift, false, 5},
        {"shift NaN is step 1", 1, '6', {0x7FC00000}, slot::fbcShift, false, 1},
        {"code 8 goes to fbcOff", 1, '8', {1}, slot::fbcOff, false, 1},
        {"div 1e4", 1, '9', {floatBits(0.0005f)}, slot::micGateThreshold, false, 5},
        {"div 1e5", 1, ';', {floatBits(0.00012f)}, slot::micGateAttack, false, 12},
        {"div 1e7", 1, '<', {floatBits(0.0000034f)}, slot::micGateRelease, false, 34},
        {"samples to ms", 2, '5', {4800}, slot::echoTapDelay0, true, 100.0},
        {"float percent", 2, '<', {floatBits(0.6f)}, slot::echoTapLevel0, true, 60.0},
        {"last echo code", 2, 'C', {floatBits(0.25f)}, slot::echoRatio, false, 25},
        {"reverb switch", 3, '2', {1}, slot::reverbEqBypass, false, 1},
        {"reverb time as float percent", 3, '5', {floatBits(0.3f)}, slot::reverbTime, true, 30},
        {"pitch +5 by its float bits", 4, '8', {508, 0x430CA528}, slot::musicPitch, false, 5},
        {"pitch -12", 4, '8', {480, 0xC3A0B6F9}, slot::musicPitch, false, -12},
        {"pitch not in the table", 4, '8', {508, 0x430CA529}, slot::musicPitch, false, 0},
        {"pitch bypass", 4, '6', {1}, slot::pitchBypass, false, 1},
        {"main delay", 5, '8', {480}, slot::mainDelayLeft, true, 10.0},
        {"main delay switch inverted", 5, '9', {0}, slot::mainDelayLeftOn, false, 1},
        {"rear right delay switch", 6, ';', {1}, slot::rearDelayRightOn, false, 0},
        {"center delay", 7, '8', {96}, slot::centerDelay, true, 2.0},
        {"sub delay switch", 8, '9', {0}, slot::subDelayOn, false, 1},
        {"sub volume", 8, '5', {floatBits(0.75f)}, outputSlot(GROUP_SUB, OUT_VOLUME), false, 75},
    };
    for (const ParamCase& k : cases) {
        SCOPED_TRACE(k.what);
        st.setSlotInt(slot::fbcShift, 3);
        st.setSlotInt(slot::musicPitch, 7);
        reply(k.group, k.code, k.values);
        if (k.isFloat)
            EXPECT_FLOAT_EQ(st.slotFloat(k.slot), float(k.expected));
        else
            EXPECT_EQ(st.slotInt(k.slot), int(k.expected));
    }
}

TEST_F(Inbound, IgnoredGroupsAndCodesChangeNothing) {
    const struct {
        int group;
        char code;
    } ignored[] = {{0, '0'}, {9, '0'}, {255, '0'}, {1, '7'}, {1, '?'}, {1, '/'}, {2, 'D'},
                   {3, '6'}, {4, '7'}, {4, '9'}, {5, '<'}, {6, '<'}, {7, ':'}, {8, ';'}};
    for (const auto& k : ignored) {
        SCOPED_TRACE(testing::Message() << k.group << " '" << k.code << "'");
        StateSnapshot before = snapshot(st);
        reply(k.group, k.code, {0x12345678, 0x9ABCDEF0});
        StateSnapshot after = snapshot(st);
        EXPECT_EQ(before.params, after.params);
        EXPECT_EQ(before.image, after.image);
    }
}

TEST_F(Inbound, ReverbSwitchLeavesEchoSwitchAlone) {
    st.setSlotInt(slot::echoEqBypass, 0);
    reply(3, '2', {1});
    EXPECT_EQ(st.slotInt(slot::reverbEqBypass), 1);
    EXPECT_EQ(st.slotInt(slot::echoEqBypass), 0);
}

// Coefficient the unit receives for a time in ms (single precision steps).
uint32_t timeCoefficient(float ms) {
    float t = ms * 48.0f;
    float x = -1.0f / t;
    float e = std::exp(x);
    return floatBits(1.0f - e);
}

TEST_F(Inbound, CompressorBlockIsInverted) {
    reply(5, '7', {floatBits(-10.0f), 0, floatBits(0.75f), floatBits(20.0f), floatBits(0.05f),
                   timeCoefficient(10.0f), timeCoefficient(200.0f)});
    int b = outputBase(GROUP_MAIN);
    EXPECT_FLOAT_EQ(st.slotFloat(b + COMP_THRESHOLD), -10.0f);
    EXPECT_FLOAT_EQ(st.slotFloat(b + COMP_RATIO), 4.0f);
    // Times come back in whole samples.
    EXPECT_FLOAT_EQ(st.slotFloat(b + COMP_ATTACK), 10.0f);
    EXPECT_NEAR(st.slotFloat(b + COMP_RELEASE), 200.0, 0.5);
    // The other output groups are untouched.
    EXPECT_FLOAT_EQ(st.slotFloat(outputSlot(GROUP_REAR, COMP_RATIO)), 1.0f);
}

TEST_F(Inbound, CompressorTimesSurviveRepeatedReadBackAndWrite) {
    int b = outputBase(GROUP_SUB);
    for (float ms : {0.5f, 1.0f, 2.5f, 10.0f, 20.0f, 150.0f, 800.0f, 3000.0f}) {
        float t = ms;
        float first = 0;
        for (int cycle = 0; cycle < 5; ++cycle) {
            reply(8, '7', {0, 0, 0, 0, 0, timeCoefficient(t), timeCoefficient(t)});
            t = st.slotFloat(b + COMP_ATTACK);
            if (cycle == 0) first = t;
        }
        EXPECT_FLOAT_EQ(t, first) << ms << " ms drifts";
        if (ms <= 20.0f) {
            EXPECT_FLOAT_EQ(first, ms);
        }
    }
}

TEST_F(Inbound, CompressorValuesWithoutAFiniteInverseKeepTheSlot) {
    int b = outputBase(GROUP_CENTER);
    st.setSlotFloat(b + COMP_THRESHOLD, -3.0f);
    st.setSlotFloat(b + COMP_RATIO, 2.0f);
    st.setSlotFloat(b + COMP_ATTACK, 5.0f);
    st.setSlotFloat(b + COMP_RELEASE, 50.0f);
    // NaN threshold, ratio value 1 (1/0), attack 0 (1/ln 1), release 2 (ln of a negative).
    reply(7, '7', {0x7FC00000, 0, floatBits(1.0f), 0, 0, 0, floatBits(2.0f)});
    EXPECT_FLOAT_EQ(st.slotFloat(b + COMP_THRESHOLD), -3.0f);
    EXPECT_FLOAT_EQ(st.slotFloat(b + COMP_RATIO), 2.0f);
    EXPECT_FLOAT_EQ(st.slotFloat(b + COMP_ATTACK), 5.0f);
    EXPECT_FLOAT_EQ(st.slotFloat(b + COMP_RELEASE), 50.0f);
    // A coefficient of 1 is an instant attack: finite, so stored.
    reply(7, '7', {0, 0, 0, 0, 0, floatBits(1.0f), 0});
    EXPECT_FLOAT_EQ(st.slotFloat(b + COMP_ATTACK), 0.0f);
    EXPECT_FLOAT_EQ(st.slotFloat(b + COMP_RATIO), 1.0f);
}

TEST_F(Inbound, ParamErrorBoxShowsOnceAndTheValueIsStillStored) {
    reply(5, '7', {floatBits(-6.0f), 0, floatBits(0.5f), 0, 0, 0, 0}, 0x11);
    ASSERT_EQ(prompter.boxes.size(), 1u);
    EXPECT_EQ(prompter.boxes[0].text, "参数错误,代码0x:11,指令1:0x05,指令2:0x37 ");
    EXPECT_EQ(prompter.boxes[0].caption, "Error");
    EXPECT_EQ(st.paramErrorShown.load(), 1);
    EXPECT_FLOAT_EQ(st.slotFloat(outputSlot(GROUP_MAIN, COMP_RATIO)), 2.0f);

    reply(1, '0', {floatBits(0.3f)}, 0x02);
    EXPECT_EQ(prompter.boxes.size(), 1u);
    EXPECT_EQ(st.slotInt(slot::micVolume), 30);
}

TEST_F(Inbound, AcknowledgementsMarkSettingsModified) {
    for (const char* hex : {"02 09", "02 14"}) {
        st.settingsModified = 0;
        dispatch(hex);
        EXPECT_EQ(st.settingsModified.load(), 1) << hex;
    }
    st.settingsModified = 0;
    reply(1, '0', {0});
    EXPECT_EQ(st.settingsModified.load(), 0);
}

TEST_F(Inbound, ImagePieces) {
    auto piece = [](int offset, int n, uint8_t fillByte) {
        HidReport r{};
        r[0] = 0x02;
        r[1] = 0x86;
        r[2] = uint8_t(offset >> 8);
        r[3] = uint8_t(offset);
        r[4] = uint8_t(n);
        for (int i = 5; i < kReportSize; ++i) r[i] = fillByte;
        return r;
    };
    const struct {
        const char* what;
        int offset, length;
        int firstChanged, changed;
    } table[] = {
        {"last seven bytes", 952, 7, 952, 7},
        {"length capped at 56", 0, 59, 0, 56},
        {"never past the end", 950, 56, 950, 9},
        {"offset 959 ignored", 959, 7, 0, 0},
        {"offset far beyond ignored", 0xFFFF, 56, 0, 0},
        {"length zero", 100, 0, 0, 0},
    };
    for (const auto& k : table) {
        SCOPED_TRACE(k.what);
        st.eqImage.fill(0x11);
        dispatch(piece(k.offset, k.length, 0xAB));
        for (int i = 0; i < kImageSize; ++i) {
            bool inside = i >= k.firstChanged && i < k.firstChanged + k.changed;
            ASSERT_EQ(st.eqImage[i], inside ? 0xAB : 0x11) << "byte " << i;
        }
    }

    st.eqImage.fill(0x11);
    dispatch(piece(56, 56, 0xFF));
    for (int i = 0; i < kImageSize; ++i) ASSERT_EQ(st.eqImage[i], 0) << "FF FF clears byte " << i;
}

TEST_F(Inbound, TextReplies) {
    dispatch("02 80 51 39 00 41 42");
    EXPECT_EQ(st.identity.modelName.utf8(), "Q9");

    HidReport longText{};
    longText[1] = 0x81;
    for (int i = 2; i < kReportSize; ++i) longText[i] = 'A' + (i % 26);
    dispatch(longText);
    EXPECT_EQ(st.identity.mcuVersion.get().size(), 10u);
    EXPECT_EQ(st.identity.mcuVersion.utf8().substr(0, 3), "CDE");
    longText[1] = 0x80;
    dispatch(longText);
    EXPECT_EQ(st.identity.modelName.get().size(), 29u);

    // Bytes are widened one to one, not decoded.
    dispatch("02 7E 32 30 E9 00");
    EXPECT_EQ(st.identity.dspVersion.get(), (std::u16string{u'2', u'0', u'\u00E9'}));
    dispatch("02 7E 00 31");
    EXPECT_EQ(st.identity.dspVersion.get(), u"");
}

TEST_F(Inbound, StatusReplies) {
    dispatch("02 07 03");
    EXPECT_EQ(st.currentMode.load(), 3);
    dispatch("02 7F 01");
    EXPECT_EQ(st.identity.protocolVersion.load(), 1);
    dispatch("02 95 01");
    EXPECT_EQ(st.identity.extendedInfo.load(), 1);
    dispatch("02 0E 10 20 30 40");
    EXPECT_EQ(st.identity.meterLevels[0], 0x10);
    EXPECT_EQ(st.identity.meterLevels[2], 0x30);
    dispatch("02 03 00 01 77 12 34");
    EXPECT_EQ(st.identity.fwVersionHi.load(), 0x12);
    EXPECT_EQ(st.identity.fwVersionLo.load(), 0x34);
    dispatch("02 03 00 02 77 56 78");  // neither form: nothing
    EXPECT_EQ(st.identity.fwVersionHi.load(), 0x12);

    dispatch("02 92 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D");
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(st.machine.committed[i], i + 1);
        EXPECT_EQ(st.machine.working[i], i + 1);
    }
    dispatch("02 62 00 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F 99");
    EXPECT_EQ(st.remoteKeys[0], 0x00);
    EXPECT_EQ(st.remoteKeys[15], 0x1F);

    StateSnapshot before = snapshot(st);
    dispatch("02 94 01 02 03");
    dispatch("02 55 01 02 03");
    StateSnapshot after = snapshot(st);
    EXPECT_EQ(before.params, after.params);
    EXPECT_EQ(before.remoteKeys, after.remoteKeys);
    EXPECT_EQ(before.machine, after.machine);
}

TEST_F(Inbound, LearnedKeyIsStoredAndDelivered) {
    dispatch("02 60 01 03 5A");
    EXPECT_EQ(st.remoteKeys[0], 0x01);
    EXPECT_EQ(st.remoteKeys[3], 0x5A);
    ASSERT_EQ(notifier.keys, std::vector<int>{0x5A});

    auto keys = st.remoteKeys.copy();
    dispatch("02 60 07 10 66");  // slot 16 does not exist: only the header byte changes
    keys[0] = 0x07;
    EXPECT_EQ(st.remoteKeys.copy(), keys);
    EXPECT_EQ(notifier.keys, (std::vector<int>{0x5A, 0x66}));
}

TEST_F(Inbound, McuImageCheck) {
    dispatch("02 03 E4 00 03 AA BB CC");
    EXPECT_EQ(hooks.mcuCheckPassed.load(), 0) << "not armed";
    hooks.armMcuCheck(0xAA, 0xBB, 0xCC);
    dispatch("02 03 E4 00 03 AA BB CD");
    EXPECT_EQ(hooks.mcuCheckPassed.load(), 0);
    dispatch("02 03 E4 00 03 AA BB CC");
    EXPECT_EQ(hooks.mcuCheckPassed.load(), 1);

    Ctx bare{st, sink, clock, log, notifier, prompter};
    HidReport r = fromHex("02 03 E4 00 03 AA BB CC");
    DispatchReport(bare, r.data(), r.size());  // no hooks: nothing to do
}

TEST_F(Inbound, FlashErrorsShowTheirTextWithTheGateClosed) {
    const struct {
        std::string hex;
        const char* text;
    } cases[] = {
        {"02 DC 01", "POLL_TIMEOUT"},         {"02 DD 03", "INVALID_SECTOR"},
        {"02 DC 0B", "NUM_ERROR_CODES"},      {"02 DD 0C", "UNKNOWN_ERROR_12"},
        {"02 DE FF 00 00 00 00", "UNKNOWN_ERROR_255"},
    };
    for (const auto& k : cases) {
        prompter.boxes.clear();
        prompter.gates.clear();
        dispatch(k.hex);
        ASSERT_EQ(prompter.boxes.size(), 1u) << k.hex;
        EXPECT_EQ(prompter.boxes[0].text, k.text);
        EXPECT_EQ(prompter.boxes[0].caption, "错误");
        EXPECT_EQ(prompter.boxes[0].icon, Prompter::Icon::Error);
        EXPECT_EQ(prompter.gates, std::vector<int>{0});
        EXPECT_EQ(hooks.transferGate.load(), 1);
    }
    prompter.boxes.clear();
    dispatch("02 DC 00");
    dispatch("02 DD 00");
    EXPECT_TRUE(prompter.boxes.empty());
}

TEST_F(Inbound, ReadBackFillsOnlyWholePiecesInsideTheBuffer) {
    std::vector<uint8_t> buffer(96, 0);
    hooks.attachReadBack(buffer.data(), buffer.size(), 0x200000);
    auto readBack = [&](uint32_t address, uint8_t fillByte, uint8_t status = 0) {
        HidReport r{};
        r[1] = 0xDE;
        r[2] = status;
        putBe32(&r[3], address);
        for (int i = 7; i < 39; ++i) r[i] = fillByte;
        dispatch(r);
    };
    readBack(0x200000, 0x01);
    readBack(0x200040, 0x03);
    readBack(0x200020, 0x02);  // this address is never a read-back piece
    readBack(0x200041, 0x04);  // would end past the buffer
    readBack(0x1FFFF0, 0x05);  // starts before it
    readBack(0xFFFFFFF0, 0x06);
    for (int i = 0; i < 96; ++i) EXPECT_EQ(buffer[i], i < 32 ? 1 : i < 64 ? 0 : 3) << i;

    readBack(0x200020 + 0x20, 0x07, 0x02);  // copied, then the error is shown
    EXPECT_EQ(buffer[64], 0x07);
    ASSERT_EQ(prompter.boxes.size(), 1u);
    EXPECT_EQ(prompter.boxes[0].text, "VERIFY_WRITE");

    hooks.detachReadBack();
    readBack(0x200000, 0x09);
    EXPECT_EQ(buffer[0], 0x01);
}

TEST_F(Inbound, ShortReportsReadMissingBytesAsZero) {
    st.currentMode = 2;
    const uint8_t mode[] = {0x02, 0x07};
    DispatchReport(c, mode, sizeof mode);
    EXPECT_EQ(st.currentMode.load(), 0);

    st.setSlotInt(slot::micVolume, 40);
    const uint8_t param[] = {0x02, 0x0A, 0x00, 0x01, 0x30, 0x01, 0x3F};  // value 3F 00 00 00
    DispatchReport(c, param, sizeof param);
    EXPECT_EQ(st.slotInt(slot::micVolume), 50);

    DispatchReport(c, nullptr, 0);
    const uint8_t nothing[1] = {0};
    DispatchReport(c, nothing, 0);

    // A longer buffer is cut at 61 bytes.
    std::vector<uint8_t> big(200, 0x41);
    big[1] = 0x80;
    DispatchReport(c, big.data(), big.size());
    EXPECT_EQ(st.identity.modelName.get().size(), 29u);
}

}  // namespace
}  // namespace udare
