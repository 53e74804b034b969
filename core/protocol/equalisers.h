// The nine equalisers: where their bands live in the image, how they are
// addressed on the wire, their start-up and reset values.
#pragma once

#include <array>
#include <cstdint>

namespace udare {

enum class Eq : int { Mic1, Mic2, Echo, Reverb, Music, Main, Rear, Center, Sub };
inline constexpr int kEqCount = 9;

// One band as the image stores it (codes, not engineering units).
struct BandCode {
    uint16_t freq;  // whole Hz
    uint16_t q;     // Q x 1000
    uint8_t type;   // filter-type code
};

struct EqInfo {
    Eq eq;
    const char* name;  // as scripts name it: mic1 mic2 echo reverb music main rear center sub
    int group;
    int bands;       // Sub: 20, only 10 on protocol-1 units
    int base;        // byte offset in the image
    int wireOffset;  // added to the band index for the code byte (Mic2: 15)
    int switchSlot;  // equaliser switch slot
    char switchCode;
    const uint16_t* defaultFreqs;  // start-up frequencies (Q 1414, type 1); nullptr for Sub
    const uint16_t* resetFreqs;    // reset frequencies (Q 1410, type 1); nullptr for Sub
};

namespace detail {
inline constexpr uint16_t kFreq15[15] = {25,   40,   63,   100,  160,  250,  400,  630,
                                         1000, 1600, 2500, 4000, 6300, 10000, 16000};
inline constexpr uint16_t kFreq7Default[7] = {62, 125, 250, 500, 1000, 2000, 4000};
inline constexpr uint16_t kFreq7Reset[7] = {62, 125, 250, 500, 1000, 2300, 5000};
inline constexpr uint16_t kFreq24[24] = {20,  30,  40,  50,  65,   80,   100,  120,
                                         150, 200, 250, 320, 400,  500,  630,  780,
                                         1000, 1420, 1800, 2400, 3200, 5600, 10000, 16000};
inline constexpr uint16_t kFreq10[10] = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
}  // namespace detail

inline constexpr std::array<EqInfo, kEqCount> kEqualisers = {{
    {Eq::Mic1, "mic1", 1, 15, 0, 0, 4, '4', detail::kFreq15, detail::kFreq15},
    {Eq::Mic2, "mic2", 1, 15, 105, 15, 5, '5', detail::kFreq15, detail::kFreq15},
    {Eq::Echo, "echo", 2, 7, 210, 0, 16, '2', detail::kFreq7Default, detail::kFreq7Reset},
    {Eq::Reverb, "reverb", 3, 7, 259, 0, 36, '2', detail::kFreq7Default, detail::kFreq7Reset},
    {Eq::Music, "music", 4, 15, 308, 0, 42, '2', detail::kFreq15, detail::kFreq15},
    {Eq::Main, "main", 5, 24, 413, 0, 52, '4', detail::kFreq24, detail::kFreq24},
    {Eq::Rear, "rear", 6, 24, 581, 0, 63, '4', detail::kFreq24, detail::kFreq24},
    {Eq::Center, "center", 7, 10, 749, 0, 74, '4', detail::kFreq10, detail::kFreq10},
    {Eq::Sub, "sub", 8, 20, 819, 0, 85, '4', nullptr, nullptr},
}};

constexpr const EqInfo& eqInfo(Eq e) { return kEqualisers[static_cast<int>(e)]; }

// The Sub's sections at start-up (the "standard" layout of mode files).
inline constexpr BandCode kSubDefault[20] = {
    {20, 1414, 1},  {20, 1414, 1},  {20, 1414, 1},  {20, 1414, 1},  {31, 1414, 1},
    {31, 1414, 1},  {31, 1414, 1},  {31, 707, 1},   {40, 707, 1},   {40, 707, 1},
    {40, 1414, 1},  {40, 1414, 1},  {62, 1414, 1},  {62, 1414, 1},  {62, 1414, 1},
    {62, 1414, 1},  {100, 1414, 18}, {100, 707, 20}, {100, 707, 1},  {100, 707, 1},
};

// The same twenty sections as a protocol-1 unit orders them: the 100 Hz ones first.
inline constexpr BandCode kSubProtocol1[20] = {
    {100, 1414, 18}, {100, 707, 20}, {100, 707, 1},  {100, 707, 1},  {20, 1414, 1},
    {20, 1414, 1},   {20, 1414, 1},  {20, 1414, 1},  {31, 1414, 1},  {31, 1414, 1},
    {31, 1414, 1},   {31, 707, 1},   {40, 707, 1},   {40, 707, 1},   {40, 1414, 1},
    {40, 1414, 1},   {62, 1414, 1},  {62, 1414, 1},  {62, 1414, 1},  {62, 1414, 1},
};

// What ResetEq puts in the Sub (Q and type as listed; gain 0 dB).
inline constexpr BandCode kSubReset[20] = {
    {20, 1410, 1},   {20, 1410, 1},   {20, 1410, 1}, {20, 1410, 1}, {31, 1410, 1},
    {31, 1410, 1},   {31, 1410, 1},   {31, 1410, 1}, {40, 1410, 1}, {40, 1410, 1},
    {40, 1410, 1},   {40, 1410, 1},   {62, 1410, 1}, {62, 1410, 1}, {62, 1410, 1},
    {62, 1410, 1},   {100, 1414, 18}, {100, 1414, 20}, {100, 1414, 1}, {100, 1414, 1},
};

inline constexpr int kBandRecordSize = 7;
inline constexpr int kGainCodeZero = 150;  // 0 dB
inline constexpr int kImageSize = 959;
inline constexpr int kImageSizeProtocol1 = 889;
inline constexpr int kImagePiece = 56;  // bytes per image transfer report

// The equaliser whose bands include image record n (0..136), or nullptr.
const EqInfo* eqOfRecord(int record);
// Eq by script name, case-insensitive; -1 if unknown.
int eqByName(const char* name);

static_assert(kEqualisers[8].base + 20 * kBandRecordSize == kImageSize);
static_assert(kEqualisers[8].base + 10 * kBandRecordSize == kImageSizeProtocol1);

}  // namespace udare
