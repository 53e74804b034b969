#include "shell/about_dlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "shell/app.h"
#include "shell/lang.h"
#include "shell/session.h"

namespace udare::shell {

CAboutDlg::CAboutDlg(CVovedo13App& app, QWidget* parent) : QDialog(parent), app_(app) {
    setWindowTitle(Z("关于 "));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* icon = new QLabel(this);
    icon->setPixmap(appIcon().pixmap(32, 32));
    auto* version = new QLabel(Z("v1.2版"), this);
    auto* build = new QLabel(QStringLiteral("Build Date:2013-09-05"), this);
    mcu_ = new QLabel(Z("MCU版本:%s 通信版本:%02d"), this);
    dsp_ = new QLabel(Z("DSP版本:%s"), this);
    model_ = new QLabel(Z("机器型号:%s"), this);
    peak_ = new QCheckBox(Z("Peak开关"), this);
    setControlId(mcu_, IDC_MCU);
    setControlId(dsp_, IDC_DSP);
    setControlId(model_, IDC_MODEL);
    setControlId(peak_, IDC_PEAK);
    for (QWidget* w : {static_cast<QWidget*>(mcu_), static_cast<QWidget*>(dsp_),
                       static_cast<QWidget*>(model_), static_cast<QWidget*>(peak_)})
        w->hide();
    auto* ok = new QPushButton(Z("确定"), this);
    setControlId(ok, 1);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(peak_, &QCheckBox::clicked, this, [this](bool on) { app_.setPeakSwitch(on); });

    auto* g = new QGridLayout(this);
    g->setContentsMargins(20, 20, 20, 14);
    g->setHorizontalSpacing(14);
    g->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    g->addWidget(version, 0, 1);
    g->addWidget(build, 1, 1);
    g->addWidget(mcu_, 2, 1);
    g->addWidget(dsp_, 3, 1);
    g->addWidget(model_, 4, 1);
    g->addWidget(peak_, 5, 1);
    g->addWidget(ok, 5, 2, Qt::AlignBottom);
    g->setColumnMinimumWidth(1, 240);
    g->setRowStretch(6, 1);

    Session& s = app_.session();
    if (s.connected()) {
        const DeviceIdentity& id = s.state().identity;
        mcu_->setText(Z("MCU版本:") + QString::fromStdU16String(id.mcuVersion.get()) + Z(" 通信版本:") +
                      QStringLiteral("%1").arg(int(id.protocolVersion.load()), 2, 10, QLatin1Char('0')));
        dsp_->setText(Z("DSP版本:") + QString::fromStdU16String(id.dspVersion.get()));
        model_->setText(Z("机器型号:") + QString::fromStdU16String(id.modelName.get()));
        mcu_->show();
        dsp_->show();
        peak_->setChecked(app_.peakSwitch());
    }
}

void CAboutDlg::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F11) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void CAboutDlg::keyReleaseEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F11 && !e->isAutoRepeat()) {
        mcu_->show();
        model_->show();
        peak_->show();
        e->accept();
        return;
    }
    QDialog::keyReleaseEvent(e);
}

void CAboutDlg::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.fillRect(rect(), QColor(240, 250, 255));
    p.end();
    QDialog::paintEvent(e);
}

}  // namespace udare::shell
