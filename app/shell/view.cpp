#include "shell/view.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QInputDialog>
#include <QLineEdit>
#include <QLabel>
#include <QMenu>
#include <QMetaObject>
#include <QResizeEvent>
#include <QSocketNotifier>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "link/outbox.h"
#include "link/usb_link.h"
#include "link/workers.h"
#include "protocol/commands.h"
#include "protocol/device_state.h"
#include "protocol/inbound.h"
#include "protocol/mode_file.h"
#include "protocol/opcodes.h"
#include "protocol/report.h"
#include "shell/app.h"
#include "shell/commands.h"
#include "shell/lang.h"
#include "shell/mainframe.h"
#include "shell/mode_files.h"
#include "shell/qt_host.h"
#include "shell/ribbon.h"
#include "shell/ribbon_levels.h"
#include "ui/undo.h"
#include "shell/session.h"
#include "shell/syn_dlg.h"
#include "sim/virtual_unit.h"
#include "upgrade/upgrade_hooks.h"
#ifdef UDARE_HAVE_PANEL
#include "panel/dialog_music.h"
#endif

namespace udare::shell {

using namespace cmd;

namespace {
constexpr int kPanelDialog = 313;
constexpr int kNoticeStartMs = 5000;
constexpr int kNoticeArrivalMs = 4000;
constexpr int kNoticeRemovedMs = 5000;
constexpr int kAfterSyncPauseMs = 150;
constexpr int kAfterMcuCheckPauseMs = 150;
constexpr int kRestartNoticeMs = 8000;

// Session::link() and context() as a pointer, whichever way they are handed out.
template <class T>
T* asPtr(T& r) {
    return &r;
}
template <class T>
T* asPtr(T* p) {
    return p;
}

#ifndef UDARE_HAVE_PANEL
// Takes the tuning panel's place until the panel is built: keeps the page
// and refreshes nothing.
class PanelStandIn final : public QWidget, public TuningPanelApi {
public:
    explicit PanelStandIn(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("tuningPanel"));
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, QColor(240, 250, 255));
        setPalette(pal);
    }
    void refreshFromState() override {}
    void setPage(PanelPage page) override { page_ = page; }
    PanelPage page() const override { return page_; }

private:
    PanelPage page_ = PanelPage::Mic;
};
#endif

TuningPanelApi* panelApi(QWidget* w) { return dynamic_cast<TuningPanelApi*>(w); }

// SIGUSR1 toggles the virtual unit's plug: the handler only writes a byte,
// the UI thread does the rest.
int g_plugSignalFds[2] = {-1, -1};

void onPlugSignal(int) {
    const char b = 1;
    if (g_plugSignalFds[0] >= 0) (void)!::write(g_plugSignalFds[0], &b, 1);
}

}  // namespace

CVovedo13View::CVovedo13View(CVovedo13App& app, QWidget* parent) : QWidget(parent), app_(app) {
    app_.setView(this);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(240, 250, 255));
    setPalette(pal);

    Session& session = app_.session();
    workers_ = std::make_unique<Workers>(*asPtr(session.link()));
    workers_->setGate(&session.outbox());
    undo_ = std::make_unique<ui::UndoStack>(context());
    undo_->trackPointerGestures();
    connect(undo_.get(), &ui::UndoStack::stepApplied, this, &CVovedo13View::onStepApplied);
    levels_ = std::make_unique<RibbonLevels>([this] { return ribbon(); }, [this] { return &context(); });
    levels_->setUndoStack(undo_.get());
    modes_ = std::make_unique<ModeCommands>(app_, *this);

    resetDeviceState(session.state());
    setUiLanguage(CVovedo13App::readLanguageSetting());

    panelRect_ = QRect(0, 0, kPanelMinWidth, kPanelMinHeight);
#ifdef UDARE_HAVE_PANEL
    panel_ = new panel::CDialogMusic(context(), &app_.languageTable(), this, panel::PAGE_MIC);
#else
    panel_ = new PanelStandIn(this);
