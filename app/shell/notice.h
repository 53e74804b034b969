// Short notices: a notification-area balloon where the desktop has a tray,
// otherwise a small box in the corner of the main window with the same
// title, text and lifetime. Each notice replaces the previous one.
#pragma once

#include <QFrame>
#include <QPointer>
#include <QTimer>

class QLabel;
class QSystemTrayIcon;

namespace udare::shell {

class TrayNotice : public QObject {
    Q_OBJECT
public:
    explicit TrayNotice(QWidget* window);
    ~TrayNotice() override;

    void show(const QString& title, const QString& text, int ms);
    void remove();

    // What is showing now (for tests and the in-window box).
    bool isShowing() const;
    bool usesTray() const { return useTray_; }
    void setUseTray(bool on) { useTray_ = on; }
    QString title() const { return title_; }
    QString text() const { return text_; }
    QWidget* inWindowBox() const;

private:
    void place();
    bool eventFilter(QObject* watched, QEvent* e) override;

    QWidget* window_;
    bool useTray_;
    QTimer life_;  // lifetime of the current notice
    QPointer<QSystemTrayIcon> tray_;
    QPointer<QFrame> box_;
    QLabel* boxTitle_ = nullptr;
    QLabel* boxText_ = nullptr;
    QString title_;
    QString text_;
};

}  // namespace udare::shell
