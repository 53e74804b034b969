#include "small_eq_panel.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "control_accessible.h"
#include "control_support.h"
#include "dsp/filter.h"

namespace udare::controls {

namespace {

constexpr float kStartFreqs[kSmallEqBands] = {31, 62, 125, 250, 500, 1000, 2000};
constexpr double kGridFreqs[] = {10,   20,   30,   40,   50,   60,   70,   80,   90,   100,
                                 200,  300,  400,  500,  600,  700,  800,  900,  1000, 2000,
                                 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000, 20000};

double LevelToY(double db, const QRect& plot) {
    const double h = plot.height();
    return plot.top() + h / 2.0 - db * h / 30.0;
}

}  // namespace

QRect CSmallEqPanel::PlotFor(QSize client, const QMargins& m) {
    return QRect(m.left(), m.top(), client.width() - m.left() - m.right(),
                 client.height() - m.top() - m.bottom());
}

int CSmallEqPanel::PointFrequency(int v, const QRect& plot) {
    const double w = plot.width();
    if (w <= 0) return 10;
    const double x = plot.left() + v * w / kSmallEqPoints;
    const double px = std::trunc(x) - plot.left();
    return static_cast<int>(10.0 * std::pow(10.0, 3.4 * px / w));
}

void CSmallEqPanel::ComputeBand(SmallEqBand& b, const QRect& plot, double sampleRate) {
    const double w = plot.width();
    const bool designed = b.type >= 1 && b.type <= 5 && std::isfinite(b.frequency) &&
                          b.frequency > 0.0f && std::isfinite(b.gain) && std::isfinite(b.q) &&
                          b.q > 0.0f;
    dsp::BiquadCoefficients c{};
    if (designed) {
        // Low- and high-pass previews carry no gain factor.
        const double gain = (b.type == dsp::FT_LP || b.type == dsp::FT_HP) ? 0.0 : b.gain;
        c = dsp::DesignBiquad(b.type, gain, b.frequency, b.q, sampleRate);
    }
    for (int v = 0; v < kSmallEqPoints; ++v) {
        const double x = plot.left() + v * w / kSmallEqPoints;
        double db = 0.0;
        if (designed) db = dsp::SectionMagnitudeDb(c, PointFrequency(v, plot), sampleRate);
        if (!std::isfinite(db)) db = 0.0;
        b.points[static_cast<size_t>(v)] = QPointF(x, LevelToY(db, plot));
    }
}

double CSmallEqPanel::PointLevel(const QPointF& pt, const QRect& plot) {
    const double h = plot.height();
    if (h <= 0) return 0.0;
    const double level = (h / 2.0 - (pt.y() - plot.top())) / (h / 30.0);
    return std::trunc(level * 10.0 + 0.5) / 10.0;
}

double CSmallEqPanel::SummedLevel(const QPointF& pt, const QRect& plot) {
    const double h = plot.height();
    if (h <= 0) return 0.0;
    return (h / 2.0 - (pt.y() - plot.top())) / (h / 30.0);
}

void CSmallEqPanel::ComputeSum(const std::array<SmallEqBand, kSmallEqBands>& bands,
                               const QRect& plot, std::array<QPointF, kSmallEqPoints>& out) {
    const double w = plot.width();
    for (int v = 0; v < kSmallEqPoints; ++v) {
        double s = 0.0;
        for (const SmallEqBand& b : bands) s += PointLevel(b.points[static_cast<size_t>(v)], plot);
        out[static_cast<size_t>(v)] = QPointF(plot.left() + v * w / kSmallEqPoints, LevelToY(s, plot));
    }
}

CSmallEqPanel::CSmallEqPanel(QWidget* parent) : QWidget(parent) {
    InstallFontSubstitutions();
    InstallAccessibleFactory();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_Hover);
    for (int i = 0; i < kSmallEqBands; ++i) bands[static_cast<size_t>(i)].frequency = kStartFreqs[i];
    for (int i = 0; i < kSmallEqBands; ++i) ComputeBand(bands[static_cast<size_t>(i)], plot(), sampleRate);
    recomputeSum();
}

void CSmallEqPanel::recomputeSum() { ComputeSum(bands, plot(), summed); }

void CSmallEqPanel::RecomputeBand(int i) {
    if (i < 0 || i >= kSmallEqBands) return;
    ComputeBand(bands[static_cast<size_t>(i)], plot(), sampleRate);
    recomputeSum();
    update();
}

void CSmallEqPanel::SetBandGain(float db, int i) {
    if (i < 0 || i >= kSmallEqBands || !std::isfinite(db)) return;
    bands[static_cast<size_t>(i)].gain = std::clamp(db, -15.0f, 15.0f);
    RecomputeBand(i);
}

void CSmallEqPanel::SetBandFrequency(float hz, int i) {
    if (i < 0 || i >= kSmallEqBands || !std::isfinite(hz) || std::fabs(hz) < 1e-7f) return;
    bands[static_cast<size_t>(i)].frequency = std::clamp(hz, 20.0f, 20000.0f);
    RecomputeBand(i);
}

void CSmallEqPanel::SetMargins(int left, int top, int right, int bottom) {
    margins_ = QMargins(left, top, right, bottom);
    grid_ = QPixmap();
    for (SmallEqBand& b : bands) ComputeBand(b, plot(), sampleRate);
    recomputeSum();
    update();
}

void CSmallEqPanel::resizeEvent(QResizeEvent*) {
    grid_ = QPixmap();
    for (SmallEqBand& b : bands) ComputeBand(b, plot(), sampleRate);
    recomputeSum();
    update();
}

void CSmallEqPanel::buildGrid() {
    grid_ = QPixmap(size());
    grid_.fill(Qt::black);
    QPainter p(&grid_);
    const QRect pl = plot();
    auto hline = [&](int db, const QColor& c) {
        const int y = static_cast<int>(LevelToY(db, pl));
        p.setPen(QPen(c, 1));
        p.drawLine(pl.left(), y, pl.left() + pl.width(), y);
    };
    for (int db = -15; db <= 15; ++db) hline(db, QColor(0x17, 0x17, 0x17));
    for (int db = -15; db <= 15; db += 3)
        hline(db, std::abs(db) == 15 ? QColor(0x80, 0x80, 0x80) : QColor(0x40, 0x40, 0x40));
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    for (double f : kGridFreqs) {
        const int x = pl.left() + static_cast<int>(std::log10(f / 10.0) * pl.width() / 3.4);
        p.drawLine(x, pl.top(), x, pl.top() + pl.height());
    }
}

void CSmallEqPanel::paintEvent(QPaintEvent*) {
    if (grid_.isNull() || grid_.size() != size()) buildGrid();
    QPainter p(this);
    p.drawPixmap(0, 0, grid_);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(lineColour, 1.7));
    p.drawPolyline(summed.data(), kSmallEqPoints);
    if (pass) {
        p.setFont(PixelFont(QStringLiteral("黑体"), 32));
        p.setPen(Qt::white);
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("PASS"));
    }
    if (hovering_) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(QColor(0, 255, 255), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void CSmallEqPanel::enterEvent(QEnterEvent*) {
    if (!hovering_) {
        hovering_ = true;
        update();
    }
}

void CSmallEqPanel::leaveEvent(QEvent*) {
    hovering_ = false;
    update();
}

void CSmallEqPanel::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit clicked();
}

}  // namespace udare::controls