#endif
    panel_->setGeometry(panelRect_);
    panel_->show();
    if (TuningPanelApi* p = panelApi(panel_)) p->setUndoStack(undo_.get());

    app_.loadLanguage();

    // The link's threads reach the view only through queued calls.
    if (QtNotifier* n = app_.notifier()) {
        connect(n, &QtNotifier::syncDoneReceived, this, &CVovedo13View::onSyncDone);
        connect(n, &QtNotifier::keyLearnedReceived, this, &CVovedo13View::onKeyLearned);
        connect(n, &QtNotifier::mcuUpgradeDoneReceived, this, &CVovedo13View::onMcuUpgradeDone);
        connect(n, &QtNotifier::dspUpgradeDoneReceived, this, &CVovedo13View::onDspUpgradeDone);
    }
    // The monitor's thread only posts to the application object, which
    // outlives the link; the call then finds the view, or nothing, on the UI
    // thread, so a notice racing the view's end is dropped safely.
    hotplugTarget_ = std::make_shared<HotplugTarget>(HotplugTarget{this});
    asPtr(session.link())->setHotplugHandler(
        [target = hotplugTarget_](bool arrived, const std::string& path) {
            const QString p = QString::fromStdString(path);
            QMetaObject::invokeMethod(
                qApp,
                [target, arrived, p] {
                    CVovedo13View* v = target->view;
                    if (!v) return;
                    if (arrived)
                        v->connectDevice(true);
                    else
                        v->deviceRemoved(p);
                },
                Qt::QueuedConnection);
        });

    connectTimer_.setSingleShot(true);
    connectTimer_.setInterval(kConnectDelayMs);
    connect(&connectTimer_, &QTimer::timeout, this, &CVovedo13View::onConnectTimer);
    connectTimer_.start();

    afterSyncTimer_.setSingleShot(true);
    afterSyncTimer_.setInterval(kAfterSyncPauseMs);
    connect(&afterSyncTimer_, &QTimer::timeout, this, [this] { firstSyncPending_ = 0; });

    pollTimer_.setInterval(kPollMs);
    connect(&pollTimer_, &QTimer::timeout, this, &CVovedo13View::onPollTimer);

    // Wheel turns over the ribbon reach the view before the ribbon eats them.
    qApp->installEventFilter(this);

    if (session.virtualUnit()) {
        // The frame builds the ribbon right after the view.
        QTimer::singleShot(0, this, &CVovedo13View::addDebugMenu);
        installPlugSignal();
    }
}

CVovedo13View::~CVovedo13View() {
    qApp->removeEventFilter(this);
    pollTimer_.stop();
    asPtr(app_.session().link())->setHotplugHandler({});
    hotplugTarget_->view = nullptr;
    // The panel outlives the stack by the children's deletion.
    if (TuningPanelApi* p = panelApi(panel_)) p->setUndoStack(nullptr);
    levels_->setUndoStack(nullptr);
    // Running workers end early and are joined before the link goes.
    workers_.reset();
    if (app_.view() == this) app_.setView(nullptr);
}

Ctx& CVovedo13View::context() { return *asPtr(app_.session().context()); }

UsbLink& CVovedo13View::link() { return *asPtr(app_.session().link()); }

Ribbon* CVovedo13View::ribbon() const { return app_.frame() ? app_.frame()->ribbon() : nullptr; }

void CVovedo13View::setPanel(QWidget* panel) {
    if (!panel || panel == panel_) return;
    if (panel_) panel_->deleteLater();
    panel_ = panel;
    panel_->setParent(this);
    panel_->setGeometry(panelRect_);
    panel_->show();
    if (TuningPanelApi* p = panelApi(panel_)) p->setUndoStack(undo_.get());
}

// ---- frame hooks ----

void CVovedo13View::applyLanguage() {
    if (auto* own = dynamic_cast<Relabelable*>(panel_.data()))
        own->relabel();
    else if (panel_)
        app_.relabel(panel_, kPanelDialog);
}

void CVovedo13View::onCategoryChanged(int category) {
    if (TuningPanelApi* p = panelApi(panel_)) p->setPage(category == 1 ? PanelPage::Main : PanelPage::Mic);
    levels_->refresh();
}

