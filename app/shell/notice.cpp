#include "shell/notice.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

namespace udare::shell {

TrayNotice::TrayNotice(QWidget* window)
    : QObject(window), window_(window), useTray_(QSystemTrayIcon::isSystemTrayAvailable()) {
    life_.setSingleShot(true);
    connect(&life_, &QTimer::timeout, this, &TrayNotice::remove);
    window_->installEventFilter(this);
}

TrayNotice::~TrayNotice() { remove(); }

void TrayNotice::show(const QString& title, const QString& text, int ms) {
    remove();
    title_ = title;
    text_ = text;
    if (useTray_) {
        // A new icon per notice; clicking it or its balloon takes it away.
        tray_ = new QSystemTrayIcon(window_->windowIcon(), this);
        tray_->setToolTip(title);
        connect(tray_, &QSystemTrayIcon::activated, this, &TrayNotice::remove);
        connect(tray_, &QSystemTrayIcon::messageClicked, this, &TrayNotice::remove);
        tray_->show();
        tray_->showMessage(title, text, QSystemTrayIcon::Information, ms);
    } else {
        box_ = new QFrame(window_);
        box_->setObjectName(QStringLiteral("noticeBox"));
        box_->setStyleSheet(QStringLiteral(
            "QFrame#noticeBox { background: #FFFFE8; border: 1px solid #8DB2E3; border-radius: 4px; }"
            "QLabel { color: #15428B; background: transparent; }"));
        auto* lay = new QVBoxLayout(box_);
        lay->setContentsMargins(10, 6, 10, 8);
        auto* icon = new QLabel(box_);
        icon->setPixmap(window_->style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(16, 16));
        boxTitle_ = new QLabel(title, box_);
        QFont f = boxTitle_->font();
        f.setBold(true);
        boxTitle_->setFont(f);
        auto* head = new QHBoxLayout;
        head->addWidget(icon);
        head->addWidget(boxTitle_, 1);
        lay->addLayout(head);
        boxText_ = new QLabel(text, box_);
        boxText_->setWordWrap(true);
        lay->addWidget(boxText_);
        box_->installEventFilter(this);
        box_->adjustSize();
        place();
        box_->show();
        box_->raise();
    }
    life_.start(std::max(ms, 0));
}

void TrayNotice::remove() {
    life_.stop();
    if (tray_) {
        tray_->hide();
        tray_->deleteLater();
        tray_.clear();
    }
    if (box_) {
        box_->hide();
        box_->deleteLater();
        box_.clear();
    }
}

bool TrayNotice::isShowing() const { return tray_ || box_; }

QWidget* TrayNotice::inWindowBox() const { return box_.data(); }

void TrayNotice::place() {
    if (!box_) return;
    const QSize s = box_->sizeHint().expandedTo(QSize(220, 0));
    box_->resize(s);
    box_->move(window_->width() - s.width() - 16, window_->height() - s.height() - 36);
}

bool TrayNotice::eventFilter(QObject* watched, QEvent* e) {
    if (watched == window_ && e->type() == QEvent::Resize) place();
    if (watched == box_.data() && e->type() == QEvent::MouseButtonPress) {
        QTimer::singleShot(0, this, &TrayNotice::remove);
        return true;
    }
    return QObject::eventFilter(watched, e);
}

}  // namespace udare::shell
