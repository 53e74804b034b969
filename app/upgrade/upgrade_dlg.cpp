#include "upgrade/upgrade_dlg.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "link/usb_link.h"
#include "link/workers.h"
#include "shell/app.h"
#include "shell/lang.h"
#include "shell/session.h"
#include "shell/view.h"
#include "upgrade/mcu_upgrade.h"

namespace udare::upgrade {

using shell::setControlId;
using shell::T;
using shell::Z;

namespace {

const QColor kBackground(240, 250, 255);

QString defaultChoice(QWidget* parent) {
    // Packages (.cba) are accepted as well as bare images.
    return QFileDialog::getOpenFileName(parent, QString(), QString(),
                                        QStringLiteral("Upgrade Data Files (*.bin *.cba)"));
}

void makeRed(QLabel* l) {
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, Qt::red);
    l->setPalette(pal);
}

}  // namespace

// ---- the status picture ----

StatusPicture::StatusPicture(QWidget* parent) : QWidget(parent) {
    setFixedSize(sizeHint());
    setAccessibleName(T("设备连接状态", "Device status"));
}

void StatusPicture::setUpgradeMode(bool on) {
    on_ = on;
    setAccessibleDescription(on ? T("升级模式", "upgrade mode") : T("非升级模式", "not in upgrade mode"));
    update();
}

void StatusPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // A unit with its status lamp: green in upgrade mode, grey otherwise.
    const QRectF body(4, 12, 56, 28);
    p.setPen(QPen(QColor(0x45, 0x5A, 0x78), 1.5));
    p.setBrush(QColor(0xDD, 0xE6, 0xF0));
    p.drawRoundedRect(body, 5, 5);
    p.setBrush(QColor(0x45, 0x5A, 0x78));
    p.drawRect(QRectF(22, 4, 20, 8));  // the USB plug
    p.setPen(Qt::NoPen);
    p.setBrush(on_ ? QColor(0x22, 0xB1, 0x4C) : QColor(0x9A, 0x9A, 0x9A));
    p.drawEllipse(QPointF(48, 26), 6, 6);
    p.setBrush(QColor(0x45, 0x5A, 0x78));
    for (int i = 0; i < 3; ++i) p.drawRect(QRectF(12 + 8 * i, 22, 5, 8));
}

// ---- the dialog ----

CUpgradeDlg::CUpgradeDlg(shell::CVovedo13App& app, QWidget* parent)
    : QDialog(parent), app_(app), choose_(defaultChoice) {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    picture_ = new StatusPicture(this);
    setControlId(picture_, IDC_PICTURE);
    status_ = new QLabel(this);
    setControlId(status_, IDC_STATUS);
    hint_ = new QLabel(this);
    setControlId(hint_, IDC_HINT);
    hint_->setWordWrap(true);
    makeRed(hint_);
    progressLabel_ = new QLabel(this);
    setControlId(progressLabel_, IDC_PROGRESS_LABEL);
    percent_ = new QLabel(QStringLiteral("0%"), this);
    setControlId(percent_, IDC_PERCENT);
    percent_->setMinimumWidth(48);
    bar_ = new QProgressBar(this);
    setControlId(bar_, IDC_BAR);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    bar_->setMinimumWidth(260);
    start_ = new QPushButton(this);
    setControlId(start_, IDC_START);
    connect(start_, &QPushButton::clicked, this, &CUpgradeDlg::StartMcuUpgrade);

    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(status_);
    statusRow->addWidget(picture_);
    statusRow->addStretch(1);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(progressLabel_);
    progressRow->addWidget(bar_, 1);
    progressRow->addWidget(percent_);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(20, 16, 20, 16);
    lay->setSpacing(12);
    lay->addLayout(statusRow);
    lay->addWidget(hint_);
    lay->addLayout(progressRow);
    lay->addWidget(start_, 0, Qt::AlignRight);

    progressTimer_.setInterval(kProgressMs);
    connect(&progressTimer_, &QTimer::timeout, this, &CUpgradeDlg::showProgress);
    modeTimer_.setSingleShot(true);
    modeTimer_.setInterval(kUpgradeModeWaitMs);
    connect(&modeTimer_, &QTimer::timeout, this, [this] {
        if (app_.session().upgradeMode() == 0)
            app_.showInfoBox(Z("出现错误，机器没有切换至升级模式"), kNoUpgradeModeMs);
    });

    relabel();
    refreshFromState();
}

CUpgradeDlg::~CUpgradeDlg() = default;

void CUpgradeDlg::relabel() {
    // The template's texts, then whatever the caption table holds.
    setWindowTitle(T("单片机升级", "Device upgrade"));
    status_->setText(T("设备连接状态：", "Device status"));
    hint_->setText(Z("(点击\"开始升级\"选择文件，升级中禁止其他操作)"));
    progressLabel_->setText(T("升级进度:", "Progress:"));
    start_->setText(T("开始升级", "Start"));
    app_.relabel(this, kDialogId);
    if (busy_) start_->setText(T("升级中……", "Uping......"));
    bar_->setAccessibleName(progressLabel_->text());
    percent_->setAccessibleName(progressLabel_->text());
    picture_->setAccessibleName(status_->text());
    picture_->setUpgradeMode(picture_->upgradeMode());
}

