// The application object: settings, the caption table, one slot per modeless
// dialog, the global key filter, and the start/stop sequence around the frame.
#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

#include "protocol/host.h"
#include "shell/lang.h"
#include "ui/ui_api.h"

class QSettings;

namespace udare::shell {

class CMainFrame;
class CVovedo13View;
class QtNotifier;
class Session;

using ui::DialogRegistry;
using ui::DialogSlot;
using ui::Relabelable;

// The standard file dialogs, replaceable in tests.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    // Empty when the user cancels.
    virtual QString saveModeFile(QWidget* parent) = 0;
    virtual QString openModeFile(QWidget* parent) = 0;
    // The save dialog proposing another file name (the save command's "name").
    virtual QString saveModeFileNamed(QWidget* parent, const QString& name) {
        (void)name;
        return saveModeFile(parent);
    }
};

class QtFileChooser final : public FileChooser {
public:
    QString saveModeFile(QWidget* parent) override;
    QString openModeFile(QWidget* parent) override;
    QString saveModeFileNamed(QWidget* parent, const QString& name) override;
};

// The program's icon, from the embedded pictures.
QIcon appIcon();

inline constexpr const char* kSettingsKey = "ZN_V5 v1.0";
inline constexpr const char* kAppCaption = "ZAR-UDARE-J8 v1.2";
inline constexpr const char* kInstanceName = "ZAR-Udare-V5v1.1";
inline constexpr int kRecentCount = 10;
inline constexpr int kLookOffice2007Blue = 215;

class CVovedo13App : public QObject {
    Q_OBJECT
public:
    CVovedo13App(Session& session, Prompter& prompter, FileChooser& files,
                 QObject* parent = nullptr);
    ~CVovedo13App() override;

    Session& session() { return session_; }
    Prompter& prompter() { return prompter_; }
    FileChooser& files() { return files_; }
    // Where the link's threads report (MSG_SYNC_DONE and friends); may be null.
    QtNotifier* notifier() const { return notifier_; }
    void setNotifier(QtNotifier* n) { notifier_ = n; }

    // ---- settings ----
    static std::unique_ptr<QSettings> settings();
    static int readLanguageSetting();  // 0 or 1
    static void writeLanguageSetting(int lang);
    int applicationLook() const { return look_; }
    void forceLook();  // 215, written back
    QStringList recentFiles() const;
    void addRecentFile(const QString& path);
    void removeRecentFile(const QString& path);

    // ---- language ----
    const LanguageTable& languageTable() const { return table_; }
    // Load the table of uiLanguage(); relabel the ribbon always, and the open
    // dialogs and the tuning panel when the table loaded.
    bool loadLanguage();
    void toggleLanguage();
    void relabel(QWidget* w, int dialog) const { table_.relabel(w, dialog); }

    // ---- windows ----
    void setFrame(CMainFrame* frame) { frame_ = frame; }
    CMainFrame* frame() const { return frame_; }
    void setView(CVovedo13View* view) { view_ = view; }
    CVovedo13View* view() const { return view_; }
    QWidget* mainWindow() const;

    // How every dialog is made (registered in main) and the ones open now.
    DialogRegistry& dialogs() { return dialogs_; }
    const DialogRegistry& dialogs() const { return dialogs_; }
    QWidget* slot(DialogSlot s) const { return dialogs_.current(s); }
    // The slot empties itself when the dialog is destroyed.
    void setSlot(DialogSlot s, QWidget* dialog) { dialogs_.setCurrent(s, dialog); }

    // ---- boxes ----
    void showInfoBox(const QString& text, int ms);
    void showAbout();
    void showTrayNotice(const QString& title, const QString& text, int ms);
    bool peakSwitch() const { return peakSwitch_; }
    void setPeakSwitch(bool on) { peakSwitch_ = on; }
    // Error and question boxes with the program's titles.
    void errorBox(const QString& text);
    bool confirm(const QString& text);  // Yes / No, title "提示"

    // ---- start and stop ----
    // The close prompt and the link shutdown; false keeps the window open.
    bool queryClose();
    // A mode file to open (command line, recent list, second instance).
    void openDocument(const QString& path);

    // Shared state of the upgrade and mode commands.
    int upgradeState = -1;
    QString upgradeFilePath;
    int waitingForUpgradeMode = 0;
    int loadedModeSlot = -1;
    int f7Guard() const { return f7Guard_; }

    // Runs the F7 rule; returns true when the key is swallowed.
    bool handleF7Released();

signals:
    void openDocumentRequested(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Write the mode file and store the current mode on the unit.
    bool saveModeFileAndMode(const QString& path);

    Session& session_;
    Prompter& prompter_;
    FileChooser& files_;
    QtNotifier* notifier_ = nullptr;
    LanguageTable table_;
    CMainFrame* frame_ = nullptr;
    CVovedo13View* view_ = nullptr;
    DialogRegistry dialogs_;
    int look_ = kLookOffice2007Blue;
    int f7Guard_ = 1;
    bool peakSwitch_ = true;
};

}  // namespace udare::shell
