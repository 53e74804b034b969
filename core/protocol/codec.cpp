#include "protocol/codec.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace udare {

int32_t truncToInt(double x) {
    if (!(x == x)) return 0;
    if (x >= 2147483647.0) return INT32_MAX;
    if (x <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(x);
}

uint32_t truncToUint(double x) {
    if (!(x == x) || x <= 0.0) return 0;
    if (x >= 4294967295.0) return UINT32_MAX;
    return static_cast<uint32_t>(x);
}

float roundForDecode(float f, int d) {
    double half = 0.5;
    if (d >= 1 && d <= 8) half = 0.5 * std::pow(10.0, -d);
    return static_cast<float>(double(f) + half);
}

namespace {
constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Compressor times are per sample: ms x 48.
constexpr int kSamplesPerMs = kSampleRate / 1000;
uint32_t finiteBits(float f) { return floatBits(std::isfinite(f) ? f : 0.0f); }
}  // namespace

namespace enc {
uint32_t percent(int v) { return floatBits(float(v / 100.0)); }
uint32_t muteGain(int muted) { return floatBits(muted == 0 ? 1.0f : 0.0f); }
uint32_t integer(int v) { return static_cast<uint32_t>(v); }
uint32_t invertedInteger(int v) { return v == 0 ? 1u : 0u; }
uint32_t msToSamples(float ms) {
    return truncToUint(std::floor(double(ms) * kSampleRate / 1000.0 + 0.5));
}
uint32_t div1e4(int v) { return floatBits(float(v / 10000.0)); }
uint32_t div1e5(int v) { return floatBits(float(v / 100000.0)); }
uint32_t div1e7(int v) { return floatBits(float(v / 10000000.0)); }
// A damaged mode file may hold a NaN or an infinity; the unit gets silence instead.
uint32_t floatPercent(float v) {
    return floatBits(std::isfinite(v) ? float(double(v) / 100.0) : 0.0f);
}
uint32_t wholePercent(float v) { return percent(truncToInt(v)); }

uint32_t fbcShift(int step) {
    step = std::clamp(step, kFbcStepMin, kFbcStepMax);
    return floatBits(float(step * kTwoPi / kSampleRate));
}
uint32_t fbcSecondSamples(int step) {
    step = std::clamp(step, kFbcStepMin, kFbcStepMax);
    return truncToUint(kFbcSecondMs[step] * kSampleRate / 1000.0 + 0.5);
}
void pitch(int semitones, uint8_t out[8]) {
    const PitchEntry& e = pitchEntry(std::clamp(semitones, kPitchMin, kPitchMax));
    putBe32(out, static_cast<uint32_t>(e.integer));
    putBe32(out + 4, e.floatBits);
}
// A ratio of zero or less (or none) would send an infinity: treat it as 1:1.
uint32_t compressorRatio(float ratio) {
    return ratio > 0.0f ? finiteBits(1.0f - 1.0f / ratio) : floatBits(0.0f);
}
uint32_t compressorTime(float ms) {
    // No time (or none given) means the envelope follows at once.
    if (!(ms > 0.0f)) return floatBits(1.0f);
    const float t = ms * float(kSamplesPerMs);
    const float x = -1.0f / t;
    const float e = static_cast<float>(std::exp(double(x)));
    return floatBits(1.0f - e);
}
void compressorBlock(float thr, float ratio, float attackMs, float releaseMs, uint32_t out[7]) {
    out[0] = finiteBits(thr);
    out[1] = 0;
    out[2] = compressorRatio(ratio);
    out[3] = kCompressorValue3;
    out[4] = kCompressorValue4;
    out[5] = compressorTime(attackMs);
    out[6] = compressorTime(releaseMs);
}
}  // namespace enc

namespace dec {
static int truncSafe(float x) { return truncToInt(x); }
int percent(float f) { return truncSafe(roundForDecode(f, 2) * 100.0f); }
int muteGain(float f) { return percent(f) == 0 ? 1 : 0; }
int integer(uint8_t b9) { return b9; }
int invertedInteger(uint8_t b9) { return b9 == 0 ? 1 : 0; }
float samplesToMs(uint32_t u) { return static_cast<float>(double(u) * 1000.0 / kSampleRate); }
// With the shared rounding step, like the other scaled decodings: a bare
// truncation read many thresholds back one low (0.0007 became 6).
int div1e4(float f) { return truncSafe(roundForDecode(f, 4) * 10000.0f); }
int div1e5(float f) { return truncSafe(roundForDecode(f, 5) * 100000.0f); }
int div1e7(float f) { return truncSafe(roundForDecode(f, 7) * 10000000.0f); }
float floatPercent(float f) { return static_cast<float>(percent(f)); }

int fbcShift(float f) {
    const int s = truncToInt(double(f) * kSampleRate / kTwoPi + 0.5);
    return std::clamp(s, kFbcStepMin, kFbcStepMax);
}
// A pitch reply names its step only through the float bits of the table.
int pitch(uint32_t bits) {
    for (int n = kPitchMin; n <= kPitchMax; ++n)
        if (pitchEntry(n).floatBits == bits) return n;
    return 0;
}
double compressorRatio(float v) { return 1.0 / (1.0 - double(v)); }
// -1/ln(1 - c) is the time in samples; rounded to a whole sample so that a
// read-back followed by a write gives the unit the same coefficient again
// (adding the half sample without rounding drifted every round trip).
double compressorTime(float c) { return std::floor(0.5 - 1.0 / std::log(1.0 - double(c))) / kSamplesPerMs; }
}  // namespace dec

uint32_t encodeSlot(Wire w, uint32_t bits) {
    int32_t i = static_cast<int32_t>(bits);
    float f = bitsFloat(bits);
    switch (w) {
    case Wire::Percent: return enc::percent(i);
    case Wire::MuteGain: return enc::muteGain(i);
    case Wire::Integer: return enc::integer(i);
    case Wire::InvertedInteger: return enc::invertedInteger(i);
    case Wire::MsToSamples: return enc::msToSamples(f);
    case Wire::Div1e4: return enc::div1e4(i);
    case Wire::Div1e5: return enc::div1e5(i);
    case Wire::Div1e7: return enc::div1e7(i);
    case Wire::FloatPercent: return enc::floatPercent(f);
    case Wire::WholePercent: return enc::wholePercent(f);
    case Wire::Shift:
    case Wire::Pitch:
    case Wire::Compressor: break;
    }
    return bits;
}

}  // namespace udare
