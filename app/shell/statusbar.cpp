#include "shell/statusbar.h"

#include <QFrame>
#include <QLinearGradient>
#include <QPainter>

#include "shell/commands.h"
#include "shell/lang.h"

namespace udare::shell {

StatusPane::StatusPane(int id, const QString& text, int widthInChars, QWidget* parent)
    : QLabel(text, parent) {
    setControlId(this, id);
    setMinimumWidth(fontMetrics().averageCharWidth() * widthInChars);
    setTextColor(QColor(255, 0, 0));
}

void StatusPane::setTextColor(const QColor& c) {
    color_ = c;
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, c);
    setPalette(pal);
}

CMFCMyRibbonStatusBar::CMFCMyRibbonStatusBar(QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(true);
    device_ = new StatusPane(cmd::ID_STATUS_DEVICE, Z("设备状态:未连接"), 58, this);
    device_->setObjectName(QStringLiteral("statusDevice"));
    auto* sep = new QFrame(this);
    sep->setFrameShape(QFrame::VLine);
    sep->setFrameShadow(QFrame::Sunken);
    mode_ = new StatusPane(cmd::ID_STATUS_MODE, Z("当前模式：模式一"), 58, this);
    mode_->setObjectName(QStringLiteral("statusMode"));
    mode_->setAlignment(Qt::AlignCenter);
    addWidget(device_);
    addWidget(sep);
    addWidget(mode_);

    bypass_ = new QCheckBox(T("均衡绕过", "Bypass"), this);
    setControlId(bypass_, cmd::ID_CHK_EQBYPASS);
    resetEq_ = new QPushButton(T("重置均衡", "Reset EQ"), this);
    setControlId(resetEq_, cmd::ID_BTN_RESETEQ);
    resetEq_->setFlat(true);
    resetEq_->setCursor(Qt::PointingHandCursor);
    addPermanentWidget(bypass_);
    addPermanentWidget(resetEq_);
    setStyleSheet(QStringLiteral(
        "QStatusBar::item { border: none; }"
        "QCheckBox, QPushButton { color: #15428B; padding: 0 6px; }"
        "QPushButton { border: 1px solid transparent; border-radius: 2px; }"
        "QPushButton:hover { border-color: #FFBD69; background: #FFE8A6; }"));
    setFixedHeight(24);
}

void CMFCMyRibbonStatusBar::refresh(bool connected, int currentMode, bool panelExists,
                                    bool bypassed) {
    if (connected) {
        device_->setText(T("设备状态：已连接", "Device status:Connected"));
        device_->setTextColor(QColor(0, 150, 0));
    } else {
        device_->setText(T("设备状态：未连接", "Device status:Disconnected"));
        device_->setTextColor(QColor(220, 0, 0));
    }
    static const char* const zh[4] = {"模式一", "模式二", "模式三", "模式四"};
    static const char* const en[4] = {"Mode1", "Mode2", "Mode3", "Mode4"};
    const int m = currentMode >= 0 && currentMode < 4 ? currentMode : 0;
    mode_->setText(uiLanguage() == 1 ? QStringLiteral("Current Mode:%1").arg(QLatin1String(en[m]))
                                     : Z("当前模式:") + Z(zh[m]));
    bypass_->setEnabled(panelExists);
    {
        const QSignalBlocker block(bypass_);  // only the user's toggles reach the frame
        bypass_->setChecked(bypassed);
    }
    bypass_->setText(T("均衡绕过", "Bypass"));
    resetEq_->setEnabled(panelExists);
    resetEq_->setText(T("重置均衡", "Reset EQ"));
}

void CMFCMyRibbonStatusBar::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(0xDD, 0xE9, 0xF8));
    g.setColorAt(1, QColor(0xC1, 0xD6, 0xF0));
    p.fillRect(rect(), g);
    p.setPen(QColor(0x8D, 0xB2, 0xE3));
    p.drawLine(0, 0, width(), 0);
    p.end();
    QStatusBar::paintEvent(e);
}

}  // namespace udare::shell
