#include "xbmp_slider.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>

#include "control_accessible.h"
#include "control_support.h"

namespace udare::controls {

namespace {

int Travel(const CXBmpSlider::Geometry& g) {
    return g.vertical ? g.controlHeight - g.thumbHeight - g.bottomMargin - g.topMargin
                      : g.controlWidth - g.thumbWidth - g.rightMargin - g.leftMargin;
}

}  // namespace

int CXBmpSlider::ThumbPixel(const Geometry& g, int position) {
    const int range = g.maximum - g.minimum;
    // A one-position slider keeps its thumb at the start of the travel.
    const double perStep = range != 0 ? static_cast<double>(Travel(g)) / range : 0.0;
    if (g.vertical) return static_cast<int>(g.topMargin + perStep * (g.maximum - position));
    return static_cast<int>(g.leftMargin + perStep * (position - g.minimum));
}

int CXBmpSlider::PixelToPosition(const Geometry& g, int p) {
    const int range = g.maximum - g.minimum;
    const double perStep = range != 0 ? static_cast<double>(Travel(g)) / range : 0.0;
    if (perStep <= 0.0) return g.minimum;
    int pos;
    if (g.vertical) {
        pos = g.maximum - static_cast<int>((p - g.topMargin) / perStep);
    } else {
        pos = static_cast<int>((p - g.leftMargin) / perStep) + g.minimum;
    }
    return std::clamp(pos, std::min(g.minimum, g.maximum), std::max(g.minimum, g.maximum));
}

QPoint CXBmpSlider::ThumbOrigin(const Geometry& g, int position) {
    const int t = ThumbPixel(g, position);
    return g.vertical ? QPoint(g.leftMargin, t) : QPoint(t, g.topMargin);
}

CXBmpSlider::CXBmpSlider(int controlId, QWidget* parent) : QWidget(parent), id_(controlId) {
    InitControlResources();
    InstallAccessibleFactory();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QRect CXBmpSlider::thumbRect() const {
    return QRect(ThumbOrigin(geo_, position_), QSize(geo_.thumbWidth, geo_.thumbHeight));
}

QSize CXBmpSlider::sizeHint() const {
    if (geo_.controlWidth > 0 && geo_.controlHeight > 0)
        return QSize(geo_.controlWidth, geo_.controlHeight);
    return geo_.vertical ? QSize(22, 130) : QSize(130, 22);
}

void CXBmpSlider::SetRange(int minimum, int maximum) {
    geo_.minimum = minimum;
    geo_.maximum = maximum;
    update();
}

void CXBmpSlider::setClamped(int p) {
    const int before = position_;
    position_ = std::clamp(p, std::min(geo_.minimum, geo_.maximum),
                           std::max(geo_.minimum, geo_.maximum));
    // A screen reader hears the new value, whoever moved the slider.
    if (position_ != before && QAccessible::isActive()) {
        QAccessibleValueChangeEvent e(this, position_);
        QAccessible::updateAccessibility(&e);
    }
}

void CXBmpSlider::SetPosition(int p) {
    setClamped(p);
    update();
}

void CXBmpSlider::SetEnabled(bool enabled) {
    // The widget itself stays enabled so that the wheel still reaches it.
    enabled_ = enabled;
    update();
}

bool CXBmpSlider::SetChannelImage(const QString& resource) {
    const QImage img = LoadPicture(resource);
    if (img.isNull()) return false;
    channel_ = img;
    activeChannel_ = img;
    const QSize logical = img.deviceIndependentSize().toSize();
    geo_.controlWidth = logical.width();
    geo_.controlHeight = logical.height();
    updateGeometry();
    update();
    return true;
}

bool CXBmpSlider::SetThumbImages(const QString& normal, const QString& focused,
                                 const QString& disabled) {
    const QImage n = LoadPicture(normal), f = LoadPicture(focused), d = LoadPicture(disabled);
    thumbs_[0] = n;
    thumbs_[1] = f.isNull() ? n : f;
    thumbs_[2] = d.isNull() ? n : d;
    const QSize logical = n.deviceIndependentSize().toSize();
    geo_.thumbWidth = logical.width();
    geo_.thumbHeight = logical.height();
    update();
    return !n.isNull() && !f.isNull() && !d.isNull();
}

void CXBmpSlider::SetMargins(int left, int top, int right, int bottom) {
    geo_.leftMargin = left;
    geo_.topMargin = top;
    geo_.rightMargin = right;
    geo_.bottomMargin = bottom;
    update();
}

void CXBmpSlider::SetVertical(bool vertical) {
    geo_.vertical = vertical;
    updateGeometry();
    update();
}

void CXBmpSlider::SetBackgroundColour(const QColor& c) {
    background_ = c;
    update();
}

void CXBmpSlider::MoveByUser(int p) {
    if (!enabled_) return;
    setClamped(p);
    update();
    postPosition();
}

void CXBmpSlider::postPosition() {
    const int pos = position_;
    QMetaObject::invokeMethod(
        this, [this, pos] { emit SliderPositionChanged(id_, pos); }, Qt::QueuedConnection);
}

void CXBmpSlider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), background_);
    if (!channel_.isNull()) p.drawImage(0, 0, channel_);
    const QRect thumb = thumbRect();
    if (!activeChannel_.isNull()) {
        p.save();
        if (geo_.vertical)
            p.setClipRect(QRect(0, thumb.top(), width(), height() - thumb.top()));
        else
            p.setClipRect(QRect(0, 0, thumb.left(), height()));
        p.drawImage(0, 0, activeChannel_);
        p.restore();
    }
    const QImage& t = !enabled_ ? thumbs_[2] : (focused_ ? thumbs_[1] : thumbs_[0]);
    if (!t.isNull()) p.drawImage(thumb, t);
}

