#include "shell/mode_files.h"

#include <QFileInfo>
#include <QTimer>

#include <algorithm>

#include "protocol/commands.h"
#include "protocol/mode_file.h"
#include "shell/app.h"
#include "shell/lang.h"
#include "shell/session.h"
#include "shell/view.h"
#include "ui/undo.h"

namespace udare::shell {

namespace {

constexpr int kGuardNoticeMs = 1100;
constexpr int kStoreNoticeMs = 2500;

const char* const kChineseDigits[4] = {"一", "二", "三", "四"};

}  // namespace

int modeSlotFromFileName(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const qsizetype end = name.indexOf(QLatin1String(".VXS"), 0, Qt::CaseSensitive);
    const QString stem = end < 0 ? QString() : name.left(end).toLower();
    if (stem.isEmpty()) return -1;
    static const char* const kPrefixes[4][3] = {
        {"默认1", "velmora1", "m1"},
        {"默认2", "velmora2", "m2"},
        {"默认3", "velmora3", "m3"},
        {"默认4", "velmora4", "m4"},
    };
    for (int slot = 0; slot < 4; ++slot)
        for (const char* p : kPrefixes[slot])
            if (stem.startsWith(QString::fromUtf8(p))) return slot;
    return -1;
}

ModeCommands::ModeCommands(CVovedo13App& app, CVovedo13View& view) : app_(app), view_(view) {}

void ModeCommands::loadMode(int n) {
    if (!app_.session().connected()) return;
    n = std::clamp(n, 0, 3);
    Ctx& c = view_.context();
    if (c.st.settingsModified.load() != 0) {
        const QString text = uiLanguage() == 1
                                 ? QStringLiteral("Setting changed ! Are you sure load mode%1?").arg(n + 1)
                                 : Z("参数已更改，确定要直接载入模式") + Z(kChineseDigits[n]) + QLatin1Char('?');
        const auto a = app_.prompter().messageBox(text.toStdString(),
                                                  T("信息", "Information").toStdString(),
                                                  Prompter::Icon::Question, Prompter::Buttons::YesNo);
        if (a != Prompter::Answer::Yes) return;
    }
    view_.undo().clear();
    LoadMode(c, n, [this] { view_.startSynchronizeData(); });
    view_.runSyncDialog();
}

void ModeCommands::storeMode(int n) {
    if (!app_.session().connected()) return;
    n = std::clamp(n, 0, 3);
    const auto a = app_.prompter().messageBox(T("确定保存至机器?", "Are you sure save?").toStdString(),
                                              "", Prompter::Icon::Question,
                                              Prompter::Buttons::YesNo);
    if (a != Prompter::Answer::Yes) return;
    SaveMode(view_.context(), n);
    const QString text = uiLanguage() == 1
                             ? QStringLiteral("Saving Mode %1 ……").arg(n + 1)
                             : Z("正在储存模式%1,请稍等").arg(Z(kChineseDigits[n]));
    // The unit needs a moment before it can show that it is storing.
    QTimer::singleShot(kStoreNoticeDelayMs, &view_, [this, text] { app_.showInfoBox(text, kStoreNoticeMs); });
}

void ModeCommands::resetMode(int n) {
    if (!app_.session().connected()) return;
    Ctx& c = view_.context();
    if (machine::loadModeLocked(c.st.machine.committed)) {
        app_.showInfoBox(T("载入模式功能已锁定!", "Load mode is locked!"), kGuardNoticeMs);
        return;
    }
    view_.undo().clear();
    ResetMode(c, n, [this] { view_.startSynchronizeData(); });
    view_.runSyncDialog();
}

bool ModeCommands::fileGuard() {
    if (!app_.session().connected()) {
        app_.showInfoBox(T("请先连接设备!", "Please connect device!"), kGuardNoticeMs);
        return false;
    }
    if (app_.session().upgradeMode() == 1) {
        app_.showInfoBox(T("升级模式下无法操作!", "do it in normal mode!"), kGuardNoticeMs);
        return false;
    }
    return true;
}

bool ModeCommands::loadAndWrite(const QString& path) {
    if (!LoadModeFile(view_.context(), path.toStdString())) return false;  // the reader has told the user
    view_.undo().clear();
    view_.context().log.log("Start thread:SynchronizeData\n");
    view_.startWriteAllData();
    view_.runSyncDialog();
    return true;
}

bool ModeCommands::loadOnly(const QString& path) {
    // Without a unit the file only fills the window; nothing is sent.
    if (!LoadModeFile(view_.context(), path.toStdString())) return false;
    view_.undo().clear();
    view_.refreshAll();
    return true;
}

void ModeCommands::openFileCommand() {
    const bool unit = app_.session().connected();
    if (unit && !fileGuard()) return;
    const QString path = app_.files().openModeFile(app_.mainWindow());
    if (path.isEmpty()) return;
    if (!unit) {
        if (!loadOnly(path)) return;
        app_.addRecentFile(path);
        view_.recentFilesChanged();
        return;
    }
    app_.loadedModeSlot = modeSlotFromFileName(path);
    if (!loadAndWrite(path)) {
        // Nothing was written, so no later synchronisation may store anything.
        app_.loadedModeSlot = -1;
        return;
    }
    app_.addRecentFile(path);
    view_.recentFilesChanged();
}

void ModeCommands::saveFileCommand() {
    // Without a unit the file holds what the window shows: every edit was stored.
    const bool unit = app_.session().connected();
    if (unit && !fileGuard()) return;
    const QString path = app_.files().saveModeFileNamed(app_.mainWindow(), QStringLiteral("name"));
    if (path.isEmpty()) return;
    Ctx& c = view_.context();
    // The unit's current mode gets the working set first, then the file.
    if (unit) SaveMode(c, c.st.currentMode.load());
    if (!SaveModeFile(c, path.toStdString())) return;  // the saver has told the user
    app_.addRecentFile(path);
    view_.recentFilesChanged();
}

bool ModeCommands::openDocument(const QString& path) {
    if (!QFileInfo::exists(path)) {
        app_.prompter().messageBox(Z("文件不存在！").toStdString(), "文件打开错误",
                                   Prompter::Icon::Information);
        app_.removeRecentFile(path);
        app_.removeRecentFile(QFileInfo(path).absoluteFilePath());
        view_.recentFilesChanged();
        return false;
    }
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || path.mid(dot + 1).compare(QLatin1String("VXS"), Qt::CaseInsensitive) != 0)
        return false;
    if (app_.session().connected())
        loadAndWrite(path);
    else
        loadOnly(path);
    // A request that counts as done puts its file at the top of the list.
    app_.addRecentFile(path);
    view_.recentFilesChanged();
    return true;
}

}  // namespace udare::shell
