#include "eq_model.h"

#include <algorithm>
#include <cmath>

namespace udare::dsp {

namespace {

constexpr float kPreset7[] = {31, 62, 125, 250, 500, 1000, 2000};
constexpr float kPreset10[] = {31, 62, 125, 250, 500, 1000, 2000, 4000, 8000, 12000};
constexpr float kPreset15[] = {25,   40,   63,   100,  160,  250,   400,  630,
                               1000, 1600, 2500, 4000, 6300, 10000, 16000};
constexpr float kPreset20[] = {100,   160,   250,   400,   630,   1000,  1600,
                               2500,  4000,  6300,  10000, 13000, 15000, 18000,
                               20000, 20000, 20000, 20000, 20000, 20000};
constexpr float kPreset24[] = {25,   50,   80,   100,  125,  160,  200,  250,
                               315,  400,  500,  630,  800,  1000, 1300, 1600,
                               2400, 3000, 4000, 6000, 8500, 12000, 16000, 20000};

}  // namespace

float ClampDragQ(int type, float q) {
    return std::clamp(q, 0.1f, isFilterUserType(type) ? 2.0f : 30.0f);
}

float ClampStoredQ(int type, float q) {
    return std::clamp(q, 0.1f, type == FT_PEQ ? 30.0f : 2.0f);
}

float RoundTenth(double v) {
    const double r = std::round(v * 10.0);  // std::round takes halves away from zero
    return static_cast<float>(r / 10.0);
}

std::array<int, 4> SubTypeChoiceCodes(int item) {
    switch (item) {
        case 2: return {18, 20, 1, 1};
        case 3: return {19, 21, 1, 1};
        case 4: return {4, 1, 1, 1};
        case 5: return {5, 1, 1, 1};
        default: return {1, 1, 1, 1};
    }
}

const float* BandCountPreset(int count) {
    switch (count) {
        case 7: return kPreset7;
        case 10: return kPreset10;
        case 15: return kPreset15;
        case 20: return kPreset20;
        case 24: return kPreset24;
        default: return nullptr;
    }
}

EqModel::EqModel() {
    for (int i = 0; i < kMaxEqBands; ++i) bands[i].index = i;
}

int EqModel::handleCount() const {
    const int n = std::clamp(bandCount, 0, kMaxEqBands);
    return isSub() ? std::min(n, kCrossoverBands) : n;
}

int EqModel::SetBandCount(int n) {
    bandCount = std::clamp(n, 0, kMaxEqBands);
    if (const float* freqs = BandCountPreset(n)) {
        for (int i = 0; i < n; ++i) {
            bands[i].type = FT_PEQ;
            bands[i].q = kPeqDefaultQ;
            bands[i].frequency = freqs[i];
        }
    }
    for (int i = 0; i < bandCount; ++i) {
        bands[i].index = i;
        bands[i].gain = 0.0f;
        RecomputeBand(i);
    }
    return 0;
}

void EqModel::SetBandType(int i, int type) {
    if (!valid(i)) return;
    bands[i].type = type;
    if (type == FT_PEQ) {
        SetBandQ(i, kPeqDefaultQ);
    } else if (isFilterUserType(type)) {
        SetBandGain(i, 0.0f);
        bands[i].q = kFilterDefaultQ;
    }
    RecomputeBand(i);
}

void EqModel::SetBandGain(int i, float db) {
    if (!valid(i) || !std::isfinite(db)) return;
    EqBand& b = bands[i];
    if (b.type == FT_LP || b.type == FT_HP) db = 0.0f;
    b.gain = std::clamp(db, gainClampMin, gainClampMax);
    RecomputeBand(i);
}

void EqModel::SetBandQ(int i, float q) {
    if (!valid(i) || !std::isfinite(q) || std::fabs(q) < 1e-7f) return;
    bands[i].q = ClampStoredQ(bands[i].type, q);
    RecomputeBand(i);
}

void EqModel::SetCrossoverFamily(int i, int family) {
    if (i < 0 || i >= kCrossoverBands) return;
    const auto hidden = HiddenSections(i);
    const int group[4] = {i, hidden[0], hidden[1], hidden[2]};
    // Even codes (0 and 2 included) are the low-pass side.
    const bool lowPass = bands[i].type % 2 == 0;
    const std::array<int, 4> codes = CrossoverSections(family, lowPass);
    for (int b : group) SetBandGain(b, 0.0f);
    for (int k = 0; k < 4; ++k) SetBandType(group[k], codes[k]);
}

void EqModel::ApplyBandTypeChoice(int i, int item) {
    if (!valid(i) || item < 1 || item > 5) return;
    if (!isSub() || i >= kCrossoverBands) {
        SetBandType(i, item);
        return;
    }
    const auto hidden = HiddenSections(i);
    const int group[4] = {i, hidden[0], hidden[1], hidden[2]};
    const std::array<int, 4> codes = SubTypeChoiceCodes(item);
    for (int b : group) SetBandGain(b, 0.0f);
    for (int k = 0; k < 4; ++k) SetBandType(group[k], codes[k]);
}

void EqModel::Recompute(EqBand& b) {
    // Values written straight into a band (from a damaged file, say) are made
    // safe before they reach the math and the painter.
    if (!std::isfinite(b.frequency) || b.frequency <= 0.0f) b.frequency = b.freqMin;
    if (!std::isfinite(b.gain)) b.gain = 0.0f;
    if (!std::isfinite(b.q) || b.q <= 0.0f) b.q = ClampStoredQ(b.type, 1.0f);
    BandCurve(b.params(), plotWidth, grid, b.curve);
}

void EqModel::RecomputeBand(int i) {
    if (!live || !valid(i)) return;
    EqBand& b = bands[i];
    if (b.type == FT_OFF) return;
    if (isSub() && i < kCrossoverBands) {
        for (int h : HiddenSections(i)) {
            EqBand& s = bands[h];
            s.frequency = b.frequency;
            s.q = b.q;
            s.gain = 0.0f;
            if (s.type != FT_OFF) Recompute(s);
        }
    }
    Recompute(b);
}

void EqModel::RecomputeAll() {
    const int n = std::clamp(bandCount, 0, kMaxEqBands);
    for (int i = 0; i < n; ++i) RecomputeBand(i);
}

void EqModel::DragBand(int i, float freq, float gain) {
    if (!valid(i) || !std::isfinite(freq) || !std::isfinite(gain)) return;
    EqBand& b = bands[i];
    if (!hasMovableGain(b.type)) gain = 0.0f;
    b.gain = std::clamp(gain, b.gainMin, b.gainMax);
    b.frequency = std::clamp(freq, b.freqMin, b.freqMax);
    RecomputeBand(i);
}

void EqModel::AddQ(int i, float dq) {
    if (!valid(i)) return;
    bands[i].q = ClampDragQ(bands[i].type, bands[i].q + dq);
    RecomputeBand(i);
}

void EqModel::NudgeBand(int i, float dFreq, float dGain, float dQ) {
    if (!valid(i)) return;
    EqBand& b = bands[i];
    b.frequency += dFreq;
    if (hasMovableGain(b.type)) b.gain += dGain;
    b.q += dQ;
    b.gain = std::clamp(b.gain, b.gainMin, b.gainMax);
    b.q = ClampDragQ(b.type, b.q);
    b.frequency = std::clamp(b.frequency, b.freqMin, b.freqMax);
    RecomputeBand(i);
}

void EqModel::Summed(ResponseCurve& out) const {
    out.fill(0.0f);
    const int n = std::clamp(bandCount, 0, kMaxEqBands);
    for (int j = 0; j < n; ++j) {
        if (bands[j].type == FT_OFF) continue;
        const ResponseCurve& c = bands[j].curve;
        for (int k = 0; k < kGridPoints; ++k) out[k] += c[k];
    }
}

void EqModel::BandArea(int i, ResponseCurve& out) const {
    out.fill(0.0f);
    if (!valid(i)) return;
    auto add = [&](int j) {
        if (bands[j].type == FT_OFF) return;
        for (int k = 0; k < kGridPoints; ++k) out[k] += bands[j].curve[k];
    };
    if (isSub() && i < kCrossoverBands) {
        add(i);
        for (int h : HiddenSections(i)) add(h);
    } else {
        add(i);
    }
}

}  // namespace udare::dsp