void CVovedo13View::onRibbonCommand(int id) {
    if (id >= IDC_LOAD_M1 && id <= IDC_LOAD_M4) {
        modes_->loadMode(id - IDC_LOAD_M1);
    } else if (id >= IDC_SAVE_M1 && id <= IDC_SAVE_M4) {
        modes_->storeMode(id - IDC_SAVE_M1);
    } else if (id == ID_FILE_OPEN || id == IDC_FILE_OPEN || id == IDC_FILE_OPEN_OUT) {
        modes_->openFileCommand();
    } else if (id == ID_FILE_SAVE || id == IDC_FILE_SAVE || id == IDC_FILE_SAVE_OUT) {
        modes_->saveFileCommand();
    } else if (id == ID_BTN_RESET) {
        machineReset();
    } else if (guardedDialogSlot(id) != DialogSlot::Count) {
        openGuardedDialog(id);
    } else if (id == ID_DEBUG_TOGGLE_PLUG) {
        toggleVirtualPlug();
    }
    // Labels are captions only: their commands do nothing.
}

void CVovedo13View::onSliderMoved(int id, int) { levels_->sliderCommand(id); }

void CVovedo13View::onCheckToggled(int id, bool) { levels_->checkCommand(id); }

bool CVovedo13View::eqBypassChecked() const {
    const TuningPanelApi* p = panelApi(panel_);
    return p && p->eqBypassed();
}

void CVovedo13View::toggleEqBypass() {
    if (TuningPanelApi* p = panelApi(panel_)) p->toggleEqBypass();
}

void CVovedo13View::resetEq() {
    if (TuningPanelApi* p = panelApi(panel_)) p->resetEq();
}

void CVovedo13View::eqFileCommand(ui::EqFileCommand command) {
    if (TuningPanelApi* p = panelApi(panel_)) p->eqFileCommand(command);
}

void CVovedo13View::refreshAll() {
    levels_->refresh();
    if (TuningPanelApi* p = panelApi(panel_)) p->refreshFromState();
    app_.dialogs().refreshOpen();
    if (app_.frame()) app_.frame()->refreshStatus();
}

void CVovedo13View::onStepApplied(const ui::StepPlace& place) {
    levels_->refresh();
    if (TuningPanelApi* p = panelApi(panel_)) p->showStep(place);
    // A step made in a dialog that has been closed since opens it again, so
    // the restored values can be seen (and the machine settings applied).
    if (place.dialog != DialogSlot::Count && !app_.dialogs().current(place.dialog))
        app_.dialogs().show(place.dialog, app_.mainWindow());
    app_.dialogs().refreshOpen();
    if (app_.frame()) app_.frame()->refreshStatus();
}

void CVovedo13View::openModeFile(const QString& path) {
    // A file named at start-up waits for the first connection attempt rather
    // than being dropped because the unit has not been opened yet; one handed
    // over while a synchronisation runs waits for its end.
    if (!firstConnectTried_ || app_.slot(DialogSlot::SyncProgress)) {
        pendingDocument_ = path;
        return;
    }
    modes_->openDocument(path);
}

void CVovedo13View::openPendingDocument() {
    if (pendingDocument_.isEmpty() || !firstConnectTried_ || app_.slot(DialogSlot::SyncProgress)) return;
    const QString path = pendingDocument_;
    pendingDocument_.clear();
    modes_->openDocument(path);
}

void CVovedo13View::saveModeFileCommand() { modes_->saveFileCommand(); }

void CVovedo13View::recentFilesChanged() {
    // Later: the change may come from an entry of the very menu being rebuilt.
    if (CMainFrame* f = app_.frame()) QTimer::singleShot(0, f, &CMainFrame::rebuildRecentMenu);
}

// ---- connection ----

void CVovedo13View::onConnectTimer() {
    connectTimer_.stop();
    connectDevice(false);
    firstConnectTried_ = true;
    openPendingDocument();
}

void CVovedo13View::connectDevice(bool arrival) {
    Session& session = app_.session();
    UsbLink& l = link();
    if (!l.ConnectDevice()) return;  // a later arrival tries again

    if (arrival) {
        closeSlot(DialogSlot::MachineSettings);
        closeSlot(DialogSlot::WaitUpgrade);
        closeSlot(DialogSlot::NoiseGate);
    }
    if (session.upgradeMode() == 1) {
        // The MCU upgrade dialog takes over.
        QWidget* w = app_.dialogs().show(DialogSlot::McuUpgrade, app_.mainWindow());
        if (auto* sink = dynamic_cast<UpgradeModeSink*>(w)) sink->upgradeModeConnected(arrival);
        return;
    }
    app_.showTrayNotice(T("信息", "Information"), T("设备已连接，同步中……", "Device connected!"),
                        arrival ? kNoticeArrivalMs : kNoticeStartMs);
    firstSyncPending_ = 1;
    afterSyncTimer_.stop();
    startSynchronizeData();
    runSyncDialog();
    // The unit may have gone, or been refused, while the dialog was up.
    if (session.connected()) pollTimer_.start();
    if (app_.frame()) app_.frame()->refreshStatus();
}

