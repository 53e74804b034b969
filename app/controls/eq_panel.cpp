#include "eq_panel.h"

#include <QAction>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "control_accessible.h"
#include "control_support.h"

namespace udare::controls {

using dsp::EqBand;
using dsp::kGridPoints;

namespace {

constexpr int kPlotLeft = 36, kPlotTop = 18, kPlotRightGap = 6, kPlotBottomGap = 20;
// The mouse is measured from this origin for hit tests and drags.
constexpr int kMouseOriginX = 36, kMouseOriginY = 16;

constexpr double kGridFreqs[] = {18,   20,   30,   40,   50,   60,   70,   80,   90,   100,
                                 200,  300,  400,  500,  600,  700,  800,  900,  1000, 2000,
                                 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000, 20000, 23000};
struct FreqLabel {
    double f;
    const char* text;
};
constexpr FreqLabel kFreqLabels[] = {{20, "20Hz"},     {50, "50Hz"},   {100, "100Hz"},
                                     {200, "200Hz"},   {500, "500Hz"}, {1000, "1kHz"},
                                     {2000, "2kHz"},   {5000, "5kHz"}, {10000, "10kHz"},
                                     {20000, "20kHz"}};

const char* const kTitlesZh[10] = {"话筒(Mic1+Mic2)均衡", "回声均衡", "混响均衡", "音乐均衡",
                                   "主输出均衡", "后置均衡", "中置均衡", "超低均衡",
                                   "话筒(Mic1)均衡", "话筒(Mic2)均衡"};
const char* const kTitlesEn[10] = {"Mic1+Mic2 EQ", "Echo EQ",  "Reverb EQ", "Music EQ",
                                   "Main EQ",      "Rear EQ",  "Center EQ", "Sub EQ",
                                   "Mic1  EQ",     "Mic2 EQ"};
const char* const kMenuZh[5] = {"参量(PEQ)", "低通(LP)", "高通(HP)", "低架(LS)", "高架(HS)"};
const char* const kMenuEn[5] = {"PEQ", "LP", "HP", "LS", "HS"};

QColor WithAlpha(QColor c, int a) {
    c.setAlpha(a);
    return c;
}

}  // namespace

// ---------------------------------------------------------------- mapping

QRect CEqPanel::PlotRectFor(QSize client) {
    return QRect(QPoint(kPlotLeft, kPlotTop),
                 QPoint(client.width() - kPlotRightGap, client.height() - kPlotBottomGap));
}

double CEqPanel::FreqToX(double f, int plotWidth, const Axes& a) {
    return plotWidth * std::log10(f / a.fLow) / std::log10(a.fHigh / a.fLow);
}

double CEqPanel::GainToY(double g, int plotHeight, const Axes& a) {
    return (a.dbTop - g) * plotHeight / (a.dbTop - a.dbBottom);
}

float CEqPanel::DragFrequency(int mx, int plotWidth, const Axes& a) {
    if (plotWidth <= 0) return static_cast<float>(a.fLow);
    const double l = std::log10(a.fHigh / a.fLow);
    return static_cast<float>(a.fLow * std::pow(10.0, l * mx / plotWidth));
}

float CEqPanel::DragGain(int my, int grabY, int plotHeight, const Axes& a) {
    if (plotHeight <= 0) return 0.0f;
    const double span = a.dbTop - a.dbBottom;
    return dsp::RoundTenth(a.dbTop - (static_cast<double>(my - grabY) / plotHeight) * span);
}

float CEqPanel::QPixelsPerUnit(int type) { return dsp::isFilterUserType(type) ? 80.0f : 12.0f; }

int CEqPanel::HitTest(const dsp::EqModel& m, int count, int mx, int my, int radius,
                      bool includeOff, bool last) {
    int hit = -1;
    count = std::clamp(count, 0, dsp::kMaxEqBands);
    for (int i = 0; i < count; ++i) {
        const EqBand& b = m.bands[static_cast<size_t>(i)];
        if (!includeOff && b.type == dsp::FT_OFF) continue;
        if (std::fabs(b.x - mx) < radius && std::fabs(b.y - my) < radius) {
            hit = i;
            if (!last) break;
        }
    }
    return hit;
}

QString CEqPanel::Title(int kind, int language) {
    if (kind < 0 || kind > 9) kind = 0;
    return QString::fromUtf8(language == 1 ? kTitlesEn[kind] : kTitlesZh[kind]);
}

QString CEqPanel::MenuText(int command, int language) {
    const int k = command - kMenuPeq;
    if (k < 0 || k > 4) return {};
    return QString::fromUtf8(language == 1 ? kMenuEn[k] : kMenuZh[k]);
}

QString CEqPanel::GridDbLabel(int db) {
    // The zero line is labelled "-0dB": its value is a negative zero.
    const double v = db == 0 ? -0.0 : static_cast<double>(db);
    return Format("%+-.0fdB", v);
}

QString CEqPanel::StatusText(int language, const EqBand& b) {
    if (language == 1)
        return Format("Index=%d     Frequency=%.0fHz    Q=%.2f     Gain=", b.index + 1,
                                 static_cast<double>(b.frequency), static_cast<double>(b.q));
    return Format("EQ号=%d    频率=%.0fHz    Q值=%.2f     增益=", b.index + 1,
                             static_cast<double>(b.frequency), static_cast<double>(b.q));
}

QString CEqPanel::StatusGain(float gain) {
    return Format("%+-.1fdB ", static_cast<double>(gain));
}

QColor CEqPanel::StatusGainColour(float gain) {
    if (gain >= -6.0f && gain <= 6.0f) return QColor(0x00, 0xFF, 0x00);
    const float a = std::fabs(gain);
    if (a > 6.0f && a < 10.1f) return QColor(0xFF, 0xFF, 0x00);
    return QColor(0xFF, 0x00, 0x00);
}

QPainterPath CEqPanel::CardinalSpline(const QPointF* pts, int n, double tension) {
    QPainterPath path;
    if (n <= 0) return path;
    path.moveTo(pts[0]);
    if (n == 1) return path;
    const double k = tension / 3.0;
    for (int i = 0; i + 1 < n; ++i) {
        const QPointF& p0 = pts[i > 0 ? i - 1 : 0];
        const QPointF& p1 = pts[i];
        const QPointF& p2 = pts[i + 1];
        const QPointF& p3 = pts[i + 2 < n ? i + 2 : n - 1];
        path.cubicTo(p1 + k * (p2 - p0), p2 - k * (p3 - p1), p2);
    }
    return path;
}

int CEqPanel::FlattenCardinal(const QPointF* pts, int n, double tension, double maxStep,
                              std::vector<QPointF>& out) {
    out.clear();
    if (n <= 0) return 0;
    out.push_back(pts[0]);
    const double k = tension / 3.0;
    for (int i = 0; i + 1 < n; ++i) {
        const QPointF& p0 = pts[i > 0 ? i - 1 : 0];
        const QPointF& p1 = pts[i];
        const QPointF& p2 = pts[i + 1];
        const QPointF& p3 = pts[i + 2 < n ? i + 2 : n - 1];
        const QPointF c1 = p1 + k * (p2 - p0);
        const QPointF c2 = p2 - k * (p3 - p1);
        const QPointF d = p2 - p1;
        const double len = std::hypot(d.x(), d.y());
        const int m = std::max(1, static_cast<int>(std::ceil(len / maxStep)));
        for (int j = 1; j < m; ++j) {
            const double t = static_cast<double>(j) / m, u = 1.0 - t;
            out.push_back(u * u * u * p1 + 3 * u * u * t * c1 + 3 * u * t * t * c2 + t * t * t * p2);
        }
        out.push_back(p2);
    }
    return static_cast<int>(out.size());
}

void CEqPanel::Ribbon(const std::vector<QPointF>& line, double width, std::vector<QPointF>& out) {
    const size_t n = line.size();
    out.resize(2 * n);
    if (n < 2) return;
    const double half = width / 2.0;
    for (size_t k = 0; k < n; ++k) {
        const QPointF d = line[k < n - 1 ? k + 1 : k] - line[k > 0 ? k - 1 : k];
        const double len = std::hypot(d.x(), d.y());
        const QPointF normal = len > 0 ? QPointF(-d.y() / len, d.x() / len) * half : QPointF(0, half);
        out[k] = line[k] + normal;
        out[2 * n - 1 - k] = line[k] - normal;
    }
}

// ---------------------------------------------------------------- lifecycle

CEqPanel::CEqPanel(QWidget* parent) : QWidget(parent) {
    InstallFontSubstitutions();
    InstallAccessibleFactory();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    // Focus is taken by the left button only (see mousePressEvent), or by Tab.
    setFocusPolicy(Qt::TabFocus);
    titleFont_ = PixelFont(QStringLiteral("宋体"), 13);
    // Axis and value labels are 8.4 pt; the value-label layout (about 6 pixels
    // a character, lines 9 pixels apart) is made for that size.
    labelFont_ = PointFont(QStringLiteral("Arial"), 8.4);
    numberFont_ = PixelFont(QStringLiteral("Arial"), 10);
    statusFont_ = PixelFont(QStringLiteral("宋体"), 12);
    bypassFont_ = PixelFont(QStringLiteral("黑体"), 72);
    model_.live = true;
    updatePlot();

    menu_ = new QMenu(this);
    for (int c = kMenuPeq; c < kMenuPeq + 5; ++c) {
        QAction* a = menu_->addAction(MenuText(c, language_));
        a->setData(c);
        connect(a, &QAction::triggered, this, [this, c] { OnMenuCommand(c); });
    }
}

void CEqPanel::updatePlot() {
    plot_ = PlotRectFor(size());
    const int w = plot_.right() - plot_.left();
    if (w != model_.plotWidth) {
        model_.plotWidth = w;
        model_.RecomputeAll();
    }
    updateHandles();
}

void CEqPanel::updateHandles() {
    const int w = plot_.right() - plot_.left();
    const int h = plot_.bottom() - plot_.top();
    const int n = std::clamp(model_.bandCount, 0, dsp::kMaxEqBands);
    for (int i = 0; i < n; ++i) {
        EqBand& b = model_.bands[static_cast<size_t>(i)];
        if (!(b.frequency > 0.0f) || !std::isfinite(b.frequency) || !std::isfinite(b.gain)) continue;
        b.x = static_cast<float>(FreqToX(b.frequency, w, axes_));
        b.y = static_cast<float>(GainToY(b.gain, h, axes_));
    }
}

void CEqPanel::resizeEvent(QResizeEvent*) {
    updatePlot();
    update();
}

// ---------------------------------------------------------------- host operations

int CEqPanel::SetBandCount(int n) {
    const int r = model_.SetBandCount(n);
    updateHandles();
    update();
    return r;
}

void CEqPanel::SetBandType(int i, int type) {
    model_.SetBandType(i, type);
    updateHandles();
    update();
}

void CEqPanel::SetBandGain(int i, float db) {
    model_.SetBandGain(i, db);
    updateHandles();
    update();
}

void CEqPanel::SetBandQ(int i, float q) {
    model_.SetBandQ(i, q);
    update();
}

void CEqPanel::SetCrossoverFamily(int i, int family) {
    if (!model_.isSub()) return;
    model_.SetCrossoverFamily(i, family);
    updateHandles();
    update();
}

void CEqPanel::ApplyBandTypeChoice(int i, int item) {
    model_.ApplyBandTypeChoice(i, item);
    updateHandles();
    update();
}

void CEqPanel::RecomputeBand(int i) {
    model_.RecomputeBand(i);
    updateHandles();
    update();
}

void CEqPanel::setKind(int kind) {
    model_.kind = kind;
    update();
}

void CEqPanel::setLanguage(int language) {
    language_ = language;
    for (QAction* a : menu_->actions()) a->setText(MenuText(a->data().toInt(), language_));
    update();
}

void CEqPanel::setBypass(bool bypass) {
    bypass_ = bypass;
    update();
}

void CEqPanel::setSelected(int i) {
    selected_ = model_.valid(i) ? i : -1;
    update();
}

void CEqPanel::ClickBand(int i) {
    if (i < 0 || i >= model_.handleCount()) return;
    selected_ = i;
    update();
    sendChanged(i);  // press
    sendChanged(i);  // release
}

void CEqPanel::sendChanged(int i) {
    if (!model_.valid(i)) return;
    NotifyBandChanged(this, i);
    emit EqBandChanged(model_.bands[static_cast<size_t>(i)], i);
}

void CEqPanel::OnMenuCommand(int command) {
    const int item = command - (kMenuPeq - 1);
    if (item < 1 || item > 5 || selected_ < 0) return;
    ApplyBandTypeChoice(selected_, item);
    sendChanged(selected_);
}

void CEqPanel::showMenu(const QPoint& global) { menu_->popup(global); }

// ---------------------------------------------------------------- input

bool CEqPanel::event(QEvent* e) {
    // Every key that reaches the control is its own, Tab included.
    if (e->type() == QEvent::ShortcutOverride) {
        e->accept();
        return true;
    }
    if (e->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent*>(e));
        return true;
    }
    return QWidget::event(e);
}

