#include "shell/syn_dlg.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QVBoxLayout>

#include "protocol/host.h"
#include "shell/lang.h"

namespace udare::shell {

CSynDlg::CSynDlg(Prompter& prompter, QWidget* parent, int timeoutMs)
    : QDialog(parent), prompter_(prompter) {
    setModal(true);
    setWindowTitle(T("同步过程", "Synchronize"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    setCursor(Qt::WaitCursor);

    text_ = new QLabel(T("当前正在与机器同步数据,请稍后......", "Please wait a moment……"), this);
    setControlId(text_, IDC_TEXT);
    bar_ = new QProgressBar(this);
    setControlId(bar_, IDC_PROGRESS);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    bar_->setMinimumWidth(300);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(20, 18, 20, 18);
    lay->setSpacing(12);
    lay->addWidget(text_);
    lay->addWidget(bar_);

    step_.setInterval(kStepMs);
    connect(&step_, &QTimer::timeout, this, [this] {
        const int v = bar_->value() + 10;
        bar_->setValue(v > 100 ? 0 : v);
    });
    timeout_.setSingleShot(true);
    timeout_.setInterval(timeoutMs);
    connect(&timeout_, &QTimer::timeout, this, &CSynDlg::onTimeout);
}

void CSynDlg::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // The time-out counts from the opening.
    if (!started_ && !closing_) {
        started_ = true;
        step_.start();
        timeout_.start();
    }
}

void CSynDlg::stopTimers() {
    step_.stop();
    timeout_.stop();
}

void CSynDlg::finish() {
    stopTimers();
    closing_ = true;
    done(QDialog::Rejected);
}

void CSynDlg::onTimeout() {
    if (!isVisible() || closing_) return;
    stopTimers();
    timedOut_ = true;
    closing_ = true;
    done(QDialog::Rejected);
    prompter_.messageBox("发生错误，与设备数据同步超时……", "错误", Prompter::Icon::Error);
}

void CSynDlg::closeEvent(QCloseEvent* e) {
    // Only the program ends this dialog.
    if (!closing_) e->ignore();
}

void CSynDlg::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.fillRect(rect(), QColor(240, 250, 255));
    p.setPen(QColor(0x8D, 0xB2, 0xE3));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.end();
    QDialog::paintEvent(e);
}

}  // namespace udare::shell
