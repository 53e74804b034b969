#include "panel/panel_dialogs.h"

#include "panel/auto_sub_dlg.h"
#include "panel/dialog_ng.h"

namespace udare::panel {

void registerPanelDialogs(ui::DialogRegistry& dialogs, Ctx& ctx, RelabelFn relabel,
                          std::function<ui::UndoStack*()> undo) {
    auto stack = [undo] { return undo ? undo() : nullptr; };
    dialogs.add(ui::DialogSlot::NoiseGate, [&ctx, relabel, stack](QWidget* parent) {
        auto* d = new CDialogNG(ctx, relabel, parent);
        d->setUndoStack(stack());
        return d;
    });
    dialogs.add(ui::DialogSlot::AutoSub, [&ctx, relabel, stack](QWidget* parent) {
        auto* d = new CAutoSubDlg(ctx, relabel, parent);
        d->setUndoStack(stack());
        return d;
    });
}

}  // namespace udare::panel
