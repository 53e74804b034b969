// Mode images (.aim): the unit's built-in modes, written into its mode
// memory during an MCU upgrade.
#pragma once

#include <atomic>
#include <string>

#include "protocol/context.h"

namespace udare {

// Sends the images "K740Z0.AIM" ... "K740Z3.AIM" found in dir to the unit's
// mode memory; missing or unreadable ones are skipped. Stops at an image made
// for another protocol version (unless upgradeMode). progress runs 0 .. 100.
// Returns the number of images sent.
int WriteModeImages(Ctx& c, const std::string& dir, bool upgradeMode,
                    std::atomic<int>& progress);

}  // namespace udare
