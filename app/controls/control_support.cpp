#include "control_support.h"

#include <QGuiApplication>

#include <QStringList>
#include <algorithm>
#include <cstdarg>
#include <cstdio>

static void InitImagesResource() { Q_INIT_RESOURCE(images); }

namespace udare::controls {

namespace {

constexpr unsigned kCurveColours[kCurveColourCount] = {
    0xFFC800, 0xF280FF, 0x7988FF, 0x00C8FF, 0x0AD37E, 0xBBA072, 0x0AFF50, 0x6177F5, 0xF0BC00,
    0xEF9800, 0xFA64B4, 0xFF50FF, 0x5050FF, 0x50FF64, 0xFFFF64, 0xFF6464, 0xFFB414, 0xFF64B4,
    0xB464FF, 0x8CB4FF, 0x14B4FF, 0x50FFFF, 0x28FFA0, 0x145AFA, 0x50FFFF, 0xFFFF14, 0x5064FF,
    0x14FF50, 0x50FF28, 0xB4FF14, 0xFF50FF, 0x5078FA, 0xFAFAFA};

}  // namespace

void InstallFontSubstitutions() {
    static const bool done = [] {
        const QStringList cjk = {"SimSun", "NSimSun", "WenQuanYi Micro Hei", "Noto Sans CJK SC",
                                 "Droid Sans Fallback", "AR PL UMing CN"};
        const QStringList hei = {"SimHei", "Microsoft YaHei", "WenQuanYi Micro Hei",
                                 "Noto Sans CJK SC", "Droid Sans Fallback"};
        QFont::insertSubstitutions(QStringLiteral("宋体"), cjk);
        QFont::insertSubstitutions(QStringLiteral("黑体"), hei);
        QFont::insertSubstitutions(QStringLiteral("Arial"),
                                   {"Liberation Sans", "Nimbus Sans", "DejaVu Sans"});
        return true;
    }();
    (void)done;
}

void InitControlResources() {
    static const bool done = [] {
        InitImagesResource();
        return true;
    }();
    (void)done;
}

QFont PixelFont(const QString& family, int pixelHeight, int weight) {
    InstallFontSubstitutions();
    QFont f(family);
    f.setPixelSize(std::max(1, pixelHeight));
    f.setWeight(static_cast<QFont::Weight>(weight));
    return f;
}

QFont PointFont(const QString& family, double pointSize, int weight) {
    InstallFontSubstitutions();
    QFont f(family);
    f.setPointSizeF(pointSize);
    f.setWeight(static_cast<QFont::Weight>(weight));
    return f;
}

QString Format(const char* format, ...) {
    char buf[512];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(buf, sizeof buf, format, ap);
    va_end(ap);
    return QString::fromUtf8(buf);
}

QColor CurveColour(int index) {
    if (index < 0 || index >= kCurveColourCount) index = 0;
    return QColor::fromRgb(kCurveColours[index]);
}

QImage LoadPicture(const QString& resource) {
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    if (ratio > 1.0) {
        QString twin = resource;
        const qsizetype dot = twin.lastIndexOf(QLatin1Char('.'));
        twin.insert(dot < 0 ? twin.size() : dot, QStringLiteral("@2x"));
        QImage hi(twin);
        if (!hi.isNull()) {
            hi.setDevicePixelRatio(2.0);
            return hi;
        }
    }
    return QImage(resource);
}

}  // namespace udare::controls
