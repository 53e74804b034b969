// Value encodings between slot values and the 32-bit values on the wire.
// Each step's precision (double, then single) is part of the protocol.
#pragma once

#include <cstdint>
#include <cstring>

#include "dsp/sample_rate.h"
#include "protocol/effect_tables.h"
#include "protocol/slots.h"

namespace udare {

inline uint32_t floatBits(float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}
inline float bitsFloat(uint32_t b) {
    float f;
    std::memcpy(&f, &b, 4);
    return f;
}

// Truncation toward zero that saturates instead of overflowing; NaN gives 0.
// Values from the unit or from a damaged file must never make undefined casts.
int32_t truncToInt(double x);
uint32_t truncToUint(double x);

// The shared rounding step: f + 0.5*10^-d in double precision, back to single.
// d = 1..8; any other d adds 0.5.
float roundForDecode(float f, int d);

namespace enc {
uint32_t percent(int v);            // float(v / 100.0)
uint32_t muteGain(int muted);       // 1.0 when 0, 0.0 when 1
uint32_t integer(int v);            // two's complement
uint32_t invertedInteger(int v);    // 1 when 0, else 0
uint32_t msToSamples(float ms);     // floor(ms * 48000 / 1000 + 0.5), double
uint32_t div1e4(int v);             // float(v / 1e4)
uint32_t div1e5(int v);             // float(v / 1e5)
uint32_t div1e7(int v);             // float(v / 1e7)
uint32_t floatPercent(float v);     // float(v / 100.0); not finite: 0
uint32_t wholePercent(float v);     // percent of the integer part

// The effect encodings; each has its inverse below under the same name.
uint32_t fbcShift(int step);            // float(s x 2 pi / 48000) in double, s clamped 1..5
uint32_t fbcSecondSamples(int step);    // the step's second value in samples (0 for step 1)
void pitch(int semitones, uint8_t out[8]);  // integer, then float bits, big-endian; n clamped
uint32_t compressorRatio(float ratio);  // 1 - 1/ratio in single; no ratio above 0: 1:1
uint32_t compressorTime(float ms);      // 1 - exp(-1 / (ms x 48)), each step single; none: 1.0
// The seven values of a compressor block, in wire order.
void compressorBlock(float thr, float ratio, float attackMs, float releaseMs, uint32_t out[7]);
}  // namespace enc

namespace dec {
int percent(float f);               // trunc(float(f + 0.005) * 100f)
int muteGain(float f);              // 1 when the percent decoding is 0
int integer(uint8_t b9);            // the value's last byte
int invertedInteger(uint8_t b9);    // 1 when that byte is 0
float samplesToMs(uint32_t u);      // u * 1000 / 48000 as float
int div1e4(float f);                // trunc(float(f + 5e-5) * 1e4)
int div1e5(float f);                // trunc(float(f + 5e-6) * 1e5)
int div1e7(float f);                // trunc(float(f + 5e-8) * 1e7)
float floatPercent(float f);        // float(percent(f))

int fbcShift(float f);              // trunc(f x 48000 / 2 pi + 0.5) clamped 1..5
int pitch(uint32_t bits);           // the table's n with exactly these float bits, else 0
double compressorRatio(float v);    // 1 / (1 - v)
double compressorTime(float c);     // whole samples of -1 / ln(1 - c), in ms
}  // namespace dec

// Encode a slot value (as held in the table) for the plain encodings; the
// effect encodings (Shift, Pitch, Compressor) span several slots or values.
uint32_t encodeSlot(Wire w, uint32_t slotBits);

// Big-endian helpers for report payloads.
inline void putBe32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}
inline uint32_t getBe32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

}  // namespace udare
