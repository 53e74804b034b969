// Tables the unit's effect encodings are built from. Shared by the effect
// commands, the full send and the virtual unit.
#pragma once

#include <cstdint>

namespace udare {

// Music pitch: each report carries an integer and a float (given as its bit
// pattern, as the unit expects it) for the key shift n = -12 ... +12.
struct PitchEntry {
    int32_t integer;
    uint32_t floatBits;
};
inline constexpr int kPitchMin = -12;
inline constexpr int kPitchMax = 12;
inline constexpr PitchEntry kPitchTable[25] = {
    {480, 0xC3A0B6F9}, {480, 0xC393BE42}, {480, 0xC386B24F}, {480, 0xC3732606},
    {480, 0xC358C083}, {480, 0xC33E33DB}, {480, 0xC3237FD3}, {480, 0xC308A433},
    {480, 0xC2DB417C}, {480, 0xC2A4EA75}, {480, 0xC25C85B0}, {480, 0xC1DD28B9},
    {480, 0x00000000},  // n = 0
    {480, 0x41DE70B0}, {480, 0x425F159F}, {480, 0x42A7CC64}, {480, 0x42E06166},
    {508, 0x430CA528}, {537, 0x432943CF}, {566, 0x43460CE8}, {595, 0x436300B0},
    {624, 0x43800FB4}, {653, 0x438EB4A7}, {680, 0x439D6F51}, {712, 0x43AC3FD3},
};
constexpr const PitchEntry& pitchEntry(int n) { return kPitchTable[n - kPitchMin]; }

// Feedback suppression by frequency shift, steps 1 ... 5 (1 = off). Step s
// shifts by s x 2 pi / 48000 radians per sample and carries a second value
// in ms, sent as samples (codec.h encodes both).
inline constexpr int kFbcStepMin = 1;
inline constexpr int kFbcStepMax = 5;
inline constexpr double kFbcSecondMs[6] = {0, 0, 100.0, 58.333, 37.5, 25.0};

// The two fixed values of the compressor block (20.0 and 0.05).
inline constexpr uint32_t kCompressorValue3 = 0x41A00000;
inline constexpr uint32_t kCompressorValue4 = 0x3D4CCCCD;

}  // namespace udare
