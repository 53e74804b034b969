#include "set_dlg.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

#include "control_images.h"
#include "control_support.h"
#include "dialog_support.h"
#include "gdip_button.h"
#include "protocol/commands.h"
#include "protocol/device_state.h"
#include "shell/lang.h"
#include "shell/mode_files.h"
#include "shell/ribbon_levels.h"
#include "shell/view.h"
#include "ui/undo.h"
#include "xbmp_slider.h"

namespace udare::dialogs {

using controls::CXBmpSlider;
using shell::setControlId;
using shell::T;
using shell::Z;

namespace {

constexpr int kVolumeTop = 99;
constexpr int kLockVolumesMask = machine::kLockMicVolume | machine::kLockMusicVolume | machine::kLockDirectVolume;
constexpr int kLockModesMask = machine::kLockLoadMode;

// The lock-bit boxes: caption of the layout and its English counterpart, bit 0 first.
struct LockBox {
    const char* zh;
    const char* en;
};
constexpr LockBox kLockBoxes[8] = {
    {"禁用话筒音量", "No mic volume"},  {"禁用音乐音量", "No music volume"},
    {"禁用话筒菜单", "No mic menu"},    {"禁用音乐菜单", "No music menu"},
    {"禁用模式载入", "No mode loading"}, {"禁用保存模式", "No mode storing"},
    {"禁用遥控", "No remote control"},  {"锁定直达音量", "Lock direct vol"},
};
// The combined mode-lock box, which the caption table does not hold.
constexpr LockBox kLockModesBox{"锁定模式", "Lock modes"};

QGroupBox* makeGroup(QWidget* parent, int id, const QString& title, const QRect& r) {
    auto* g = new QGroupBox(title, parent);
    setControlId(g, id);
    g->setGeometry(r);
    return g;
}

QLabel* makeLabel(QWidget* parent, int id, const QString& text, const QRect& r) {
    auto* l = new QLabel(text, parent);
    setControlId(l, id);
    l->setGeometry(r);
    return l;
}

QCheckBox* makeCheck(QWidget* parent, int id, const QString& text, const QRect& r) {
    auto* c = new QCheckBox(text, parent);
    setControlId(c, id);
    c->setGeometry(r);
    return c;
}

}  // namespace

CSetDlg::CSetDlg(shell::CVovedo13App& app, Ctx& c, QWidget* parent) : QDialog(parent), app_(app), c_(c) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(Z("机器设置"));
    SetDialogBackground(this);
    setFixedSize(DuX(268), DuY(289));

    // Groups first, so that the controls lying over them stay on top.
    makeGroup(this, IDC_START_GROUP, Z("开机音量设置"), Du(7, 7, 142, 74));
    makeGroup(this, IDC_MAX_GROUP, Z("限制最大音量"), Du(155, 7, 106, 74));
    makeGroup(this, IDC_SAVE_GROUP, Z("主音量保存模式"), Du(7, 83, 142, 46));
    makeGroup(this, IDC_LOCK_GROUP, Z("锁定功能"), Du(155, 83, 106, 46));
    makeGroup(this, IDC_RESET_GROUP, Z("重置机器模式"), Du(7, 134, 141, 35));
    powerOnGroup_ = makeGroup(this, IDC_POWER_ON_GROUP, Z("开机模式"), Du(155, 139, 106, 35));
    makeGroup(this, IDC_UPGRADE_GROUP, Z("机器升级"), Du(7, 173, 141, 37));
    makeGroup(this, IDC_LOCK_DETAIL_GROUP, Z("锁定功能"), Du(7, 213, 254, 71));

    buildStartVolume(mic_, machine::kMicStartVolume, IDC_MIC_START_LABEL, IDC_MIC_START, IDC_MIC_START_TEXT,
                     IDC_MIC_START_ON, 22, "话筒开机音量");
    buildStartVolume(music_, machine::kMusicStartVolume, IDC_MUSIC_START_LABEL, IDC_MUSIC_START, IDC_MUSIC_START_TEXT,
                     IDC_MUSIC_START_ON, 52, "音乐开机音量");

