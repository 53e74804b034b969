// Hands the auxiliary dialogs to the application: F7 opens the machine
// settings, the ribbon's remote command the remote learning dialog.
#pragma once

#include <functional>

class QString;

#include "ui/ui_api.h"

namespace udare::shell {
class CVovedo13App;
}

namespace udare::dialogs {

class RemoteFileChooser;

// The machine settings and remote learning dialogs; they are made when first
// opened, once the view exists. files outlives the application; without it
// the standard file dialogs are used.
void RegisterDialogs(ui::DialogRegistry& dialogs, shell::CVovedo13App& app,
                     RemoteFileChooser* files = nullptr);

// For pictures of the dialogs (udare-tuner --open-dialog): "machine-settings",
// "machine-settings-locked" (the panel lock ticked), "remote-learning", or
// "learn-N" (the remote dialog, then learning key slot N). Calls opened once
// the dialog is up; false for an unknown name.
bool IsDialogName(const QString& name);
void OpenDialogByName(shell::CVovedo13App& app, const QString& name, const std::function<void()>& opened);

}  // namespace udare::dialogs
