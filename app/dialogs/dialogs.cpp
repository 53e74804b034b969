#include "dialogs.h"

#include <QCheckBox>
#include <QRegularExpression>
#include <QTimer>

#include "remote_dlg.h"
#include "set_dlg.h"
#include "shell/app.h"
#include "shell/commands.h"
#include "shell/view.h"

namespace udare::dialogs {

void RegisterDialogs(ui::DialogRegistry& dialogs, shell::CVovedo13App& app, RemoteFileChooser* files) {
    // The standard dialogs keep no state, so one serves every caller.
    static QtRemoteFileChooser standardFiles;
    RemoteFileChooser& chooser = files ? *files : standardFiles;
    dialogs.add(ui::DialogSlot::MachineSettings, [&app](QWidget* parent) -> QWidget* {
        shell::CVovedo13View* view = app.view();
        return view ? new CSetDlg(app, view->context(), parent) : nullptr;
    });
    dialogs.add(ui::DialogSlot::RemoteLearning, [&app, &chooser](QWidget* parent) -> QWidget* {
        shell::CVovedo13View* view = app.view();
        return view ? new CRemoteDlg(app, view->context(), chooser, parent) : nullptr;
    });
}

namespace {
const QRegularExpression kLearnName(QStringLiteral("^learn-([0-9]+)$"));
}

bool IsDialogName(const QString& name) {
    return name == QLatin1String("machine-settings") || name == QLatin1String("machine-settings-locked") ||
           name == QLatin1String("remote-learning") || kLearnName.match(name).hasMatch();
}

void OpenDialogByName(shell::CVovedo13App& app, const QString& name, const std::function<void()>& opened) {
    shell::CVovedo13View* view = app.view();
    if (!view || !IsDialogName(name)) return;
    if (name.startsWith(QLatin1String("machine-settings"))) {
        app.handleF7Released();
        auto* dlg = qobject_cast<CSetDlg*>(app.slot(ui::DialogSlot::MachineSettings));
        if (dlg && name.endsWith(QLatin1String("-locked"))) {
            if (auto* lock = qobject_cast<QCheckBox*>(dlg->control(CSetDlg::IDC_LOCK_PANEL)))
                lock->setChecked(true);
        }
        if (opened) opened();
        return;
    }
    view->onRibbonCommand(shell::cmd::ID_BTN_REMOTE);
    auto* remote = qobject_cast<CRemoteDlg*>(app.slot(ui::DialogSlot::RemoteLearning));
    const auto m = kLearnName.match(name);
    if (!remote || !m.hasMatch()) {
        if (opened) opened();
        return;
    }
    const int slot = m.captured(1).toInt();
    for (const RemoteKey& k : kRemoteKeys) {
        if (k.slot != slot || slot == 0) continue;
        // The learning dialog runs its own loop; the caller hears of it from there.
        QTimer::singleShot(0, remote, [remote, &k, opened] {
            QTimer::singleShot(0, remote, [opened] {
                if (opened) opened();
            });
            remote->keyAreaClicked(k);
        });
        return;
    }
    if (opened) opened();
}

}  // namespace udare::dialogs
