#include "upgrade/upgrade_windows.h"

#include "shell/app.h"
#include "ui/ui_api.h"
#include "upgrade/upgrade_dlg.h"
#include "upgrade/upgrade_dsp_dlg.h"
#include "upgrade/wait_up_dlg.h"

namespace udare::upgrade {

void registerUpgradeWindows(ui::DialogRegistry& dialogs, shell::CVovedo13App& app) {
    dialogs.add(ui::DialogSlot::McuUpgrade, [&app](QWidget* parent) { return new CUpgradeDlg(app, parent); });
    dialogs.add(ui::DialogSlot::DspUpgrade, [&app](QWidget* parent) { return new CUpgradeDspDlg(app, parent); });
    dialogs.add(ui::DialogSlot::WaitUpgrade, [](QWidget* parent) { return new CWaitUpDlg(parent); });
}

}  // namespace udare::upgrade