    makeLabel(this, IDC_MIC_MAX_LABEL, Z("话筒最大音量"), Du(166, 19, 51, 9));
    micMaxText_ = makeLabel(this, IDC_MIC_MAX_TEXT, QString(), Du(222, 19, 26, 8));
    micMax_ = makeSlider(IDC_MIC_MAX, 166, 31);
    makeLabel(this, IDC_MUSIC_MAX_LABEL, Z("音乐最大音量"), Du(166, 49, 51, 9));
    musicMaxText_ = makeLabel(this, IDC_MUSIC_MAX_TEXT, QString(), Du(222, 49, 26, 8));
    musicMax_ = makeSlider(IDC_MUSIC_MAX, 166, 61);
    connect(micMax_, &CXBmpSlider::SliderPositionChanged, this, [this] {
        record(IDC_MIC_MAX, IDC_MIC_MAX_LABEL,
               [this] { maximumMoved(machine::kMicMaxVolume, micMax_->position()); });
    });
    connect(musicMax_, &CXBmpSlider::SliderPositionChanged, this, [this] {
        record(IDC_MUSIC_MAX, IDC_MUSIC_MAX_LABEL,
               [this] { maximumMoved(machine::kMusicMaxVolume, musicMax_->position()); });
    });

    byPower_ = new QRadioButton(Z("随开关机保存"), this);
    setControlId(byPower_, IDC_SAVE_BY_POWER);
    byPower_->setGeometry(Du(23, 97, 100, 10));
    byMode_ = new QRadioButton(Z("随模式保存"), this);
    setControlId(byMode_, IDC_SAVE_BY_MODE);
    byMode_->setGeometry(Du(23, 112, 100, 10));
    connect(byPower_, &QRadioButton::toggled, this, [this](bool on) {
        if (on && !refreshing_)
            record(IDC_SAVE_GROUP, IDC_SAVE_GROUP, [this] { setWorking(machine::kSaveMode, machine::kSaveByPower); });
    });
    connect(byMode_, &QRadioButton::toggled, this, [this](bool on) {
        if (on && !refreshing_)
            record(IDC_SAVE_GROUP, IDC_SAVE_GROUP, [this] { setWorking(machine::kSaveMode, machine::kSaveByMode); });
    });

    lockPanel_ = makeCheck(this, IDC_LOCK_PANEL, Z("锁定面板"), Du(176, 104, 80, 10));
    connect(lockPanel_, &QCheckBox::toggled, this, [this](bool on) {
        if (refreshing_) return;
        record(IDC_LOCK_PANEL, IDC_LOCK_PANEL, [&] { setWorking(machine::kPanelLock, on ? 1 : 0); });
        updateLockDetailEnabled();
    });

    for (int n = 0; n < 4; ++n) {
        auto* b = MakeImageButton(this, IDC_RESET_M1 + n, QStringLiteral("M%1").arg(n + 1),
                                  Du(11 + 34 * n, 147, 30, 14), true);
        connect(b, &QAbstractButton::clicked, this, [this, n] {
            if (shell::CVovedo13View* v = app_.view()) v->modes().resetMode(n);
        });
        reset_[n] = b;
    }

