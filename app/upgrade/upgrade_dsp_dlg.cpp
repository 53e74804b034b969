#include "upgrade/upgrade_dsp_dlg.h"

#include <QCloseEvent>
#include <QFileDialog>
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
#include "upgrade/dsp_upgrade.h"

namespace udare::upgrade {

using shell::setControlId;
using shell::T;
using shell::Z;

namespace {

const QColor kBackground(240, 250, 255);

QString defaultChoice(QWidget* parent) {
    QFileDialog dlg(parent, QString(), QString(), QStringLiteral("DSP Files (*.tsp)"));
    dlg.setDefaultSuffix(QStringLiteral("tsp"));
    dlg.setFileMode(QFileDialog::ExistingFile);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
    return dlg.selectedFiles().front();
}

}  // namespace

CUpgradeDspDlg::CUpgradeDspDlg(shell::CVovedo13App& app, QWidget* parent)
    : QDialog(parent), app_(app), choose_(defaultChoice) {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    warn1_ = new QLabel(this);
    setControlId(warn1_, IDC_WARN1);
    warn2_ = new QLabel(this);
    setControlId(warn2_, IDC_WARN2);
    for (QLabel* l : {warn1_, warn2_}) {
        l->setWordWrap(true);
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, Qt::red);
        l->setPalette(pal);
    }
    bar_ = new QProgressBar(this);
    setControlId(bar_, IDC_BAR);
    bar_->setRange(0, 10000);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    bar_->setMinimumWidth(300);
    text_ = new QLabel(QStringLiteral("0/1000"), this);
    setControlId(text_, IDC_TEXT);
    text_->setMinimumWidth(70);
    start_ = new QPushButton(this);
    setControlId(start_, IDC_START);
    connect(start_, &QPushButton::clicked, this, &CUpgradeDspDlg::StartDspUpgrade);

    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(bar_, 1);
    progressRow->addWidget(text_);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(20, 16, 20, 16);
    lay->setSpacing(12);
    lay->addWidget(warn1_);
    lay->addWidget(warn2_);
    lay->addLayout(progressRow);
    lay->addWidget(start_, 0, Qt::AlignRight);
    setMinimumWidth(440);

    progressTimer_.setInterval(kProgressMs);
    connect(&progressTimer_, &QTimer::timeout, this, &CUpgradeDspDlg::showProgress);
    relabel();
}

CUpgradeDspDlg::~CUpgradeDspDlg() = default;

void CUpgradeDspDlg::relabel() {
    setWindowTitle(T("内核升级", "Core upgrade"));
    warn1_->setText(Z("警告: 在升级过程中切勿断开USB连接或电源，否则可能无法使用机器。"));
    warn2_->setText(Z("此升级过程较长，大概需要10分钟左右，请耐心等待……"));
    start_->setText(T("开始升级", "Start"));
    app_.relabel(this, kDialogId);
    if (busy_) start_->setText(T("升级中……", "Uping......"));
    bar_->setAccessibleName(T("升级进度", "Progress"));
    text_->setAccessibleName(T("升级进度", "Progress"));
}

QString CUpgradeDspDlg::progressText() const { return text_->text(); }

bool CUpgradeDspDlg::transferLost() const { return transfer_ && transfer_->result.load() == DspResult::Lost; }

void CUpgradeDspDlg::StartDspUpgrade() {
    if (busy_) return;
    Prompter& prompter = app_.prompter();
    if (!app_.session().connected()) {
        prompter.messageBox(T("请先连接机器!", "Please connect device!").toStdString(),
                            T("信息", "Information").toStdString(), Prompter::Icon::Information);
        return;
    }
    if (app_.session().upgradeMode() == 1) {
        prompter.messageBox("内核升级无法在单片机升级模式下进行，请将机器启动为正常工作模式!", "警告",
                            Prompter::Icon::Information);
        return;
    }
    const QString path = choose_ ? choose_(this) : QString();
    if (path.isEmpty() || !app_.view()) return;
    ImageRefusal r = ImageRefusal::None;
    std::shared_ptr<DspTransfer> t = PrepareDspTransfer(path.toStdString(), &r);
    if (!t) {
        prompter.messageBox(refusalMessage(r, path.toStdString(), shell::uiLanguage()), "错误",
                            Prompter::Icon::Error);
        return;
    }
    transfer_ = t;
    app_.view()->workers().run("DspUpgradeWorker", [t](UsbLink& link, Ctx& c, const StopFn& stop, JobStatus&) {
        DspUpgradeWorker(link, c, *t, stop);
    });
    busy_ = true;
    start_->setEnabled(false);
    start_->setText(T("升级中……", "Uping......"));
    progressTimer_.start();
}

void CUpgradeDspDlg::showProgress() {
    if (!transfer_) return;
    const int p = transfer_->dspProgress.load();
    bar_->setValue(p);
    text_->setText(QStringLiteral("%1/1000").arg(p / 10));
}

void CUpgradeDspDlg::reject() {
    if (!busy_) QDialog::reject();
}

void CUpgradeDspDlg::closeEvent(QCloseEvent* e) {
    // Only the view ends a running upgrade (it deletes the dialog then).
    if (busy_) {
        e->ignore();
        return;
    }
    progressTimer_.stop();
    QDialog::closeEvent(e);
}

void CUpgradeDspDlg::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.fillRect(rect(), kBackground);
    p.end();
    QDialog::paintEvent(e);
}

}  // namespace udare::upgrade