void CEqPanel::mousePressEvent(QMouseEvent* e) {
    updateHandles();
    const QPoint pt = e->position().toPoint();
    const int mx = pt.x() - kMouseOriginX, my = pt.y() - kMouseOriginY;
    const int count = model_.handleCount();
    if (e->button() == Qt::LeftButton) {
        if (rightDrag_) return;
        setFocus(Qt::MouseFocusReason);
        leftDrag_ = true;
        hover_ = -1;
        selected_ = HitTest(model_, count, mx, my, kLeftHitRadius, false, false);
        if (selected_ >= 0) {
            const EqBand& b = band(selected_);
            // The offset is taken from the exact handle centre, then truncated.
            grabX_ = static_cast<int>(static_cast<float>(mx) - b.x);
            grabY_ = static_cast<int>(static_cast<float>(my) - b.y);
            sendChanged(selected_);
        }
    } else if (e->button() == Qt::RightButton) {
        if (leftDrag_) return;
        rightDrag_ = true;
        rightMoved_ = false;
        hover_ = -1;
        selected_ = HitTest(model_, count, mx, my, kRightHitRadius, true, false);
        if (selected_ >= 0) {
            lastX_ = mx;
            sendChanged(selected_);
        }
    }
    update();
}

void CEqPanel::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pt = e->position().toPoint();
    const int mx = pt.x() - kMouseOriginX, my = pt.y() - kMouseOriginY;
    const int w = plot_.right() - plot_.left();
    const int h = plot_.bottom() - plot_.top();
    if (leftDrag_) {
        if (selected_ >= 0) {
            model_.DragBand(selected_, DragFrequency(mx, w, axes_), DragGain(my, grabY_, h, axes_));
            updateHandles();
            sendChanged(selected_);
        }
    } else if (rightDrag_) {
        if (selected_ >= 0) {
            const EqBand& b = band(selected_);
            if (std::fabs(mx - b.x) > 1.0f && std::fabs(my - b.y) > 1.0f) rightMoved_ = true;
            model_.AddQ(selected_, static_cast<float>(mx - lastX_) / QPixelsPerUnit(b.type));
            lastX_ = mx;
            sendChanged(selected_);
        }
    } else {
        updateHandles();
        // Hidden crossover sections share their visible band's spot but have
        // no handle: hovering shows the visible band.
        hover_ = HitTest(model_, model_.handleCount(), mx, my, kRightHitRadius, false, true);
    }
    update();
}

