// What screen readers and UI automation see of the custom controls: the EQ
// curve as one object with a child per visible band, sliders and meters with
// their value and range, the small EQ display as a button.
#pragma once

#include <QString>

namespace udare::dsp {
struct EqBand;
}

namespace udare::controls {

// Installs the accessible-interface factory of the controls (once).
void InstallAccessibleFactory();

class CEqPanel;
// Tells a listening screen reader that band i of the curve reads differently now.
void NotifyBandChanged(CEqPanel* curve, int i);

// "Band 3" / "频段 3" (index 2), and the band read out: "PEQ 1000Hz +6.0dB Q1.41".
QString AccessibleBandName(int index, int language);
QString AccessibleBandDescription(const dsp::EqBand& band, int language);

}  // namespace udare::controls
