#include "shell/mainframe.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMenu>
#include <QShortcut>
#include <QStyle>
#include <QWidgetAction>
#include <QLabel>

#include "protocol/device_state.h"
#include "protocol/slots.h"
#include "shell/app.h"
#include "shell/commands.h"
#include "shell/lang.h"
#include "shell/notice.h"
#include "shell/ribbon.h"
#include "shell/session.h"
#include "shell/statusbar.h"
#include "shell/view.h"
#include "ui/undo.h"

namespace udare::shell {

using namespace cmd;

namespace {
constexpr int kIdleRefreshMs = 200;

// Category names as built and as recognised by the relabel.
const char* const kInputZh = "输入控制";
const char* const kInputEn = "Input";
const char* const kOutputZh = "输出调节";
const char* const kOutputEn = "Output";

bool sameName(const QString& a, const char* b) {
    return a.compare(QString::fromUtf8(b), Qt::CaseInsensitive) == 0;
}

QString captionValue(const char* zh, const char* en, int value) {
    return T(zh, en) + QStringLiteral("%1").arg(value, 3);
}

// "%s%+-d": always signed.
QString signedValue(int v) { return (v >= 0 ? QStringLiteral("+") : QString()) + QString::number(v); }
}  // namespace

CMainFrame::CMainFrame(CVovedo13App& app, QWidget* parent) : QMainWindow(parent), app_(app) {
    app_.setFrame(this);
    setWindowTitle(QString::fromUtf8(kAppCaption));
    setWindowIcon(appIcon());
    setMinimumSize(kFrameMinWidth, kFrameMinHeight);
    resize(1100, 760);

    // The view comes first: it reads the language and loads the caption
    // table before the ribbon exists.
    view_ = new CVovedo13View(app_, this);
    setCentralWidget(view_);

    // Marker a second start looks for.
    setProperty(kInstanceName, 1);

    app_.forceLook();

    buildRibbon();

    status_ = new CMFCMyRibbonStatusBar(this);
    setStatusBar(status_);
    // toggled also follows the accessible Toggle action, which does not click.
    connect(status_->bypassCheck(), &QCheckBox::toggled, this, [this] {
        if (view_) view_->toggleEqBypass();
        refreshStatus();
    });
    connect(status_->resetEqButton(), &QPushButton::clicked, this, &CMainFrame::onResetEq);

    notice_ = new TrayNotice(this);

    idle_.setInterval(kIdleRefreshMs);
    connect(&idle_, &QTimer::timeout, this, &CMainFrame::refreshStatus);
    idle_.start();
    refreshStatus();
}

CMainFrame::~CMainFrame() {
    if (app_.frame() == this) app_.setFrame(nullptr);
}

void CMainFrame::buildRibbon() {
    ribbon_ = new Ribbon(this);
    setMenuWidget(ribbon_);

    // Application button and its menu.
    QMenu* menu = ribbon_->applicationMenu();
    menu->setMinimumWidth(300);
    recentMenu_ = menu;
    connect(menu, &QMenu::aboutToShow, this, &CMainFrame::rebuildRecentMenu);
    rebuildRecentMenu();

    buildCategory(false);
    buildCategory(true);

    ribbon_->addTabRowButton(ID_BTN_RESET, T("机器复位", "Reset"));
    ribbon_->addTabRowButton(ID_BTN_REMOTE, T("遥控学习", "Remote control"));
    ribbon_->addTabRowButton(ID_BTN_AUTOSUB, T("自动超低", "Auto SUB"));
    ribbon_->addTabRowButton(ID_BTN_NOISEGATE, T("噪声门", "Noisegate"));
    ribbon_->addTabRowButton(ID_BTN_LANGUAGE, Z("中/EN"));
    auto* about = ribbon_->addTabRowButton(ID_APP_ABOUT, QString(),
                                           style()->standardIcon(QStyle::SP_MessageBoxInformation));
    about->setIconSize(QSize(16, 16));
    // Key tips: Alt+F opens the application menu, Alt+A the about box.
    auto* menuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F), this);
    connect(menuKey, &QShortcut::activated, ribbon_->applicationButton(), &QToolButton::showMenu);
    auto* aboutKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_A), this);
    connect(aboutKey, &QShortcut::activated, this, [this] { runCommand(ID_APP_ABOUT); });
    // Undo and redo of the window's edits.
    ui::UndoStack::addKeys(this, [this] { return view_ ? &view_->undo() : nullptr; });

    nameRibbonControls();

    connect(ribbon_, &Ribbon::commandTriggered, this, &CMainFrame::runCommand);
    connect(ribbon_, &Ribbon::categoryChanged, this, &CMainFrame::onCategoryChanged);
    connect(ribbon_, &Ribbon::sliderMoved, this, [this](int id, int pos) {
        if (view_) view_->onSliderMoved(id, pos);
    });
    connect(ribbon_, &Ribbon::checkToggled, this, [this](int id, bool on) {
        if (view_) view_->onCheckToggled(id, on);
    });
}

