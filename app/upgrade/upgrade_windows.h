// Registers the upgrade windows in their dialog slots: the MCU upgrade
// dialog (419), the DSP core upgrade dialog (416) and the notice box (420).
#pragma once

namespace udare::ui {
class DialogRegistry;
}
namespace udare::shell {
class CVovedo13App;
}

namespace udare::upgrade {

void registerUpgradeWindows(ui::DialogRegistry& dialogs, shell::CVovedo13App& app);

}  // namespace udare::upgrade
