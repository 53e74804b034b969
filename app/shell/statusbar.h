// The status bar: device status and current mode on the left, the equaliser
// bypass check and reset button at the right end.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

namespace udare::shell {

// A text pane with its own text colour.
class StatusPane : public QLabel {
    Q_OBJECT
public:
    StatusPane(int id, const QString& text, int widthInChars, QWidget* parent = nullptr);
    QColor textColor() const { return color_; }
    void setTextColor(const QColor& c);

private:
    QColor color_;
};

using CMyMFCRibbonStatusBarPane = StatusPane;

class CMFCMyRibbonStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit CMFCMyRibbonStatusBar(QWidget* parent = nullptr);
    StatusPane* devicePane() const { return device_; }
    StatusPane* modePane() const { return mode_; }
    QCheckBox* bypassCheck() const { return bypass_; }
    QPushButton* resetEqButton() const { return resetEq_; }

    // Texts, colours and states from the current values.
    void refresh(bool connected, int currentMode, bool panelExists, bool bypassed);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    StatusPane* device_;
    StatusPane* mode_;
    QCheckBox* bypass_;
    QPushButton* resetEq_;
};

}  // namespace udare::shell
