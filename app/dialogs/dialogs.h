// Hands the auxiliary dialogs to the application: F7 opens the machine
// settings, the ribbon's remote command the remote learning dialog.
#pragma once

#include <functional>

class QString;

namespace udare::shell {
class CVovedo13App;
}

namespace udare::dialogs {

class RemoteFileChooser;

// After the frame (and so the view) exists. files outlives the application.
void RegisterDialogs(shell::CVovedo13App& app, RemoteFileChooser& files);

// For pictures of the dialogs (udare-tuner --open-dialog): "machine-settings",
// "machine-settings-locked" (the panel lock ticked), "remote-learning", or
// "learn-N" (the remote dialog, then learning key slot N). Calls opened once
// the dialog is up; false for an unknown name.
bool IsDialogName(const QString& name);
void OpenDialogByName(shell::CVovedo13App& app, const QString& name, const std::function<void()>& opened);

}  // namespace udare::dialogs
