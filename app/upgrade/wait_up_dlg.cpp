#include "upgrade/wait_up_dlg.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/lang.h"

namespace udare::upgrade {

using shell::setControlId;
using shell::Z;

CWaitUpDlg::CWaitUpDlg(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(Z("信息"));  // dialog 420 has no caption keys: Chinese in both languages
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    text_ = new QLabel(Z(kTemplateText), this);
    setControlId(text_, IDC_TEXT);
    text_->setAlignment(Qt::AlignCenter);
    text_->setWordWrap(true);
    text_->setMinimumSize(360, 80);
    QFont f;
    f.setFamilies({QString::fromUtf8("宋体"), QStringLiteral("SimSun")});
    f.setPixelSize(18);
    f.setWeight(QFont::Medium);
    text_->setFont(f);
    QPalette pal = text_->palette();
    pal.setColor(QPalette::WindowText, Qt::red);
    text_->setPalette(pal);

    close_ = new QPushButton(Z("关闭"), this);
    setControlId(close_, IDC_CLOSE);
    close_->setAccessibleName(Z("关闭"));
    connect(close_, &QPushButton::clicked, this, &QDialog::close);
    connect(this, &QDialog::rejected, this, &QDialog::close);

    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(24, 20, 24, 16);
    lay->addWidget(text_, 1);
    lay->addWidget(close_, 0, Qt::AlignHCenter);
}

void CWaitUpDlg::ShowUpgradeNotice(const QString& text) {
    text_->setText(text);
    text_->setAccessibleName(text);
    adjustSize();
    show();
    raise();
    activateWindow();
}

QString CWaitUpDlg::text() const { return text_->text(); }

void CWaitUpDlg::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.fillRect(rect(), QColor(240, 250, 255));
    p.end();
    QDialog::paintEvent(e);
}

}  // namespace udare::upgrade
