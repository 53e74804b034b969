// The synchronisation progress dialog: runs modally while the unit is read,
// cannot be dismissed by the user, and gives up after 20 s.
#pragma once

#include <QDialog>
#include <QTimer>

class QLabel;
class QProgressBar;

namespace udare {
class Prompter;
}

namespace udare::shell {

class CSynDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 347;
    static constexpr int IDC_TEXT = 1218, IDC_PROGRESS = 1217;
    static constexpr int kTimeoutMs = 20000;
    static constexpr int kStepMs = 100;

    CSynDlg(Prompter& prompter, QWidget* parent = nullptr, int timeoutMs = kTimeoutMs);

    // Synchronisation finished: stop the timers and end the dialog.
    void finish();
    bool timedOut() const { return timedOut_; }
    QProgressBar* progress() const { return bar_; }

public slots:
    void reject() override {}  // Escape and the close button do nothing
    void accept() override {}  // neither does Enter

protected:
    void paintEvent(QPaintEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void onTimeout();
    void stopTimers();

    Prompter& prompter_;
    QLabel* text_;
    QProgressBar* bar_;
    QTimer step_;     // timer 110
    QTimer timeout_;  // timer 1
    bool timedOut_ = false;
    bool closing_ = false;
    bool started_ = false;
};

}  // namespace udare::shell
