// Registers the dialogs the tuning panel owns (noise gates, subwoofer
// ducking) with the program's dialog registry.
#pragma once

#include "panel/small_dialog.h"
#include "ui/ui_api.h"

namespace udare {
struct Ctx;
}

namespace udare::panel {

// undo finds the window's undo stack the dialogs record their edits on.
void registerPanelDialogs(ui::DialogRegistry& dialogs, Ctx& ctx, RelabelFn relabel,
                          std::function<ui::UndoStack*()> undo = {});

}  // namespace udare::panel
