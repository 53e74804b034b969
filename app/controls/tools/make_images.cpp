// Draws the controls' pictures (slider channels and thumbs, page buttons,
// back arrow) as PNG files, each also at twice the size as name@2x.png for
// high-resolution screens, and the program icon in the small theme sizes.
// Run by scripts/make-images; the PNGs are committed.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

QString g_out;
int g_scale = 1;  // 2 draws the @2x set: same drawing, twice the pixels

QString ScaledName(const QString& name) {
    if (g_scale == 1) return name;
    QString n = name;
    return n.insert(n.lastIndexOf(QLatin1Char('.')), QStringLiteral("@%1x").arg(g_scale));
}

bool Save(const QImage& img, const QString& name) {
    const QString path = QDir(g_out).filePath(ScaledName(name));
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QImage Blank(int w, int h) {
    // Drawing stays in the 1x coordinates; the pixel ratio scales it.
    QImage img(w * g_scale, h * g_scale, QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(g_scale);
    img.fill(Qt::transparent);
    return img;
}

// A groove along the long axis of the channel picture.
QImage Channel(bool vertical) {
    const int len = 130, thick = 22;
    QImage img = vertical ? Blank(thick, len) : Blank(len, thick);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QRectF groove = vertical ? QRectF(thick / 2.0 - 3, 6, 6, len - 12)
                             : QRectF(6, thick / 2.0 - 3, len - 12, 6);
    QLinearGradient g(groove.topLeft(), vertical ? groove.topRight() : groove.bottomLeft());
    g.setColorAt(0, QColor(120, 130, 140));
    g.setColorAt(1, QColor(210, 218, 226));
    p.setPen(QPen(QColor(96, 104, 112), 1));
    p.setBrush(g);
    p.drawRoundedRect(groove, 3, 3);
    // Tick marks at the ends and the middle.
    p.setPen(QPen(QColor(150, 160, 170), 1));
    for (int k = 0; k <= 4; ++k) {
        const double t = 12 + (len - 24) * k / 4.0;
        if (vertical) {
            p.drawLine(QPointF(1, t), QPointF(4, t));
            p.drawLine(QPointF(thick - 2, t), QPointF(thick - 5, t));
        } else {
            p.drawLine(QPointF(t, 1), QPointF(t, 3));
            p.drawLine(QPointF(t, thick - 1), QPointF(t, thick - 3));
        }
    }
    return img;
}

enum class Look { Normal, Focused, Disabled };

QImage Thumb(bool vertical, Look look) {
    const int w = vertical ? 17 : 12, h = vertical ? 12 : 17;
    QImage img = Blank(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QColor top(90, 160, 230), bottom(20, 80, 160), edge(10, 50, 110);
    if (look == Look::Focused) {
        top = QColor(255, 200, 90);
        bottom = QColor(230, 120, 10);
        edge = QColor(150, 70, 0);
    } else if (look == Look::Disabled) {
        top = QColor(210, 210, 210);
        bottom = QColor(160, 160, 160);
        edge = QColor(130, 130, 130);
    }
    const QRectF r(0.5, 0.5, w - 1.0, h - 1.0);
    QLinearGradient g(r.topLeft(), vertical ? r.bottomLeft() : r.topRight());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(edge, 1));
    p.setBrush(g);
    p.drawRoundedRect(r, 2.5, 2.5);
    p.setPen(QPen(QColor(255, 255, 255, 150), 1));
    if (vertical)
        p.drawLine(QPointF(3, h / 2.0), QPointF(w - 3, h / 2.0));
    else
        p.drawLine(QPointF(w / 2.0, 3), QPointF(w / 2.0, h - 3));
    return img;
}

struct Page {
    const char* name;
    const char* zh;
    const char* en;
    QRgb colour;
};
constexpr Page kPages[8] = {
    {"mic", "话筒", "MIC", 0xFFC800},          {"echo", "回声效果", "ECHO", 0xE400FF},
    {"reverb", "混响效果", "REVERB", 0x96A0EF}, {"music", "音乐控制", "MUSIC", 0x00C8FF},
    {"main", "主输出", "MAIN", 0x0AD37E},      {"rear", "后置输出", "REAR", 0xB29564},
    {"center", "中置输出", "CENTER", 0x0AFF50}, {"sub", "超低输出", "SUB", 0x6177F5},
};

QImage PageButton(const Page& page, bool english, bool alternate) {
    const int w = 212, h = 62;
    QImage img = Blank(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QColor accent = QColor::fromRgb(page.colour);
    const QRectF r(2.5, 3.5, w - 5.0, h - 7.0);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    if (alternate) {
        g.setColorAt(0, accent.lighter(125));
        g.setColorAt(1, accent.darker(135));
    } else {
        g.setColorAt(0, QColor(252, 254, 255));
        g.setColorAt(1, QColor(212, 224, 234));
    }
    p.setPen(QPen(alternate ? accent.darker(170) : QColor(150, 170, 186), 1));
    p.setBrush(g);
    p.drawRoundedRect(r, 8, 8);
    // A coloured strip marks the page on the standard picture.
    if (!alternate) {
        p.setPen(Qt::NoPen);
        p.setBrush(accent);
        p.drawRoundedRect(QRectF(12, h - 12, w - 24, 4), 2, 2);
    }
    QFont f(english ? QStringLiteral("DejaVu Sans") : QStringLiteral("WenQuanYi Micro Hei"));
    f.setPixelSize(english ? 22 : 24);
    f.setBold(true);
    p.setFont(f);
    const QString text = QString::fromUtf8(english ? page.en : page.zh);
    const QRectF tr(r.adjusted(0, -2, 0, -4));
    if (alternate) {
        p.setPen(QColor(0, 0, 0, 90));
        p.drawText(tr.translated(1, 1), Qt::AlignCenter, text);
        p.setPen(Qt::white);
    } else {
        p.setPen(QColor(40, 56, 72));
    }
    p.drawText(tr, Qt::AlignCenter, text);
    return img;
}

// A caption-less button surface: the text is drawn over it at run time
// (mode reset buttons, remote-learning keys).
QImage PlainButton(bool alternate) {
    const int w = 96, h = 28;
    QImage img = Blank(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0.5, 0.5, w - 1.0, h - 1.0);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    if (alternate) {
        g.setColorAt(0, QColor(255, 170, 60));
        g.setColorAt(1, QColor(215, 95, 0));
        p.setPen(QPen(QColor(150, 60, 0), 1));
    } else {
        g.setColorAt(0, QColor(90, 150, 215));
        g.setColorAt(1, QColor(30, 80, 150));
        p.setPen(QPen(QColor(20, 50, 100), 1));
    }
    p.setBrush(g);
    p.drawRoundedRect(r, 5, 5);
    p.setPen(QPen(QColor(255, 255, 255, 70), 1));
    p.drawLine(QPointF(5, 2.5), QPointF(w - 5, 2.5));
    return img;
}

QImage BackArrow() {
    const int w = 64, h = 57;
    QImage img = Blank(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(2.5, 3.5, w - 5.0, h - 7.0);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(252, 254, 255));
    g.setColorAt(1, QColor(212, 224, 234));
    p.setPen(QPen(QColor(150, 170, 186), 1));
    p.setBrush(g);
    p.drawRoundedRect(r, 8, 8);
    QPainterPath arrow;
    const double cy = h / 2.0;
    arrow.moveTo(14, cy);
    arrow.lineTo(30, cy - 14);
    arrow.lineTo(30, cy - 6);
    arrow.lineTo(50, cy - 6);
    arrow.lineTo(50, cy + 6);
    arrow.lineTo(30, cy + 6);
    arrow.lineTo(30, cy + 14);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(20, 70, 130), 1.2));
    p.setBrush(QColor(40, 120, 210));
    p.drawPath(arrow);
    return img;
}

// The icon theme's small sizes, scaled down from the 256-pixel picture.
bool Icons(const QString& dir) {
    const QImage big(QDir(dir).filePath(QStringLiteral("udare-256.png")));
    if (big.isNull()) {
        std::fprintf(stderr, "cannot read %s/udare-256.png\n", qPrintable(dir));
        return false;
    }
    bool ok = true;
    for (int size : {16, 22, 24, 32, 64}) {
        const QImage small = big.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        const QString path = QDir(dir).filePath(QStringLiteral("udare-%1.png").arg(size));
        if (!small.save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            ok = false;
        }
    }
    return ok;
}

bool DrawAll() {
    bool ok = true;
    for (bool vertical : {false, true}) {
        const QString o = vertical ? QStringLiteral("v") : QStringLiteral("h");
        ok &= Save(Channel(vertical), QStringLiteral("slider_%1_channel.png").arg(o));
        ok &= Save(Thumb(vertical, Look::Normal), QStringLiteral("slider_%1_thumb.png").arg(o));
        ok &= Save(Thumb(vertical, Look::Focused),
                   QStringLiteral("slider_%1_thumb_focus.png").arg(o));
        ok &= Save(Thumb(vertical, Look::Disabled),
                   QStringLiteral("slider_%1_thumb_disabled.png").arg(o));
    }
    for (const Page& page : kPages) {
        for (bool english : {false, true}) {
            const QString base = QStringLiteral("page_%1_%2")
                                     .arg(QString::fromLatin1(page.name),
                                          english ? QStringLiteral("en") : QStringLiteral("zh"));
            ok &= Save(PageButton(page, english, false), base + QStringLiteral(".png"));
            ok &= Save(PageButton(page, english, true), base + QStringLiteral("_alt.png"));
        }
    }
    ok &= Save(BackArrow(), QStringLiteral("back.png"));
    ok &= Save(PlainButton(false), QStringLiteral("button.png"));
    ok &= Save(PlainButton(true), QStringLiteral("button_alt.png"));
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--icons") return Icons(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR | --icons ICON_DIR\n", argv[0]);
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(g_out)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    bool ok = true;
    for (int scale : {1, 2}) {
        g_scale = scale;
        ok &= DrawAll();
    }
    return ok ? 0 : 1;
}
