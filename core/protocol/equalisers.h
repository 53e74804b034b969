// The nine equalisers: where their bands live in the image, how they are
// addressed on the wire, their start-up and reset values. Their rows are also
// the one table between the three channel orders: the equaliser (image
// order), the wire group and the curve editor's kind.
#pragma once

#include <array>
#include <cstdint>

#include "dsp/eq_kind.h"
#include "protocol/slots.h"

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
    ChannelGroup group;  // both microphones share group 1
    dsp::EqPanelKind kind;
    int bands;       // Sub: 20, only kSubSectionsProtocol1 on protocol-1 units
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
    {Eq::Mic1, "mic1", GROUP_MIC, dsp::KIND_MIC1, 15, 0, 0, 4, '4', detail::kFreq15, detail::kFreq15},
    {Eq::Mic2, "mic2", GROUP_MIC, dsp::KIND_MIC2, 15, 105, 15, 5, '5', detail::kFreq15, detail::kFreq15},
    {Eq::Echo, "echo", GROUP_ECHO, dsp::KIND_ECHO, 7, 210, 0, 16, '2', detail::kFreq7Default,
     detail::kFreq7Reset},
    {Eq::Reverb, "reverb", GROUP_REVERB, dsp::KIND_REVERB, 7, 259, 0, 36, '2', detail::kFreq7Default,
     detail::kFreq7Reset},
    {Eq::Music, "music", GROUP_MUSIC, dsp::KIND_MUSIC, 15, 308, 0, 42, '2', detail::kFreq15, detail::kFreq15},
    {Eq::Main, "main", GROUP_MAIN, dsp::KIND_MAIN, 24, 413, 0, 52, '4', detail::kFreq24, detail::kFreq24},
    {Eq::Rear, "rear", GROUP_REAR, dsp::KIND_REAR, 24, 581, 0, 63, '4', detail::kFreq24, detail::kFreq24},
    {Eq::Center, "center", GROUP_CENTER, dsp::KIND_CENTER, 10, 749, 0, 74, '4', detail::kFreq10,
     detail::kFreq10},
    {Eq::Sub, "sub", GROUP_SUB, dsp::KIND_SUB, 20, 819, 0, 85, '4', nullptr, nullptr},
}};

constexpr const EqInfo& eqInfo(Eq e) { return kEqualisers[static_cast<int>(e)]; }

// The first equaliser of a wire group (Mic1 for the microphones), or nullptr.
constexpr const EqInfo* eqOfGroup(int group) {
    for (const EqInfo& e : kEqualisers)
        if (e.group == group) return &e;
    return nullptr;
}

// The editor kind that shows every equaliser of the microphone group at once.
inline constexpr dsp::EqPanelKind kBothMicsKind = dsp::KIND_MIC;

inline constexpr int kSubSectionsProtocol1 = 10;

// Bands of an equaliser that exist on a unit of that protocol version.
constexpr int unitBands(Eq eq, int protocol) {
    return eq == Eq::Sub && protocol == 1 ? kSubSectionsProtocol1 : eqInfo(eq).bands;
}

// Wire bands of a group: the bands of its equalisers in turn (group 1: Mic1
// 0-14, Mic2 15-29).
constexpr int groupBands(int group, int protocol) {
    int n = 0;
    for (const EqInfo& e : kEqualisers)
        if (e.group == group) n += unitBands(e.eq, protocol);
    return n;
}

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
static_assert(kEqualisers[8].base + kSubSectionsProtocol1 * kBandRecordSize == kImageSizeProtocol1);
static_assert([] {
    for (int i = 0; i < kEqCount; ++i)
        if (static_cast<int>(kEqualisers[i].eq) != i) return false;
    return true;
}(), "rows in Eq order");
static_assert(groupBands(GROUP_MIC, 2) == 30 && eqInfo(Eq::Mic2).wireOffset == eqInfo(Eq::Mic1).bands);

}  // namespace udare
