// Static input/output transfer curve of an output compressor/limiter.
// Display only: the host writes the fields and repaints.
#pragma once

#include <QColor>
#include <QPixmap>
#include <QWidget>

namespace udare::controls {

class CCompressPanelPlus : public QWidget {
    Q_OBJECT
public:
    explicit CCompressPanelPlus(QWidget* parent = nullptr);

    bool enabled = false;
    float threshold = -15.0f;
    float lowerKnee = -5.0f;
    float upperSlope = 1.0f;
    float lowerSlope = 1.0f;
    QColor gridColour{0, 110, 0};
    QColor labelColour{200, 200, 200};

    // The curve's points in client pixels for a client size.
    struct Geometry {
        QPoint dot;         // threshold dot centre
        QPoint lowerStart;  // left end of the segment below the lower knee
        QPoint knee;        // lower knee
        QPoint thresholdPt;
        QPoint end;         // output reached at +6 dB input
        QRect shade;
    };
    static int InputX(double v, QSize client);
    static int OutputY(double v, QSize client);
    static Geometry CurveGeometry(QSize client, double t, double m, double r, double s);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    void buildBackground();
    QPixmap background_;
};

}  // namespace udare::controls
