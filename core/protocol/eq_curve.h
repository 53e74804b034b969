// The response curve of an equaliser as the EQ curve control draws it: the
// bands loaded from the image the way the tuning panel loads them, summed on
// the control's grid or evaluated on a denser one.
#pragma once

#include <string>
#include <vector>

#include "dsp/eq_model.h"
#include "protocol/device_state.h"

namespace udare {

// The control's model with the equaliser's bands, as the panel refreshes it:
// types outside 0-21 become 0, gains are held to +-15 dB (0 for LP and HP),
// frequencies to 20-20000 Hz and Q to the type's range (0 keeps the preset);
// then every band is recomputed in order.
void LoadCurveModel(const DeviceState& st, Eq eq, dsp::EqModel& m);
// The band values of that load alone (the first bandCount bands of m, as
// SetBandCount left them); nothing is recomputed.
void LoadCurveBands(const DeviceState& st, Eq eq, dsp::EqModel& m);

struct CurvePoint {
    double freqHz;
    double gainDb;
};

// points 0: the control's 512-point grid (18 Hz up to one step short of
// 23 kHz, a peaking band's peak pinned to its gain). Otherwise that many
// log-spaced points from 20 Hz to 20 kHz, both included, evaluated exactly.
std::vector<CurvePoint> EqCurve(const DeviceState& st, Eq eq, int points = 0);

// "frequency_hz,gain_db" and one line per point.
std::string CurveCsv(const std::vector<CurvePoint>& curve);

}  // namespace udare
