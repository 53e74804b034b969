#include "dsp/filter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <utility>
#include <vector>

namespace udare::dsp {
namespace {

// ---- coefficients -------------------------------------------------------

struct CoefCase {
    const char* name;
    int type;
    double gainDb, freqHz, q;
    BiquadCoefficients want;
};

TEST(DesignBiquad, KnownCoefficients) {
    const CoefCase cases[] = {
        {"peaking +6dB 1kHz Q1.41", FT_PEQ, 6.0, 1000.0, 1.41,
         {1.031577911, -1.919976144, 0.904965631, -1.919976144, 0.936543542}},
        {"low-pass 1kHz Q0.7", FT_LP, 0.0, 1000.0, 0.7,
         {0.003912770, 0.007825540, 0.003912770, -1.813785106, 0.829436186}},
        {"first-order low-pass 1kHz", 10, 0.0, 1000.0, 0.7,
         {0.061511769, 0.061511769, 0.0, -0.876976463, 0.0}},
    };
    for (const CoefCase& c : cases) {
        SCOPED_TRACE(c.name);
        const BiquadCoefficients got = DesignBiquad(c.type, c.gainDb, c.freqHz, c.q);
        EXPECT_NEAR(got.b0, c.want.b0, 1e-9);
        EXPECT_NEAR(got.b1, c.want.b1, 1e-9);
        EXPECT_NEAR(got.b2, c.want.b2, 1e-9);
        EXPECT_NEAR(got.a1, c.want.a1, 1e-9);
        EXPECT_NEAR(got.a2, c.want.a2, 1e-9);
    }
}

TEST(DesignBiquad, FixedQSectionsIgnoreBandQ) {
    for (int type = 8; type <= 21; ++type) {
        SCOPED_TRACE(type);
        const BiquadCoefficients a = DesignBiquad(type, 0.0, 700.0, 0.3);
        const BiquadCoefficients b = DesignBiquad(type, 0.0, 700.0, 5.0);
        EXPECT_DOUBLE_EQ(a.a1, b.a1);
        EXPECT_DOUBLE_EQ(a.a2, b.a2);
        EXPECT_DOUBLE_EQ(a.b0, b.b0);
    }
    // Butterworth 12 dB at its corner reads 20 log10(1/sqrt 2) whatever Q the band holds.
    EXPECT_NEAR(SectionMagnitudeDb(DesignBiquad(12, 0.0, 1000.0, 9.0), 1000.0), -3.0103, 1e-3);
}

TEST(DesignBiquad, UnknownCodesAreAllPass) {
    for (int type : {0, 22, 99, -1}) {
        SCOPED_TRACE(type);
        const BiquadCoefficients c = DesignBiquad(type, 6.0, 1000.0, 1.41);
        for (double f : {20.0, 1000.0, 15000.0}) EXPECT_NEAR(SectionMagnitudeDb(c, f), 0.0, 1e-9);
        EXPECT_NEAR(c.b2, 1.0, 1e-15);  // unscaled: the gain is not applied
    }
}

TEST(DesignBiquad, PeakingAtZeroGainIsFlat) {
    const BiquadCoefficients c = DesignBiquad(FT_PEQ, 0.0, 250.0, 3.0);
    EXPECT_NEAR(c.b0, 1.0, 1e-15);
    EXPECT_DOUBLE_EQ(c.b1, c.a1);
    EXPECT_DOUBLE_EQ(c.b2, c.a2);
    for (double f : {18.0, 250.0, 22000.0}) EXPECT_NEAR(SectionMagnitudeDb(c, f), 0.0, 1e-12);
}

// Inputs a damaged file or a strange reply can carry must not give a section
// that is unstable or not finite: those coefficients go to the unit.
TEST(DesignBiquad, DegenerateInputsStayFiniteAndStable) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct {
        double gain, freq, q;
    } inputs[] = {{0, 1000, 0}, {0, 1000, -1}, {0, 1000, nan}, {0, 0, 1},
                  {0, -5, 1},   {0, 30000, 1}, {0, 65535, 1},  {nan, 1000, 1},
                  {1e6, 1000, 1}};
    for (int type = 0; type <= 22; ++type) {
        for (const auto& in : inputs) {
            SCOPED_TRACE(testing::Message() << "type " << type << " f " << in.freq << " q " << in.q
                                            << " g " << in.gain);
            const BiquadCoefficients c = DesignBiquad(type, in.gain, in.freq, in.q);
            for (double v : {c.b0, c.b1, c.b2, c.a1, c.a2}) EXPECT_TRUE(std::isfinite(v));
            // Poles inside (or on) the unit circle: |a2| <= 1 and |a1| <= 1 + a2.
            EXPECT_LE(std::abs(c.a2), 1.0 + 1e-12);
            EXPECT_LE(std::abs(c.a1), 1.0 + c.a2 + 1e-12);
            const double db = SectionMagnitudeDb(c, 1000.0);
            EXPECT_FALSE(std::isnan(db));
            EXPECT_TRUE(std::isfinite(db));
        }
    }
}

// ---- magnitudes ---------------------------------------------------------

struct MagCase {
    const char* name;
    int type;
    double gainDb, freqHz, q, atHz, wantDb, tol;
};

TEST(SectionMagnitudeDb, KnownLevels) {
    const MagCase cases[] = {
        {"peaking exact peak", FT_PEQ, 6.0, 1000.0, 1.41, 1000.0, 6.0, 1e-9},
        {"low-pass at corner", FT_LP, 0.0, 1000.0, 0.7, 1000.0, -3.10, 0.005},
        {"low-pass with gain", FT_LP, 6.0, 1000.0, 0.7, 100.0, 6.00, 0.005},
        {"low shelf below", FT_LS, 6.0, 100.0, 0.7, 20.0, 5.98, 0.005},
        {"low shelf above", FT_LS, 6.0, 100.0, 0.7, 10000.0, 0.00, 0.005},
        {"high shelf above", FT_HS, -6.0, 8000.0, 0.7, 20000.0, -5.99, 0.005},
        {"high shelf below", FT_HS, -6.0, 8000.0, 0.7, 100.0, 0.00, 0.005},
        {"chebyshev low-pass at corner", 6, 0.0, 1000.0, 0.7, 1000.0, -0.10, 0.005},
        {"chebyshev low-pass at DC", 6, 0.0, 1000.0, 0.7, 1.0, -0.10, 0.005},
        {"chebyshev low-pass one octave up", 6, 0.0, 1000.0, 0.7, 2000.0, -6.7, 0.05},
        {"chebyshev high-pass at corner", 7, 0.0, 1000.0, 0.7, 1000.0, -0.10, 0.005},
        {"first-order low-pass at corner", 10, 0.0, 1000.0, 0.7, 1000.0, -3.01, 0.005},
        {"first-order high-pass at corner", 11, 0.0, 1000.0, 0.7, 1000.0, -3.01, 0.005},
    };
    for (const MagCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(SectionMagnitudeDb(DesignBiquad(c.type, c.gainDb, c.freqHz, c.q), c.atHz),
                    c.wantDb, c.tol);
    }
}

TEST(SectionMagnitudeDb, ChebyshevRipplePeakBelowCorner) {
    const BiquadCoefficients c = DesignBiquad(6, 0.0, 1000.0, 0.7);
    double peak = -100.0;
    for (double f = 10.0; f < 1000.0; f += 1.0) peak = std::max(peak, SectionMagnitudeDb(c, f));
    EXPECT_NEAR(peak, 0.23, 0.01);
}

TEST(SectionMagnitudeDb, ZeroOnTheUnitCircleIsFloored) {
    // A low-pass has a zero at Nyquist, a high-pass one at DC.
    for (const auto& [type, atHz] : {std::pair{FT_LP, 24000.0}, std::pair{FT_HP, 0.0}}) {
        const double db = SectionMagnitudeDb(DesignBiquad(type, 0.0, 1000.0, 0.7), atHz);
        EXPECT_TRUE(std::isfinite(db)) << type;
        EXPECT_LT(db, -150.0) << type;
    }
}

// ---- crossovers ---------------------------------------------------------

double CascadeDb(int family, bool lowPass, double fc, double atHz) {
    double db = 0.0;
    for (int code : CrossoverSections(family, lowPass))
        db += SectionMagnitudeDb(DesignBiquad(code, 0.0, fc, 0.7), atHz);
    return db;
}

TEST(Crossover, LevelAtCornerBothSides) {
    const double atCorner[kCrossoverFamilies] = {-6.02, -6.02, -6.02, -6.02, -4.77, -7.78,
                                                 -9.54, -3.01, -3.01, -3.01, -0.10, 0.0};
    for (int fam = 0; fam < kCrossoverFamilies; ++fam) {
        for (bool lp : {true, false}) {
            SCOPED_TRACE(testing::Message() << "family " << fam << (lp ? " low" : " high"));
            EXPECT_NEAR(CascadeDb(fam, lp, 1000.0, 1000.0), atCorner[fam], 0.005);
        }
    }
}

TEST(Crossover, OneOctaveAboveLowPassCorner) {
    const struct {
        int family;
        double db;
    } cases[] = {{0, -14.04}, {1, -24.75}, {2, -36.48}, {3, -48.50},
                 {7, -12.38}, {8, -18.24}, {9, -24.25}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.family);
        EXPECT_NEAR(CascadeDb(c.family, true, 1000.0, 2000.0), c.db, 0.01);
    }
}

