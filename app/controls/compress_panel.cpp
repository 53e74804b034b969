#include "compress_panel.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "control_support.h"

namespace udare::controls {

namespace {

constexpr int kLeft = 40, kRight = 20, kTop = 20, kBottom = 25;

int PlotW(QSize c) { return c.width() - (kLeft + kRight); }
int PlotH(QSize c) { return c.height() - (kTop + kBottom); }

}  // namespace

int CCompressPanelPlus::InputX(double v, QSize client) {
    return static_cast<int>(kLeft + (v + 90.0) * PlotW(client) / 96.0);
}

namespace {
double OutputYf(double v, QSize client) { return kTop + std::fabs(v - 6.0) * PlotH(client) / 96.0; }
}  // namespace

int CCompressPanelPlus::OutputY(double v, QSize client) {
    return static_cast<int>(OutputYf(v, client));
}

CCompressPanelPlus::Geometry CCompressPanelPlus::CurveGeometry(QSize client, double t, double m,
                                                               double r, double s) {
    // Unusable values fall back to a flat, unity curve rather than reaching
    // the integer conversions below.
    if (!std::isfinite(t)) t = 0.0;
    if (!std::isfinite(m)) m = -90.0;
    if (!std::isfinite(r)) r = 1.0;
    if (!std::isfinite(s)) s = 1.0;
    t = std::clamp(t, -200.0, 100.0);
    m = std::clamp(m, -200.0, 100.0);
    r = std::clamp(r, -100.0, 100.0);
    s = std::clamp(s, -100.0, 100.0);
    const double h = PlotH(client);
    Geometry g;
    g.thresholdPt = QPoint(InputX(t, client), OutputY(t, client));
    g.dot = g.thresholdPt;
    g.knee = QPoint(InputX(m, client), OutputY(m, client));
    g.lowerStart =
        QPoint(kLeft, static_cast<int>(OutputYf(m, client) + h * std::fabs(-90.0 - m) / 96.0 * s));
    const int e = static_cast<int>(OutputYf(t, client) - h * std::fabs(6.0 - t) / 96.0 * r);
    g.end = QPoint(PlotW(client) + kLeft, e);
    const int top = std::min(e, g.lowerStart.y());
    const int bottom = std::max(e, g.lowerStart.y());
    g.shade = QRect(kLeft, top, PlotW(client), bottom - top);
    return g;
}

CCompressPanelPlus::CCompressPanelPlus(QWidget* parent) : QWidget(parent) {
    InstallFontSubstitutions();
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CCompressPanelPlus::resizeEvent(QResizeEvent*) {
    background_ = QPixmap();  // rebuilt at the new size on the next paint
    update();
}

void CCompressPanelPlus::buildBackground() {
    const QSize c = size();
    background_ = QPixmap(c);
    background_.fill(Qt::black);
    QPainter p(&background_);
    p.setPen(QPen(gridColour, 1));
    static constexpr int kOut[] = {6, 0, -10, -20, -30, -40, -50, -60, -70, -80, -90};
    static constexpr int kIn[] = {-90, -70, -50, -30, -10, 6};
    for (int v : kOut) p.drawLine(kLeft, OutputY(v, c), c.width() - kRight, OutputY(v, c));
    for (int v : kIn) p.drawLine(InputX(v, c), kTop, InputX(v, c), PlotH(c) + kTop);

    const QFont font = PixelFont(QStringLiteral("宋体"), 10);
    p.setFont(font);
    p.setPen(labelColour);
    const QFontMetrics fm(font);
    for (int v : kOut) {
        if (v != 6 && (v == 0 || v % 20 == 0)) continue;  // labels at +6, -10, -30, -50, -70, -90
        const QString s = v == 6 ? QStringLiteral("+6dB") : QStringLiteral("%1dB").arg(v);
        const int y = OutputY(v, c);
        p.drawText(QRect(0, y - fm.height() / 2, 38, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                   s);
    }
    for (int v : kIn) {
        const QString s = QStringLiteral("%1dB").arg(v);
        const int x = InputX(v, c);
        const int w = fm.horizontalAdvance(s);
        p.drawText(QRect(x - w / 2 - 1, PlotH(c) + 22, w + 2, fm.height()), Qt::AlignCenter, s);
    }
}

void CCompressPanelPlus::paintEvent(QPaintEvent*) {
    if (background_.isNull() || background_.size() != size()) buildBackground();
    QPainter p(this);
    p.drawPixmap(0, 0, background_);
    p.setRenderHint(QPainter::Antialiasing);
    const Geometry g = CurveGeometry(size(), threshold, lowerKnee, upperSlope, lowerSlope);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 10, 10, 0xC8));
    p.drawEllipse(QPointF(g.dot), 4.0, 4.0);
    p.setPen(QPen(QColor(0, 207, 255), 2.0));
    p.drawLine(g.lowerStart, g.knee);
    p.drawLine(g.knee, g.thresholdPt);
    p.drawLine(g.thresholdPt, g.end);
    p.fillRect(g.shade, QColor(120, 120, 120, 0x41));
    if (!enabled) {
        p.setFont(PointFont(QStringLiteral("黑体"), 40));
        p.setPen(QColor(0, 150, 255));
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("OFF"));
    }
}

}  // namespace udare::controls