void CXBmpSlider::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !enabled_) {
        e->ignore();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const QRect thumb = thumbRect();
    const QPoint pt = e->position().toPoint();
    if (thumb.contains(pt)) {
        dragging_ = true;  // the press grabs the mouse until release
    } else {
        int step;
        if (geo_.vertical)
            step = pt.y() > thumb.top() + geo_.thumbHeight / 2 ? -1 : 1;
        else
            step = pt.x() <= thumb.left() + geo_.thumbWidth / 2 ? -1 : 1;
        setClamped(position_ + step);
    }
    postPosition();
    update();
}

void CXBmpSlider::mouseDoubleClickEvent(QMouseEvent* e) {
    // A quick second click is one more step, like any other click.
    mousePressEvent(e);
}

void CXBmpSlider::mouseMoveEvent(QMouseEvent* e) {
    if (!dragging_) return;
    const QPoint pt = e->position().toPoint();
    const int p = geo_.vertical ? pt.y() - geo_.thumbHeight / 2 : pt.x() - geo_.thumbWidth / 2;
    setClamped(PixelToPosition(geo_, p));
    postPosition();
    update();
}

void CXBmpSlider::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) dragging_ = false;
}

void CXBmpSlider::keyPressEvent(QKeyEvent* e) {
    if (!enabled_) {
        QWidget::keyPressEvent(e);
        return;
    }
    int step = 0;
    switch (e->key()) {
        case Qt::Key_Up:
        case Qt::Key_Right: step = 1; break;
        case Qt::Key_Left:
        case Qt::Key_Down: step = -1; break;
        default: QWidget::keyPressEvent(e); return;
    }
    setClamped(position_ + step);
    update();
    postPosition();
    e->accept();
}

void CXBmpSlider::wheelEvent(QWheelEvent* e) {
    const QPoint d = e->angleDelta();
    WheelStep(d.y() != 0 ? d.y() : d.x());
    e->accept();
}

void CXBmpSlider::WheelStep(int delta) {
    if (delta < 0)
        setClamped(position_ - 1);
    else if (delta > 0)
        setClamped(position_ + 1);
    update();
    postPosition();
}

void CXBmpSlider::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    focused_ = true;
    QMetaObject::invokeMethod(
        this, [this] { emit SliderFocused(id_); }, Qt::QueuedConnection);
    update();
}

void CXBmpSlider::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    focused_ = false;
    update();
}

}  // namespace udare::controls