TEST(Crossover, SectionCodes) {
    EXPECT_EQ(CrossoverSections(2, true), (std::array<int, 4>{14, 10, 14, 10}));
    EXPECT_EQ(CrossoverSections(2, false), (std::array<int, 4>{15, 11, 15, 11}));
    EXPECT_EQ(CrossoverSections(5, false), (std::array<int, 4>{9, 11, 1, 1}));  // 1 stays 1
    EXPECT_EQ(CrossoverSections(11, false), (std::array<int, 4>{1, 1, 1, 1}));
    for (int fam : {12, -1, 1000}) {
        SCOPED_TRACE(fam);
        EXPECT_EQ(CrossoverSections(fam, true), CrossoverSections(0, true));
        EXPECT_EQ(CrossoverSections(fam, false), CrossoverSections(0, false));
    }
    for (int fam = 0; fam < kCrossoverFamilies; ++fam)
        for (int code : CrossoverSections(fam, true)) EXPECT_TRUE(code == 1 || isLowPassKind(code));
    EXPECT_STREQ(kCrossoverNames[0], "LinkwitzRiely 12dB");
    EXPECT_STREQ(kCrossoverNames[10], "Chebyshev 12dB");
}

// ---- grid and curves ----------------------------------------------------

TEST(ResponseGrid, StartsAtLowStopsOneStepShort) {
    const ResponseGrid& g = defaultGrid();
    EXPECT_EQ(g.freq[0], 18.0f);
    EXPECT_NEAR(g.freq[kGridPoints - 1], 22681.0, 1.0);
    for (int i = 1; i < kGridPoints; ++i) ASSERT_LT(g.freq[i - 1], g.freq[i]);
    const ResponseGrid other = ResponseGrid::make(20.0, 20000.0);
    EXPECT_EQ(other.freq[0], 20.0f);
    EXPECT_LT(other.freq[kGridPoints - 1], 20000.0f);
}

