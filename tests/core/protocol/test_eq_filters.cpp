#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "dsp/filter.h"
#include "protocol/commands.h"
#include "protocol/eq_curve.h"
#include "protocol/eq_filters.h"
#include "test_support.h"

namespace udare {
namespace {

using Rig = test::CommandRig;

FilterFile parseFixture(const char* name) {
    std::string text;
    EXPECT_TRUE(ReadTextFile(std::string(UDARE_FIXTURES) + "/eq/" + name, text)) << name;
    return ParseFilterText(text);
}

std::vector<NoteKind> kindsOf(const std::vector<FilterNote>& notes) {
    std::vector<NoteKind> k;
    for (const FilterNote& n : notes) k.push_back(n.kind);
    return k;
}

// ---- reading the tools' files -------------------------------------------------

TEST(FilterText, AutoEqFileAsWritten) {
    const FilterFile f = parseFixture("autoeq_ParametricEQ.txt");
    EXPECT_TRUE(f.errors.empty());
    ASSERT_EQ(f.filters.size(), 10u);
    ASSERT_EQ(f.notes.size(), 1u);
    EXPECT_EQ(f.notes[0].kind, NoteKind::PreampNotApplied);
    EXPECT_DOUBLE_EQ(f.notes[0].value, -6.1);
    const ParsedFilter& first = f.filters[0];
    EXPECT_EQ(first.line, 2);
    EXPECT_EQ(first.kind, FilterKind::LowShelf);
    EXPECT_DOUBLE_EQ(first.freqHz, 105);  // LSC names the centre frequency
    EXPECT_DOUBLE_EQ(first.gainDb, 6.4);
    EXPECT_DOUBLE_EQ(first.q, 0.70);
    EXPECT_EQ(f.filters[1].kind, FilterKind::Peq);
    EXPECT_DOUBLE_EQ(f.filters[1].q, 0.46);
    EXPECT_EQ(f.filters[9].kind, FilterKind::HighShelf);
    EXPECT_DOUBLE_EQ(f.filters[9].gainDb, -1.5);
}

TEST(FilterText, RewGenericFileSkipsHeaderOffAndEmptySlots) {
    const FilterFile f = parseFixture("rew_generic.txt");
    EXPECT_TRUE(f.errors.empty());
    EXPECT_TRUE(f.notes.empty());
    ASSERT_EQ(f.filters.size(), 12u);  // 13 written, number 6 is OFF, 14-20 are None
    EXPECT_EQ(f.filters[0].line, 10);
    EXPECT_EQ(f.filters[0].text, "Filter  1: ON  PK       Fc     347 Hz  Gain  -0.5 dB  Q 14.000");
    EXPECT_DOUBLE_EQ(f.filters[0].freqHz, 347);
    EXPECT_DOUBLE_EQ(f.filters[0].gainDb, -0.5);
    EXPECT_DOUBLE_EQ(f.filters[0].q, 14.0);
    EXPECT_DOUBLE_EQ(f.filters[5].freqHz, 1026);  // the OFF filter 6 is gone
}

TEST(FilterText, DecimalCommasMissingNumbersAndConversions) {
    const FilterFile f = parseFixture("apo_decimal_comma.txt");
    EXPECT_TRUE(f.errors.empty());
    ASSERT_EQ(f.filters.size(), 5u);
    EXPECT_EQ(kindsOf(f.notes), (std::vector<NoteKind>{NoteKind::PreampNotApplied, NoteKind::CommandIgnored}));
    EXPECT_DOUBLE_EQ(f.notes[0].value, -4.5);
    EXPECT_EQ(f.notes[1].what, "Channel");

    const ParsedFilter& pk = f.filters[0];  // "Filter:" without a number
    EXPECT_DOUBLE_EQ(pk.gainDb, 4.5);
    EXPECT_DOUBLE_EQ(pk.q, 1.41);

    // LS 12dB names the corner, where the poles are: the centre lies a quarter
    // of the gain (in dB, over 20) above it for a boost.
    const ParsedFilter& ls = f.filters[1];
    EXPECT_EQ(ls.kind, FilterKind::LowShelf);
    EXPECT_NEAR(ls.freqHz, 80 * std::pow(10.0, 3.0 / 80.0), 1e-9);
    EXPECT_NEAR(ls.q, std::sqrt(0.5), 1e-12);

    EXPECT_NEAR(f.filters[2].q, 2.8710, 1e-4);  // half an octave
    EXPECT_EQ(f.filters[3].kind, FilterKind::Unsupported);
    EXPECT_EQ(f.filters[3].typeWord, "NO");
    EXPECT_EQ(f.filters[4].kind, FilterKind::HighPass);
    EXPECT_NEAR(f.filters[4].q, std::sqrt(0.5), 1e-12);  // no Q given
}

TEST(FilterText, MalformedLinesNamedByNumber) {
    const std::vector<std::string> bad = {
        "Filter 1: PK Fc 100 Hz Gain 1 dB Q 1",          // neither ON nor OFF
        "Filter 2: ON XX Fc 100 Hz Gain 1 dB Q 1",       // unknown type
        "Filter 3: ON PK Fc abc Hz Gain 1 dB Q 1",       // not a number
        "Filter 4: ON PK Gain 1 dB Q 1",                 // no frequency
        "Filter 5: ON PK Fc 100 Hz Q 1",                 // a peak without gain
        "Filter 6: ON PK Fc 100 Hz Gain 1 dB",           // a peak without width
        "Filter 7: ON PK Fc 100 Hz Gain 1 dB Q -2",      // negative Q
        "Filter 8: ON PK Fc 100 Hz Gain 1 dB Q 1 Slope 3",  // unknown word
        "Filter 9: ON PK Fc 1.2.3 Hz Gain 1 dB Q 1",
        "Filter: ON",
        "Preamp: loud",
    };
    std::string text = "Preamp: -3 dB\nFilter 1: ON PK Fc 100 Hz Gain 1 dB Q 1\n";
    for (const std::string& b : bad) text += b + "\n";
    const FilterFile f = ParseFilterText(text);
    ASSERT_EQ(f.errors.size(), bad.size());
    for (size_t i = 0; i < bad.size(); ++i) {
        EXPECT_EQ(f.errors[i].line, static_cast<int>(i) + 3);
        EXPECT_EQ(f.errors[i].text, bad[i]);
    }
    EXPECT_EQ(FilterErrorText(f.errors[1], 1), "line 4: cannot read \"" + bad[1] + "\"");
}

// The conversions against what they mean: a bandwidth of N octaves puts the
// half-gain points N octaves apart; a shelf slope of 1 is the steepest that
// never overshoots, and a steeper one does.
TEST(FilterText, BandwidthAndShelfSlopeConversions) {
    EXPECT_NEAR(QFromBandwidth(1.0), std::sqrt(2.0), 1e-12);
    for (double bw : {0.5, 1.0, 2.0}) {
        const auto c = dsp::DesignBiquad(dsp::FT_PEQ, -12.0, 300.0, QFromBandwidth(bw));
        auto halfGainAt = [&](double lo, double hi) {  // bisection on the -6 dB point
            const bool rising = dsp::SectionMagnitudeDb(c, hi) > dsp::SectionMagnitudeDb(c, lo);
            for (int i = 0; i < 60; ++i) {
                const double mid = std::sqrt(lo * hi);
                if ((dsp::SectionMagnitudeDb(c, mid) > -6.0) == rising) hi = mid;
                else lo = mid;
            }
            return lo;
        };
        const double below = halfGainAt(20.0, 300.0), above = halfGainAt(300.0, 5000.0);
        EXPECT_NEAR(std::log2(above / below), bw, 0.02) << bw;
    }
    auto overshoot = [](double slope) {
        const auto c = dsp::DesignBiquad(dsp::FT_LS, 12.0, 200.0, QFromShelfSlope(slope, 12.0));
        double peak = -1e9;
        for (double f = 10; f < 20000; f *= 1.01) peak = std::max(peak, dsp::SectionMagnitudeDb(c, f));
        return peak - 12.0;
    };
    EXPECT_LT(overshoot(1.0), 1e-3);
    EXPECT_LT(overshoot(0.9), 1e-3);
    EXPECT_GT(overshoot(1.5), 0.1);
    EXPECT_NEAR(QFromShelfSlope(1.0, 0.0), std::sqrt(0.5), 1e-12);
}

// ---- fitting to an equaliser --------------------------------------------------

TEST(EqImportPlan, TwelveFiltersIntoSevenBands) {
    Rig r;
    const EqImport p = PlanEqImport(parseFixture("rew_generic.txt"), r.st, Eq::Echo);
    ASSERT_EQ(p.bands.size(), 7u);
    EXPECT_EQ(p.bands[0].freqHz, 347);
    EXPECT_EQ(p.bands[6].freqHz, 1240);  // filter 8: number 6 is OFF
    ASSERT_EQ(p.notes.size(), 5u);
    for (const FilterNote& n : p.notes) EXPECT_EQ(n.kind, NoteKind::BeyondBands);
    EXPECT_EQ(p.notes[0].line, 18);
    EXPECT_EQ(FilterNoteText(p.notes[0], 1), "line 18: left out, the equaliser has only 7 bands");
}

TEST(EqImportPlan, UnusedBandsBecomeFlatAtTheirResetFrequencies) {
    Rig r;
    const EqImport p = PlanEqImport(parseFixture("apo_decimal_comma.txt"), r.st, Eq::Mic1);
    ASSERT_EQ(p.bands.size(), 15u);
    EXPECT_EQ(p.bands[0].type, dsp::FT_PEQ);
    EXPECT_EQ(p.bands[1].type, dsp::FT_LS);
    EXPECT_EQ(p.bands[3].type, dsp::FT_HP);
    EXPECT_EQ(p.bands[3].gainDb, 0.0f);
    for (int k = 4; k < 15; ++k) {
        EXPECT_EQ(p.bands[k].type, dsp::FT_PEQ);
        EXPECT_EQ(p.bands[k].gainDb, 0.0f);
        EXPECT_EQ(p.bands[k].freqHz, eqInfo(Eq::Mic1).resetFreqs[k]);
        EXPECT_FLOAT_EQ(p.bands[k].q, 1.41f);
    }
    EXPECT_EQ(kindsOf(p.notes), (std::vector<NoteKind>{NoteKind::PreampNotApplied, NoteKind::CommandIgnored,
                                                        NoteKind::Unsupported, NoteKind::BandsReset}));
    EXPECT_EQ(FilterNoteText(p.notes.back(), 1), "bands 5-15: flat PEQ at their reset frequencies");
}

TEST(EqImportPlan, EveryClampIsReported) {
    struct Case {
        const char* line;
        int type, freq;
        float gain, q;
        NoteKind note;
        double from, to;
    };
    const Case cases[] = {
        {"Filter 1: ON PK Fc 1000 Hz Gain 18 dB Q 1", 1, 1000, 15.0f, 1.0f, NoteKind::GainClamped, 18, 15},
        {"Filter 1: ON LSC Fc 100 Hz Gain -20.5 dB Q 0.7", 4, 100, -15.0f, 0.7f, NoteKind::GainClamped, -20.5, -15},
        {"Filter 1: ON PK Fc 10 Hz Gain 1 dB Q 1", 1, 20, 1.0f, 1.0f, NoteKind::FrequencyClamped, 10, 20},
        {"Filter 1: ON PK Fc 25000 Hz Gain 1 dB Q 1", 1, 20000, 1.0f, 1.0f, NoteKind::FrequencyClamped, 25000, 20000},
        {"Filter 1: ON PK Fc 1000 Hz Gain 1 dB Q 40", 1, 1000, 1.0f, 30.0f, NoteKind::QClamped, 40, 30},
        {"Filter 1: ON PK Fc 1000 Hz Gain 1 dB Q 0.05", 1, 1000, 1.0f, 0.1f, NoteKind::QClamped, 0.05, 0.1},
        {"Filter 1: ON HSC Fc 8000 Hz Gain 3 dB Q 3", 5, 8000, 3.0f, 2.0f, NoteKind::QClamped, 3, 2},
        {"Filter 1: ON LPQ Fc 5000 Hz Q 4", 2, 5000, 0.0f, 2.0f, NoteKind::QClamped, 4, 2},
    };
    Rig r;
    for (const Case& c : cases) {
        const EqImport p = PlanEqImport(ParseFilterText(c.line), r.st, Eq::Echo);
        const EqBandValue& b = p.bands[0];
        EXPECT_EQ(b.type, c.type) << c.line;
        EXPECT_EQ(b.freqHz, c.freq) << c.line;
        EXPECT_FLOAT_EQ(b.gainDb, c.gain) << c.line;
        EXPECT_FLOAT_EQ(b.q, c.q) << c.line;
        ASSERT_EQ(p.notes.size(), 2u) << c.line;  // the clamp, then the bands left flat
        EXPECT_EQ(p.notes[0].kind, c.note) << c.line;
        EXPECT_EQ(p.notes[0].line, 1);
        EXPECT_NEAR(p.notes[0].value, c.from, 1e-9) << c.line;
        EXPECT_NEAR(p.notes[0].to, c.to, 1e-6) << c.line;
    }
}

TEST(EqImportPlan, AppliedToBothMicrophonesRecordThenCoefficients) {
    Rig r;
    EqImport p = PlanEqImport(parseFixture("autoeq_ParametricEQ.txt"), r.st, Eq::Mic1);
    p.targets.push_back(Eq::Mic2);
    ApplyEqImport(r.c, p);
    ASSERT_EQ(r.out.reports.size(), 2u * 2u * 15u);
    for (size_t i = 0; i < r.out.reports.size(); i += 2) {
        EXPECT_EQ(r.out.reports[i][1], 0x85);
        EXPECT_EQ(r.out.reports[i + 1][1], 0x09);
    }
    for (Eq eq : {Eq::Mic1, Eq::Mic2}) {
        const EqBandValue b = readBand(r.st, eq, 0);
        EXPECT_EQ(b.type, dsp::FT_LS);
        EXPECT_EQ(b.freqHz, 105);
        EXPECT_FLOAT_EQ(b.gainDb, 6.4f);
        EXPECT_FLOAT_EQ(b.q, 0.7f);
    }
}

// ---- writing, and reading back ----------------------------------------------------

TEST(FilterText, WrittenLinesLookAsTheToolsWriteThem) {
    Rig r;
    SetEqBand(r.c, Eq::Echo, 0, dsp::FT_PEQ, 347, -0.5f, 14.0f);
    SetEqBand(r.c, Eq::Echo, 1, dsp::FT_LS, 105, 6.4f, 0.7f);
    SetEqBand(r.c, Eq::Echo, 2, dsp::FT_HP, 30, 0.0f, 0.707f);
    const std::string rew = WriteFilterText(r.st, Eq::Echo, FilterFormat::Rew, 0);
    EXPECT_NE(rew.find("\nFilter  1: ON  PK       Fc     347 Hz  Gain  -0.5 dB  Q 14.000\n"), std::string::npos) << rew;
    EXPECT_NE(rew.find("\nFilter  2: ON  LSC      Fc     105 Hz  Gain   6.4 dB  Q  0.700\n"), std::string::npos);
    EXPECT_NE(rew.find("\nEqualiser: Generic\n"), std::string::npos);
    const std::string apo = WriteFilterText(r.st, Eq::Echo, FilterFormat::Apo, 0);
    EXPECT_NE(apo.find("\nFilter 1: ON PK Fc 347 Hz Gain -0.5 dB Q 14.000\n"), std::string::npos) << apo;
    EXPECT_NE(apo.find("\nFilter 3: ON HPQ Fc 30 Hz Q 0.707\n"), std::string::npos);
    EXPECT_EQ(apo.find("# udare:"), std::string::npos);  // every band said plainly
}

// Export then import gives the same band records, for every equaliser in
// both formats, with off bands, crossover sections and a gained low-pass.
TEST(FilterText, RoundTripOfEveryEqualiser) {
    for (FilterFormat format : {FilterFormat::Apo, FilterFormat::Rew}) {
        for (const EqInfo& e : kEqualisers) {
            Rig a;
            const int n = e.eq == Eq::Sub ? a.st.subSections() : e.bands;
            for (int k = 0; k < n; ++k) {
                const int type = e.eq == Eq::Sub ? (k % 7 == 3 ? 18 : k % 7 == 4 ? 21 : 1 + k % 5) : 1 + k % 5;
                SetEqBand(a.c, e.eq, k, type, 20 + 863 * k, static_cast<float>(k % 31) - 15.0f + 0.3f,
                          0.1f + 0.137f * static_cast<float>(k % 14));
            }
            SetEqBand(a.c, e.eq, 1, dsp::FT_OFF, 440, 2.0f, 1.0f);
            SetEqBand(a.c, e.eq, 2, dsp::FT_LP, 900, 3.0f, 0.5f);
            const std::string text = WriteFilterText(a.st, e.eq, format, 0);
            const FilterFile f = ParseFilterText(text);
            ASSERT_TRUE(f.errors.empty()) << text;
            Rig b;
            const EqImport p = PlanEqImport(f, b.st, e.eq);
            EXPECT_TRUE(p.notes.empty()) << e.name << " " << FilterNoteText(p.notes[0], 1);
            ApplyEqImport(b.c, p);
            for (int k = 0; k < n; ++k) {
                uint8_t ra[7], rb[7];
                a.st.eqImage.read(bandOffset(e.eq, k), 7, ra);
                b.st.eqImage.read(bandOffset(e.eq, k), 7, rb);
                EXPECT_EQ(0, std::memcmp(ra, rb, 7)) << e.name << " band " << k << "\n" << text;
            }
        }
    }
}

// A Q code printed with three decimals comes back as the same code, even
// where the decimal's float falls just below it (0.251).
TEST(FilterText, EveryQCodeSurvivesItsPrintedForm) {
    Rig r;
    for (int code = 100; code <= 30000; ++code) {
        char line[80];
        std::snprintf(line, sizeof line, "Filter 1: ON PK Fc 100 Hz Gain 0.0 dB Q %.3f", code / 1000.0);
        const EqImport p = PlanEqImport(ParseFilterText(line), r.st, Eq::Echo);
        const auto rec = encodeBandRecord(p.bands[0].gainDb, p.bands[0].freqHz, p.bands[0].q, p.bands[0].type);
        ASSERT_EQ((rec[4] << 8) | rec[5], code) << line;
        ASSERT_NEAR(p.bands[0].q, code / 1000.0, code * 1e-9 + 1e-7);  // a float step or so
    }
}

// ---- the response curve -------------------------------------------------------------

TEST(EqCurveCsv, FlatEqualiserIsZeroEverywhere) {
    Rig r;
    ResetEq(r.c, Eq::Main);
    const std::string csv = CurveCsv(EqCurve(r.st, Eq::Main));
    size_t lines = 0, pos = 0;
    EXPECT_EQ(csv.substr(0, 21), "frequency_hz,gain_db\n");
    for (size_t nl; (nl = csv.find('\n', pos)) != std::string::npos; pos = nl + 1, ++lines)
        if (lines > 0) {
            const size_t comma = csv.find(',', pos);
            EXPECT_EQ(csv.substr(comma, nl - comma), ",0.0000");
        }
    EXPECT_EQ(lines, 513u);
    EXPECT_EQ(csv.substr(21, 11), "18.000,0.00");
}

TEST(EqCurveCsv, DenseGridAndTheSubwooferSections) {
    Rig r;
    SetEqBand(r.c, Eq::Center, 5, dsp::FT_PEQ, 1000, 6.0f, 1.41f);
    const auto dense = EqCurve(r.st, Eq::Center, 1001);
    ASSERT_EQ(dense.size(), 1001u);
    EXPECT_DOUBLE_EQ(dense.front().freqHz, 20.0);
    EXPECT_NEAR(dense.back().freqHz, 20000.0, 1e-9);
    EXPECT_NEAR(dense[500].freqHz, std::sqrt(20.0 * 20000.0), 1e-9);
    double peak = -100;
    for (const CurvePoint& p : dense) peak = std::max(peak, p.gainDb);
    EXPECT_NEAR(peak, 6.0, 0.01);

    // The reset Sub: section 16 and 17 make a 24 dB Butterworth at 100 Hz,
    // reached through the curve control's band order.
    ResetEq(r.c, Eq::Sub);
    const auto sub = EqCurve(r.st, Eq::Sub, 2);  // 20 Hz and 20 kHz
    EXPECT_NEAR(sub[0].gainDb, 0.0, 0.01);
    EXPECT_LT(sub[1].gainDb, -80.0);
}

}  // namespace
}  // namespace udare
