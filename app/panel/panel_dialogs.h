// Registers the dialogs the tuning panel owns (noise gates, subwoofer
// ducking) with the program's dialog registry.
#pragma once

#include "panel/small_dialog.h"
#include "ui/ui_api.h"

namespace udare {
struct Ctx;
}

namespace udare::panel {

void registerPanelDialogs(ui::DialogRegistry& dialogs, Ctx& ctx, RelabelFn relabel);

}  // namespace udare::panel