TEST(ResponseGrid, InvalidLimitsFallBackToDefaults) {
    const ResponseGrid g = ResponseGrid::make(0.0, 23000.0);
    EXPECT_EQ(g.freq, defaultGrid().freq);
}

TEST(BandCurve, MatchesEvaluatorOnEveryPoint) {
    const ResponseGrid& g = defaultGrid();
    const BandParams bands[] = {{FT_LP, 3.0f, 400.0f, 0.7f}, {FT_HS, -4.0f, 6000.0f, 0.9f},
                                {6, 0.0f, 120.0f, 1.0f},      {11, 0.0f, 80.0f, 1.0f},
                                {19, 0.0f, 2500.0f, 1.0f}};
    for (const BandParams& b : bands) {
        SCOPED_TRACE(b.type);
        ResponseCurve out{};
        BandCurve(b, 800, g, out);
        const BiquadCoefficients c = DesignBiquad(b.type, b.gainDb, b.freqHz, b.q);
        for (int i = 0; i < kGridPoints; ++i)
            ASSERT_NEAR(out[i], static_cast<float>(SectionMagnitudeDb(c, g.freq[i])), 1e-4) << i;
    }
}

TEST(BandCurve, PeakingPinReachesGainBetweenGridPoints) {
    const ResponseGrid& g = defaultGrid();
    for (int width : {300, 512, 1000}) {
        for (float f : {1000.0f, 63.0f, 12345.0f}) {
            SCOPED_TRACE(testing::Message() << "width " << width << " f " << f);
            const BandParams b{FT_PEQ, 9.5f, f, 4.0f};
            ResponseCurve out{};
            BandCurve(b, width, g, out);
            const BiquadCoefficients c = DesignBiquad(b.type, b.gainDb, b.freqHz, b.q);
            int pinned = -1;
            for (int i = 0; i < kGridPoints; ++i) {
                const float eval = static_cast<float>(SectionMagnitudeDb(c, g.freq[i]));
                if (std::abs(out[i] - eval) > 1e-4f) {
                    ASSERT_EQ(pinned, -1) << "more than one point replaced";
                    pinned = i;
                }
            }
            ASSERT_GE(pinned, 0);
            EXPECT_EQ(out[pinned], 9.5f);
            EXPECT_LT(g.freq[pinned], f);  // the points either side fall below the peak
            EXPECT_GT(g.freq[std::min(pinned + 3, kGridPoints - 1)], f);
        }
    }
}

