#include "dsp/filter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace udare::dsp {

namespace {

constexpr double kPi = std::numbers::pi;

// 1 / (2 sin(pi/n (k + 1/2))): the Q of section k of an order-n Butterworth.
double ButterworthQ(int n, int k) { return 1.0 / (2.0 * std::sin(kPi / n * (k + 0.5))); }

}  // namespace

double SectionQ(int type, double bandQ) {
    switch (type) {
        case 8: case 9: return 1.0 / std::sqrt(3.0);
        case 12: case 13: return 1.0 / std::sqrt(2.0);
        case 14: case 15: return ButterworthQ(3, 0);
        case 16: case 17: return ButterworthQ(3, 1);
        case 18: case 19: return ButterworthQ(4, 0);
        case 20: case 21: return ButterworthQ(4, 1);
        default: return bandQ;
    }
}

namespace {

double SaneQ(double q) { return q >= kMinQ ? q : kMinQ; }  // NaN fails the test too
double SaneFreq(double f, double fs) {
    if (!(f >= kMinFreqHz)) return kMinFreqHz;
    return std::min(f, fs / 2.0 - kMinFreqHz);  // a first-order section degenerates at fs/2
}
double SaneGain(double g) {
    if (std::isnan(g)) return 0.0;
    return std::clamp(g, -kMaxGainDb, kMaxGainDb);
}
double SaneRate(double fs) { return fs > 2.0 * kMinFreqHz && std::isfinite(fs) ? fs : kFs; }

BiquadCoefficients Normalise(double a0, double a1, double a2, double b0, double b1, double b2) {
    return {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}

BiquadCoefficients Chebyshev12(bool highPass, double G, double f, double fs) {
    const double tn = std::tan(kPi * f / fs);
    const double K = highPass ? 1.0 / tn : tn;
    const double eps = std::sqrt(std::pow(10.0, 0.01) - 1.0);
    // The spread deliberately is sqrt(ln(1 + 1/eps + 1/eps^2)) / 2: the unit was
    // tuned with these sections, so its coefficients must come out the same.
    const double v = 0.5 * std::sqrt(std::log(1.0 / (eps * eps) + 1.0 + 1.0 / eps));
    const double t = K * std::sinh(v);
    const double u = t * t;
    const double im = K * std::sin(3.0 * kPi / 4.0);
    const double q = im * im;
    const double o = 2.0 * t * std::cos(3.0 * kPi / 4.0);
    const double m = 1.0 / std::sqrt(1.0 + eps * eps);
    const double w = 1.0 - o + u + q;
    BiquadCoefficients c{};
    c.b0 = G * m * (q + u) / w;
    c.b2 = c.b0;
    c.b1 = highPass ? -2.0 * c.b0 : 2.0 * c.b0;
    c.a1 = (highPass ? -2.0 : 2.0) * (q + u - 1.0) / w;
    c.a2 = (1.0 + o + u + q) / w;
    return c;
}

// Terms of the magnitude polynomial in phi = sin^2(pi f / fs):
// |H|^2 = (n0 + phi (n1 + phi n2)) / (d0 + phi (d1 + phi d2)).
struct MagnitudePoly {
    double n0, n1, n2, d0, d1, d2;
    explicit MagnitudePoly(const BiquadCoefficients& c) {
        const double nb = c.b0 + c.b1 + c.b2;
        n0 = nb * nb;
        n1 = -4.0 * (c.b0 * c.b1 + 4.0 * c.b0 * c.b2 + c.b1 * c.b2);
        n2 = 16.0 * c.b0 * c.b2;
        const double da = 1.0 + c.a1 + c.a2;
        d0 = da * da;
        d1 = -4.0 * (c.a1 + 4.0 * c.a2 + c.a1 * c.a2);
        d2 = 16.0 * c.a2;
    }
};

const double kPowerFloor = std::pow(10.0, kMagnitudeFloorDb / 10.0);

double FloorPower(double p) { return p >= kPowerFloor ? p : kPowerFloor; }  // NaN too

// The pinned point of a peaking band: the handle's pixel column, then the grid
// index under it. -1 when the centre lies off the plot.
int PeakIndex(double freqHz, int plotWidth, const ResponseGrid& grid) {
    if (plotWidth <= 0 || !(freqHz > 0.0)) return -1;
    const double span = std::log10(grid.fHigh / grid.fLow);
    if (!std::isfinite(span) || span == 0.0) return -1;
    const double col = plotWidth * std::log10(freqHz / grid.fLow) / span;
    if (!(col >= 0.0) || col >= plotWidth) return -1;
    const int p = static_cast<int>(col);
    const float pixelsPerPoint = static_cast<float>(plotWidth) / static_cast<float>(kGridPoints);
    const float index = static_cast<float>(p) / pixelsPerPoint;
    if (!(index >= 0.0f) || index >= static_cast<float>(kGridPoints)) return -1;
    return static_cast<int>(index);
}

}  // namespace

BiquadCoefficients DesignBiquad(int type, double gainDb, double freqHz, double q, double fs) {
    fs = SaneRate(fs);
    const double f = SaneFreq(freqHz, fs);
    const double gain = SaneGain(gainDb);
    const double w0 = 2.0 * kPi * f / fs;
    const double c = std::cos(w0);
    const double s = std::sin(w0);
    const double Q = SaneQ(SectionQ(type, q));
    const double alpha = s / (2.0 * Q);
    const double G = std::pow(10.0, gain / 20.0);
    const double A = std::pow(10.0, gain / 40.0);

    switch (type) {
        case FT_PEQ:
            return Normalise(1.0 + alpha / A, -2.0 * c, 1.0 - alpha / A,
                             1.0 + alpha * A, -2.0 * c, 1.0 - alpha * A);
        case 2: case 8: case 12: case 14: case 16: case 18: case 20:
            return Normalise(1.0 + alpha, -2.0 * c, 1.0 - alpha,
                             G * (1.0 - c) / 2.0, G * (1.0 - c), G * (1.0 - c) / 2.0);
        case 3: case 9: case 13: case 15: case 17: case 19: case 21:
            return Normalise(1.0 + alpha, -2.0 * c, 1.0 - alpha,
                             G * (1.0 + c) / 2.0, -G * (1.0 + c), G * (1.0 + c) / 2.0);
        case FT_LS: {
            const double beta = std::sqrt(A) * s / Q;
            return Normalise((A + 1) + (A - 1) * c + beta, -2.0 * ((A - 1) + (A + 1) * c),
                             (A + 1) + (A - 1) * c - beta,
                             A * ((A + 1) - (A - 1) * c + beta), 2.0 * A * ((A - 1) - (A + 1) * c),
                             A * ((A + 1) - (A - 1) * c - beta));
        }
        case FT_HS: {
            const double beta = std::sqrt(A) * s / Q;
            return Normalise((A + 1) - (A - 1) * c + beta, 2.0 * ((A - 1) - (A + 1) * c),
                             (A + 1) - (A - 1) * c - beta,
                             A * ((A + 1) + (A - 1) * c + beta), -2.0 * A * ((A - 1) + (A + 1) * c),
                             A * ((A + 1) + (A - 1) * c - beta));
        }
        case 6: case 7:
            return Chebyshev12(type == 7, G, f, fs);
        case 10: case 11: {
            const double k = 1.0 + c + s;
            BiquadCoefficients r{};
            r.a1 = (s - c - 1.0) / k;
            r.b0 = type == 10 ? G * s / k : G * (1.0 + c) / k;
            r.b1 = type == 10 ? r.b0 : -r.b0;
            return r;
        }
        default:  // 0 and unknown codes: all-pass
            return Normalise(1.0 + alpha, -2.0 * c, 1.0 - alpha, 1.0 - alpha, -2.0 * c, 1.0 + alpha);
    }
}

double SectionMagnitudeDb(const BiquadCoefficients& c, double freqHz, double fs) {
    const double sn = std::sin(kPi * freqHz / SaneRate(fs));
    const double phi = sn * sn;
    const double nb = c.b0 + c.b1 + c.b2;
    const double num = nb * nb - 4.0 * (c.b0 * c.b1 + 4.0 * c.b0 * c.b2 + c.b1 * c.b2) * phi +
                       16.0 * c.b0 * c.b2 * phi * phi;
    const double da = 1.0 + c.a1 + c.a2;
    const double den = da * da - 4.0 * (c.a1 + 4.0 * c.a2 + c.a1 * c.a2) * phi +
                       16.0 * c.a2 * phi * phi;
    return 10.0 * std::log10(FloorPower(num)) - 10.0 * std::log10(FloorPower(den));
}

ResponseGrid ResponseGrid::make(double fLow, double fHigh) {
    if (!(fLow > 0.0) || !(fHigh > 0.0) || !std::isfinite(fLow) || !std::isfinite(fHigh)) {
        fLow = kDefaultFLow;
        fHigh = kDefaultFHigh;
    }
    ResponseGrid g;
    g.fLow = fLow;
    g.fHigh = fHigh;
    const double decades = std::log10(fHigh / fLow);
    for (int i = 0; i < kGridPoints; ++i) {
        const double f = fLow * std::pow(10.0, static_cast<double>(i) / kGridPoints * decades);
        g.freq[i] = static_cast<float>(f);
        const double sn = std::sin(kPi * static_cast<double>(g.freq[i]) / kFs);
        g.phi[i] = sn * sn;
    }
    return g;
}

const ResponseGrid& defaultGrid() {
    static const ResponseGrid grid = ResponseGrid::make();
    return grid;
}

void BandCurve(const BandParams& band, int plotWidth, const ResponseGrid& grid,
               ResponseCurve& out) {
    if (band.type == FT_OFF) return;
    const MagnitudePoly m(DesignBiquad(band.type, band.gainDb, band.freqHz, band.q, kFs));
    for (int i = 0; i < kGridPoints; ++i) {
        const double phi = grid.phi[i];
        const double num = FloorPower(m.n0 + phi * (m.n1 + phi * m.n2));
        const double den = FloorPower(m.d0 + phi * (m.d1 + phi * m.d2));
        // One logarithm of the ratio: the same value as the difference of two
        // to well within float precision, at half the cost.
        out[i] = static_cast<float>(10.0 * std::log10(num / den));
    }
    if (band.type == FT_PEQ) {
        const int idx = PeakIndex(band.freqHz, plotWidth, grid);
        if (idx >= 0) out[idx] = band.gainDb;
    }
}

void SumCurves(std::span<const ResponseCurve> curves, std::span<const int> types,
               ResponseCurve& out) {
    out.fill(0.0f);
    const size_t n = std::min(curves.size(), types.size());
    for (size_t j = 0; j < n; ++j) {
        if (types[j] == FT_OFF) continue;
        const ResponseCurve& c = curves[j];
        for (int i = 0; i < kGridPoints; ++i) out[i] += c[i];
    }
}

void SummedCurve(std::span<const BandParams> bands, int plotWidth, const ResponseGrid& grid,
                 ResponseCurve& out) {
    out.fill(0.0f);
    ResponseCurve one;
    for (const BandParams& b : bands) {
        if (b.type == FT_OFF) continue;
        BandCurve(b, plotWidth, grid, one);
        for (int i = 0; i < kGridPoints; ++i) out[i] += one[i];
    }
}

namespace {
// Low-pass side codes of each family; the high-pass side adds one to every code but 1.
constexpr std::array<std::array<int, 4>, kCrossoverFamilies> kFamilies{{
    {10, 10, 1, 1},   // Linkwitz-Riley 12 dB
    {12, 12, 1, 1},   // Linkwitz-Riley 24 dB
    {14, 10, 14, 10}, // Linkwitz-Riley 36 dB
    {18, 20, 18, 20}, // Linkwitz-Riley 48 dB
    {8, 1, 1, 1},     // Bessel 12 dB
    {8, 10, 1, 1},    // Bessel 18 dB
    {8, 8, 1, 1},     // Bessel 24 dB
    {12, 1, 1, 1},    // Butterworth 12 dB
    {14, 10, 1, 1},   // Butterworth 18 dB
    {18, 20, 1, 1},   // Butterworth 24 dB
    {6, 1, 1, 1},     // Chebyshev 12 dB
    {1, 1, 1, 1},     // flat
}};
}  // namespace

std::array<int, 4> CrossoverSections(int family, bool lowPassSide) {
    if (family < 0 || family >= kCrossoverFamilies) family = 0;
    std::array<int, 4> codes = kFamilies[static_cast<size_t>(family)];
    if (!lowPassSide)
        for (int& c : codes)
            if (c != FT_PEQ) c += 1;
    return codes;
}

const char* const kCrossoverNames[11] = {
    "LinkwitzRiely 12dB", "LinkwitzRiely 24dB", "LinkwitzRiely 36dB", "LinkwitzRiely 48dB",
    "Bessel 12dB",        "Bessel 18dB",        "Bessel 24dB",        "Butterworth 12dB",
    "Butterworth 18dB",   "Butterworth 24dB",   "Chebyshev 12dB",
};

BiquadCoefficients DesignDeviceBiquad(int type, int freqHz, double gainDb, double q) {
    const double f = SaneFreq(static_cast<double>(freqHz), kFs);
    if (type >= FT_PEQ && type <= FT_HS) return DesignBiquad(type, gainDb, f, q, kFs);
    // Every other code runs on the unit as an all-pass scaled by the gain.
    const double w = 2.0 * kPi * f / kFs;
    const double c = std::cos(w);
    const double s = std::sin(w);
    const double alpha = s / (2.0 * SaneQ(q));
    const double G = std::pow(10.0, SaneGain(gainDb) / 20.0);
    return Normalise(1.0 + alpha, -2.0 * c, 1.0 - alpha,
                     G * (1.0 - alpha), -2.0 * c * G, G * (1.0 + alpha));
}

std::array<float, 5> DeviceCoefficients(int group, int type, int freqHz, float gainDb, float q) {
    const BiquadCoefficients c = group == 8 ? DesignBiquad(type, gainDb, freqHz, q, kFs)
                                            : DesignDeviceBiquad(type, freqHz, gainDb, q);
    return {static_cast<float>(-c.a1), static_cast<float>(-c.a2), static_cast<float>(c.b0),
            static_cast<float>(c.b1), static_cast<float>(c.b2)};
}

}  // namespace udare::dsp
