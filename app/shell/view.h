// The one view inside the main frame: it owns the tuning panel and the
// connection to the unit, and receives what the link's threads report.
#pragma once

#include <QPointer>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <memory>

#include "ui/ui_api.h"

namespace udare {
struct Ctx;
class UsbLink;
class Workers;
}  // namespace udare

namespace udare::ui {
class UndoStack;
struct StepPlace;
}  // namespace udare::ui

namespace udare::shell {

class CVovedo13App;
class CSynDlg;
class ModeCommands;
class Ribbon;
class RibbonLevels;

using ui::DialogSlot;
using ui::KeyLearnSink;
using ui::PanelPage;
using ui::StateRefreshable;
using ui::TuningPanelApi;
using ui::UpgradeModeSink;
using ui::McuUpgradeResultSink;
using ui::DspUpgradeOutcome;
using ui::UpgradeNoticeSink;

class CVovedo13View : public QWidget {
    Q_OBJECT
public:
    static constexpr int kConnectDelayMs = 250;  // timer 1
    static constexpr int kPollMs = 300;          // timer 3
    static constexpr int kPanelMinWidth = 950;
    static constexpr int kPanelMinHeight = 520;
    // Debug entry (with --simulate) that pulls out or plugs in the virtual unit.
    static constexpr int ID_DEBUG_TOGGLE_PLUG = 39001;

    explicit CVovedo13View(CVovedo13App& app, QWidget* parent = nullptr);
    ~CVovedo13View() override;

    CVovedo13App& app() { return app_; }

    // The tuning panel (dialog 313); a stand-in until the real panel exists.
    QWidget* panel() const { return panel_; }
    QRect panelRect() const { return panelRect_; }
    // Put the real tuning panel in the stand-in's place.
    void setPanel(QWidget* panel);

    // ---- hooks the frame calls ----
    // Relabel the tuning panel; the last step of every language load.
    void applyLanguage();
    // The ribbon switched category: 0 Input, 1 Output.
    void onCategoryChanged(int category);
    // Ribbon commands the frame does not handle itself.
    void onRibbonCommand(int id);
    void onSliderMoved(int id, int position);
    void onCheckToggled(int id, bool checked);
    // Status-bar extended area.
    bool eqBypassChecked() const;
    void toggleEqBypass();
    void resetEq();  // the frame has asked and the user said Yes
    void eqFileCommand(ui::EqFileCommand command);
    // Ribbon values from DeviceState, the panel and every open dialog.
    void refreshAll();
    // A mode file from the command line, the recent list or a second start.
    void openModeFile(const QString& path);
    void saveModeFileCommand();

    // ---- the connection ----
    // Timer 1 and device arrival: connect, then synchronise with the progress
    // dialog up. Returns once the dialog has closed.
    void connectDevice(bool arrival);
    void deviceRemoved(const QString& path);
    // The worker messages.
    void onSyncDone(int wparam);
    void onKeyLearned(int code);
    void onMcuUpgradeDone();
    void onDspUpgradeDone();
    // Machine reset (ID_BTN_RESET).
    void machineReset();

    // ---- for the mode commands ----
    Ctx& context();
    UsbLink& link();
    void startSynchronizeData();
    void startWriteAllData();
    // Shows the progress dialog modally until the worker's message closes it
    // (not a second time while one is up).
    void runSyncDialog();
    void recentFilesChanged();

    ModeCommands& modes() { return *modes_; }
    RibbonLevels& levels() { return *levels_; }
    // The window's one undo stack.
    ui::UndoStack& undo() { return *undo_; }
    Workers& workers() { return *workers_; }

    // The dialog slot a guarded ribbon command opens (remote learning,
    // subwoofer ducking, noise gate), or Count for other commands.
    static DialogSlot guardedDialogSlot(int commandId);

    // State, for the status bar and tests.
    int firstSyncPending() const { return firstSyncPending_; }
    bool polling() const { return pollTimer_.isActive(); }
    // A file waiting for the first connection attempt or a running synchronisation.
    QString pendingDocument() const { return pendingDocument_; }

    // The virtual unit (with --simulate): pull it out, or plug it back in.
    void toggleVirtualPlug();
    // Press a remote key on the virtual unit: now while it learns a key, else
    // as soon as it starts learning one (the learning dialog is modal).
    void pressVirtualRemoteKey(int code);
    int pendingVirtualRemoteKey() const { return pendingRemoteKey_; }

protected:
    void resizeEvent(QResizeEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onConnectTimer();
    void onStepApplied(const ui::StepPlace& place);
    void openPendingDocument();
    void onPollTimer();
    void disconnectOnMismatch();
    void openGuardedDialog(int commandId);
    void closeSlot(DialogSlot s);
    void addDebugMenu();
    void askVirtualRemoteKey();
    void onRemoteKeyTimer();
    void installPlugSignal();
    Ribbon* ribbon() const;

    CVovedo13App& app_;
    QPointer<QWidget> panel_;
    int firstSyncPending_ = 1;
    int mismatchNoticeArmed_ = 1;
    QRect panelRect_;
    QTimer connectTimer_;  // timer 1
    QTimer pollTimer_;     // timer 3
    QTimer afterSyncTimer_;  // the pause after an accepted synchronisation
    std::unique_ptr<ui::UndoStack> undo_;
    std::unique_ptr<Workers> workers_;
    std::unique_ptr<RibbonLevels> levels_;
    std::unique_ptr<ModeCommands> modes_;
    // How the link's and the outbox's threads find the view (hot-plug, jobs' ends).
    struct HotplugTarget {
        CVovedo13View* view;  // read and cleared on the UI thread only
    };
    std::shared_ptr<HotplugTarget> hotplugTarget_;
    QString pendingDocument_;
    bool firstConnectTried_ = false;
    QTimer remoteKeyTimer_;
    int pendingRemoteKey_ = -1;
    int lastRemoteKey_ = 0x5A;
};

}  // namespace udare::shell