void CMainFrame::buildCategory(bool out) {
    auto id = [out](int input) { return out ? outputTwin(input) : input; };
    RibbonCategory* c = ribbon_->addCategory(out ? T(kOutputZh, kOutputEn) : T(kInputZh, kInputEn));
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DialogOpenButton);
    const QIcon saveIcon = style()->standardIcon(QStyle::SP_DialogSaveButton);

    RibbonPanel* p = c->addPanel(T("话筒音量", "Mic Vol"));
    ribbon_->addLabel(p, id(ID_LABEL_MICVOL), T("话筒音量:100", "Mic  Vol:100"));
    // The Input twins of the two volumes stop one short of the slot's top.
    const int inputShort = out ? 0 : 1;
    ribbon_->addSlider(p, id(ID_SLIDER_MICVOL), positionLo(slot::micVolume),
                       positionHi(slot::micVolume) - inputShort);
    ribbon_->addCheck(p, id(ID_CHK_MUTE1), T("静音", "Mute"));

    p = c->addPanel(T("效果音量", "Efx  Vol"));
    ribbon_->addLabel(p, id(ID_LABEL_EFXVOL), T("效果音量:100", "Efx    Vol:100"));
    ribbon_->addSlider(p, id(ID_SLIDER_EFXVOL), positionLo(slot::effectVolume), positionHi(slot::effectVolume));

    p = c->addPanel(T("音乐 音量", "Music Vol"));
    ribbon_->addLabel(p, id(ID_LABEL_MUSICVOL), T("音乐 音量:100", "Music Vol:100"));
    ribbon_->addSlider(p, id(ID_SLIDER_MUSICVOL), positionLo(slot::musicVolume),
                       positionHi(slot::musicVolume) - inputShort);
    ribbon_->addCheck(p, id(ID_CHK_MUTE4), T("静音", "Mute"));

    p = c->addPanel(T("反馈抑制", "Mic FBC"));
    ribbon_->addLabel(p, id(ID_LABEL_NOISEGATE), T("话筒噪声门:100", "Mic         NG:100"));
    ribbon_->addSlider(p, id(ID_SLIDER_NOISEGATE), positionLo(slot::micGateThreshold),
                       positionHi(slot::micGateThreshold));
    ribbon_->addSlider(p, id(ID_SLIDER_FBC), positionLo(slot::fbcShift), positionHi(slot::fbcShift),
                       positionHi(slot::fbcShift));

    p = c->addPanel(T("音乐变调", "Music Pitch"));
    ribbon_->addLabel(p, id(ID_LABEL_MUSICNG), T("音乐噪声门:100", "Music     NG:100"));
    ribbon_->addSlider(p, id(ID_SLIDER_MUSICNG), positionLo(slot::musicGateThreshold),
                       positionHi(slot::musicGateThreshold));
    ribbon_->addSlider(p, id(ID_SLIDER_PITCH), -8, 8);  // narrower than the slot's -12 ... +12

    p = c->addPanel(T("载入机器模式", "Load Mode"));
    ribbon_->addSmallButton(p, IDC_LOAD_M1, QStringLiteral("M1"));
    ribbon_->addSmallButton(p, IDC_LOAD_M2, QStringLiteral("M2"));
    ribbon_->addSpacer(p);
    ribbon_->addSmallButton(p, IDC_LOAD_M3, QStringLiteral("M3"));
    ribbon_->addSmallButton(p, IDC_LOAD_M4, QStringLiteral("M4"));
    ribbon_->addLargeButton(p, id(IDC_FILE_OPEN), T("载入", "Load"), openIcon);

    p = c->addPanel(T("保存机器模式", "Save Mode"));
    ribbon_->addSmallButton(p, IDC_SAVE_M1, QStringLiteral("M1"));
    ribbon_->addSmallButton(p, IDC_SAVE_M2, QStringLiteral("M2"));
    ribbon_->addSpacer(p);
    ribbon_->addSmallButton(p, IDC_SAVE_M3, QStringLiteral("M3"));
    ribbon_->addSmallButton(p, IDC_SAVE_M4, QStringLiteral("M4"));
    ribbon_->addLargeButton(p, id(IDC_FILE_SAVE), T("保存", "Save"), saveIcon);
}

