// Band model behind the EQ curve editor: band records, the consequences of
// type, gain and Q changes, crossover families and summed responses. The
// editor widget adds only pixel mapping and painting on top of this.
#pragma once

#include <array>

#include "eq_kind.h"
#include "filter.h"

namespace udare::dsp {

inline constexpr int kMaxEqBands = 40;
inline constexpr int kSubKind = KIND_SUB;   // the subwoofer channel with crossovers
inline constexpr int kCrossoverBands = 5;   // visible bands of the subwoofer channel
inline constexpr float kPeqDefaultQ = 1.41f;
inline constexpr float kFilterDefaultQ = 0.7f;

struct EqBand {
    float x = 0.0f;  // handle centre, pixels from the plot's left edge
    float y = 0.0f;  // handle centre, pixels from the plot's top edge
    int index = 0;
    int type = FT_PEQ;
    float frequency = 100.0f;
    float gain = 0.0f;
    float q = 1.0f;
    ResponseCurve curve{};
    float freqMin = 20.0f, freqMax = 20000.0f;
    float gainMin = -15.0f, gainMax = 15.0f;

    BandParams params() const { return {type, gain, frequency, q}; }
};

// Types 2-5 (LP, HP, LS, HS) have a narrow Q range; the rest go up to 30.
constexpr bool isFilterUserType(int type) { return type >= FT_LP && type <= FT_HS; }
// Only peaking and shelving bands carry a gain the user can move.
constexpr bool hasMovableGain(int type) {
    return type == FT_PEQ || type == FT_LS || type == FT_HS;
}
float ClampDragQ(int type, float q);  // 0.1-2 for types 2-5, 0.1-30 otherwise
float ClampStoredQ(int type, float q);  // 0.1-30 for PEQ, 0.1-2 for every other type
// Round to 0.1 dB, halves away from zero.
float RoundTenth(double v);

// Hidden section bands of visible crossover band k (0-4): 5+3k, 6+3k, 7+3k.
constexpr std::array<int, 3> HiddenSections(int k) { return {5 + 3 * k, 6 + 3 * k, 7 + 3 * k}; }
// The subwoofer section (0-19) that band b of the subwoofer kind holds: visible
// band k is section 4k, its hidden sections are 4k+1 ... 4k+3.
constexpr int SubSectionOfBand(int b) {
    return b < kCrossoverBands ? 4 * b : 4 * ((b - kCrossoverBands) / 3) + 1 + (b - kCrossoverBands) % 3;
}
// The kind-7 menu/radio choice (1 PEQ ... 5 HS): codes of the visible band and its sections.
std::array<int, 4> SubTypeChoiceCodes(int item);

// Frequencies of a band-count preset (7, 10, 15, 20, 24), or nullptr.
const float* BandCountPreset(int count);

class EqModel {
public:
    EqModel();

    std::array<EqBand, kMaxEqBands> bands{};
    int bandCount = 10;
    int kind = 0;
    float gainClampMin = -15.0f, gainClampMax = 15.0f;
    ResponseGrid grid = ResponseGrid::make();
    int plotWidth = 0;    // pixels; the peaking pin depends on it
    bool live = false;    // curves are computed only once the owning window exists

    bool valid(int i) const { return i >= 0 && i < kMaxEqBands; }
    // Bands with handles: 0-4 in the subwoofer kind, else all bands in use.
    int handleCount() const;
    bool isSub() const { return kind == kSubKind; }

    int SetBandCount(int n);
    void SetBandType(int i, int type);
    void SetBandGain(int i, float db);
    void SetBandQ(int i, float q);
    void SetCrossoverFamily(int i, int family);
    void ApplyBandTypeChoice(int i, int item);
    void RecomputeBand(int i);
    void RecomputeAll();

    // Interactive edits: new values clamped to the band's limits and the
    // drag/key Q range, then recomputed.
    void DragBand(int i, float freq, float gain);
    void AddQ(int i, float dq);
    void NudgeBand(int i, float dFreq, float dGain, float dQ);

    // Summed response of every band in use (hidden sections included).
    void Summed(ResponseCurve& out) const;
    // Response of one band as drawn when selected: in the subwoofer kind the
    // sum of a visible band and its sections.
    void BandArea(int i, ResponseCurve& out) const;

private:
    void Recompute(EqBand& b);
};

}  // namespace udare::dsp
