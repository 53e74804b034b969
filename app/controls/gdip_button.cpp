#include "gdip_button.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>
#include <cmath>

#include "control_support.h"

namespace udare::controls {

namespace {

int Clamp255(double v) { return std::clamp(static_cast<int>(std::lround(v)), 0, 255); }

QImage MapPixels(const QImage& src, QRgb (*f)(QRgb)) {
    // Work unpremultiplied so the matrix sees real colours.
    QImage img = src.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) line[x] = f(line[x]);
    }
    return img;
}

}  // namespace

QRgb CGdipButton::HoverPixel(QRgb p) {
    auto ch = [](int c) { return Clamp255(c * 1.05 + 0.05 * 255.0); };
    return qRgba(ch(qRed(p)), ch(qGreen(p)), ch(qBlue(p)), qAlpha(p));
}

QRgb CGdipButton::GreyPixel(QRgb p) {
    const int g = Clamp255(0.3 * qRed(p) + 0.59 * qGreen(p) + 0.11 * qBlue(p));
    return qRgba(g, g, g, qAlpha(p));
}

CGdipButton::Look CGdipButton::ChooseLook(bool grey, bool alternate, bool pressed, bool hover) {
    if (grey) return LookGrey;
    if (alternate) return pressed ? LookAltPressed : hover ? LookAltHover : LookAlt;
    return pressed ? LookStdPressed : hover ? LookStdHover : LookStd;
}

QImage CGdipButton::RenderLook(const QImage& picture, QSize size, Look look) {
    // At the picture's own pixel ratio, so a @2x picture stays sharp.
    const qreal ratio = picture.isNull() ? 1.0 : picture.devicePixelRatio();
    QImage out(size * ratio, QImage::Format_ARGB32_Premultiplied);
    out.setDevicePixelRatio(ratio);
    out.fill(Qt::transparent);
    if (picture.isNull() || size.isEmpty()) return out;
    QImage src = picture;
    if (look == LookStdHover || look == LookAltHover) src = MapPixels(picture, &HoverPixel);
    if (look == LookGrey) src = MapPixels(picture, &GreyPixel);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    // Only the alternate picture moves when pressed.
    const QPoint shift = look == LookAltPressed ? QPoint(1, 1) : QPoint(0, 0);
    p.drawImage(QRect(shift, size), src);
    return out;
}

CGdipButton::CGdipButton(QWidget* parent) : QAbstractButton(parent) {
    InitControlResources();
    setFont(PixelFont(QStringLiteral("宋体"), 12));
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
}

QSize CGdipButton::sizeHint() const {
    return std_.isNull() ? QSize(96, 28) : std_.deviceIndependentSize().toSize();
}

void CGdipButton::invalidateLooks() {
    looksBuilt_ = false;
    update();
}

bool CGdipButton::LoadStdImage(const QString& resource) {
    const QImage img = LoadPicture(resource);
    std_ = img;  // a failed load leaves the button without this picture
    invalidateLooks();
    updateGeometry();
    return !img.isNull();
}

bool CGdipButton::LoadAltImage(const QString& resource) {
    const QImage img = LoadPicture(resource);
    alt_ = img;
    invalidateLooks();
    return !img.isNull();
}

void CGdipButton::SetAlternate(bool alternate) {
    alternate_ = alternate;
    grey_ = false;
    update();
}

void CGdipButton::SetGrey(bool grey) {
    grey_ = grey;
    update();
}

void CGdipButton::SetToggle(bool toggle) { toggle_ = toggle; }

void CGdipButton::SetToolTipText(const QString& text) { setToolTip(text); }

void CGdipButton::SetTextColour(const QColor& c) {
    textColour_ = c;
    update();
}

const QImage& CGdipButton::look(Look l) {
    if (!looksBuilt_) {
        for (int k = 0; k < LookCount; ++k) {
            const Look lk = static_cast<Look>(k);
            const bool altLook = lk == LookAlt || lk == LookAltPressed || lk == LookAltHover;
            looks_[static_cast<size_t>(k)] = RenderLook(altLook ? alt_ : std_, size(), lk);
        }
        looksBuilt_ = true;
    }
    return looks_[static_cast<size_t>(l)];
}

void CGdipButton::resizeEvent(QResizeEvent* e) {
    QAbstractButton::resizeEvent(e);
    looksBuilt_ = false;
}

void CGdipButton::paintEvent(QPaintEvent*) {
    const Look l = ChooseLook(grey_, alternate_ && hasAltImage(), isDown(), hovering_);
    QPainter p(this);
    p.drawImage(0, 0, look(l));
    if (!text().isEmpty()) {
        p.setPen(textColour_);
        p.setFont(font());
        p.drawText(rect(), Qt::AlignCenter, text());
    }
}

void CGdipButton::mousePressEvent(QMouseEvent* e) {
    if (toggle_ && e->button() == Qt::LeftButton) alternate_ = !alternate_;
    QAbstractButton::mousePressEvent(e);
}

void CGdipButton::enterEvent(QEnterEvent* e) {
    hovering_ = true;
    update();
    if (!toolTip().isEmpty())
        QToolTip::showText(e->globalPosition().toPoint(), toolTip(), this, QRect(), 2000);
}

void CGdipButton::leaveEvent(QEvent*) {
    hovering_ = false;
    update();
}

}  // namespace udare::controls
