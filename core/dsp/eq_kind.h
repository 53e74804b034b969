// The channel an EQ curve editor shows. Which equaliser each kind stands for
// is listed with the equalisers (protocol/equalisers.h).
#pragma once

namespace udare::dsp {

// Picks the editor's title and handle colour.
enum EqPanelKind : int {
    KIND_MIC = 0,  // Mic1+Mic2
    KIND_ECHO = 1,
    KIND_REVERB = 2,
    KIND_MUSIC = 3,
    KIND_MAIN = 4,
    KIND_REAR = 5,
    KIND_CENTER = 6,
    KIND_SUB = 7,  // crossover bands with hidden sections
    KIND_MIC1 = 8,
    KIND_MIC2 = 9,
};

}  // namespace udare::dsp