void CMainFrame::rebuildRecentMenu() {
    QMenu* menu = ribbon_->applicationMenu();
    menu->clear();
    if (view_) {
        // Each entry names the step it takes, in the language in use.
        ui::UndoStack& undo = view_->undo();
        const int lang = uiLanguage();
        menu->setToolTipsVisible(true);
        QAction* u = menu->addAction(style()->standardIcon(QStyle::SP_ArrowBack), undo.undoText(lang), this,
                                     [this] { view_->undo().undo(); });
        u->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
        u->setShortcutContext(Qt::WidgetShortcut);  // the frame's own shortcut does the work
        u->setEnabled(undo.canUndo());
        u->setToolTip(ui::UndoStack::clearedByText(lang));
        u->setObjectName(QStringLiteral("undoEntry"));
        QAction* r = menu->addAction(style()->standardIcon(QStyle::SP_ArrowForward), undo.redoText(lang), this,
                                     [this] { view_->undo().redo(); });
        r->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
        r->setShortcutContext(Qt::WidgetShortcut);
        r->setEnabled(undo.canRedo());
        r->setToolTip(ui::UndoStack::clearedByText(lang));
        r->setObjectName(QStringLiteral("redoEntry"));
        menu->addSeparator();
    }
    menu->addAction(style()->standardIcon(QStyle::SP_DialogOpenButton), Z("打开(&O)..."), this,
                    [this] { runCommand(ID_FILE_OPEN); });
    menu->addAction(style()->standardIcon(QStyle::SP_DialogSaveButton), Z("保存(&S)"), this,
                    [this] { runCommand(ID_FILE_SAVE); });
    // The equaliser of the panel's page as a filter set or a curve.
    menu->addSeparator();
    menu->addAction(T("导入滤波器(&I)...", "&Import filters..."), this,
                    [this] { view_->eqFileCommand(ui::EqFileCommand::ImportFilters); });
    menu->addAction(T("导出滤波器(&E)...", "&Export filters..."), this,
                    [this] { view_->eqFileCommand(ui::EqFileCommand::ExportFilters); });
    menu->addAction(T("导出曲线(&C)...", "Export &curve..."), this,
                    [this] { view_->eqFileCommand(ui::EqFileCommand::ExportCurve); });
    // The recent list keeps the caption it was first built with.
    if (recentCaption_.isEmpty()) recentCaption_ = T("最近的文档", "Last documents");
    menu->addSeparator();
    auto* header = new QWidgetAction(menu);
    auto* caption = new QLabel(recentCaption_);
    caption->setStyleSheet(QStringLiteral("font-weight: bold; color: #15428B; padding: 3px 8px;"
                                          " border-bottom: 1px solid #B9CDEA;"));
    caption->setMinimumWidth(300);
    header->setDefaultWidget(caption);
    header->setEnabled(false);
    menu->addAction(header);
    const QStringList files = app_.recentFiles();
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        auto* a = menu->addAction(QStringLiteral("&%1 %2").arg((i + 1) % 10).arg(QFileInfo(path).fileName()),
                                  this, [this, path] {
            // A file that has gone leaves the list; the load still tells the user.
            if (!QFileInfo::exists(path)) app_.removeRecentFile(path);
            app_.openDocument(path);
        });
        a->setToolTip(path);
        a->setData(ID_FILE_MRU_FIRST + i);
    }
    menu->addSeparator();
    menu->addAction(style()->standardIcon(QStyle::SP_DialogCloseButton), Z("退出(&X)"), this,
                    [this] { runCommand(ID_APP_EXIT); });
}