void CEqPanel::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && leftDrag_) {
        if (selected_ >= 0)
            sendChanged(selected_);
        else
            emit EqPlotClicked();
        leftDrag_ = false;
    } else if (e->button() == Qt::RightButton && rightDrag_) {
        rightDrag_ = false;
        if (selected_ >= 0) {
            sendChanged(selected_);
            if (!rightMoved_) showMenu(e->globalPosition().toPoint());
        } else {
            emit PlotMenuRequested(e->globalPosition().toPoint());
        }
    }
    update();
}

void CEqPanel::keyPressEvent(QKeyEvent* e) {
    e->accept();
    if (selected_ < 0) return;
    const bool keypad = e->modifiers() & Qt::KeypadModifier;
    float df = 0.0f, dg = 0.0f, dq = 0.0f;
    switch (e->key()) {
        case Qt::Key_Left: df = -1.0f; break;
        case Qt::Key_Right: df = 1.0f; break;
        case Qt::Key_Up: dg = 0.1f; break;
        case Qt::Key_Down: dg = -0.1f; break;
        case Qt::Key_Plus:
            if (!keypad) return;
            dq = 0.01f;
            break;
        case Qt::Key_Minus:
            if (!keypad) return;
            dq = -0.01f;
            break;
        default: return;
    }
    model_.NudgeBand(selected_, df, dg, dq);
    updateHandles();
    sendChanged(selected_);
    update();
}