void CVovedo13View::startSynchronizeData() { workers_->StartSynchronizeData(); }

void CVovedo13View::startWriteAllData() { workers_->StartWriteAllData(); }

void CVovedo13View::runSyncDialog() {
    if (app_.slot(DialogSlot::SyncProgress)) return;
    CSynDlg dlg(app_.prompter(), app_.mainWindow() ? app_.mainWindow() : window());
    app_.setSlot(DialogSlot::SyncProgress, &dlg);
    dlg.exec();
    app_.setSlot(DialogSlot::SyncProgress, nullptr);
    if (!pendingDocument_.isEmpty()) QTimer::singleShot(0, this, &CVovedo13View::openPendingDocument);
}

void CVovedo13View::onPollTimer() {
    UsbLink& l = link();
    if (l.linkIdle.load() && l.connected.load() == 1 && app_.peakSwitch())
        req::MeterLevels(context().out);
}

void CVovedo13View::disconnectOnMismatch() {
    app_.session().closeDevice();
    pollTimer_.stop();
}

void CVovedo13View::onSyncDone(int) {
    // The state has been replaced wholesale: earlier steps no longer apply.
    undo_->clear();
    if (auto* dlg = qobject_cast<CSynDlg*>(app_.slot(DialogSlot::SyncProgress))) dlg->finish();
    DeviceState& st = app_.session().state();

    // A worker cut short by the unit going away still reports, and one whose
    // requests were refused after the reader failed runs to its end; the
    // identity either leaves behind says nothing, so only the displays are
    // redrawn and the synchronisation still counts as pending.
    if (!app_.session().connected() || link().g_bReadThreadEnd.load() != 0) {
        app_.loadedModeSlot = -1;
        refreshAll();
        return;
    }
    if (!IsOurModel(st)) {
        // The slot a file named ends with this synchronisation: left set, the
        // next unit to synchronise would have that preset overwritten.
        app_.loadedModeSlot = -1;
        disconnectOnMismatch();
        if (app_.frame()) app_.frame()->refreshStatus();
        if (mismatchNoticeArmed_) {
            mismatchNoticeArmed_ = 0;
            app_.errorBox(Z("机器型号与软件不匹配!"));
            mismatchNoticeArmed_ = 1;
        }
        return;
    }
    if (st.protocol() != kExpectedProtocol) {
        app_.loadedModeSlot = -1;
        pollTimer_.stop();
        app_.errorBox(Z("软件与机器通信协议不匹配，请您升级!"));
        return;
    }
    if (app_.loadedModeSlot != -1) {
        SelectAndSaveMode(context(), app_.loadedModeSlot);
        app_.loadedModeSlot = -1;
    }
    refreshAll();
    // The pause before the synchronisation counts as done; the window keeps working.
    afterSyncTimer_.start();
}

void CVovedo13View::onKeyLearned(int code) {
    if (auto* d = dynamic_cast<KeyLearnSink*>(app_.slot(DialogSlot::LearningInProgress))) d->keyLearned(code);
}

void CVovedo13View::onMcuUpgradeDone() {
    // A check that cannot reach the unit (it went away) confirms nothing.
    const bool asked = app_.session().connected() && link().g_bReadThreadEnd.load() == 0;
    RequestMcuCheck(context());
    // The unit's answer arrives meanwhile; the window keeps working.
    QTimer::singleShot(kAfterMcuCheckPauseMs, this, [this, asked] {
        if (asked && app_.session().connected() && McuCheckPassed(context())) app_.upgradeState = -1;
        if (auto* d = dynamic_cast<McuUpgradeResultSink*>(app_.slot(DialogSlot::McuUpgrade)))
            d->showMcuUpgradeResult(app_.upgradeState);
    });
}

