#include <algorithm>
#include <cmath>

#include "protocol/codec.h"
#include "protocol/commands.h"
#include "protocol/effect_tables.h"

namespace udare {

namespace {

bool isOutputGroup(int group) { return group >= GROUP_MAIN && group <= GROUP_SUB; }
bool isStereoOutput(int group) { return group == GROUP_MAIN || group == GROUP_REAR; }

// Store an int slot and send it with its own group, code and encoding.
void setAndSend(Ctx& c, int slotIndex, int v, int count) {
    c.st.setSlotInt(slotIndex, v);
    SendSlot(c, slotIndex, count);
}

constexpr int kMusicFadeStepMs = 30;
constexpr int kVolumeFadeStepMs = 100;
constexpr int kMicFadeFrom = 80;
constexpr int kMusicFadeFrom = 60;
constexpr int kFadeTop = 100;  // full scale: steps never go beyond it

}  // namespace

void SetMicVolume(Ctx& c, int v) { setAndSend(c, slot::micVolume, v, 1); }
void SetSpareLevel(Ctx& c, int v) { setAndSend(c, slot::micSpareLevel, v, 1); }
void SetEffectVolume(Ctx& c, int v) { setAndSend(c, slot::effectVolume, v, 1); }
void SetMicMute(Ctx& c, int muted) { setAndSend(c, slot::micMute, muted, 1); }
void SetMusicVolume(Ctx& c, int v) { setAndSend(c, slot::musicVolume, v, 2); }
void SetEchoMute(Ctx& c, int muted) { setAndSend(c, slot::echoMute, muted, 2); }
void SetReverbMute(Ctx& c, int muted) { setAndSend(c, slot::reverbMute, muted, 1); }

void SetMusicMute(Ctx& c, int muted) {
    c.st.setSlotInt(slot::musicMute, muted);
    const char code = kSlots[slot::musicMute].code;
    if (muted != 0) {
        WriteParamRaw(c.out, GROUP_MUSIC, code, floatBits(0.0f), 2);
        return;
    }
    // Bring the music back gently rather than with a click.
    for (int i = 0; i <= 8; ++i) {
        WriteParamRaw(c.out, GROUP_MUSIC, code, floatBits(float(i / 10.0)), 2);
        c.clock.sleepMs(kMusicFadeStepMs);
    }
    WriteParamRaw(c.out, GROUP_MUSIC, code, floatBits(1.0f), 2);
}

void SetOutputLevel(Ctx& c, int group, Source src, int v) {
    const int s = static_cast<int>(src);
    if (!isOutputGroup(group) || s < 0 || s > 3) return;
    setAndSend(c, outputSlot(group, OUT_MIC_LEVEL + s), v, 1);
}

void SetOutputVolume(Ctx& c, int group, int v) {
    if (!isOutputGroup(group)) return;
    setAndSend(c, outputSlot(group, OUT_VOLUME), v, isStereoOutput(group) ? 2 : 1);
}

int outputDelaySlot(int group, Side side) {
    switch (group) {
    case GROUP_MAIN: return side == Side::Left ? slot::mainDelayLeft : slot::mainDelayRight;
    case GROUP_REAR: return side == Side::Left ? slot::rearDelayLeft : slot::rearDelayRight;
    case GROUP_CENTER: return side == Side::Left ? slot::centerDelay : -1;
    case GROUP_SUB: return side == Side::Left ? slot::subDelay : -1;
    default: return -1;
    }
}

int outputDelayOnSlot(int group, Side side) {
    switch (group) {
    case GROUP_MAIN: return side == Side::Left ? slot::mainDelayLeftOn : slot::mainDelayRightOn;
    case GROUP_REAR: return side == Side::Left ? slot::rearDelayLeftOn : slot::rearDelayRightOn;
    case GROUP_CENTER: return side == Side::Left ? slot::centerDelayOn : -1;
    case GROUP_SUB: return side == Side::Left ? slot::subDelayOn : -1;
    default: return -1;
    }
}

void SetOutputDelay(Ctx& c, int group, Side side, float ms) {
    const int s = outputDelaySlot(group, side);
    if (s < 0) return;
    if (!(ms >= 1.5f)) ms = 1.5f;  // NaN too
    c.st.setSlotFloat(s, ms);
    if (c.st.hasOutputDelays()) SendSlot(c, s, 1);
}

void SetOutputDelayOn(Ctx& c, int group, Side side, int on) {
    const int s = outputDelayOnSlot(group, side);
    if (s < 0) return;
    setAndSend(c, s, on, 1);
}

// ---- full-send building blocks ----------------------------------------------

void SendSlot(Ctx& c, int slotIndex, int count) {
    if (slotIndex < 0 || slotIndex >= kSlotCount) return;
    const SlotInfo& s = kSlots[slotIndex];
    const uint32_t bits = c.st.params.bits(slotIndex);
    switch (s.wire) {
    case Wire::Shift:
        WriteParamRaw(c.out, s.group, s.code, enc::fbcShift(static_cast<int32_t>(bits)), count);
        return;
    case Wire::Pitch: {
        const int n = static_cast<int32_t>(bits);
        if (n < kPitchMin || n > kPitchMax) return;
        uint8_t payload[8];
        enc::pitch(n, payload);
        WriteParamBlock(c.out, s.group, s.code, payload, 2);
        return;
    }
    case Wire::Compressor: {
        const int base = outputBase(s.group);
        uint32_t v[7];
        enc::compressorBlock(c.st.slotFloat(base + COMP_THRESHOLD), c.st.slotFloat(base + COMP_RATIO),
                             c.st.slotFloat(base + COMP_ATTACK), c.st.slotFloat(base + COMP_RELEASE),
                             v);
        uint8_t wire[28];
        for (int k = 0; k < 7; ++k) putBe32(wire + 4 * k, v[k]);
        WriteParamBlock(c.out, s.group, s.code, wire, 7);
        return;
    }
    default: WriteParamRaw(c.out, s.group, s.code, encodeSlot(s.wire, bits), count); return;
    }
}

void SendVolumesZero(Ctx& c) {
    WriteParamPercent(c.out, GROUP_MIC, kSlots[slot::micVolume].code, 0, 1);
    WriteParamPercent(c.out, GROUP_MUSIC, kSlots[slot::musicVolume].code, 0, 2);
}

void FadeInVolumes(Ctx& c) {
    const char micCode = kSlots[slot::micVolume].code;
    const char musicCode = kSlots[slot::musicVolume].code;

    const int mic = c.st.slotInt(slot::micVolume);
    if (mic < kMicFadeFrom) {
        WriteParamPercent(c.out, GROUP_MIC, micCode, mic, 1);
    } else {
        for (int v = kMicFadeFrom; v <= std::min(mic, kFadeTop); ++v)
            WriteParamPercent(c.out, GROUP_MIC, micCode, v, 1);
        if (mic > kFadeTop) WriteParamPercent(c.out, GROUP_MIC, micCode, mic, 1);
    }

    const int music = c.st.slotInt(slot::musicVolume);
    if (music < kMusicFadeFrom) {
        SetMusicVolume(c, music);
    } else {
        for (int v = kMusicFadeFrom; v <= std::min(music, kFadeTop); ++v) {
            WriteParamPercent(c.out, GROUP_MUSIC, musicCode, v, 2);
            c.clock.sleepMs(kVolumeFadeStepMs);
        }
        if (music > kFadeTop) WriteParamPercent(c.out, GROUP_MUSIC, musicCode, music, 2);
    }
}

}  // namespace udare
