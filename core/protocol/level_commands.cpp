#include <algorithm>
#include <cmath>

#include "protocol/codec.h"
#include "protocol/commands.h"
#include "protocol/effect_tables.h"

namespace udare {

namespace {

constexpr int kMusicFadeStepMs = 30;
constexpr int kVolumeFadeStepMs = 100;
constexpr int kMicFadeFrom = 80;
constexpr int kMusicFadeFrom = 60;
constexpr int kFadeTop = 100;  // full scale: steps never go beyond it

}  // namespace

void setAndSend(Ctx& c, int slotIndex, int v) {
    if (slotIndex < 0 || slotIndex >= kSlotCount) return;
    c.st.setSlotInt(slotIndex, v);
    SendSlot(c, slotIndex);
}

void SetMicVolume(Ctx& c, int v) { setAndSend(c, slot::micVolume, v); }
void SetSpareLevel(Ctx& c, int v) { setAndSend(c, slot::micSpareLevel, v); }
void SetEffectVolume(Ctx& c, int v) { setAndSend(c, slot::effectVolume, v); }
void SetMicMute(Ctx& c, int muted) { setAndSend(c, slot::micMute, muted); }
void SetMusicVolume(Ctx& c, int v) { setAndSend(c, slot::musicVolume, v); }
void SetEchoMute(Ctx& c, int muted) { setAndSend(c, slot::echoMute, muted); }
void SetReverbMute(Ctx& c, int muted) { setAndSend(c, slot::reverbMute, muted); }

void SetMusicMute(Ctx& c, int muted) {
    c.st.setSlotInt(slot::musicMute, muted);
    const SlotInfo& s = kSlots[slot::musicMute];
    if (muted != 0) {
        WriteParamRaw(c.out, s.group, s.code, floatBits(0.0f), s.count);
        return;
    }
    // Bring the music back gently rather than with a click.
    for (int i = 0; i <= 8; ++i) {
        WriteParamRaw(c.out, s.group, s.code, floatBits(float(i / 10.0)), s.count);
        c.clock.sleepMs(kMusicFadeStepMs);
    }
    WriteParamRaw(c.out, s.group, s.code, floatBits(1.0f), s.count);
}

void SetOutputLevel(Ctx& c, int group, Source src, int v) {
    const int s = static_cast<int>(src);
    if (!isOutputGroup(group) || s < 0 || s > 3) return;
    setAndSend(c, outputSlot(group, OUT_MIC_LEVEL + s), v);
}

void SetOutputVolume(Ctx& c, int group, int v) {
    if (!isOutputGroup(group)) return;
    setAndSend(c, outputSlot(group, OUT_VOLUME), v);
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
    if (c.st.hasOutputDelays()) SendSlot(c, s);
}

void SetOutputDelayOn(Ctx& c, int group, Side side, int on) {
    const int s = outputDelayOnSlot(group, side);
    if (s < 0) return;
    setAndSend(c, s, on);
}

// ---- full-send building blocks ----------------------------------------------

void SendSlot(Ctx& c, int slotIndex) {
    if (slotIndex < 0 || slotIndex >= kSlotCount) return;
    const SlotInfo& s = kSlots[slotIndex];
    const uint32_t bits = c.st.params.bits(slotIndex);
    const int count = s.count;
    switch (s.wire) {
    case Wire::Shift:
        WriteParamRaw(c.out, s.group, s.code, enc::fbcShift(static_cast<int32_t>(bits)), count);
        return;
    case Wire::Pitch: {
        const int n = static_cast<int32_t>(bits);
        if (n < kPitchMin || n > kPitchMax) return;
        uint8_t payload[8];
        enc::pitch(n, payload);
        WriteParamBlock(c.out, s.group, s.code, payload, count);
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
        WriteParamBlock(c.out, s.group, s.code, wire, count);
        return;
    }
    default: WriteParamRaw(c.out, s.group, s.code, encodeSlot(s.wire, bits), count); return;
    }
}

namespace {

// A volume step of a fade: sent, not stored.
void sendVolume(Ctx& c, int slotIndex, int v) {
    const SlotInfo& s = kSlots[slotIndex];
    WriteParamPercent(c.out, s.group, s.code, v, s.count);
}

}  // namespace

void SendVolumesZero(Ctx& c) {
    sendVolume(c, slot::micVolume, 0);
    sendVolume(c, slot::musicVolume, 0);
}

void FadeInVolumes(Ctx& c) {
    const int mic = c.st.slotInt(slot::micVolume);
    if (mic < kMicFadeFrom) {
        sendVolume(c, slot::micVolume, mic);
    } else {
        for (int v = kMicFadeFrom; v <= std::min(mic, kFadeTop); ++v)
            sendVolume(c, slot::micVolume, v);
        if (mic > kFadeTop) sendVolume(c, slot::micVolume, mic);
    }

    const int music = c.st.slotInt(slot::musicVolume);
    if (music < kMusicFadeFrom) {
        SetMusicVolume(c, music);
    } else {
        for (int v = kMusicFadeFrom; v <= std::min(music, kFadeTop); ++v) {
            sendVolume(c, slot::musicVolume, v);
            c.clock.sleepMs(kVolumeFadeStepMs);
        }
        if (music > kFadeTop) sendVolume(c, slot::musicVolume, music);
    }
}

}  // namespace udare
