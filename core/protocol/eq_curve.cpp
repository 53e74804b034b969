#include "protocol/eq_curve.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace udare {

void LoadCurveModel(const DeviceState& st, Eq eq, dsp::EqModel& m) {
    m.kind = eqInfo(eq).kind;
    m.plotWidth = dsp::kGridPoints;
    m.live = true;
    m.SetBandCount(eqInfo(eq).bands);
    LoadCurveBands(st, eq, m);
    // Recomputed once all are loaded, as the panel does: in the subwoofer kind
    // a visible band then hands its frequency and Q to its hidden sections.
    m.RecomputeAll();
}

void LoadCurveBands(const DeviceState& st, Eq eq, dsp::EqModel& m) {
    const bool sub = eq == Eq::Sub;
    for (int i = 0; i < m.bandCount; ++i) {
        const EqBandValue v = readBand(st, eq, sub ? dsp::SubSectionOfBand(i) : i);
        dsp::EqBand& b = m.bands[static_cast<size_t>(i)];
        b.type = v.type >= 0 && v.type <= 21 ? v.type : dsp::FT_OFF;
        b.gain = b.type == dsp::FT_LP || b.type == dsp::FT_HP ? 0.0f : std::clamp(v.gainDb, -15.0f, 15.0f);
        if (v.freqHz != 0) b.frequency = static_cast<float>(std::clamp(v.freqHz, 20, 20000));
        if (v.q != 0.0f) b.q = dsp::ClampStoredQ(b.type, v.q);
    }
}

std::vector<CurvePoint> EqCurve(const DeviceState& st, Eq eq, int points) {
    dsp::EqModel m;
    LoadCurveModel(st, eq, m);
    std::vector<CurvePoint> out;
    if (points <= 0) {
        dsp::ResponseCurve sum{};
        m.Summed(sum);
        for (int i = 0; i < dsp::kGridPoints; ++i)
            out.push_back({m.grid.freq[static_cast<size_t>(i)], sum[static_cast<size_t>(i)]});
        return out;
    }
    std::vector<dsp::BiquadCoefficients> sections;
    for (int i = 0; i < m.bandCount; ++i) {
        const dsp::EqBand& b = m.bands[static_cast<size_t>(i)];
        if (b.type != dsp::FT_OFF) sections.push_back(dsp::DesignBiquad(b.type, b.gain, b.frequency, b.q));
    }
    const int n = std::max(points, 2);
    for (int i = 0; i < n; ++i) {
        const double f = 20.0 * std::pow(1000.0, double(i) / (n - 1));
        double db = 0.0;
        for (const auto& c : sections) db += dsp::SectionMagnitudeDb(c, f);
        out.push_back({f, db});
    }
    return out;
}

std::string CurveCsv(const std::vector<CurvePoint>& curve) {
    std::string s = "frequency_hz,gain_db\n";
    char line[80];
    for (const CurvePoint& p : curve) {
        // A tiny negative would print as "-0.0000"; a flat curve reads 0.
        const double g = std::abs(p.gainDb) < 5e-5 ? 0.0 : p.gainDb;
        std::snprintf(line, sizeof line, "%.3f,%.4f\n", p.freqHz, g);
        s += line;
    }
    return s;
}

}  // namespace udare
