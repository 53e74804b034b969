// The 104 parameter slots: the one description that drives reset, typed
// access, the wire encodings in both directions, mode files and dumps.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "protocol/effect_tables.h"

namespace udare {

enum ChannelGroup : int {
    GROUP_MIC = 1,
    GROUP_ECHO = 2,
    GROUP_REVERB = 3,
    GROUP_MUSIC = 4,
    GROUP_MAIN = 5,
    GROUP_REAR = 6,
    GROUP_CENTER = 7,
    GROUP_SUB = 8,
};

// How a slot's value travels (see codec.h for each).
enum class Wire : uint8_t {
    Percent,          // int percent <-> float v/100
    MuteGain,         // int 1 = muted <-> 0.0 / 1.0
    Integer,          // int <-> big-endian int, read back from its last byte
    InvertedInteger,  // int 0/1 <-> 1/0
    MsToSamples,      // float ms <-> integer samples at 48 kHz
    Div1e4,           // int <-> float v/1e4
    Div1e5,           // int <-> float v/1e5
    Div1e7,           // int <-> float v/1e7
    FloatPercent,     // float percent <-> float v/100, read back as whole percent
    WholePercent,     // float holding a whole number, sent as percent of its integer part
    Shift,            // feedback-suppression step (effects)
    Pitch,            // semitones through the pitch table (effects)
    Compressor,       // one value of the 7-value compressor block (effects)
};

// The values a slot may take, both ends included.
struct SlotRange {
    float lo, hi;
};

// Whether ReadAll asks the unit for a slot.
enum class Read : uint8_t {
    Always,
    Protocol2,  // the output delays: units of protocol 1 have none
};

// How SendAllParams sends a slot.
enum class Send : uint8_t {
    Value,      // the stored value alone, with the slot's own code and count
    Operation,  // through the operation that owns it (pairs, halves, fades, the compressor block)
    FadeOnly,   // only as part of a volume fade
    Never,      // not part of the full send
};

struct SlotInfo {
    int index;
    const char* name;       // as in the protocol description
    const char* qualifier;  // output name for slots of groups 5-8 ("main"...), else nullptr
    int group;
    char code;              // wire code character
    char altCode;           // second code carrying the same slot, or 0
    int valueIndex;         // value position inside the compressor block
    bool isFloat;
    Wire wire;
    float initial;
    int count;              // values in one write report (stereo pairs 2, the compressor block 7)
    SlotRange range;
    Read read;
    Send send;
};

inline constexpr int kSlotCount = 104;

// Base slots of the output groups and the offsets of their shared layout.
inline constexpr int kOutputBase[4] = {48, 59, 70, 81};  // Main, Rear, Center, Sub
enum OutputOffset : int {
    OUT_MIC_LEVEL = 0,
    OUT_ECHO_LEVEL = 1,
    OUT_REVERB_LEVEL = 2,
    OUT_MUSIC_LEVEL = 3,
    OUT_EQ_BYPASS = 4,
    OUT_VOLUME = 5,
    COMP_BYPASS = 6,
    COMP_THRESHOLD = 7,
    COMP_RATIO = 8,
    COMP_ATTACK = 9,
    COMP_RELEASE = 10,
};
constexpr bool isOutputGroup(int group) { return group >= GROUP_MAIN && group <= GROUP_SUB; }
constexpr bool isStereoOutput(int group) { return group == GROUP_MAIN || group == GROUP_REAR; }
constexpr int outputBase(int group) { return kOutputBase[group - GROUP_MAIN]; }
constexpr int outputSlot(int group, int offset) { return outputBase(group) + offset; }

// Named slots of groups 1-4 and the delay block.
namespace slot {
inline constexpr int micVolume = 0, micSpareLevel = 1, effectVolume = 2, micMute = 3,
                     mic1EqBypass = 4, mic2EqBypass = 5, fbcShift = 6, fbcOff = 7,
                     micGateThreshold = 8, micGateThreshold2 = 9, micGateAttack = 10,
                     micGateRelease = 11, autoSubEnable = 12, autoSubLevel = 13;
inline constexpr int echoVolume = 14, echoMute = 15, echoEqBypass = 16, echoPreDelayA = 17,
                     echoPreDelayB = 18, echoTapDelay0 = 19, echoTapLevel0 = 26, echoRatio = 33;
inline constexpr int reverbVolume = 34, reverbMute = 35, reverbEqBypass = 36,
                     reverbPreDelayA = 37, reverbPreDelayB = 38, reverbTime = 39;
inline constexpr int musicVolume = 40, musicMute = 41, musicEqBypass = 42,
                     musicGateThreshold = 43, musicGateAttack = 44, musicGateRelease = 45,
                     musicPitch = 46, pitchBypass = 47;
inline constexpr int mainDelayLeft = 92, mainDelayRight = 93, mainDelayLeftOn = 94,
                     mainDelayRightOn = 95, rearDelayLeft = 96, rearDelayRight = 97,
                     rearDelayLeftOn = 98, rearDelayRightOn = 99, centerDelay = 100,
                     centerDelayOn = 101, subDelay = 102, subDelayOn = 103;
}  // namespace slot

namespace detail {

inline constexpr SlotRange kPercent{0, 100}, kSwitch{0, 1};
inline constexpr SlotRange kGateTime{1, 100};  // the gate dialogs store 101 - position
inline constexpr SlotRange kHalfPreDelay{1.5f, 100};  // each half of a 3 ... 200 ms pre-delay
inline constexpr SlotRange kTapDelay{0, 10000};
inline constexpr SlotRange kOutputDelay{1.5f, 100};

struct Row {
    const char* name;
    int group;
    char code;
    char altCode;
    bool isFloat;
    Wire wire;
    float initial;
    int count;
    SlotRange range;
    Send send;
};

using enum Wire;
using enum Send;

inline constexpr Row kInputRows[48] = {
    // Group 1, microphones
    {"micVolume", 1, '0', 0, false, Percent, 0, 1, kPercent, FadeOnly},
    {"micSpareLevel", 1, '1', 0, false, Percent, 0, 1, kPercent, Value},
    {"effectVolume", 1, '2', 0, false, Percent, 0, 1, kPercent, Value},
    {"micMute", 1, '3', 0, false, MuteGain, 0, 1, kSwitch, Value},
    {"mic1EqBypass", 1, '4', 0, false, Integer, 0, 1, kSwitch, Value},
    {"mic2EqBypass", 1, '5', 0, false, Integer, 0, 1, kSwitch, Value},
    {"fbcShift", 1, '6', 0, false, Shift, 0, 1, {kFbcStepMin, kFbcStepMax}, Operation},
    {"fbcOff", 1, '8', 0, false, Integer, 0, 1, kSwitch, Value},
    {"micGateThreshold", 1, '9', 0, false, Div1e4, 0, 1, kPercent, Value},
    {"micGateThreshold2", 1, ':', 0, false, Div1e4, 0, 1, kPercent, Value},
    {"micGateAttack", 1, ';', 0, false, Div1e5, 0, 1, kGateTime, Value},
    {"micGateRelease", 1, '<', 0, false, Div1e7, 0, 1, kGateTime, Value},
    {"autoSubEnable", 1, '=', 0, false, Integer, 0, 1, kSwitch, Value},
    {"autoSubLevel", 1, '>', 0, false, Percent, 0, 1, kPercent, Value},
    // Group 2, echo
    {"echoVolume", 2, '0', 0, false, Percent, 0, 1, kPercent, Value},
    {"echoMute", 2, '1', 0, false, MuteGain, 0, 2, kSwitch, Value},
    {"echoEqBypass", 2, '2', 0, false, Integer, 0, 1, kSwitch, Value},
    {"echoPreDelayA", 2, '3', 0, true, MsToSamples, 0, 1, kHalfPreDelay, Operation},
    {"echoPreDelayB", 2, '4', 0, true, MsToSamples, 0, 1, kHalfPreDelay, Operation},
    {"echoTapDelay0", 2, '5', 0, true, MsToSamples, 217, 1, kTapDelay, Value},
    {"echoTapDelay1", 2, '6', 0, true, MsToSamples, 434, 1, kTapDelay, Value},
    {"echoTapDelay2", 2, '7', 0, true, MsToSamples, 651, 1, kTapDelay, Value},
    {"echoTapDelay3", 2, '8', 0, true, MsToSamples, 868, 1, kTapDelay, Value},
    {"echoTapDelay4", 2, '9', 0, true, MsToSamples, 1085, 1, kTapDelay, Value},
    {"echoTapDelay5", 2, ':', 0, true, MsToSamples, 1302, 1, kTapDelay, Value},
    {"echoTapDelay6", 2, ';', 0, true, MsToSamples, 1519, 1, kTapDelay, Value},
    {"echoTapLevel0", 2, '<', 0, true, FloatPercent, 60, 1, kPercent, Value},
    {"echoTapLevel1", 2, '=', 0, true, FloatPercent, 30, 1, kPercent, Value},
    {"echoTapLevel2", 2, '>', 0, true, FloatPercent, 15, 1, kPercent, Value},
    {"echoTapLevel3", 2, '?', 0, true, FloatPercent, 7.5f, 1, kPercent, Value},
    {"echoTapLevel4", 2, '@', 0, true, FloatPercent, 3.8f, 1, kPercent, Value},
    {"echoTapLevel5", 2, 'A', 0, true, FloatPercent, 1.9f, 1, kPercent, Value},
    {"echoTapLevel6", 2, 'B', 0, true, FloatPercent, 1.0f, 1, kPercent, Value},
    {"echoRatio", 2, 'C', 0, false, Percent, 0, 1, kPercent, Value},
    // Group 3, reverb
    {"reverbVolume", 3, '0', 0, false, Percent, 0, 1, kPercent, Value},
    {"reverbMute", 3, '1', 0, false, MuteGain, 0, 1, kSwitch, Value},
    {"reverbEqBypass", 3, '2', 0, false, Integer, 0, 1, kSwitch, Value},
    {"reverbPreDelayA", 3, '3', 0, true, MsToSamples, 0, 1, kHalfPreDelay, Operation},
    {"reverbPreDelayB", 3, '4', 0, true, MsToSamples, 0, 1, kHalfPreDelay, Operation},
    {"reverbTime", 3, '5', '6', true, WholePercent, 0, 1, kPercent, Operation},
    // Group 4, music
    {"musicVolume", 4, '0', 0, false, Percent, 0, 2, kPercent, FadeOnly},
    {"musicMute", 4, '1', 0, false, MuteGain, 0, 2, kSwitch, Operation},
    {"musicEqBypass", 4, '2', 0, false, Integer, 0, 1, kSwitch, Value},
    {"musicGateThreshold", 4, '3', 0, false, Div1e4, 0, 1, kPercent, Value},
    {"musicGateAttack", 4, '4', 0, false, Div1e5, 0, 1, kGateTime, Value},
    {"musicGateRelease", 4, '5', 0, false, Div1e7, 0, 1, kGateTime, Value},
    {"musicPitch", 4, '8', '9', false, Pitch, 0, 2, {kPitchMin, kPitchMax}, Operation},
    {"pitchBypass", 4, '6', '7', false, Integer, 0, 1, kSwitch, Operation},
};

// Shared by the four output groups, from their base slot.
struct OutRow {
    const char* name;
    char code;
    int valueIndex;
    bool isFloat;
    Wire wire;
    float initial;
    int count;
    bool pairOnStereo;  // count 2 on Main and Rear
    SlotRange range;
    Send send;
};
inline constexpr OutRow kOutputRows[11] = {
    {"outMicLevel", '0', 0, false, Percent, 0, 1, false, kPercent, Value},
    {"outEchoLevel", '1', 0, false, Percent, 0, 1, false, kPercent, Value},
    {"outReverbLevel", '2', 0, false, Percent, 0, 1, false, kPercent, Value},
    {"outMusicLevel", '3', 0, false, Percent, 0, 1, false, kPercent, Value},
    {"outEqBypass", '4', 0, false, Integer, 0, 1, false, kSwitch, Value},
    {"outVolume", '5', 0, false, Percent, 0, 1, true, kPercent, Value},
    {"compBypass", '6', 0, false, Integer, 0, 1, false, kSwitch, Never},
    {"compThreshold", '7', 0, true, Compressor, 0, 7, false, {-60, 0}, Operation},
    {"compRatio", '7', 2, true, Compressor, 1.0f, 7, false, {1, 30}, Operation},
    {"compAttack", '7', 5, true, Compressor, 0, 7, false, {1, 100}, Operation},
    {"compRelease", '7', 6, true, Compressor, 0, 7, false, {1, 1000}, Operation},
};

inline constexpr const char* kOutputNames[4] = {"main", "rear", "center", "sub"};

// Slots 92-103.
inline constexpr Row kDelayRows[12] = {
    {"delayLeft", 5, '8', 0, true, MsToSamples, 0, 1, kOutputDelay, Operation},
    {"delayRight", 5, ':', 0, true, MsToSamples, 0, 1, kOutputDelay, Operation},
    {"delayLeftOn", 5, '9', 0, false, InvertedInteger, 0, 1, kSwitch, Operation},
    {"delayRightOn", 5, ';', 0, false, InvertedInteger, 0, 1, kSwitch, Operation},
    {"delayLeft", 6, '8', 0, true, MsToSamples, 0, 1, kOutputDelay, Operation},
    {"delayRight", 6, ':', 0, true, MsToSamples, 0, 1, kOutputDelay, Operation},
    {"delayLeftOn", 6, '9', 0, false, InvertedInteger, 0, 1, kSwitch, Operation},
    {"delayRightOn", 6, ';', 0, false, InvertedInteger, 0, 1, kSwitch, Operation},
    {"delayLeft", 7, '8', 0, true, MsToSamples, 0, 1, kOutputDelay, Operation},
    {"delayLeftOn", 7, '9', 0, false, InvertedInteger, 0, 1, kSwitch, Operation},
    {"delayLeft", 8, '8', 0, true, MsToSamples, 0, 1, kOutputDelay, Operation},
    {"delayLeftOn", 8, '9', 0, false, InvertedInteger, 0, 1, kSwitch, Operation},
};

constexpr std::array<SlotInfo, kSlotCount> buildSlots() {
    std::array<SlotInfo, kSlotCount> t{};
    int i = 0;
    for (const Row& r : kInputRows) {
        t[i] = {i,       r.name,  nullptr, r.group,    r.code,      r.altCode, 0,
                r.isFloat, r.wire, r.initial, r.count, r.range,     Read::Always, r.send};
        ++i;
    }
    for (int g = 0; g < 4; ++g)
        for (const OutRow& r : kOutputRows) {
            const int count = r.pairOnStereo && isStereoOutput(GROUP_MAIN + g) ? 2 : r.count;
            t[i] = {i,       r.name,  kOutputNames[g], GROUP_MAIN + g, r.code,  0,           r.valueIndex,
                    r.isFloat, r.wire, r.initial,      count,          r.range, Read::Always, r.send};
            ++i;
        }
    for (const Row& r : kDelayRows) {
        t[i] = {i,         r.name,    kOutputNames[r.group - GROUP_MAIN], r.group, r.code,  r.altCode,       0,
                r.isFloat, r.wire,    r.initial,                          r.count, r.range, Read::Protocol2, r.send};
        ++i;
    }
    return t;
}

}  // namespace detail

inline constexpr std::array<SlotInfo, kSlotCount> kSlots = detail::buildSlots();

namespace detail {

// (group, code) -> slot, built from kSlots once: a report's address is looked
// up for every reply the unit sends. Codes are 7-bit; the first slot of a
// code wins (the compressor's value index 0).
using SlotIndex = std::array<std::array<int8_t, 128>, GROUP_SUB + 1>;
static_assert(kSlotCount <= 127);

constexpr SlotIndex buildSlotIndex(bool withAltCodes) {
    SlotIndex t{};
    for (auto& row : t) row.fill(-1);
    for (const SlotInfo& s : kSlots)
        for (char code : {s.code, withAltCodes ? s.altCode : char(0)})
            if (code > 0 && t[s.group][code] < 0) t[s.group][code] = int8_t(s.index);
    return t;
}
inline constexpr SlotIndex kByOwnCode = buildSlotIndex(false);
inline constexpr SlotIndex kByAnyCode = buildSlotIndex(true);

constexpr int lookUp(const SlotIndex& t, int group, char code) {
    const int c = static_cast<unsigned char>(code);
    if (group < 0 || group > GROUP_SUB || c >= 128) return -1;
    return t[group][c];
}

}  // namespace detail

// The slot a (group, code) pair carries, or -1. For the compressor code the
// slot of value index 0 is returned; the others follow it.
constexpr int findSlot(int group, char code) { return detail::lookUp(detail::kByAnyCode, group, code); }

// The slot whose own code (not its second one) is (group, code), or -1: what
// a read reply for that address fills. For the compressor code the slot of
// value index 0.
constexpr int slotAt(int group, char code) { return detail::lookUp(detail::kByOwnCode, group, code); }

// The unit answers a read of the reverb mute with a pair, although the mute
// is written as one value; every other slot is read with its write count.
inline constexpr int kReadAsPair = slot::reverbMute;
constexpr int readCount(const SlotInfo& s) { return s.index == kReadAsPair ? 2 : s.count; }

// Whole-number positions over a slot's range for a control that moves in
// steps of 1/scale (a delay slider in tenths of a millisecond has scale 10).
constexpr int roundedPosition(float v) { return static_cast<int>(v < 0 ? v - 0.5f : v + 0.5f); }
constexpr int positionLo(int slot, int scale = 1) { return roundedPosition(kSlots[slot].range.lo * float(scale)); }
constexpr int positionHi(int slot, int scale = 1) { return roundedPosition(kSlots[slot].range.hi * float(scale)); }

// Unique name for dumps and scripts: "micVolume", "main.compRatio".
std::string slotName(int index);
// Inverse of slotName, case-insensitive; -1 if unknown.
int slotByName(const std::string& name);

static_assert(kSlots[56].qualifier != nullptr && kSlots[56].wire == Wire::Compressor);
static_assert(kSlots[92].group == GROUP_MAIN && kSlots[103].group == GROUP_SUB);
static_assert(findSlot(GROUP_MIC, '8') == slot::fbcOff);
static_assert(kSlots[outputSlot(GROUP_REAR, OUT_VOLUME)].count == 2 &&
              kSlots[outputSlot(GROUP_CENTER, OUT_VOLUME)].count == 1);
static_assert(positionLo(slot::mainDelayLeft, 10) == 15 && positionHi(slot::musicPitch) == 12);
static_assert(slotAt(GROUP_REVERB, '6') == -1 && slotAt(GROUP_MUSIC, '8') == slot::musicPitch);

}  // namespace udare
