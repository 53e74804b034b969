#include "panel/panel_dialogs.h"

#include "panel/auto_sub_dlg.h"
#include "panel/dialog_ng.h"

namespace udare::panel {

void registerPanelDialogs(ui::DialogRegistry& dialogs, Ctx& ctx, RelabelFn relabel) {
    dialogs.add(ui::DialogSlot::NoiseGate,
                [&ctx, relabel](QWidget* parent) { return new CDialogNG(ctx, relabel, parent); });
    dialogs.add(ui::DialogSlot::AutoSub,
                [&ctx, relabel](QWidget* parent) { return new CAutoSubDlg(ctx, relabel, parent); });
}

}  // namespace udare::panel