void CMainFrame::runCommand(int id) {
    switch (id) {
    case ID_APP_EXIT:
        close();
        return;
    case ID_APP_ABOUT:
        app_.showAbout();
        return;
    case ID_BTN_LANGUAGE:
        app_.toggleLanguage();
        return;
    case ID_FILE_OPEN:
    case IDC_FILE_OPEN:
    case IDC_FILE_OPEN_OUT:
        if (view_) view_->onRibbonCommand(ID_FILE_OPEN);
        return;
    case ID_FILE_SAVE:
    case IDC_FILE_SAVE:
    case IDC_FILE_SAVE_OUT:
        if (view_) view_->onRibbonCommand(ID_FILE_SAVE);
        return;
    default:
        if (view_) view_->onRibbonCommand(id);
    }
}

void CMainFrame::onCategoryChanged(int index) {
    RibbonCategory* c = ribbon_->category(index);
    if (!c || !view_) return;
    if (sameName(c->name(), kInputZh) || sameName(c->name(), kInputEn))
        view_->onCategoryChanged(0);
    else if (sameName(c->name(), kOutputZh) || sameName(c->name(), kOutputEn))
        view_->onCategoryChanged(1);
}

void CMainFrame::onResetEq() {
    if (!view_ || !view_->panel()) return;
    if (app_.confirm(T("您确定重置当前均衡吗?", "Are you sure to reset the EQ?"))) view_->resetEq();
}

void CMainFrame::relabelRibbon() {
    if (!ribbon_) return;
    const DeviceState& st = app_.session().state();
    for (int i = 0; i < ribbon_->categoryCount(); ++i) {
        RibbonCategory* c = ribbon_->category(i);
        const QString n = c->name();
        if (sameName(n, kInputZh) || sameName(n, kInputEn)) {
            c->setName(T(kInputZh, kInputEn));
        } else if (sameName(n, kOutputZh) || sameName(n, kOutputEn)) {
            c->setName(T(kOutputZh, kOutputEn));
        } else {
            continue;
        }
        const int shift = st.slotInt(slot::fbcShift);
        const bool fbcOff = st.slotInt(slot::fbcOff) == 1 || shift == 1;
        const QString fbcPrefix = T("反馈移频:", "MIC FBC:");
        const QString names[7] = {
            T("话筒音量", "Mic Vol"),
            T("效果音量", "Efx Vol"),
            T("音乐音量", "Music Vol"),
            fbcOff ? fbcPrefix + QStringLiteral("OFF") : fbcPrefix + QStringLiteral("%1Hz").arg(shift),
            T("音乐变调:", "Music Pitch:") + signedValue(st.slotInt(slot::musicPitch)),
            T("载入机器模式", "Load Mode"),
            T("保存机器模式", "Save Mode"),
        };
        for (int k = 0; k < 7 && k < c->panelCount(); ++k) c->panel(k)->setCaption(names[k]);
    }

    struct Caption {
        int label;
        const char* zh;
        const char* en;
        int slot;
    };
    const Caption captions[] = {
        {ID_LABEL_MICVOL, "话筒音量:", "Mic   Vol:", slot::micVolume},
        {ID_LABEL_EFXVOL, "效果音量:", "Efx    Vol:", slot::effectVolume},
        {ID_LABEL_MUSICVOL, "音乐 音量:", "Music Vol:", slot::musicVolume},
        {ID_LABEL_NOISEGATE, "话筒噪声门:", "Mic         NG:", slot::micGateThreshold},
        {ID_LABEL_MUSICNG, "音乐噪声门:", "Music     NG:", slot::musicGateThreshold},
    };
    for (const Caption& k : captions) {
        const QString text = captionValue(k.zh, k.en, st.slotInt(k.slot));
        ribbon_->setElementText(k.label, text);
        ribbon_->setElementText(outputTwin(k.label), text);
    }
    for (int chk : {ID_CHK_MUTE1, ID_CHK_MUTE4}) {
        ribbon_->setElementText(chk, T("静音", "Mute"));
        ribbon_->setElementText(outputTwin(chk), T("静音", "Mute"));
    }
    for (int b : {IDC_FILE_OPEN, IDC_FILE_OPEN_OUT}) ribbon_->setElementText(b, T("载入", "Load"));
    for (int b : {IDC_FILE_SAVE, IDC_FILE_SAVE_OUT}) ribbon_->setElementText(b, T("保存", "Save"));
    ribbon_->setElementText(ID_BTN_RESET, T("机器复位", "Reset"));
    ribbon_->setElementText(ID_BTN_REMOTE, T("遥控学习", "Remote control"));
    ribbon_->setElementText(ID_BTN_AUTOSUB, T("自动超低", "Auto SUB"));
    ribbon_->setElementText(ID_BTN_NOISEGATE, T("噪声门", "Noisegate"));
    nameRibbonControls();
    ribbon_->recalcLayout();
    refreshStatus();
}

