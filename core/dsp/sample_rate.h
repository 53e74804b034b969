// The unit runs at one sample rate: delays travel as samples, the frequency
// shift as radians per sample, compressor times as per-sample coefficients,
// and the filters are designed for it.
#pragma once

namespace udare {

inline constexpr int kSampleRate = 48000;

}  // namespace udare
