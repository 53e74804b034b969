#include "curve_image.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstring>

#include "eq_panel.h"
#include "protocol/mode_file.h"

namespace udare::controls {

namespace {

// A command-line program has no application object; widgets need one. It is
// made once, off screen, and lives as long as the program.
void ensureApplication() {
    if (QCoreApplication::instance()) return;
    static int argc = 3;
    static char name[] = "udare-ctl", flag[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, flag, platform, nullptr};
    // The toolkit's own chatter (no runtime directory and the like) is not
    // for the command line's user.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    new QApplication(argc, argv);
}

}  // namespace

bool WriteCurvePng(const dsp::EqModel& model, int lang, int width, int height, const std::string& path,
                   std::string& error) {
    ensureApplication();
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        error = "no widget application";
        return false;
    }
    CEqPanel panel;
    panel.setAttribute(Qt::WA_DontShowOnScreen, true);
    panel.resize(width, height);
    panel.show();  // sends the resize that lays out the plot
    panel.setLanguage(lang);
    panel.setKind(model.kind);
    panel.SetBandCount(model.bandCount);
    for (int i = 0; i < model.bandCount; ++i) {
        const dsp::EqBand& from = model.bands[static_cast<size_t>(i)];
        dsp::EqBand& to = panel.band(i);
        to.type = from.type;
        to.frequency = from.frequency;
        to.gain = from.gain;
        to.q = from.q;
    }
    for (int i = 0; i < model.bandCount; ++i) panel.RecomputeBand(i);
    QImage image(width, height, QImage::Format_RGB32);
    {
        QPainter p(&image);
        panel.RenderTo(p);
    }
    panel.hide();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        error = "PNG encoding failed";
        return false;
    }
    const int err = ReplaceFileContents(path, reinterpret_cast<const uint8_t*>(bytes.constData()),
                                        static_cast<size_t>(bytes.size()));
    if (err != 0) {
        error = std::strerror(err);
        return false;
    }
    return true;
}

}  // namespace udare::controls