void CMainFrame::nameRibbonControls() {
    // Sliders have no caption of their own: they take the one of the level
    // they set. Mutes and mode buttons repeat across panels, so their
    // description says which.
    struct Name {
        int id;
        const char* zh;
        const char* en;
        bool described;  // the box keeps its caption; this becomes the description
    };
    static constexpr Name kNames[] = {
        {ID_SLIDER_MICVOL, "话筒音量", "Mic Vol", false},
        {ID_SLIDER_EFXVOL, "效果音量", "Efx Vol", false},
        {ID_SLIDER_MUSICVOL, "音乐音量", "Music Vol", false},
        {ID_SLIDER_NOISEGATE, "话筒噪声门", "Mic NG", false},
        {ID_SLIDER_FBC, "反馈抑制", "Mic FBC", false},
        {ID_SLIDER_MUSICNG, "音乐噪声门", "Music NG", false},
        {ID_SLIDER_PITCH, "音乐变调", "Music Pitch", false},
        {ID_CHK_MUTE1, "话筒音量", "Mic Vol", true},
        {ID_CHK_MUTE4, "音乐音量", "Music Vol", true},
    };
    for (const Name& n : kNames) {
        // An empty name lets the box keep reading its own caption.
        for (int id : {n.id, outputTwin(n.id)})
            ribbon_->setElementAccessibleName(id, n.described ? QString() : T(n.zh, n.en),
                                              n.described ? T(n.zh, n.en) : QString());
    }
    for (int id : {IDC_LOAD_M1, IDC_LOAD_M2, IDC_LOAD_M3, IDC_LOAD_M4})
        ribbon_->setElementAccessibleName(id, QStringLiteral("M%1").arg(id - IDC_LOAD_M1 + 1),
                                          T("载入机器模式", "Load Mode"));
    for (int id : {IDC_SAVE_M1, IDC_SAVE_M2, IDC_SAVE_M3, IDC_SAVE_M4})
        ribbon_->setElementAccessibleName(id, QStringLiteral("M%1").arg(id - IDC_SAVE_M1 + 1),
                                          T("保存机器模式", "Save Mode"));
    ribbon_->setElementAccessibleName(ID_APP_ABOUT, T("关于", "About"));
    ribbon_->applicationButton()->setAccessibleName(T("文件", "File"));
}

void CMainFrame::refreshStatus() {
    if (!status_) return;
    const bool panel = view_ && view_->panel();
    status_->refresh(app_.session().connected(), app_.session().state().currentMode.load(),
                     panel, panel && view_->eqBypassChecked());
}

void CMainFrame::bringToFront() {
    // Restore keeps a maximised window maximised.
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void CMainFrame::closeEvent(QCloseEvent* e) {
    if (!app_.queryClose()) {
        e->ignore();
        return;
    }
    idle_.stop();
    e->accept();
}

bool CMainFrame::event(QEvent* e) {
    const bool r = QMainWindow::event(e);
    if (e->type() == QEvent::UpdateRequest && !painted_) {
        painted_ = true;
        emit firstPainted();
    }
    return r;
}

}  // namespace udare::shell