    powerOn_ = new QComboBox(this);
    setControlId(powerOn_, IDC_POWER_ON);
    powerOn_->addItems({QStringLiteral("Auto"), QStringLiteral("M1"), QStringLiteral("M2"),
                        QStringLiteral("M3"), QStringLiteral("M4")});
    powerOn_->setGeometry(Du(173, 151, 60, 14));
    connect(powerOn_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!refreshing_ && index >= 0)
            record(IDC_POWER_ON, IDC_POWER_ON_GROUP, [&] { setWorking(machine::kPowerOnMode, index); });
    });
    if (c_.st.protocol() == 1) {
        powerOnGroup_->hide();
        powerOn_->hide();
    }

    auto* hint = makeLabel(this, IDC_HINT, Z("注意：点击”保存“后设置生效"), Du(156, 179, 108, 8));
    QPalette red = hint->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    hint->setPalette(red);

    auto* applyButton = MakeImageButton(this, IDC_APPLY, Z("应用设置"), Du(156, 191, 50, 17));
    connect(applyButton, &QAbstractButton::clicked, this, &CSetDlg::apply);
    auto* cancel = MakeImageButton(this, IDC_CANCEL, Z("取消设置"), Du(210, 191, 50, 17));
    connect(cancel, &QAbstractButton::clicked, this, &CSetDlg::reject);

    // The ways to the firmware upgrades.
    auto* mcu = new QPushButton(Z("单片机升级"), this);
    setControlId(mcu, IDC_MCU_UPGRADE);
    mcu->setGeometry(Du(14, 186, 62, 16));
    mcu->setAutoDefault(false);
    connect(mcu, &QPushButton::clicked, this,
            [this] { OpenUpgradeDialog(app_, ui::DialogSlot::McuUpgrade); });
    auto* dsp = new QPushButton(Z("DSP升级"), this);
    setControlId(dsp, IDC_DSP_UPGRADE);
    dsp->setGeometry(Du(80, 186, 62, 16));
    dsp->setAutoDefault(false);
    connect(dsp, &QPushButton::clicked, this,
            [this] { OpenUpgradeDialog(app_, ui::DialogSlot::DspUpgrade); });

    // Lock details, in force while the panel is locked.
    for (int bit = 0; bit < 8; ++bit) {
        const QRect r = Du(14 + 82 * (bit % 3), 225 + 13 * (bit / 3), 80, 10);
        auto* box = makeCheck(this, kLockBitIds[bit], Z(kLockBoxes[bit].zh), r);
        connect(box, &QCheckBox::toggled, this, [this, bit](bool on) {
            lockBitToggled(kLockBitIds[bit], {Z(kLockBoxes[bit].zh), Z(kLockBoxes[bit].en)},
                           1 << bit, on);
        });
        lockBits_[bit] = box;
    }
    lockVolumes_ = makeCheck(this, IDC_LOCK_VOLUMES, Z("锁定音量"), Du(178, 251, 80, 10));
    connect(lockVolumes_, &QCheckBox::toggled, this, [this](bool on) {
        lockBitToggled(IDC_LOCK_VOLUMES,
                       {caption(0, IDC_LOCK_VOLUMES), caption(1, IDC_LOCK_VOLUMES)},
                       kLockVolumesMask, on);
    });
    lockModes_ = makeCheck(this, IDC_LOCK_MODES, Z(kLockModesBox.zh), Du(14, 264, 80, 10));
    connect(lockModes_, &QCheckBox::toggled, this, [this](bool on) {
        lockBitToggled(IDC_LOCK_MODES, {Z(kLockModesBox.zh), Z(kLockModesBox.en)}, kLockModesMask, on);
    });

    ui::UndoStack::addKeys(this, [this] { return undoStack(); });

    refreshFromState();
    if (parent) move(parent->geometry().center() - rect().center());
    relabel();
}

void CSetDlg::buildStartVolume(StartVolume& v, int byte, int labelId, int sliderId, int textId, int checkId,
                               int top, const char* caption) {
    v.byte = byte;
    v.label = makeLabel(this, labelId, Z(caption), Du(18, top, 64, 9));
    v.text = makeLabel(this, textId, QString(), Du(77, top, 26, 8));
    v.slider = makeSlider(sliderId, 18, top + 12);
    v.enabled = makeCheck(this, checkId, Z("启用"), Du(110, top + 11, 38, 10));
    connect(v.slider, &CXBmpSlider::SliderPositionChanged, this, [this, &v, sliderId, labelId] {
        record(sliderId, labelId, [&] { startVolumeMoved(v, v.slider->position()); });
    });
    connect(v.enabled, &QCheckBox::toggled, this, [this, &v, checkId, labelId](bool on) {
        if (refreshing_) return;
        const QString zh =
            CSetDlg::caption(0, labelId) + QLatin1Char(' ') + CSetDlg::caption(0, checkId);
        const QString en =
            CSetDlg::caption(1, labelId) + QLatin1Char(' ') + CSetDlg::caption(1, checkId);
        record(checkId, {zh, en}, [&] { startVolumeTicked(v, on); });
    });
}

CXBmpSlider* CSetDlg::makeSlider(int id, int left, int top) {
    auto* s = new CXBmpSlider(id, this);
    setControlId(s, id);
    s->SetChannelImage(controls::images::kSliderHChannel);
    s->SetThumbImages(controls::images::kSliderHThumb, controls::images::kSliderHThumbFocus,
                      controls::images::kSliderHThumbDisabled);
    s->SetMargins(7, 3, 7, 2);
    s->SetBackgroundColour(kDialogBackground);
    s->SetRange(0, kVolumeTop);
    s->setGeometry(QRect(QPoint(DuX(left), DuY(top)), s->sizeHint()));
    return s;
}

QWidget* CSetDlg::control(int id) const {
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (shell::controlId(w) == id) return w;
    return nullptr;
}