TEST(BandCurve, PeakOffThePlotPinsNothing) {
    const ResponseGrid& g = defaultGrid();
    for (float f : {10.0f, 23500.0f}) {
        for (int width : {800, 0, -5}) {
            ResponseCurve out{};
            BandCurve({FT_PEQ, 6.0f, f, 1.41f}, width, g, out);
            const BiquadCoefficients c = DesignBiquad(FT_PEQ, 6.0, f, 1.41);
            for (int i = 0; i < kGridPoints; ++i)
                ASSERT_NEAR(out[i], SectionMagnitudeDb(c, g.freq[i]), 1e-4) << f << " " << width;
        }
    }
}

TEST(BandCurve, TypeOffLeavesCurveUntouched) {
    ResponseCurve out;
    out.fill(42.0f);
    BandCurve({FT_OFF, 6.0f, 1000.0f, 1.41f}, 800, defaultGrid(), out);
    for (float v : out) ASSERT_EQ(v, 42.0f);
}

TEST(Sum, TypeOffLeftOut) {
    const ResponseGrid& g = defaultGrid();
    std::vector<ResponseCurve> curves(3);
    BandCurve({FT_PEQ, 6.0f, 1000.0f, 1.41f}, 800, g, curves[0]);
    curves[1].fill(1000.0f);  // a stale curve of a band switched off
    BandCurve({FT_LS, -3.0f, 100.0f, 0.7f}, 800, g, curves[2]);
    const int types[] = {FT_PEQ, FT_OFF, FT_LS};
    ResponseCurve sum;
    SumCurves(curves, types, sum);
    for (int i = 0; i < kGridPoints; ++i) ASSERT_FLOAT_EQ(sum[i], curves[0][i] + curves[2][i]);

    const BandParams bands[] = {{FT_PEQ, 6.0f, 1000.0f, 1.41f},
                                {FT_OFF, 15.0f, 50.0f, 0.1f},
                                {FT_LS, -3.0f, 100.0f, 0.7f}};
    ResponseCurve summed;
    SummedCurve(bands, 800, g, summed);
    for (int i = 0; i < kGridPoints; ++i) ASSERT_FLOAT_EQ(summed[i], sum[i]);
}