void CVovedo13View::onDspUpgradeDone() {
    // A transfer cut short by the unit going away did not complete.
    bool lost = false;
    if (auto* d = dynamic_cast<DspUpgradeOutcome*>(app_.slot(DialogSlot::DspUpgrade))) lost = d->transferLost();
    closeSlot(DialogSlot::DspUpgrade);
    app_.session().closeDevice();
    // The unit has to be restarted by hand before it answers again.
    const QString text = lost ? T("升级中出现错误，请重连机器!", "Error！Please connect try again!")
                              : Z("升级完成，请手动重启机器!");
    if (QWidget* w = app_.dialogs().obtain(DialogSlot::WaitUpgrade, app_.mainWindow())) {
        if (auto* n = dynamic_cast<UpgradeNoticeSink*>(w)) {
            n->showUpgradeNotice(text);
        } else {
            setWidgetText(w, text);
            w->show();
        }
    } else {
        app_.prompter().messageBox(text.toStdString(), "提示", Prompter::Icon::Information);
    }
}

void CVovedo13View::deviceRemoved(const QString& path) {
    UsbLink& l = link();
    context().log.log("removed!\n");
    if (!l.IsOurDeviceRemoved(path.toStdString())) return;
    l.DisconnectDevice();
    pollTimer_.stop();
    if (app_.frame()) app_.frame()->refreshStatus();

    DeviceState& st = app_.session().state();
    if (firstSyncPending_ || st.settingsModified.load() == 0 || app_.upgradeState == -1) {
        app_.showTrayNotice(T("信息", "Information"), T("设备已断开!", "Device Disconnected!"),
                            kNoticeRemovedMs);
        return;
    }
    firstSyncPending_ = 1;
    const auto a = app_.prompter().messageBox("设备已断开，请问是否需要保存参数文件?", "保存?",
                                              Prompter::Icon::Question, Prompter::Buttons::YesNo);
    if (a != Prompter::Answer::Yes) return;
    const QString file = app_.files().saveModeFile(app_.mainWindow());
    // Only the file: the unit is gone.
    if (!file.isEmpty()) SaveModeFile(context(), file.toStdString());
}

void CVovedo13View::machineReset() {
    if (!app_.session().connected() || app_.session().upgradeMode() == 1) return;
    if (!app_.confirm(T("您确定要将机器复位吗? \n机器复位后将自动重新启动并连接.",
                        "Are you sure to reset machine? ")))
        return;
    ResetMachine(context());
    app_.showInfoBox(T("机器正在重启……", "Restarting……"), kRestartNoticeMs);
}

DialogSlot CVovedo13View::guardedDialogSlot(int commandId) {
    switch (commandId) {
    case ID_BTN_REMOTE: return DialogSlot::RemoteLearning;
    case ID_BTN_AUTOSUB: return DialogSlot::AutoSub;
    case ID_BTN_NOISEGATE: return DialogSlot::NoiseGate;
    default: return DialogSlot::Count;
    }
}

void CVovedo13View::openGuardedDialog(int commandId) {
    const DialogSlot slot = guardedDialogSlot(commandId);
    if (slot == DialogSlot::Count || !app_.session().connected() || app_.session().upgradeMode() != 0)
        return;
    // A slot nobody has registered yet opens nothing.
    app_.dialogs().show(slot, app_.mainWindow());
}

void CVovedo13View::closeSlot(DialogSlot s) { app_.dialogs().close(s); }

// ---- the virtual unit ----

void CVovedo13View::toggleVirtualPlug() {
    sim::VirtualUnit* unit = app_.session().virtualUnit();
    if (!unit) return;
    if (unit->plugged())
        unit->unplug();
    else
        unit->replug();
}

void CVovedo13View::addDebugMenu() {
    Ribbon* r = ribbon();
    if (!r) return;
    QToolButton* b = r->addTabRowButton(ID_DEBUG_TOGGLE_PLUG, QStringLiteral("Debug"));
    b->setObjectName(QStringLiteral("debugMenuButton"));
    auto* menu = new QMenu(b);
    QAction* plug = menu->addAction(QString());
    QAction* key = menu->addAction(QStringLiteral("Press a remote key…"));
    connect(key, &QAction::triggered, this, &CVovedo13View::askVirtualRemoteKey);
    connect(menu, &QMenu::aboutToShow, this, [this, plug] {
        sim::VirtualUnit* unit = app_.session().virtualUnit();
        plug->setText(unit && unit->plugged() ? QStringLiteral("Unplug virtual unit")
                                              : QStringLiteral("Plug in virtual unit"));
    });
    connect(plug, &QAction::triggered, this, &CVovedo13View::toggleVirtualPlug);
    b->setMenu(menu);
    b->setPopupMode(QToolButton::InstantPopup);
}

