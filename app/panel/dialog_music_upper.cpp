// The upper area of the tuning panel: the effect list with its slider and
// value box, the echo and reverb EQ previews, the output mix levels, the
// delays and the output compressor. The panel calls these from its page
// layout, its full refresh, its relabelling and its input routing.
#include "panel/dialog_music.h"

namespace udare::panel {

// Initialisation and relabelling: the effect list's columns and rows.
void CDialogMusic::buildEffectList() {}

// Initialisation: ranges and start positions of sliders 1052-1061 and 1212.
void CDialogMusic::initUpperSliders() {}

// Page layout: the effect list, its slider and the previews accept input on
// the MIC page only and are greyed on the MUSIC page.
void CDialogMusic::enableEffectArea(bool enabled) { (void)enabled; }

// Full refresh, in the panel's order.
void CDialogMusic::refreshMix() {}
void CDialogMusic::refreshEffects() {}
void CDialogMusic::refreshPreviews() {}
void CDialogMusic::refreshOutputCaptions() {}
void CDialogMusic::refreshCompressor() {}
void CDialogMusic::refreshDelays() {}

// Last step of relabelling: the selected effect's name into frame 1213.
void CDialogMusic::applyEffectFrameCaption() {}

// Slider moves of 1052-1061 and 1212, with the position the slider holds now.
void CDialogMusic::onUpperSlider(int id, int position) {
    (void)id;
    (void)position;
}

void CDialogMusic::onEffectListClicked(int row) { (void)row; }
void CDialogMusic::onCompressorSwitch() {}
void CDialogMusic::onDelaySwitch(int id) { (void)id; }

// A wheel turn while the effect list or its slider has the focus.
void CDialogMusic::effectWheelStep(int delta) { (void)delta; }

}  // namespace udare::panel
