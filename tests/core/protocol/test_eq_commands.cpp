#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "dsp/filter.h"
#include "protocol/codec.h"
#include "protocol/commands.h"
#include "test_support.h"

namespace udare {
namespace {

using test::fromHex;

using Rig = test::CommandRig;

std::string head(const HidReport& r, int n) { return hexReport(r.data(), n); }

std::array<float, 5> coefficientsOf(const HidReport& r) {
    std::array<float, 5> k{};
    for (int i = 0; i < 5; ++i) k[i] = bitsFloat(getBe32(&r[6 + 4 * i]));
    return k;
}

// ---- SetEqBand -------------------------------------------------------------

struct BandCase {
    const char* name;
    Eq eq;
    int band, type, freq;
    float gain, q;
    const char* record;    // the whole 0x85 report
    const char* coefHead;  // first six bytes of the 0x09 report
    int coefGroup;         // coefficients as the unit designs them, from these values
    int coefType, coefFreq;
    float coefGain, coefQ;
};

TEST(SetEqBand, SendsRecordThenCoefficients) {
    const BandCase cases[] = {
        {"mic1 band 8", Eq::Mic1, 8, 1, 1000, 0.0f, 1.41f, "02 85 00 38 07 00 96 03 E8 05 82 01",
         "02 09 00 01 08 05", 1, 1, 1000, 0.0f, 1.41f},
        {"mic2 band 0 at +15 dB", Eq::Mic2, 0, 1, 25, 15.0f, 0.707f,
         "02 85 00 69 07 01 2C 00 19 02 C3 01", "02 09 00 01 0F 05", 1, 1, 25, 15.0f, 0.707f},
        {"music high shelf -0.04 dB", Eq::Music, 14, 5, 16000, -0.04f, 1.0f,
         "02 85 01 96 07 00 96 3E 80 03 E8 05", "02 09 00 04 0E 05", 4, 5, 16000, -0.04f, 1.0f},
        {"sub section 19 by the crossover design", Eq::Sub, 19, 20, 100, -15.0f, 0.707f,
         "02 85 03 B8 07 00 00 00 64 02 C3 14", "02 09 00 08 13 05", 8, 20, 100, -15.0f, 0.707f},
        {"gain beyond the record held at -15 dB", Eq::Center, 0, 1, 31, -20.0f, 1.414f,
         "02 85 02 ED 07 00 00 00 1F 05 86 01", "02 09 00 07 00 05", 7, 1, 31, -15.0f, 1.414f},
        {"NaN gain and Q", Eq::Echo, 1, 1, 125, std::nanf(""), std::nanf(""),
         "02 85 00 D9 07 00 96 00 7D 00 00 01", "02 09 00 02 01 05", 2, 1, 125, 0.0f, 0.0f},
    };
    for (const BandCase& bc : cases) {
        SCOPED_TRACE(bc.name);
        Rig r;
        SetEqBand(r.c, bc.eq, bc.band, bc.type, bc.freq, bc.gain, bc.q);
        ASSERT_EQ(r.out.reports.size(), 2u);
        EXPECT_EQ(r.out.reports[0], fromHex(bc.record));
        EXPECT_EQ(head(r.out.reports[1], 6), bc.coefHead);
        const auto want =
            dsp::DeviceCoefficients(bc.coefGroup, bc.coefType, bc.coefFreq, bc.coefGain, bc.coefQ);
        EXPECT_EQ(coefficientsOf(r.out.reports[1]), want);
        for (float k : want) EXPECT_TRUE(std::isfinite(k));
        // The image holds the record that was sent.
        const HidReport& rec = r.out.reports[0];
        const int offset = (rec[2] << 8) | rec[3];
        EXPECT_EQ(offset, bandOffset(bc.eq, bc.band));
        for (int i = 0; i < 7; ++i) EXPECT_EQ(r.st.eqImage[offset + i], rec[5 + i]);
    }
}

TEST(SetEqBand, FlatPeakingSectionPassesEverything) {
    Rig r;
    SetEqBand(r.c, Eq::Main, 3, 1, 50, 0.0f, 2.5f);
    ASSERT_EQ(r.out.reports.size(), 2u);
    const auto k = coefficientsOf(r.out.reports[1]);  // -a1, -a2, b0, b1, b2
    EXPECT_EQ(k[2], 1.0f);
    EXPECT_EQ(k[3], -k[0]);
    EXPECT_EQ(k[4], -k[1]);
}

TEST(SetEqBand, BandsTheUnitLacksSendAndStoreNothing) {
    struct Case {
        const char* name;
        int protocol;
        Eq eq;
        int band;
    };
    const Case cases[] = {
        {"protocol-1 sub section 12", 1, Eq::Sub, 12},
        {"protocol-1 sub section 10", 1, Eq::Sub, 10},
        {"mic1 band 15", 2, Eq::Mic1, 15},
        {"negative band", 2, Eq::Rear, -1},
        {"sub section 20", 2, Eq::Sub, 20},
        {"unknown equaliser", 2, static_cast<Eq>(42), 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Rig r;
        r.st.identity.protocolVersion = uint8_t(k.protocol);
        const auto before = r.st.eqImage.copy();
        SetEqBand(r.c, k.eq, k.band, 1, 500, 6.0f, 2.0f);
        EXPECT_TRUE(r.out.reports.empty());
        EXPECT_EQ(r.st.eqImage.copy(), before);
    }
    Rig r;
    r.st.identity.protocolVersion = 1;
    SetEqBand(r.c, Eq::Sub, 9, 1, 500, 6.0f, 2.0f);
    EXPECT_EQ(r.out.reports.size(), 2u);
}

TEST(SetEqBand, StoresWhileDisconnected) {
    Rig r;
    r.out.connected = false;
    SetEqBand(r.c, Eq::Reverb, 2, 1, 300, 3.0f, 1.0f);
    const EqBandValue b = GetEqBand(r.c, Eq::Reverb, 2);
    EXPECT_EQ(b.freqHz, 300);
    EXPECT_FLOAT_EQ(b.gainDb, 3.0f);
}

TEST(GetEqBand, DecodesTheImage) {
    Rig r;
    const EqBandValue b = GetEqBand(r.c, Eq::Mic1, 8);
    EXPECT_EQ(b.gainDb, 0.0f);
    EXPECT_EQ(b.freqHz, 1000);
    EXPECT_EQ(b.q, float(1414 / 1000.0));
    EXPECT_EQ(b.type, 1);
    SetEqBand(r.c, Eq::Sub, 16, 18, 90, -3.5f, 0.8f);
    const EqBandValue s = GetEqBand(r.c, Eq::Sub, 16);
    EXPECT_EQ(s.type, 18);
    EXPECT_EQ(s.freqHz, 90);
    EXPECT_FLOAT_EQ(s.gainDb, -3.5f);
    EXPECT_FLOAT_EQ(s.q, 0.8f);

    for (int band : {-1, 15, 1000}) {
        const EqBandValue z = GetEqBand(r.c, Eq::Music, band);
        EXPECT_EQ(z.freqHz, 0);
        EXPECT_EQ(z.type, 0);
    }
}

// ---- switches ----------------------------------------------------------------

TEST(SetEqBypass, EachEqualiserHasItsSwitch) {
    const std::pair<Eq, const char*> cases[] = {
        {Eq::Mic1, "02 09 00 01 34 01 00 00 00 01"},   {Eq::Mic2, "02 09 00 01 35 01 00 00 00 01"},
        {Eq::Echo, "02 09 00 02 32 01 00 00 00 01"},   {Eq::Reverb, "02 09 00 03 32 01 00 00 00 01"},
        {Eq::Music, "02 09 00 04 32 01 00 00 00 01"},  {Eq::Main, "02 09 00 05 34 01 00 00 00 01"},
        {Eq::Rear, "02 09 00 06 34 01 00 00 00 01"},   {Eq::Center, "02 09 00 07 34 01 00 00 00 01"},
        {Eq::Sub, "02 09 00 08 34 01 00 00 00 01"},
    };
    const int slots[] = {4, 5, 16, 36, 42, 52, 63, 74, 85};
    int i = 0;
    for (const auto& [eq, want] : cases) {
        SCOPED_TRACE(eqInfo(eq).name);
        Rig r;
        SetEqBypass(r.c, eq, 1);
        EXPECT_EQ(r.st.slotInt(slots[i++]), 1);
        ASSERT_EQ(r.out.reports.size(), 1u);
        EXPECT_EQ(r.out.reports[0], fromHex(want));
    }
}

// ---- reset -------------------------------------------------------------------

TEST(ResetEq, EchoBandsBackToResetValues) {
    Rig r;
    SetEqBand(r.c, Eq::Echo, 5, 4, 777, 9.0f, 3.0f);
    r.out.clear();
    ResetEq(r.c, Eq::Echo);
    ASSERT_EQ(r.out.reports.size(), 14u);
    EXPECT_EQ(r.out.reports[0], fromHex("02 85 00 D2 07 00 96 00 3E 05 82 01"));
    EXPECT_EQ(r.out.reports[10], fromHex("02 85 00 F5 07 00 96 08 FC 05 82 01"));  // 2300 Hz
    EXPECT_EQ(r.out.reports[12], fromHex("02 85 00 FC 07 00 96 13 88 05 82 01"));  // 5000 Hz
    for (int k = 0; k < 7; ++k) {
        const HidReport& coef = r.out.reports[2 * k + 1];
        EXPECT_EQ(head(coef, 6), "02 09 00 02 0" + std::to_string(k) + " 05");
        const auto c = coefficientsOf(coef);
        EXPECT_EQ(c[2], 1.0f);
        EXPECT_EQ(c[3], -c[0]);
        EXPECT_EQ(c[4], -c[1]);
    }
    const EqBandValue b = GetEqBand(r.c, Eq::Echo, 5);
    EXPECT_EQ(b.freqHz, 2300);
    EXPECT_EQ(b.type, 1);
    EXPECT_EQ(b.gainDb, 0.0f);
}

TEST(ResetEq, Mic2UsesItsWireIndices) {
    Rig r;
    ResetEq(r.c, Eq::Mic2);
    ASSERT_EQ(r.out.reports.size(), 30u);
    EXPECT_EQ(head(r.out.reports[0], 5), "02 85 00 69 07");
    EXPECT_EQ(head(r.out.reports[1], 6), "02 09 00 01 0F 05");
    EXPECT_EQ(head(r.out.reports[29], 6), "02 09 00 01 1D 05");
}

TEST(ResetEq, SubSectionsAsListed) {
    Rig r;
    ResetEq(r.c, Eq::Sub);
    ASSERT_EQ(r.out.reports.size(), 40u);
    EXPECT_EQ(r.out.reports[0], fromHex("02 85 03 33 07 00 96 00 14 05 82 01"));
    EXPECT_EQ(r.out.reports[32], fromHex("02 85 03 A3 07 00 96 00 64 05 86 12"));  // section 16
    EXPECT_EQ(r.out.reports[34], fromHex("02 85 03 AA 07 00 96 00 64 05 86 14"));  // section 17
    EXPECT_EQ(coefficientsOf(r.out.reports[33]),
              dsp::DeviceCoefficients(8, 18, 100, 0.0f, 1.414f));

    Rig p1;
    p1.st.identity.protocolVersion = 1;
    ResetEq(p1.c, Eq::Sub);
    EXPECT_EQ(p1.out.reports.size(), 20u);  // ten sections
}

// ---- image transfers -----------------------------------------------------------

TEST(EqImageTransfer, PiecesFollowTheProtocol) {
    struct Case {
        int protocol;
        size_t pieces;
        int lastLength;
        const char* lastRequest;
    };
    for (const Case& k : {Case{2, 18, 7, "02 86 03 B8 07"}, Case{1, 16, 49, "02 86 03 48 31"}}) {
        SCOPED_TRACE(k.protocol);
        Rig r;
        r.st.identity.protocolVersion = uint8_t(k.protocol);
        for (int i = 0; i < kImageSize; ++i) r.st.eqImage.set(i, uint8_t(i * 7 + 3));
        WriteEqImage(r.c);
        ASSERT_EQ(r.out.reports.size(), k.pieces);
        for (size_t p = 0; p < k.pieces; ++p) {
            const HidReport& rep = r.out.reports[p];
            const int offset = (rep[2] << 8) | rep[3];
            const int n = rep[4];
            EXPECT_EQ(rep[1], 0x85);
            EXPECT_EQ(offset, int(p) * 56);
            EXPECT_EQ(n, p + 1 == k.pieces ? k.lastLength : 56);
            for (int i = 0; i < n; ++i) ASSERT_EQ(rep[5 + i], uint8_t((offset + i) * 7 + 3));
            for (int i = 5 + n; i < kReportSize; ++i) ASSERT_EQ(rep[i], 0);
        }

        r.out.clear();
        ReadEqImage(r.c);
        ASSERT_EQ(r.out.reports.size(), k.pieces);
        EXPECT_EQ(r.out.reports[0], fromHex("02 86 00 00 38"));
        EXPECT_EQ(r.out.reports.back(), fromHex(k.lastRequest));
    }
}

TEST(SendAllEqBands, EveryBandOfEveryGroupFromTheImage) {
    for (int protocol : {2, 1}) {
        SCOPED_TRACE(protocol);
        Rig r;
        r.st.identity.protocolVersion = uint8_t(protocol);
        r.out.connected = false;
        SetEqBand(r.c, Eq::Mic2, 3, 1, 120, 4.5f, 2.0f);
        SetEqBand(r.c, Eq::Sub, 5, 10, 80, 0.0f, 0.7f);
        r.out.connected = true;

        SendAllEqBands(r.c);
        const std::vector<std::pair<int, int>> groups = {
            {1, 30}, {2, 7}, {3, 7}, {4, 15}, {5, 24}, {6, 24}, {7, 10}, {8, protocol == 1 ? 10 : 20}};
        size_t i = 0;
        for (const auto& [group, bands] : groups)
            for (int k = 0; k < bands; ++k, ++i) {
                ASSERT_LT(i, r.out.reports.size());
                const HidReport& rep = r.out.reports[i];
                ASSERT_EQ(rep[1], 0x09);
                ASSERT_EQ(rep[3], group);
                ASSERT_EQ(rep[4], k);
                ASSERT_EQ(rep[5], 5);
            }
        EXPECT_EQ(i, r.out.reports.size());
        EXPECT_EQ(coefficientsOf(r.out.reports[18]),
                  dsp::DeviceCoefficients(1, 1, 120, 4.5f, 2.0f));
        EXPECT_EQ(coefficientsOf(r.out.reports[117 + 5]  /* groups 1-7 hold 117 bands */),
                  dsp::DeviceCoefficients(8, 10, 80, 0.0f, 0.7f));
    }
}

}  // namespace
}  // namespace udare
