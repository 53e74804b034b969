// How the virtual unit behaves: its identity, its timing and the faults it
// can play. Both programs take these as --simulate=OPTIONS.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace udare::sim {

struct SimOptions {
    std::string model = "Q9";
    int protocol = 2;
    std::string mcuVersion = "2013-05-03";
    std::string dspVersion = "2013-05-01";
    int extended = 0;
    uint8_t fwVersionHi = 0xF1;
    uint8_t fwVersionLo = 0x88;
    std::string path = "/dev/hidraw-virtual0";

    // Timing: a fixed delay before each reply, and/or 1 ms USB frames
    // (the request leaves at the next frame, its reply comes one frame later).
    int latencyMs = 0;
    bool frames = false;

    // Faults.
    bool silent = false;         // never answers
    int removeAfter = -1;        // disappears after this many reports (-1: never)
    int readErrorAfter = -1;     // reads fail once this many reports arrived (-1: never)
    bool garbage = false;        // random reports mixed in among the replies
    bool upgradeMode = false;    // presents itself in firmware-upgrade mode
    bool noImage = false;        // has no stored equaliser image (op::kReadEqBytes answers FF FF)
    int learnMs = -1;            // a remote key is pressed this long after learning starts
    uint32_t seed = 1;           // for garbage and the level meters

    // Starts as an installer leaves a unit (M1 shaped and levelled) instead of all zero.
    bool demo = false;
};

// Parses "model=Q9,protocol=1,latency-ms=3,silent,...". An empty text gives
// the defaults. On a bad option returns false and sets error to a message
// naming it; out is then left unchanged.
bool parseSimOptions(std::string_view text, SimOptions& out, std::string* error = nullptr);

// One line per option, for --help texts.
const char* simOptionsHelp();

}  // namespace udare::sim
