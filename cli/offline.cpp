#include "offline.h"

#include <cmath>
#include <cstdio>

namespace udare::cli {

// Exactly printf's %.Nf, so output compares with any other printf of the same values.
std::string Fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

void PrintDesign(std::ostream& os, int type, double freqHz, double gainDb, double q) {
    const dsp::BiquadCoefficients c = dsp::DesignBiquad(type, gainDb, freqHz, q, dsp::kFs);
    os << Fixed(c.b0, 9) << ' ' << Fixed(c.b1, 9) << ' ' << Fixed(c.b2, 9) << ' '
       << Fixed(c.a1, 9) << ' ' << Fixed(c.a2, 9) << '\n';
}

void PrintCurve(std::ostream& os, std::span<const dsp::BandParams> sections) {
    const dsp::ResponseGrid& grid = dsp::defaultGrid();
    dsp::ResponseCurve sum{};
    dsp::SummedCurve(sections, dsp::kGridPoints, grid, sum);
    std::string text;
    text.reserve(dsp::kGridPoints * 24);
    for (int i = 0; i < dsp::kGridPoints; ++i) {
        text += Fixed(grid.freq[static_cast<size_t>(i)], 3);
        text += ' ';
        text += Fixed(sum[static_cast<size_t>(i)], 4);
        text += '\n';
    }
    os << text;
}

}  // namespace udare::cli
