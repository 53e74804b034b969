// The DSP core upgrade dialog (416): with the unit in normal mode the chosen
// core image is erased, written and read back; the dialog stays busy until
// the view closes it on the worker's completion.
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
struct DspTransfer;
}

namespace udare::shell {
class CVovedo13App;
}

namespace udare::upgrade {

class CUpgradeDspDlg final : public QDialog, public ui::Relabelable, public ui::DspUpgradeOutcome {
    Q_OBJECT
public:
    static constexpr int kDialogId = 416;
    static constexpr int IDC_WARN1 = 1188, IDC_WARN2 = 1189, IDC_BAR = 1067, IDC_TEXT = 1066, IDC_START = 1068;
    static constexpr int kProgressMs = 200;

    using FileChoice = std::function<QString(QWidget* parent)>;

    CUpgradeDspDlg(shell::CVovedo13App& app, QWidget* parent = nullptr);
    ~CUpgradeDspDlg() override;

    void setFileChoice(FileChoice f) { choose_ = std::move(f); }

    // The Start button.
    void StartDspUpgrade();

    bool busy() const { return busy_; }
    QProgressBar* bar() const { return bar_; }
    QString progressText() const;
    QPushButton* startButton() const { return start_; }

    // ui interfaces
    void relabel() override;
    bool transferLost() const override;

public slots:
    void reject() override;  // not while busy

protected:
    void closeEvent(QCloseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void showProgress();

    shell::CVovedo13App& app_;
    FileChoice choose_;
    QLabel* warn1_;
    QLabel* warn2_;
    QProgressBar* bar_;
    QLabel* text_;
    QPushButton* start_;
    QTimer progressTimer_;
    std::shared_ptr<DspTransfer> transfer_;
    bool busy_ = false;
};

}  // namespace udare::upgrade
