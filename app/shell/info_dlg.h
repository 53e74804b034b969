// The transient information box (dialog 344) and the about box (dialog 100).
#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;
class QCheckBox;
class QPushButton;

namespace udare::shell {

class CInfoDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 344;
    static constexpr int IDC_TEXT = 1223;
    explicit CInfoDlg(QWidget* parent = nullptr);

    // New text, window title by language, lifetime (re)started.
    void showText(const QString& text, int ms);
    QString text() const;
    int remainingMs() const { return timer_.remainingTime(); }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QLabel* text_;
    QTimer timer_;  // timer 900
};

}  // namespace udare::shell
