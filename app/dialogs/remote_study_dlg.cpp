#include "remote_study_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "control_support.h"
#include "dialog_support.h"
#include "protocol/commands.h"
#include "shell/app.h"
#include "shell/lang.h"

namespace udare::dialogs {

using shell::setControlId;
using shell::T;
using shell::Z;

CRemoteStudyDlg::CRemoteStudyDlg(shell::CVovedo13App& app, Ctx& c, const QString& keyText, QWidget* parent)
    : QDialog(parent), app_(app), c_(c) {
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(Z("键码学习中..."));
    SetDialogBackground(this);
    setFixedSize(DuX(262), DuY(82));

    keyText_ = new QLabel(keyText, this);
    setControlId(keyText_, IDC_KEY_TEXT);
    keyText_->setGeometry(Du(24, 14, 220, 9));

    prompt_ = new QLabel(Z("请您按下遥控器上的对应的按键"), this);
    setControlId(prompt_, IDC_PROMPT);
    prompt_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    prompt_->setGeometry(Du(8, 31, 125, 9));

    code_ = new QLineEdit(this);
    setControlId(code_, IDC_CODE);
    code_->setEnabled(false);
    code_->setReadOnly(true);
    code_->setAlignment(Qt::AlignCenter);
    code_->setGeometry(Du(141, 28, 40, 14));

    status_ = new QLabel(this);
    setControlId(status_, IDC_STATUS);
    status_->setGeometry(Du(23, 47, 220, 9));

    giveUp_ = new QPushButton(Z("放弃学习"), this);
    setControlId(giveUp_, IDC_GIVE_UP);
    giveUp_->setGeometry(Du(96, 61, 50, 14));
    giveUp_->setAutoDefault(false);
    connect(giveUp_, &QPushButton::clicked, this, &CRemoteStudyDlg::reject);

    close_ = new QPushButton(Z("关闭"), this);
    setControlId(close_, IDC_CLOSE);
    close_->setGeometry(Du(96, 61, 50, 14));
    close_->setAutoDefault(false);
    close_->hide();
    connect(close_, &QPushButton::clicked, this, &CRemoteStudyDlg::accept);

    closeTimer_.setSingleShot(true);
    closeTimer_.setInterval(kCloseAfterMs);
    connect(&closeTimer_, &QTimer::timeout, this, &CRemoteStudyDlg::accept);

    app_.relabel(this, kDialogId);
    code_->setAccessibleName(T("键码", "Key code"));
}

void CRemoteStudyDlg::keyLearned(int code) {
    if (learned_) return;
    learned_ = true;
    code_->setText(controls::Format("%02X", code & 0xFF));
    giveUp_->hide();
    close_->show();
    close_->setFocus();
    status_->setText(T("窗口将自动关闭", "Window will be closed!"));
    closeTimer_.start();
}

void CRemoteStudyDlg::reject() {
    // Once the code has arrived the unit has stopped learning by itself.
    if (!learned_) GiveUpLearning(c_);
    closeTimer_.stop();
    QDialog::reject();
}

QString CRemoteStudyDlg::codeText() const { return code_->text(); }

QString CRemoteStudyDlg::statusText() const { return status_->text(); }

}  // namespace udare::dialogs
