// The 104 parameter slots: the one description that drives reset, typed
// access, the wire encodings in both directions, mode files and dumps.
#pragma once

#include <array>
#include <cstdint>
#include <string>

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

struct Row {
    const char* name;
    int group;
    char code;
    char altCode;
    bool isFloat;
    Wire wire;
    float initial;
};

inline constexpr Row kInputRows[48] = {
    // Group 1, microphones
    {"micVolume", 1, '0', 0, false, Wire::Percent, 0},
    {"micSpareLevel", 1, '1', 0, false, Wire::Percent, 0},
    {"effectVolume", 1, '2', 0, false, Wire::Percent, 0},
    {"micMute", 1, '3', 0, false, Wire::MuteGain, 0},
    {"mic1EqBypass", 1, '4', 0, false, Wire::Integer, 0},
    {"mic2EqBypass", 1, '5', 0, false, Wire::Integer, 0},
    {"fbcShift", 1, '6', 0, false, Wire::Shift, 0},
    {"fbcOff", 1, '8', 0, false, Wire::Integer, 0},
    {"micGateThreshold", 1, '9', 0, false, Wire::Div1e4, 0},
    {"micGateThreshold2", 1, ':', 0, false, Wire::Div1e4, 0},
    {"micGateAttack", 1, ';', 0, false, Wire::Div1e5, 0},
    {"micGateRelease", 1, '<', 0, false, Wire::Div1e7, 0},
    {"autoSubEnable", 1, '=', 0, false, Wire::Integer, 0},
    {"autoSubLevel", 1, '>', 0, false, Wire::Percent, 0},
    // Group 2, echo
    {"echoVolume", 2, '0', 0, false, Wire::Percent, 0},
    {"echoMute", 2, '1', 0, false, Wire::MuteGain, 0},
    {"echoEqBypass", 2, '2', 0, false, Wire::Integer, 0},
    {"echoPreDelayA", 2, '3', 0, true, Wire::MsToSamples, 0},
    {"echoPreDelayB", 2, '4', 0, true, Wire::MsToSamples, 0},
    {"echoTapDelay0", 2, '5', 0, true, Wire::MsToSamples, 217},
    {"echoTapDelay1", 2, '6', 0, true, Wire::MsToSamples, 434},
    {"echoTapDelay2", 2, '7', 0, true, Wire::MsToSamples, 651},
    {"echoTapDelay3", 2, '8', 0, true, Wire::MsToSamples, 868},
    {"echoTapDelay4", 2, '9', 0, true, Wire::MsToSamples, 1085},
    {"echoTapDelay5", 2, ':', 0, true, Wire::MsToSamples, 1302},
    {"echoTapDelay6", 2, ';', 0, true, Wire::MsToSamples, 1519},
    {"echoTapLevel0", 2, '<', 0, true, Wire::FloatPercent, 60},
    {"echoTapLevel1", 2, '=', 0, true, Wire::FloatPercent, 30},
    {"echoTapLevel2", 2, '>', 0, true, Wire::FloatPercent, 15},
    {"echoTapLevel3", 2, '?', 0, true, Wire::FloatPercent, 7.5f},
    {"echoTapLevel4", 2, '@', 0, true, Wire::FloatPercent, 3.8f},
    {"echoTapLevel5", 2, 'A', 0, true, Wire::FloatPercent, 1.9f},
    {"echoTapLevel6", 2, 'B', 0, true, Wire::FloatPercent, 1.0f},
    {"echoRatio", 2, 'C', 0, false, Wire::Percent, 0},
    // Group 3, reverb
    {"reverbVolume", 3, '0', 0, false, Wire::Percent, 0},
    {"reverbMute", 3, '1', 0, false, Wire::MuteGain, 0},
    {"reverbEqBypass", 3, '2', 0, false, Wire::Integer, 0},
    {"reverbPreDelayA", 3, '3', 0, true, Wire::MsToSamples, 0},
    {"reverbPreDelayB", 3, '4', 0, true, Wire::MsToSamples, 0},
    {"reverbTime", 3, '5', '6', true, Wire::WholePercent, 0},
    // Group 4, music
    {"musicVolume", 4, '0', 0, false, Wire::Percent, 0},
    {"musicMute", 4, '1', 0, false, Wire::MuteGain, 0},
    {"musicEqBypass", 4, '2', 0, false, Wire::Integer, 0},
    {"musicGateThreshold", 4, '3', 0, false, Wire::Div1e4, 0},
    {"musicGateAttack", 4, '4', 0, false, Wire::Div1e5, 0},
    {"musicGateRelease", 4, '5', 0, false, Wire::Div1e7, 0},
    {"musicPitch", 4, '8', '9', false, Wire::Pitch, 0},
    {"pitchBypass", 4, '6', '7', false, Wire::Integer, 0},
};

