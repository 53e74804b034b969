// The about box: program version, and the unit's versions and the level-meter
// switch when a unit is connected (or after F11).
#pragma once

#include <QDialog>

class QLabel;
class QCheckBox;

namespace udare::shell {

class CVovedo13App;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int IDC_MCU = 1007, IDC_DSP = 1006, IDC_MODEL = 1005, IDC_PEAK = 1045;
    explicit CAboutDlg(CVovedo13App& app, QWidget* parent = nullptr);

    QLabel* mcuLine() const { return mcu_; }
    QLabel* dspLine() const { return dsp_; }
    QLabel* modelLine() const { return model_; }
    QCheckBox* peakCheck() const { return peak_; }

protected:
    void keyReleaseEvent(QKeyEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    CVovedo13App& app_;
    QLabel* mcu_;
    QLabel* dsp_;
    QLabel* model_;
    QCheckBox* peak_;
};

}  // namespace udare::shell
