// The commands that need no unit: filter design and summed band curves.
#pragma once

#include <ostream>
#include <span>
#include <string>

#include "dsp/filter.h"

namespace udare::cli {

// printf of one number, with a value that rounds to zero shown without a sign.
std::string Fixed(double v, int decimals);

// "b0 b1 b2 a1 a2" of DesignBiquad at 48000 Hz, %.9f each.
void PrintDesign(std::ostream& os, int type, double freqHz, double gainDb, double q);
// 512 lines "frequency dB" (%.3f, %.4f) of the summed curve on the default grid.
void PrintCurve(std::ostream& os, std::span<const dsp::BandParams> sections);

}  // namespace udare::cli