TEST(Sum, FlatFamilyAndZeroGainPeakingAddNothing) {
    const ResponseGrid& g = defaultGrid();
    std::vector<BandParams> bands;
    for (int code : CrossoverSections(11, true)) bands.push_back({code, 0.0f, 500.0f, 0.7f});
    bands.push_back({FT_PEQ, 0.0f, 2000.0f, 1.41f});
    ResponseCurve sum;
    SummedCurve(bands, 800, g, sum);
    for (float v : sum) ASSERT_NEAR(v, 0.0f, 1e-6f);
}

// ---- the unit's coefficients --------------------------------------------

TEST(DeviceDesign, CodesOneToFiveMatchDesigner) {
    for (int type = 1; type <= 5; ++type) {
        SCOPED_TRACE(type);
        const BiquadCoefficients d = DesignDeviceBiquad(type, 1250, 4.5, 0.9);
        const BiquadCoefficients r = DesignBiquad(type, 4.5, 1250.0, 0.9);
        EXPECT_DOUBLE_EQ(d.b0, r.b0);
        EXPECT_DOUBLE_EQ(d.b1, r.b1);
        EXPECT_DOUBLE_EQ(d.b2, r.b2);
        EXPECT_DOUBLE_EQ(d.a1, r.a1);
        EXPECT_DOUBLE_EQ(d.a2, r.a2);
    }
}

TEST(DeviceDesign, OtherCodesAreGainScaledAllPass) {
    const double G = std::pow(10.0, 6.0 / 20.0);
    for (int type : {0, 6, 7, 10, 11, 12, 18, 21, 40}) {
        SCOPED_TRACE(type);
        const BiquadCoefficients c = DesignDeviceBiquad(type, 1000, 6.0, 1.41);
        const double w = 2.0 * std::numbers::pi * 1000.0 / 48000.0;
        const double alpha = std::sin(w) / (2.0 * 1.41);
        const double a0 = 1.0 + alpha;
        EXPECT_NEAR(c.b0, G * (1.0 - alpha) / a0, 1e-12);
        EXPECT_NEAR(c.b1, -2.0 * G * std::cos(w) / a0, 1e-12);
        EXPECT_NEAR(c.b2, G, 1e-12);
        EXPECT_NEAR(c.a1, -2.0 * std::cos(w) / a0, 1e-12);
        EXPECT_NEAR(c.a2, (1.0 - alpha) / a0, 1e-12);
        for (double f : {30.0, 1000.0, 18000.0}) EXPECT_NEAR(SectionMagnitudeDb(c, f), 6.0, 1e-9);
    }
}

TEST(DeviceCoefficients, SendOrderAndSubUsesDesigner) {
    const BiquadCoefficients peq = DesignBiquad(FT_PEQ, 6.0, 1000.0, 1.41f);
    const std::array<float, 5> sent = DeviceCoefficients(1, FT_PEQ, 1000, 6.0f, 1.41f);
    EXPECT_EQ(sent, (std::array<float, 5>{static_cast<float>(-peq.a1), static_cast<float>(-peq.a2),
                                          static_cast<float>(peq.b0), static_cast<float>(peq.b1),
                                          static_cast<float>(peq.b2)}));

    // A Butterworth section: the real thing for the Sub, a gain-scaled all-pass elsewhere.
    const BiquadCoefficients bw = DesignBiquad(18, 0.0, 100.0, 1.414f);
    const std::array<float, 5> sub = DeviceCoefficients(8, 18, 100, 0.0f, 1.414f);
    EXPECT_FLOAT_EQ(sub[2], static_cast<float>(bw.b0));
    EXPECT_FLOAT_EQ(sub[0], static_cast<float>(-bw.a1));
    const std::array<float, 5> main = DeviceCoefficients(5, 18, 100, 0.0f, 1.414f);
    EXPECT_FLOAT_EQ(main[4], 1.0f);
    EXPECT_FLOAT_EQ(main[2], -main[1]);  // all-pass: b0 = a2, sent as -a2
}

}  // namespace
}  // namespace udare::dsp
