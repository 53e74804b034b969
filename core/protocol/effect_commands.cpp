#include <algorithm>
#include <cmath>

#include "protocol/codec.h"
#include "protocol/commands.h"
#include "protocol/effect_tables.h"

namespace udare {

namespace {

// Both halves of a pre-delay take half the total (at least 3 ms in all);
// the same sample count goes out under both codes.
void setPreDelay(Ctx& c, int group, int slotA, int slotB, float totalMs) {
    if (!(totalMs >= 3.0f)) totalMs = 3.0f;  // NaN too
    const float half = totalMs * 0.5f;
    c.st.setSlotFloat(slotA, half);
    c.st.setSlotFloat(slotB, half);
    const uint32_t samples = enc::msToSamples(half);
    WriteParamRaw(c.out, group, kSlots[slotA].code, samples, 1);
    WriteParamRaw(c.out, group, kSlots[slotB].code, samples, 1);
}

// Taps 2-7 from tap 1's level, each the one before times e.
void decayTaps(Ctx& c, float first, float e) {
    float level = first;
    for (int tap = 1; tap < 7; ++tap) {
        level = level * e;
        SetEchoTapLevel(c, tap, level);
    }
}

}  // namespace

void SetEchoVolume(Ctx& c, int v) { setAndSend(c, slot::echoVolume, v); }
void SetEchoRatio(Ctx& c, int v) { setAndSend(c, slot::echoRatio, v); }

void SetEchoPreDelay(Ctx& c, float totalMs) {
    setPreDelay(c, GROUP_ECHO, slot::echoPreDelayA, slot::echoPreDelayB, totalMs);
}

void SetReverbPreDelay(Ctx& c, float totalMs) {
    setPreDelay(c, GROUP_REVERB, slot::reverbPreDelayA, slot::reverbPreDelayB, totalMs);
}

void SetEchoInterval(Ctx& c, float ms) {
    if (!(ms >= 40.0f)) ms = 40.0f;  // NaN too
    const int step = truncToInt(ms);
    for (int k = 1; k <= 7; ++k) SetEchoTapDelay(c, k - 1, float(double(k) * step));
}

void SetEchoTapDelay(Ctx& c, int tap, float ms) {
    if (tap < 0 || tap > 6) return;
    const int s = slot::echoTapDelay0 + tap;
    c.st.setSlotFloat(s, ms);
    SendSlot(c, s);
}

void SetEchoTapLevel(Ctx& c, int tap, float percent) {
    if (tap < 0 || tap > 6) return;
    const int s = slot::echoTapLevel0 + tap;
    c.st.setSlotFloat(s, percent);
    SendSlot(c, s);
}

float echoDecayFactor(int ratioPercent) {
    return static_cast<float>(static_cast<float>(ratioPercent / 100.0) + 0.005);
}

void SetEchoStartLevel(Ctx& c, int level) {
    const float first = float(level);
    SetEchoTapLevel(c, 0, first);
    decayTaps(c, first, echoDecayFactor(c.st.slotInt(slot::echoRatio)));
}

void SetEchoDecay(Ctx& c, int ratioPercent) {
    SetEchoRatio(c, ratioPercent);
    const float first = float(truncToInt(c.st.slotFloat(slot::echoTapLevel0)));
    decayTaps(c, first, echoDecayFactor(ratioPercent));
}

double reverbTimeMs(int v) { return 40.0 + 49.6 * v; }

void SetReverbVolume(Ctx& c, int v) { setAndSend(c, slot::reverbVolume, v); }

void SetReverbTime(Ctx& c, int v) {
    c.st.setSlotFloat(slot::reverbTime, float(v));
    const SlotInfo& s = kSlots[slot::reverbTime];
    WriteParamPercent(c.out, GROUP_REVERB, s.code, v, s.count);
    WriteParamPercent(c.out, GROUP_REVERB, s.altCode, v, s.count);
}

void SetFbcShift(Ctx& c, int step) {
    step = std::clamp(step, kFbcStepMin, kFbcStepMax);
    c.st.setSlotInt(slot::fbcShift, step);
    const char offCode = kSlots[slot::fbcOff].code;
    if (step == kFbcStepMin) {
        c.st.setSlotInt(slot::fbcOff, 1);
        WriteParamRaw(c.out, GROUP_MIC, offCode, enc::integer(1), 1);
        return;
    }
    c.st.setSlotInt(slot::fbcOff, 0);
    WriteParamRaw(c.out, GROUP_MIC, offCode, enc::integer(0), 1);
    WriteParamRaw(c.out, GROUP_MIC, kSlots[slot::fbcShift].code, enc::fbcShift(step), 1);
    WriteParamRaw(c.out, GROUP_MIC, '7', enc::integer(int(enc::fbcSecondSamples(step))), 1);
}

void SetMusicPitch(Ctx& c, int n) {
    if (n < kPitchMin || n > kPitchMax) {
        c.log.log("Pitch val is over range!\n");
        return;
    }
    c.st.setSlotInt(slot::musicPitch, n);
    const int bypass = c.st.slotInt(slot::pitchBypass);
    if (n != 0 && bypass == 1) SetPitchBypass(c, 0);
    if (n == 0 && bypass == 0) SetPitchBypass(c, 1);
    uint8_t payload[8];
    enc::pitch(n, payload);
    const SlotInfo& s = kSlots[slot::musicPitch];
    WriteParamBlock(c.out, GROUP_MUSIC, s.code, payload, s.count);
    WriteParamBlock(c.out, GROUP_MUSIC, s.altCode, payload, s.count);
}

void SetPitchBypass(Ctx& c, int bypass) {
    c.st.setSlotInt(slot::pitchBypass, bypass);
    const SlotInfo& s = kSlots[slot::pitchBypass];
    WriteParamRaw(c.out, GROUP_MUSIC, s.code, enc::integer(bypass), s.count);
    WriteParamRaw(c.out, GROUP_MUSIC, s.altCode, enc::integer(bypass), s.count);
}

void SetMicGateThreshold(Ctx& c, int v) {
    // The unit has two thresholds; they always move together.
    c.st.setSlotInt(slot::micGateThreshold, v);
    c.st.setSlotInt(slot::micGateThreshold2, v);
    SendSlot(c, slot::micGateThreshold);
    SendSlot(c, slot::micGateThreshold2);
}
void SetMicGateAttack(Ctx& c, int v) { setAndSend(c, slot::micGateAttack, v); }
void SetMicGateRelease(Ctx& c, int v) { setAndSend(c, slot::micGateRelease, v); }
void SetMusicGateThreshold(Ctx& c, int v) { setAndSend(c, slot::musicGateThreshold, v); }
void SetMusicGateAttack(Ctx& c, int v) { setAndSend(c, slot::musicGateAttack, v); }
void SetMusicGateRelease(Ctx& c, int v) { setAndSend(c, slot::musicGateRelease, v); }

void SetCompressor(Ctx& c, int group, float thr, float ratio, float attack, float release) {
    if (!isOutputGroup(group)) return;
    c.st.setSlotFloat(outputSlot(group, COMP_THRESHOLD), thr);
    c.st.setSlotFloat(outputSlot(group, COMP_RATIO), ratio);
    c.st.setSlotFloat(outputSlot(group, COMP_ATTACK), attack);
    c.st.setSlotFloat(outputSlot(group, COMP_RELEASE), release);
    SendSlot(c, outputSlot(group, COMP_THRESHOLD));
}

void SetCompressorBypass(Ctx& c, int group, int bypass) {
    if (!isOutputGroup(group)) return;
    setAndSend(c, outputSlot(group, COMP_BYPASS), bypass);
}

void SetAutoSubEnable(Ctx& c, int on) { setAndSend(c, slot::autoSubEnable, on); }
void SetAutoSubLevel(Ctx& c, int v) { setAndSend(c, slot::autoSubLevel, v); }

}  // namespace udare
