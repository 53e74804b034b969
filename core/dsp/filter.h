// Filter design and response math shared by the EQ commands and the curve
// displays. Pure computation: no state, no threads.
#pragma once

#include <array>
#include <span>

#include "dsp/sample_rate.h"

namespace udare::dsp {

inline constexpr double kFs = kSampleRate;

// Normalised so that a0 = 1: H(z) = (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2).
struct BiquadCoefficients {
    double b0, b1, b2, a1, a2;
};

// Section codes 0-21 (any other code: all-pass).
enum FilterType : int {
    FT_OFF = 0,
    FT_PEQ = 1,
    FT_LP = 2,
    FT_HP = 3,
    FT_LS = 4,
    FT_HS = 5,
};
constexpr bool isLowPassKind(int type) { return type >= 2 && type <= 20 && type % 2 == 0; }
constexpr bool isHighPassKind(int type) { return type >= 3 && type <= 21 && type % 2 == 1; }

BiquadCoefficients DesignBiquad(int type, double gainDb, double freqHz, double q,
                                double fs = kFs);
double SectionMagnitudeDb(const BiquadCoefficients& c, double freqHz, double fs = kFs);
// The Q a section actually uses: codes 8-21 carry their own, the rest take the band's.
double SectionQ(int type, double bandQ);

// Designs never see a Q, frequency or gain that would give an unstable or
// non-finite section: Q below kMinQ (or NaN) is raised to kMinQ, the frequency
// is held within [kMinFreqHz, fs/2 - kMinFreqHz] and the gain within +-kMaxGainDb (NaN: 0).
inline constexpr double kMinQ = 0.001;
inline constexpr double kMinFreqHz = 1.0;
inline constexpr double kMaxGainDb = 200.0;
// Each half of the magnitude ratio is floored here, so a zero on the unit
// circle reads as a very deep notch instead of -inf or NaN.
inline constexpr double kMagnitudeFloorDb = -300.0;

inline constexpr int kGridPoints = 512;
inline constexpr double kDefaultFLow = 18.0;
inline constexpr double kDefaultFHigh = 23000.0;

// 512 log-spaced frequencies from fLow, stopping one step short of fHigh.
struct ResponseGrid {
    double fLow = kDefaultFLow;
    double fHigh = kDefaultFHigh;
    std::array<float, kGridPoints> freq{};
    // sin^2(pi f / fs) of each (float) frequency at kFs, for the evaluator.
    std::array<double, kGridPoints> phi{};
    static ResponseGrid make(double fLow = kDefaultFLow, double fHigh = kDefaultFHigh);
};
const ResponseGrid& defaultGrid();

using ResponseCurve = std::array<float, kGridPoints>;

struct BandParams {
    int type = FT_PEQ;
    float gainDb = 0.0f;
    float freqHz = 1000.0f;
    float q = 1.41f;
};

// The band's curve on the grid, with a peaking band's pinned peak. A band of
// type 0 is not evaluated: out keeps what it held.
void BandCurve(const BandParams& band, int plotWidth, const ResponseGrid& grid,
               ResponseCurve& out);

// Sum in dB of the curves, leaving out bands of type 0 (types[i] gives each curve's band type).
void SumCurves(std::span<const ResponseCurve> curves, std::span<const int> types,
               ResponseCurve& out);
// Design, evaluate and sum a list of bands (type-0 left out, peaking pin applied).
void SummedCurve(std::span<const BandParams> bands, int plotWidth, const ResponseGrid& grid,
                 ResponseCurve& out);

// Family 0-11 (out of range: 0): the four section codes of one side.
std::array<int, 4> CrossoverSections(int family, bool lowPassSide);
inline constexpr int kCrossoverFamilies = 12;
extern const char* const kCrossoverNames[11];  // the combo-box texts

// The coefficients the unit runs, as sent (-a1, -a2, b0, b1, b2) in single
// precision. Groups 1-7 use the unit's variant (integer Hz; codes other than
// 1-5 give the gain-scaled all-pass); group 8 uses DesignBiquad.
std::array<float, 5> DeviceCoefficients(int group, int type, int freqHz, float gainDb, float q);
// The unit's variant for groups 1-7, before reordering.
BiquadCoefficients DesignDeviceBiquad(int type, int freqHz, double gainDb, double q);

}  // namespace udare::dsp
