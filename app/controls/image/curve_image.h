// The EQ curve control drawn into a PNG file, for udare-ctl and the window's
// "Export curve...". The header knows nothing of the toolkit, so the command
// line links it without taking the toolkit's headers.
#pragma once

#include <string>

#include "dsp/eq_model.h"

namespace udare::controls {

// Draws the curve control at width x height with the model's kind, band
// count and band values (as LoadCurveModel or the panel leave them; nothing
// selected), in language lang (0 Chinese, 1 English), and writes it as a PNG.
// The old file stays as it was unless the whole image reached the disk.
// Makes an off-screen application object when the program has none.
// false with error set on failure.
bool WriteCurvePng(const dsp::EqModel& model, int lang, int width, int height, const std::string& path,
                   std::string& error);

}  // namespace udare::controls
