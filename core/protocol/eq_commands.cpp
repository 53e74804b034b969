#include <algorithm>
#include <cmath>

#include "dsp/filter.h"
#include "protocol/codec.h"
#include "protocol/commands.h"

namespace udare {

namespace {

bool validEq(Eq eq) {
    const int i = static_cast<int>(eq);
    return i >= 0 && i < kEqCount;
}

void sendCoefficients(Ctx& c, int group, int wireBand, const std::array<float, 5>& k) {
    WriteBandCoefficients(c.out, group, wireBand, k.data());
}

void sendFlatCoefficients(Ctx& c, int group, int wireBand, int freqHz) {
    // A 0 dB peaking section at Q 1.41 (alpha = s / 2.82), in double precision.
    const dsp::BiquadCoefficients b = dsp::DesignDeviceBiquad(dsp::FT_PEQ, freqHz, 0.0, 1.41);
    const std::array<float, 5> k = {float(-b.a1), float(-b.a2), float(b.b0), float(b.b1),
                                    float(b.b2)};
    sendCoefficients(c, group, wireBand, k);
}

}  // namespace

void SetEqBand(Ctx& c, Eq eq, int band, int type, int freqHz, float gainDb, float q) {
    if (!validEq(eq)) return;
    const EqInfo& e = eqInfo(eq);
    // Protocol-1 units have only ten Sub sections: nothing to store or send.
    if (band < 0 || band >= c.st.eqBands(e.eq)) return;

    // Hold the values to what the record can carry, so that the record and the
    // coefficients the unit runs describe the same band.
    if (std::isnan(gainDb)) gainDb = 0.0f;
    gainDb = std::clamp(gainDb, -15.0f, 15.0f);
    freqHz = std::clamp(freqHz, 0, 65535);
    if (std::isnan(q)) q = 0.0f;
    q = std::clamp(q, 0.0f, 65.0f);
    type &= 0xFF;

    const auto rec = encodeBandRecord(gainDb, freqHz, q, type);
    const int offset = bandOffset(eq, band);
    c.st.eqImage.write(offset, kBandRecordSize, rec.data());
    WriteEqBytes(c.out, offset, kBandRecordSize, rec.data());
    sendCoefficients(c, e.group, band + e.wireOffset,
                     dsp::DeviceCoefficients(e.group, type, freqHz, gainDb, q));
}

EqBandValue GetEqBand(Ctx& c, Eq eq, int band) {
    if (!validEq(eq) || band < 0 || band >= eqInfo(eq).bands) return {0, 0, 0, 0};
    return readBand(c.st, eq, band);
}

void SetEqBypass(Ctx& c, Eq eq, int value) {
    if (!validEq(eq)) return;
    const EqInfo& e = eqInfo(eq);
    c.st.setSlotInt(e.switchSlot, value);
    WriteParamRaw(c.out, e.group, e.switchCode, enc::integer(value), 1);
}

void ResetEq(Ctx& c, Eq eq) {
    if (!validEq(eq)) return;
    const EqInfo& e = eqInfo(eq);
    if (eq == Eq::Sub) {
        for (int k = 0; k < e.bands; ++k) {
            const BandCode& r = kSubReset[k];
            SetEqBand(c, eq, k, r.type, r.freq, 0.0f, float(r.q / 1000.0));
        }
        return;
    }
    for (int k = 0; k < e.bands; ++k) {
        const BandCode r{e.resetFreqs[k], 1410, dsp::FT_PEQ};
        const auto rec = encodeBandCode(kGainCodeZero, r);
        const int offset = bandOffset(eq, k);
        c.st.eqImage.write(offset, kBandRecordSize, rec.data());
        WriteEqBytes(c.out, offset, kBandRecordSize, rec.data());
        sendFlatCoefficients(c, e.group, k + e.wireOffset, r.freq);
    }
}

void WriteEqImage(Ctx& c) {
    const int size = c.st.imageSize();
    uint8_t piece[kImagePiece];
    for (int offset = 0; offset < size; offset += kImagePiece) {
        const int n = std::min(kImagePiece, size - offset);
        c.st.eqImage.read(offset, n, piece);
        WriteEqBytes(c.out, offset, n, piece);
    }
}

void ReadEqImage(Ctx& c) {
    // The same size as the write, so a unit is always read and written alike.
    const int size = c.st.imageSize();
    for (int offset = 0; offset < size; offset += kImagePiece)
        ReadEqBytes(c.out, offset, std::min(kImagePiece, size - offset));
}

void SendBandCoefficients(Ctx& c, int group, int wireBand) {
    if (group < GROUP_MIC || group > GROUP_SUB) return;
    if (wireBand < 0 || wireBand >= groupBands(group, c.st.protocol())) return;
    const EqBandValue b = eqBand(c.st, group, wireBand);
    sendCoefficients(c, group, wireBand,
                     dsp::DeviceCoefficients(group, b.type, b.freqHz, b.gainDb, b.q));
}

void RewriteEqBand(Ctx& c, Eq eq, int band) {
    if (!validEq(eq)) return;
    const EqInfo& e = eqInfo(eq);
    if (band < 0 || band >= c.st.eqBands(e.eq)) return;
    const int offset = bandOffset(eq, band);
    uint8_t rec[kBandRecordSize];
    c.st.eqImage.read(offset, kBandRecordSize, rec);
    WriteEqBytes(c.out, offset, kBandRecordSize, rec);
    SendBandCoefficients(c, e.group, band + e.wireOffset);
}

void SendAllEqBands(Ctx& c) {
    for (int group = GROUP_MIC; group <= GROUP_SUB; ++group) {
        const int bands = groupBands(group, c.st.protocol());
        for (int k = 0; k < bands; ++k) SendBandCoefficients(c, group, k);
    }
}

}  // namespace udare