void CUpgradeDlg::refreshFromState() { picture_->setUpgradeMode(app_.session().upgradeMode() == 1); }

QString CUpgradeDlg::percentText() const { return percent_->text(); }

void CUpgradeDlg::refuse(const QString& text) {
    app_.prompter().messageBox(text.toStdString(), "错误", Prompter::Icon::Error);
}

void CUpgradeDlg::StartMcuUpgrade() {
    if (busy_) return;
    if (!app_.session().connected()) {
        app_.showInfoBox(T("请先连接设备", "Please Connect Device"), kWaitNoticeMs);
        return;
    }
    const QString path = choose_ ? choose_(this) : QString();
    if (path.isEmpty()) return;
    // A file the unit must not be given is refused before it is asked into
    // upgrade mode.
    ImageRefusal r = ImageRefusal::None;
    if (!PrepareMcuTransfer(path.toStdString(), &r)) {
        refuse(QString::fromStdString(refusalMessage(r, path.toStdString(), shell::uiLanguage())));
        return;
    }
    app_.upgradeFilePath = path;
    if (app_.session().upgradeMode() == 1) {
        BeginMcuTransfer();
        return;
    }
    app_.showInfoBox(T("请等待进入升级模式", "Wait to upgrade mode"), kWaitNoticeMs);
    app_.waitingForUpgradeMode = 1;
    RequestUpgradeMode(app_.session().context());
    modeTimer_.start();
}

void CUpgradeDlg::upgradeModeConnected(bool arrival) {
    refreshFromState();
    if (!arrival) return;
    // An interrupted transfer starts again; a requested one begins.
    if (app_.upgradeState == 0 || app_.waitingForUpgradeMode) {
        app_.waitingForUpgradeMode = 0;
        BeginMcuTransfer();
    }
}

void CUpgradeDlg::BeginMcuTransfer() {
    if (busy_ || app_.upgradeFilePath.isEmpty() || !app_.view()) return;
    modeTimer_.stop();
    app_.upgradeState = 0;
    app_.waitingForUpgradeMode = 0;
    ImageRefusal r = ImageRefusal::None;
    std::shared_ptr<McuTransfer> t = PrepareMcuTransfer(app_.upgradeFilePath.toStdString(), &r);
    if (!t) {
        // The file changed since it was chosen: nothing was sent.
        app_.upgradeState = -1;
        refuse(QString::fromStdString(refusalMessage(r, app_.upgradeFilePath.toStdString(), shell::uiLanguage())));
        return;
    }
    transfer_ = t;
    bar_->setRange(0, t->range());
    bar_->setValue(0);
    percent_->setText(QStringLiteral("0%"));
    setBusy(true);
    progressTimer_.start();
    app_.view()->workers().run("McuUpgradeWorker", [t](UsbLink& link, Ctx& c, const StopFn& stop, JobStatus&) {
        McuUpgradeWorker(link, c, *t, stop);
    });
}

void CUpgradeDlg::showProgress() {
    if (!transfer_) return;
    const int value = std::min(transfer_->progress(), transfer_->range());
    bar_->setValue(value);
    percent_->setText(QStringLiteral("%1%").arg(value * 100 / transfer_->range()));
}

void CUpgradeDlg::ShowMcuUpgradeResult(int result) {
    progressTimer_.stop();
    modeTimer_.stop();
    showProgress();
    if (result == -1) {
        RestartAfterMcuUpgrade(app_.session().context());
        app_.showInfoBox(T("升级完成，正在重启中……", "Restart……"), kRestartNoticeMs);
    } else if (QWidget* w = app_.dialogs().show(ui::DialogSlot::WaitUpgrade, app_.mainWindow())) {
        if (auto* n = dynamic_cast<ui::UpgradeNoticeSink*>(w))
            n->showUpgradeNotice(T("升级中出现错误，请重连机器!", "Error！Please connect try again!"));
    }
    setBusy(false);
    transfer_.reset();
    close();
}

void CUpgradeDlg::setBusy(bool on) {
    busy_ = on;
    start_->setEnabled(!on);
    start_->setText(on ? T("升级中……", "Uping......") : T("开始升级", "Start"));
    if (!on) app_.relabel(this, kDialogId);
}

void CUpgradeDlg::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void CUpgradeDlg::closeEvent(QCloseEvent* e) {
    if (busy_) {
        e->ignore();
        return;
    }
    modeTimer_.stop();
    QDialog::closeEvent(e);
}

void CUpgradeDlg::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.fillRect(rect(), kBackground);
    p.end();
    QDialog::paintEvent(e);
}

}  // namespace udare::upgrade