void CVovedo13View::askVirtualRemoteKey() {
    bool ok = false;
    const QString text = QInputDialog::getText(
        window(), QStringLiteral("Press a remote key"),
        QStringLiteral("Key code in hexadecimal (00-FF), pressed while the unit learns a key:"),
        QLineEdit::Normal, QStringLiteral("%1").arg(lastRemoteKey_, 2, 16, QLatin1Char('0')).toUpper(), &ok);
    if (!ok) return;
    const int code = text.trimmed().toInt(&ok, 16);
    if (!ok || code < 0 || code > 0xFF) {
        app_.prompter().messageBox("Not a key code: " + text.toStdString(), "Press a remote key",
                                   Prompter::Icon::Warning);
        return;
    }
    lastRemoteKey_ = code;
    pressVirtualRemoteKey(code);
}

void CVovedo13View::pressVirtualRemoteKey(int code) {
    sim::VirtualUnit* unit = app_.session().virtualUnit();
    if (!unit) return;
    if (unit->pressRemoteKey(static_cast<uint8_t>(code))) {
        pendingRemoteKey_ = -1;
        remoteKeyTimer_.stop();
        return;
    }
    pendingRemoteKey_ = code & 0xFF;
    if (!remoteKeyTimer_.isActive()) {
        // A moment after learning starts, so that the waiting dialog is seen.
        remoteKeyTimer_.setInterval(400);
        connect(&remoteKeyTimer_, &QTimer::timeout, this, &CVovedo13View::onRemoteKeyTimer,
                Qt::UniqueConnection);
        remoteKeyTimer_.start();
    }
}

void CVovedo13View::onRemoteKeyTimer() {
    if (!app_.session().virtualUnit() || pendingRemoteKey_ < 0) {
        remoteKeyTimer_.stop();
        return;
    }
    pressVirtualRemoteKey(pendingRemoteKey_);  // held again until the unit learns
}

void CVovedo13View::installPlugSignal() {
    // The pipe and the handler stay for the process; each view listens itself.
    if (g_plugSignalFds[0] < 0) {
        int fds[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return;
        ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
        ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
        g_plugSignalFds[1] = fds[1];
        g_plugSignalFds[0] = fds[0];
        struct sigaction sa {};
        sa.sa_handler = onPlugSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        ::sigaction(SIGUSR1, &sa, nullptr);
    }
    auto* n = new QSocketNotifier(g_plugSignalFds[1], QSocketNotifier::Read, this);
    connect(n, &QSocketNotifier::activated, this, [this] {
        char buf[16];
        ssize_t got;
        while ((got = ::read(g_plugSignalFds[1], buf, sizeof buf)) > 0)
            for (ssize_t i = 0; i < got; ++i) toggleVirtualPlug();
    });
}

// ---- window ----

void CVovedo13View::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    panelRect_ = QRect(0, 0, std::max(width(), kPanelMinWidth), std::max(height(), kPanelMinHeight));
    if (panel_) panel_->setGeometry(panelRect_);
}

void CVovedo13View::contextMenuEvent(QContextMenuEvent* e) { e->accept(); }

bool CVovedo13View::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Wheel) return QWidget::eventFilter(watched, event);
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || w->window() != window()) return false;
    auto* we = static_cast<QWheelEvent*>(event);
    const QPoint global = we->globalPosition().toPoint();
    // The tuning panel routes the wheel itself while the pointer is over it.
    if (panel_ && QRect(panel_->mapToGlobal(QPoint(0, 0)), panel_->size()).contains(global)) return false;
    const int delta = we->angleDelta().y() != 0 ? we->angleDelta().y() : we->angleDelta().x();
    return levels_->wheel(global, delta);
}

}  // namespace udare::shell