// Shared by the four output groups, from their base slot.
struct OutRow {
    const char* name;
    char code;
    int valueIndex;
    bool isFloat;
    Wire wire;
    float initial;
};
inline constexpr OutRow kOutputRows[11] = {
    {"outMicLevel", '0', 0, false, Wire::Percent, 0},
    {"outEchoLevel", '1', 0, false, Wire::Percent, 0},
    {"outReverbLevel", '2', 0, false, Wire::Percent, 0},
    {"outMusicLevel", '3', 0, false, Wire::Percent, 0},
    {"outEqBypass", '4', 0, false, Wire::Integer, 0},
    {"outVolume", '5', 0, false, Wire::Percent, 0},
    {"compBypass", '6', 0, false, Wire::Integer, 0},
    {"compThreshold", '7', 0, true, Wire::Compressor, 0},
    {"compRatio", '7', 2, true, Wire::Compressor, 1.0f},
    {"compAttack", '7', 5, true, Wire::Compressor, 0},
    {"compRelease", '7', 6, true, Wire::Compressor, 0},
};

inline constexpr const char* kOutputNames[4] = {"main", "rear", "center", "sub"};

// Slots 92-103.
inline constexpr Row kDelayRows[12] = {
    {"delayLeft", 5, '8', 0, true, Wire::MsToSamples, 0},
    {"delayRight", 5, ':', 0, true, Wire::MsToSamples, 0},
    {"delayLeftOn", 5, '9', 0, false, Wire::InvertedInteger, 0},
    {"delayRightOn", 5, ';', 0, false, Wire::InvertedInteger, 0},
    {"delayLeft", 6, '8', 0, true, Wire::MsToSamples, 0},
    {"delayRight", 6, ':', 0, true, Wire::MsToSamples, 0},
    {"delayLeftOn", 6, '9', 0, false, Wire::InvertedInteger, 0},
    {"delayRightOn", 6, ';', 0, false, Wire::InvertedInteger, 0},
    {"delayLeft", 7, '8', 0, true, Wire::MsToSamples, 0},
    {"delayLeftOn", 7, '9', 0, false, Wire::InvertedInteger, 0},
    {"delayLeft", 8, '8', 0, true, Wire::MsToSamples, 0},
    {"delayLeftOn", 8, '9', 0, false, Wire::InvertedInteger, 0},
};

constexpr std::array<SlotInfo, kSlotCount> buildSlots() {
    std::array<SlotInfo, kSlotCount> t{};
    int i = 0;
    for (const Row& r : kInputRows) {
        t[i] = {i, r.name, nullptr, r.group, r.code, r.altCode, 0, r.isFloat, r.wire, r.initial};
        ++i;
    }
    for (int g = 0; g < 4; ++g)
        for (const OutRow& r : kOutputRows) {
            t[i] = {i,       r.name,      kOutputNames[g], GROUP_MAIN + g, r.code, 0,
                    r.valueIndex, r.isFloat, r.wire,          r.initial};
            ++i;
        }
    for (const Row& r : kDelayRows) {
        t[i] = {i,    r.name,    kOutputNames[r.group - GROUP_MAIN], r.group, r.code, r.altCode,
                0,    r.isFloat, r.wire,                             r.initial};
        ++i;
    }
    return t;
}

}  // namespace detail

inline constexpr std::array<SlotInfo, kSlotCount> kSlots = detail::buildSlots();

// The slot a (group, code) pair carries, or -1. For the compressor code the
// slot of value index 0 is returned; the others follow it.
constexpr int findSlot(int group, char code) {
    for (const SlotInfo& s : kSlots)
        if (s.group == group && (s.code == code || (s.altCode && s.altCode == code)))
            return s.index;
    return -1;
}

// Unique name for dumps and scripts: "micVolume", "main.compRatio".
std::string slotName(int index);
// Inverse of slotName, case-insensitive; -1 if unknown.
int slotByName(const std::string& name);

static_assert(kSlots[56].qualifier != nullptr && kSlots[56].wire == Wire::Compressor);
static_assert(kSlots[92].group == GROUP_MAIN && kSlots[103].group == GROUP_SUB);
static_assert(findSlot(GROUP_MIC, '8') == slot::fbcOff);

}  // namespace udare
