#include "shell/info_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "shell/lang.h"

namespace udare::shell {

namespace {
const QColor kBackground(240, 250, 255);
}

CInfoDlg::CInfoDlg(QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(Z("信息"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* picture = new QLabel(this);
    picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(40, 40));
    text_ = new QLabel(this);
    setControlId(text_, IDC_TEXT);
    text_->setAlignment(Qt::AlignCenter);
    text_->setWordWrap(true);
    text_->setMinimumWidth(330);
    QFont f;
    f.setFamilies({QString::fromUtf8("宋体"), QStringLiteral("SimSun")});
    f.setPixelSize(18);
    f.setWeight(QFont::Medium);
    text_->setFont(f);
    auto* close = new QPushButton(Z("关闭"), this);
    setControlId(close, 2);
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto* row = new QHBoxLayout;
    row->addWidget(picture, 0, Qt::AlignTop);
    row->addWidget(text_, 1);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(row);
    lay->addWidget(close, 0, Qt::AlignHCenter);

    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &QDialog::close);
    // Escape closes the box too (QDialog::reject), which destroys it.
    connect(this, &QDialog::rejected, this, &QDialog::close);
}

void CInfoDlg::showText(const QString& text, int ms) {
    setWindowTitle(T("信息", "Information"));
    text_->setText(text);
    adjustSize();
    if (QWidget* p = parentWidget(); p && !isVisible()) {
        const QRect pr = p->window()->frameGeometry();
        move(pr.center() - rect().center());
    }
    show();
    raise();
    timer_.start(std::max(ms, 0));
}

QString CInfoDlg::text() const { return text_->text(); }

void CInfoDlg::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.fillRect(rect(), kBackground);
    p.setPen(QColor(0x8D, 0xB2, 0xE3));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.end();
    QDialog::paintEvent(e);
}

}  // namespace udare::shell