int CSetDlg::working(int byte) const { return c_.st.machine.working[byte]; }

// ---- undo ----

ui::UndoStack* CSetDlg::undoStack() const {
    shell::CVovedo13View* v = app_.view();
    return v ? &v->undo() : nullptr;
}

QString CSetDlg::caption(int language, int id) {
    return shell::embeddedTable(language).control(kDialogId, id);
}

void CSetDlg::record(int key, const Names& names, const std::function<void()>& edit) {
    // "机器设置 话筒最大音量" / "Machine Set Mic max vol", whichever language is in use later.
    auto title = [](int language) {
        const QString t = shell::embeddedTable(language).title(kDialogId);
        return t.isEmpty() ? Z("机器设置") : t;
    };
    ui::StepPlace place;
    place.dialog = ui::DialogSlot::MachineSettings;
    ui::recordEdit(undoStack(), QStringLiteral("machine:%1").arg(key),
                   {title(0) + QLatin1Char(' ') + names.zh, title(1) + QLatin1Char(' ') + names.en},
                   place, edit);
}

void CSetDlg::record(int key, int captionId, const std::function<void()>& edit) {
    record(key, {caption(0, captionId), caption(1, captionId)}, edit);
}

void CSetDlg::setWorking(int byte, int value) { c_.st.machine.working.set(byte, static_cast<uint8_t>(value)); }

// ---- refresh ----

void CSetDlg::showStartVolume(StartVolume& v, bool set, int value) {
    v.enabled->setChecked(set);
    v.slider->SetEnabled(set);
    v.slider->SetPosition(set ? std::max(value, v.slider->minimum()) : 0);
    v.text->setText(set ? QString::number(value) : T("无效", "Invalid"));
    v.label->setEnabled(set);
    v.text->setEnabled(set);
}

void CSetDlg::refreshFromState() {
    refreshing_ = true;
    // The working copy: after every synchronisation and at an opening it is
    // the committed one; after an undo it is what the step restored.
    const auto s = c_.st.machine.working.copy();
    // The limits first: they are the start sliders' ranges.
    micMax_->SetPosition(s[machine::kMicMaxVolume]);
    musicMax_->SetPosition(s[machine::kMusicMaxVolume]);
    mic_.slider->SetRange(0, s[machine::kMicMaxVolume]);
    music_.slider->SetRange(0, s[machine::kMusicMaxVolume]);
    micMaxText_->setText(QString::number(s[machine::kMicMaxVolume]));
    musicMaxText_->setText(QString::number(s[machine::kMusicMaxVolume]));
    for (StartVolume* v : {&mic_, &music_})
        showStartVolume(*v, s[v->byte] != machine::kStartVolumeNotSet, s[v->byte]);
    lockPanel_->setChecked(s[machine::kPanelLock] != 0);
    showLockBits(s[machine::kLockBits]);
    powerOn_->setCurrentIndex(s[machine::kPowerOnMode] < powerOn_->count() ? s[machine::kPowerOnMode] : -1);
    (s[machine::kSaveMode] == machine::kSaveByPower ? byPower_ : byMode_)->setChecked(true);
    const int mode = c_.st.currentMode.load();
    for (int n = 0; n < 4; ++n) reset_[n]->SetAlternate(n == mode);
    refreshing_ = false;
    updateLockDetailEnabled();
}

void CSetDlg::showLockBits(int bits) {
    const bool was = refreshing_;
    refreshing_ = true;
    for (int bit = 0; bit < 8; ++bit) lockBits_[bit]->setChecked((bits >> bit) & 1);
    lockVolumes_->setChecked((bits & kLockVolumesMask) == kLockVolumesMask);
    lockModes_->setChecked((bits & kLockModesMask) != 0);
    refreshing_ = was;
}

void CSetDlg::updateLockDetailEnabled() {
    const bool on = lockPanel_->isChecked();
    for (QCheckBox* b : lockBits_) b->setEnabled(on);
    lockVolumes_->setEnabled(on);
    lockModes_->setEnabled(on);
}

// ---- edits ----

void CSetDlg::startVolumeMoved(StartVolume& v, int position) {
    // An unset start volume has no level to choose: its slider only turns
    // by the wheel, and that must not set a volume the box says is off.
    if (!v.enabled->isChecked()) {
        v.slider->SetPosition(0);
        return;
    }
    setWorking(v.byte, position);
    if (v.byte == machine::kMicStartVolume)
        SetMicVolume(c_, position);
    else
        SetMusicVolume(c_, position);
    v.text->setText(QString::number(position));
}

