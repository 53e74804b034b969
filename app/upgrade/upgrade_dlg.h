// The MCU upgrade dialog (419): the user picks an image or a package; a unit
// in normal mode is asked into upgrade mode first, and the transfer starts
// when it comes back in that mode. Busy while the transfer runs: it cannot be
// closed, and the view hands it the check result at the end.
#pragma once

#include <QDialog>
#include <QTimer>

#include <functional>
#include <memory>

#include "ui/ui_api.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace udare {
struct McuTransfer;
}

namespace udare::shell {
class CVovedo13App;
}

namespace udare::upgrade {

// The picture of the unit's state: in upgrade mode or not.
class StatusPicture final : public QWidget {
public:
    explicit StatusPicture(QWidget* parent = nullptr);
    void setUpgradeMode(bool on);
    bool upgradeMode() const { return on_; }
    QSize sizeHint() const override { return {64, 48}; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    bool on_ = false;
};

class CUpgradeDlg final : public QDialog,
                          public ui::StateRefreshable,
                          public ui::Relabelable,
                          public ui::UpgradeModeSink,
                          public ui::McuUpgradeResultSink {
    Q_OBJECT
public:
    static constexpr int kDialogId = 419;
    static constexpr int IDC_PICTURE = 1148, IDC_STATUS = 1149, IDC_HINT = 1150, IDC_PROGRESS_LABEL = 1002,
                         IDC_PERCENT = 1003, IDC_BAR = 1001, IDC_START = 3;
    static constexpr int kProgressMs = 100;
    static constexpr int kWaitNoticeMs = 1500;
    static constexpr int kNoUpgradeModeMs = 3000;
    static constexpr int kRestartNoticeMs = 5000;

    // Picks the file to send; empty when the user cancels.
    using FileChoice = std::function<QString(QWidget* parent)>;

    CUpgradeDlg(shell::CVovedo13App& app, QWidget* parent = nullptr);
    ~CUpgradeDlg() override;

    void setFileChoice(FileChoice f) { choose_ = std::move(f); }

    // The Start button.
    void StartMcuUpgrade();
    // Starts the worker for the chosen file (a connection in upgrade mode).
    void BeginMcuTransfer();
    // After the view checked the image: -1 passed, otherwise failed.
    void ShowMcuUpgradeResult(int result);

    bool busy() const { return busy_; }
    QProgressBar* bar() const { return bar_; }
    QString percentText() const;
    QPushButton* startButton() const { return start_; }
    bool waitingForUpgradeMode() const { return modeTimer_.isActive(); }

    // ui interfaces
    void refreshFromState() override;
    void relabel() override;
    void upgradeModeConnected(bool arrival) override;
    void showMcuUpgradeResult(int result) override { ShowMcuUpgradeResult(result); }

protected:
    void keyPressEvent(QKeyEvent* e) override;  // Escape never closes it
    void closeEvent(QCloseEvent* e) override;   // nor anything else while busy
    void paintEvent(QPaintEvent* e) override;

private:
    void setBusy(bool on);
    void showProgress();
    void refuse(const QString& text);

    shell::CVovedo13App& app_;
    FileChoice choose_;
    StatusPicture* picture_;
    QLabel* status_;
    QLabel* hint_;
    QLabel* progressLabel_;
    QLabel* percent_;
    QProgressBar* bar_;
    QPushButton* start_;
    QTimer progressTimer_;
    QTimer modeTimer_;  // the 8 s wait for upgrade mode
    std::shared_ptr<McuTransfer> transfer_;
    bool busy_ = false;
};

}  // namespace udare::upgrade
