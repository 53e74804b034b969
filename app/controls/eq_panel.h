// The large equaliser editor: a dark log-frequency plot with one handle per
// band, the selected band's filled response, the summed response, value
// labels and a status line. Band logic lives in dsp::EqModel; this widget
// maps pixels, paints and turns mouse, key and wheel input into model edits.
#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QWidget>
#include <vector>

#include "dsp/eq_model.h"

class QMenu;
class QPainter;
class QPainterPath;

namespace udare::controls {

class CEqPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMenuPeq = 2025;  // 2025-2029: PEQ, LP, HP, LS, HS
    static constexpr int kLeftHitRadius = 10;
    static constexpr int kRightHitRadius = 16;

    explicit CEqPanel(QWidget* parent = nullptr);

    // --- host operations ---
    int SetBandCount(int n);
    void SetBandType(int i, int type);
    void SetBandGain(int i, float db);
    void SetBandQ(int i, float q);
    void SetCrossoverFamily(int i, int family);
    void ApplyBandTypeChoice(int i, int item);
    void RecomputeBand(int i);

    void setKind(int kind);
    void setLanguage(int language);
    void setBypass(bool bypass);
    void setSelected(int i);
    int kind() const { return model_.kind; }
    int language() const { return language_; }
    bool bypass() const { return bypass_; }
    int selected() const { return selected_; }
    int hover() const { return hover_; }
    bool leftDragging() const { return leftDrag_; }
    bool rightDragging() const { return rightDrag_; }

    dsp::EqModel& model() { return model_; }
    const dsp::EqModel& model() const { return model_; }
    dsp::EqBand& band(int i) { return model_.bands[static_cast<size_t>(i)]; }
    QRect plotRect() const { return plot_; }
    QMenu* contextMenu() const { return menu_; }
    // One wheel notification; hosts that route the wheel by focus call it directly.
    void WheelStep(int delta);
    // What a plain click on band i's handle does: select it and report it on
    // press and on release (a screen reader's press action comes here).
    void ClickBand(int i);
    // A context-menu command 2025-2029 for the selected band.
    void OnMenuCommand(int command);

    // --- pixel mapping, shared with the tests ---
    static QRect PlotRectFor(QSize client);
    struct Axes {
        double fLow = dsp::kDefaultFLow, fHigh = dsp::kDefaultFHigh;
        double dbTop = 15.0, dbBottom = -15.0;
    };
    static double FreqToX(double f, int plotWidth, const Axes& a);  // relative to plot left
    static double GainToY(double g, int plotHeight, const Axes& a);  // relative to plot top
    static float DragFrequency(int mx, int plotWidth, const Axes& a);
    static float DragGain(int my, int grabY, int plotHeight, const Axes& a);
    static float QPixelsPerUnit(int type);
    // First (or, for hover, last) band of 0..count-1 within the radius of (mx, my).
    static int HitTest(const dsp::EqModel& m, int count, int mx, int my, int radius,
                       bool includeOff, bool last);

    static QString Title(int kind, int language);
    static QString MenuText(int command, int language);
    static QString GridDbLabel(int db);
    static QString StatusText(int language, const dsp::EqBand& b);
    static QString StatusGain(float gain);
    static QColor StatusGainColour(float gain);
    // Smooth curve through points; tension as for a cardinal spline (0.5 ~ Catmull-Rom).
    static QPainterPath CardinalSpline(const QPointF* pts, int n, double tension);
    // The same curve flattened: each segment is split so that no chord is
    // longer than maxStep pixels. Returns the number of points written.
    static int FlattenCardinal(const QPointF* pts, int n, double tension, double maxStep,
                               std::vector<QPointF>& out);
    // Outline of a line of the given width along a polyline, to be filled
    // (cheaper to rasterise than a stroked path of the same look).
    static void Ribbon(const std::vector<QPointF>& line, double width, std::vector<QPointF>& out);

    // Renders the control as it would paint (used by benchmarks and screenshots).
    void RenderTo(QPainter& p);

signals:
    void EqBandChanged(const udare::dsp::EqBand& band, int index);
    void EqPlotClicked();
    // A right click on the plot away from every handle: the host's own menu.
    void PlotMenuRequested(const QPoint& global);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void updatePlot();
    void updateHandles();
    void sendChanged(int i);
    void showMenu(const QPoint& global);
    void buildBackground();
    void paintArea(QPainter& p, int i);
    void paintSum(QPainter& p);
    void paintHandles(QPainter& p);
    void paintLabels(QPainter& p, int i);
    void paintStatus(QPainter& p);
    QPointF curvePoint(int i, float db) const;
    const QPixmap& handleSprite(bool peq, bool selected);

    dsp::EqModel model_;
    Axes axes_;
    int language_ = 0;
    bool bypass_ = false;
    int selected_ = -1;
    int hover_ = -1;
    bool leftDrag_ = false;
    bool rightDrag_ = false;
    bool rightMoved_ = false;
    int grabX_ = 0, grabY_ = 0;
    int lastX_ = 0;
    QRect plot_;
    QColor curveColour_{0x00, 0xC8, 0xFF};
    QFont titleFont_, labelFont_, numberFont_, statusFont_, bypassFont_;
    QPixmap background_;
    QSize backgroundSize_;
    int backgroundKind_ = -1, backgroundLanguage_ = -1;
    QMenu* menu_ = nullptr;
    static constexpr int kSpriteSize = 22;
    QPixmap sprites_[4];  // square, square selected, ring, ring selected
    int spriteKind_ = -1;
    qreal spriteDpr_ = 0;
    std::vector<QPointF> flat_, ribbon_;  // scratch buffers reused by every paint
};

}  // namespace udare::controls