void CSetDlg::startVolumeTicked(StartVolume& v, bool on) {
    // Ticked, the start volume begins at the volume of the moment.
    const int value = on ? c_.st.slotInt(v.byte == machine::kMicStartVolume ? slot::micVolume : slot::musicVolume)
                         : machine::kStartVolumeNotSet;
    setWorking(v.byte, value);
    showStartVolume(v, on, value);
}

void CSetDlg::maximumMoved(int byte, int position) {
    setWorking(byte, position);
    StartVolume& start = byte == machine::kMicMaxVolume ? mic_ : music_;
    (byte == machine::kMicMaxVolume ? micMaxText_ : musicMaxText_)->setText(QString::number(position));
    start.slider->SetRange(0, position);
    if (start.slider->position() > position) {
        start.slider->SetPosition(position);
        startVolumeMoved(start, start.slider->position());
    }
}

void CSetDlg::lockBitToggled(int key, const Names& names, int mask, bool on) {
    if (refreshing_) return;
    const int bits = on ? working(machine::kLockBits) | mask : working(machine::kLockBits) & ~mask;
    record(key, names, [&] { setWorking(machine::kLockBits, bits); });
    showLockBits(bits);
}

void CSetDlg::apply() {
    ApplyMachineSettings(c_);
    app_.showInfoBox(T("机器设置已生效!", "Setting valid"), kNoticeMs);
}

// ---- closing ----

// Escape closes like the close box.
void CSetDlg::reject() { close(); }

void CSetDlg::closeEvent(QCloseEvent* e) {
    if (!closed_) {
        closed_ = true;
        // Unapplied edits are dropped; volumes already sent stay as they are.
        RevertMachineSettings(c_);
        if (app_.slot(ui::DialogSlot::MachineSettings) == this)
            app_.setSlot(ui::DialogSlot::MachineSettings, nullptr);
        // The start sliders may have changed the current volumes.
        if (shell::CVovedo13View* v = app_.view()) v->levels().refresh();
    }
    // Not the dialog's own handler: that would come back through reject().
    e->accept();
}

// ---- language ----

void CSetDlg::relabel() {
    app_.relabel(this, kDialogId);
    // Texts the caption table does not hold come from their pairs.
    for (int bit = 0; bit < 8; ++bit) lockBits_[bit]->setText(T(kLockBoxes[bit].zh, kLockBoxes[bit].en));
    if (app_.languageTable().control(kDialogId, IDC_LOCK_VOLUMES).isEmpty())
        lockVolumes_->setText(T("锁定音量", "Lock volumes"));
    lockModes_->setText(T(kLockModesBox.zh, kLockModesBox.en));
    if (auto* g = qobject_cast<QGroupBox*>(control(IDC_LOCK_DETAIL_GROUP)))
        g->setTitle(T("锁定功能（锁定面板时有效）", "Locked functions (while the panel is locked)"));
    if (!mic_.enabled->isChecked()) mic_.text->setText(T("无效", "Invalid"));
    if (!music_.enabled->isChecked()) music_.text->setText(T("无效", "Invalid"));
    // The sliders are named by their labels; the list by its group.
    mic_.slider->setAccessibleName(mic_.label->text());
    music_.slider->setAccessibleName(music_.label->text());
    if (auto* l = qobject_cast<QLabel*>(control(IDC_MIC_MAX_LABEL))) micMax_->setAccessibleName(l->text());
    if (auto* l = qobject_cast<QLabel*>(control(IDC_MUSIC_MAX_LABEL))) musicMax_->setAccessibleName(l->text());
    powerOn_->setAccessibleName(powerOnGroup_->title());
    for (int n = 0; n < 4; ++n)
        reset_[n]->setAccessibleName(T("重置模式%1", "Reset mode %1").arg(n + 1));
    mic_.text->setAccessibleName(mic_.label->text());
    music_.text->setAccessibleName(music_.label->text());
    // Two boxes read "启用": each names the volume it enables.
    for (StartVolume* v : {&mic_, &music_})
        v->enabled->setAccessibleName(v->label->text() + QLatin1Char(' ') + v->enabled->text());
}

}  // namespace udare::dialogs