void CEqPanel::wheelEvent(QWheelEvent* e) {
    e->accept();
    WheelStep(e->angleDelta().y() != 0 ? e->angleDelta().y() : e->angleDelta().x());
}

void CEqPanel::WheelStep(int delta) {
    if (selected_ < 0 || delta == 0) return;
    const EqBand& b = band(selected_);
    if (!dsp::hasMovableGain(b.type)) return;
    model_.NudgeBand(selected_, 0.0f, delta < 0 ? -0.1f : 0.1f, 0.0f);
    updateHandles();
    sendChanged(selected_);
    update();
}

// ---------------------------------------------------------------- painting

QPointF CEqPanel::curvePoint(int i, float db) const {
    const int w = plot_.right() - plot_.left();
    const int h = plot_.bottom() - plot_.top();
    // Deep stop-band values are kept a little outside the plot: the clip hides
    // them and the painter never sees huge coordinates.
    if (!std::isfinite(db)) db = -1000.0f;
    const double y = std::clamp(plot_.top() + GainToY(db, h, axes_),
                                static_cast<double>(plot_.top() - 40),
                                static_cast<double>(plot_.bottom() + 40));
    return QPointF(plot_.left() + static_cast<double>(i) * w / kGridPoints, y);
}

void CEqPanel::buildBackground() {
    const qreal dpr = devicePixelRatioF();
    background_ = QPixmap(size() * dpr);
    background_.setDevicePixelRatio(dpr);
    background_.fill(QColor(20, 20, 20));
    backgroundSize_ = size();
    backgroundKind_ = model_.kind;
    backgroundLanguage_ = language_;

    QPainter p(&background_);
    const QPen gridPen(QColor(64, 64, 64), 1);
    const int w = plot_.right() - plot_.left();
    const int h = plot_.bottom() - plot_.top();

    p.setFont(titleFont_);
    p.setPen(QColor(255, 255, 0));
    const QString title = Title(model_.kind, language_);
    const QFontMetrics tfm(titleFont_);
    p.drawText(QPoint(plot_.right() - tfm.horizontalAdvance(title) - 2,
                      plot_.top() - tfm.height() - 1 + tfm.ascent()),
               title);

    const QFontMetrics lfm(labelFont_);
    p.setFont(labelFont_);
    for (int db = -15; db <= 15; db += 3) {
        const int y = plot_.top() + static_cast<int>(GainToY(db, h, axes_));
        p.setPen(gridPen);
        p.drawLine(plot_.left(), y, plot_.right(), y);
        const QString s = GridDbLabel(db);
        p.setPen(QColor(128, 128, 128));
        p.drawText(QRect(0, y - lfm.height() / 2, plot_.left() - 3, lfm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, s);
    }
    p.setPen(gridPen);
    for (double f : kGridFreqs) {
        const int x = plot_.left() + static_cast<int>(FreqToX(f, w, axes_));
        p.drawLine(x, plot_.top() + 1, x, plot_.bottom());
    }
    p.setPen(QColor(128, 128, 128));
    for (const FreqLabel& l : kFreqLabels) {
        const int x = plot_.left() + static_cast<int>(FreqToX(l.f, w, axes_));
        const QString s = QString::fromLatin1(l.text);
        const int tw = lfm.horizontalAdvance(s);
        p.drawText(QRect(x - tw / 2 - 1, plot_.bottom() + 4, tw + 2, lfm.height()),
                   Qt::AlignCenter, s);
    }
}

void CEqPanel::paintArea(QPainter& p, int i) {
    dsp::ResponseCurve area;
    model_.BandArea(i, area);
    const int type = band(i).type;
    const bool passKind = dsp::isLowPassKind(type) || dsp::isHighPassKind(type);
    QPointF pts[kGridPoints + 2];
    for (int k = 0; k < kGridPoints; ++k) pts[k + 1] = curvePoint(k, area[k]);
    const double zeroY = plot_.top() + GainToY(0.0, plot_.bottom() - plot_.top(), axes_);
    if (passKind) {
        pts[0] = QPointF(pts[1].x(), plot_.bottom() + 20);
        pts[kGridPoints + 1] = QPointF(pts[kGridPoints].x(), plot_.bottom() + 20);
    } else {
        pts[0] = QPointF(plot_.left(), zeroY);
        pts[kGridPoints + 1] = QPointF(plot_.right(), zeroY);
    }
    FlattenCardinal(pts, kGridPoints + 2, 0.5, 3.0, flat_);
    p.save();
    p.setClipRect(plot_);
    p.setPen(Qt::NoPen);
    p.setBrush(WithAlpha(CurveColour(i), 0x20));
    p.drawPolygon(flat_.data(), static_cast<int>(flat_.size()));  // closed back to the start
    p.restore();
}

void CEqPanel::paintSum(QPainter& p) {
    dsp::ResponseCurve sum;
    model_.Summed(sum);
    QPointF pts[kGridPoints];
    for (int k = 0; k < kGridPoints; ++k) pts[k] = curvePoint(k, sum[k]);
    p.save();
    p.setClipRect(plot_.adjusted(-2, -2, 2, 2));
    FlattenCardinal(pts, kGridPoints, 0.1, 3.0, flat_);
    // A 2-pixel line as two anti-aliased 1-pixel lines half a pixel either
    // side of the curve: the same look as a wide stroke at a fraction of the cost.
    Ribbon(flat_, 1.0, ribbon_);
    const int n = static_cast<int>(flat_.size());
    p.setPen(QPen(curveColour_, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(ribbon_.data(), n);
    p.drawPolyline(ribbon_.data() + n, n);
    p.restore();
}

const QPixmap& CEqPanel::handleSprite(bool peq, bool selected) {
    const qreal dpr = devicePixelRatioF();
    if (spriteKind_ != model_.kind || spriteDpr_ != dpr) {
        for (QPixmap& px : sprites_) px = QPixmap();
        spriteKind_ = model_.kind;
        spriteDpr_ = dpr;
    }
    QPixmap& px = sprites_[(peq ? 2 : 0) + (selected ? 1 : 0)];
    if (!px.isNull()) return px;
    // Handles are drawn once per look and then copied: the anti-aliased
    // rings are the costly part of a repaint.
    px = QPixmap(QSize(kSpriteSize, kSpriteSize) * dpr);
    px.setDevicePixelRatio(dpr);
    px.fill(Qt::transparent);
    QPainter p(&px);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor kc = CurveColour(model_.kind);
    const QColor fill = WithAlpha(kc, selected ? 0x50 : 0x25);
    const QPointF c(kSpriteSize / 2.0, kSpriteSize / 2.0);
    if (peq) {
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawEllipse(c, 7.0, 7.0);
        p.setPen(QPen(WithAlpha(kc, 0x7F), 2.0));
        p.setBrush(Qt::NoBrush);
        const QRectF ring(c.x() - 9.0, c.y() - 9.0, 18.0, 18.0);
        // Clockwise from 15 and 195 degrees, as on a screen with y down.
        p.drawArc(ring, -15 * 16, -150 * 16);
        p.drawArc(ring, -195 * 16, -150 * 16);
    } else {
        const QRectF sq(c.x() - 7.0, c.y() - 7.0, 14.0, 14.0);
        p.fillRect(sq, fill);
        p.setPen(QPen(WithAlpha(kc, 0x7F), 1.5, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(sq);
    }
    return px;
}

void CEqPanel::paintHandles(QPainter& p) {
    const QColor kc = CurveColour(model_.kind);
    const QColor textColour = QColor::fromRgb(kc.rgb() | 0xF0F0F0);
    p.setFont(numberFont_);
    const int count = model_.handleCount();
    const double half = kSpriteSize / 2.0;
    for (int i = 0; i < count; ++i) {
        const EqBand& b = band(i);
        if (b.type == dsp::FT_OFF || !std::isfinite(b.x) || !std::isfinite(b.y)) continue;
        const QPointF c(plot_.left() + b.x, plot_.top() + b.y);
        const bool peq = b.type == dsp::FT_PEQ;
        if (!peq && i == selected_) {
            p.setPen(QPen(QColor(255, 0, 0), 1.5, Qt::DashLine));
            p.drawLine(QPointF(c.x(), plot_.top()), QPointF(c.x(), plot_.bottom()));
        }
        p.drawPixmap(QPointF(std::round(c.x() - half), std::round(c.y() - half)),
                     handleSprite(peq, i == selected_));
        p.setPen(textColour);
        p.drawText(QRectF(c.x() - 9.0, c.y() - 9.0, 18.0, 18.0), Qt::AlignCenter,
                   QString::number(b.index + 1));
    }
}

void CEqPanel::paintLabels(QPainter& p, int i) {
    const EqBand& b = band(i);
    if (!std::isfinite(b.x) || !std::isfinite(b.y)) return;
    const int v = static_cast<int>(std::lround(b.x - (b.index + 1 >= 10 ? 7.0f : 4.0f)));
    const int base = static_cast<int>(std::lround(b.y - 4.0f));
    const QString values[3] = {Format("%.0fHz", static_cast<double>(b.frequency)),
                               Format("%+-.1fdB", static_cast<double>(b.gain)),
                               Format("%.2f", static_cast<double>(b.q))};
    static const char* const captions[3] = {"F:", "G:", "Q:"};
    const bool above = b.gain < -0.01f;
    const int offsets[3] = {above ? -42 : 18, above ? -33 : 27, above ? -24 : 36};
    p.setFont(labelFont_);
    const QFontMetrics fm(labelFont_);
    for (int k = 0; k < 3; ++k) {
        const int n = static_cast<int>(values[k].size());
        const int x = plot_.left() + v - (6 * n + 12) / 2 + 1;
        const int y = plot_.top() + base + offsets[k] + fm.ascent();
        p.setPen(QColor(180, 180, 180));
        p.drawText(QPoint(x, y), QString::fromLatin1(captions[k]));
        p.setPen(QColor(16, 255, 16));
        p.drawText(QPoint(x + 12, y), values[k]);
    }
}

void CEqPanel::paintStatus(QPainter& p) {
    const EqBand& b = band(selected_);
    p.setFont(statusFont_);
    const QFontMetrics fm(statusFont_);
    const QString text = StatusText(language_, b);
    const QPoint at(36, 3 + fm.ascent());
    p.setPen(QColor(0, 255, 0));
    p.drawText(at, text);
    p.setPen(StatusGainColour(b.gain));
    p.drawText(at + QPoint(fm.horizontalAdvance(text), 0), StatusGain(b.gain));
}

void CEqPanel::RenderTo(QPainter& p) {
    if (background_.isNull() || backgroundSize_ != size() || backgroundKind_ != model_.kind ||
        backgroundLanguage_ != language_)
        buildBackground();
    updateHandles();
    p.drawPixmap(0, 0, background_);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    if (model_.valid(selected_)) paintArea(p, selected_);
    paintSum(p);
    paintHandles(p);
    const int labelled = hover_ >= 0 ? hover_ : selected_;
    if (model_.valid(labelled)) paintLabels(p, labelled);
    if (model_.valid(selected_)) paintStatus(p);
    if (bypass_) {
        p.setFont(bypassFont_);
        p.setPen(Qt::white);
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("BYPASS"));
    }
}

void CEqPanel::paintEvent(QPaintEvent*) {
    // The backing store already double-buffers; the grid comes from a cache.
    QPainter p(this);
    RenderTo(p);
}

}  // namespace udare::controls
