// udare-ctl's firmware upgrades: the MCU from an image or a package, the DSP
// core with read-back, with their progress on the terminal.
#pragma once

#include <vector>

#include "args.h"
#include "session.h"

namespace udare::cli {

// upgrade-mcu FILE: refuses a bad file before anything is sent, switches the
// unit into upgrade mode when needed, transfers, checks and restarts it.
int cmdUpgradeMcu(Session& s, const std::vector<Value>& v);
// upgrade-dsp FILE: refuses a bad file, then erases, writes, reads back and
// compares; the link is closed afterwards and the unit wants a restart by hand.
int cmdUpgradeDsp(Session& s, const std::vector<Value>& v);

}  // namespace udare::cli
