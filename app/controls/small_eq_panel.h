// Display-only preview of a seven-band equaliser: a black grid and one
// summed response line, with "PASS" across it when the equaliser is bypassed.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>
#include <array>

#include "dsp/sample_rate.h"

namespace udare::controls {

inline constexpr int kSmallEqBands = 7;
inline constexpr int kSmallEqPoints = 56;

struct SmallEqBand {
    int type = 1;
    float frequency = 1000.0f;
    float gain = 0.0f;
    float q = 1.414f;
    std::array<QPointF, kSmallEqPoints> points{};
};

class CSmallEqPanel : public QWidget {
    Q_OBJECT
public:
    explicit CSmallEqPanel(QWidget* parent = nullptr);

    std::array<SmallEqBand, kSmallEqBands> bands;
    std::array<QPointF, kSmallEqPoints> summed{};
    float sampleRate = float(kSampleRate);
    bool pass = false;
    QColor lineColour{0x00, 0xC8, 0xFF};

    void SetBandGain(float db, int i);
    void SetBandFrequency(float hz, int i);
    void RecomputeBand(int i);
    void SetMargins(int left, int top, int right, int bottom);
    bool hovering() const { return hovering_; }

    // Plot area of a client rectangle less the margins.
    static QRect PlotFor(QSize client, const QMargins& m);
    // Frequency of point v, a whole number of Hz, for a plot.
    static int PointFrequency(int v, const QRect& plot);
    // One band's points on a plot; type 0 or above 5 lies flat on 0 dB.
    static void ComputeBand(SmallEqBand& b, const QRect& plot, double sampleRate);
    // Level of a point read back from its pixel, rounded as the sum uses it.
    static double PointLevel(const QPointF& pt, const QRect& plot);
    static void ComputeSum(const std::array<SmallEqBand, kSmallEqBands>& bands, const QRect& plot,
                           std::array<QPointF, kSmallEqPoints>& out);
    // Level in dB of a summed point.
    static double SummedLevel(const QPointF& pt, const QRect& plot);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    QRect plot() const { return PlotFor(size(), margins_); }
    void recomputeSum();
    void buildGrid();

    QMargins margins_{2, 2, 2, 2};
    bool hovering_ = false;
    QPixmap grid_;
};

}  // namespace udare::controls
