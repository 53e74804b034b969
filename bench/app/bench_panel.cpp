// The tuning panel in the real window on the virtual unit (answering at
// once): a page switch (SetPage with its refresh, then a paint), a full
// paint of the panel, and one drag step of a subwoofer band, which writes
// its four sections. Also the resident memory once the first
// synchronisation has filled the panel, and the time to a painted window.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QThread>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "eq_panel.h"
#include "panel/dialog_music.h"
#include "protocol/host.h"
#include "shell/app.h"
#include "shell/mainframe.h"
#include "shell/qt_host.h"
#include "shell/session.h"
#include "shell/view.h"

namespace {

using namespace udare;
using namespace udare::shell;

QApplication& App() {
    static int argc = 1;
    static char name[] = "bench_panel";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Left to the end of the process with the window: destroyed among the
    // library's own statics at exit, they would outlive what they use.
    static auto* app = new QApplication(argc, argv);
    return *app;
}

class NoFiles final : public FileChooser {
public:
    QString saveModeFile(QWidget*) override { return {}; }
    QString openModeFile(QWidget*) override { return {}; }
};

long residentKiB() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

bool waitFor(const std::function<bool()>& pred, int ms) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

// One window on the virtual unit, synchronised, for the whole program.
struct Window {
    QtNotifier notifier;
    NoFiles files;
    std::unique_ptr<Session> session;
    std::unique_ptr<CVovedo13App> app;
    std::unique_ptr<CMainFrame> frame;
    panel::CDialogMusic* panel = nullptr;
    qint64 paintedMs = 0;
    long rssKiB = 0;

    Window() {
        App();
        QElapsedTimer t;
        t.start();
        SessionOptions o;
        o.simulate = true;
        session = std::make_unique<Session>(o, notifier, AutoPrompter::instance());
        app = std::make_unique<CVovedo13App>(*session, AutoPrompter::instance(), files);
        app->setNotifier(&notifier);
        frame = std::make_unique<CMainFrame>(*app);
        bool painted = false;
        QObject::connect(frame.get(), &CMainFrame::firstPainted, [&] { painted = true; });
        frame->resize(1100, 760);
        frame->show();
        waitFor([&] { return painted; }, 5000);
        paintedMs = t.elapsed();
        panel = qobject_cast<panel::CDialogMusic*>(frame->view()->panel());
        waitFor([&] { return frame->view()->firstSyncPending() == 0; }, 20000);
        QCoreApplication::processEvents();
        rssKiB = residentKiB();
    }
};

Window& TheWindow() {
    static auto* w = new Window;
    return *w;
}

void Paint(QWidget* w, QImage& img) {
    img.fill(Qt::white);
    w->render(&img);
}

void BM_PanelPageSwitch(benchmark::State& state) {
    Window& w = TheWindow();
    QImage img(w.panel->size(), QImage::Format_ARGB32_Premultiplied);
    int page = 0;
    for (auto _ : state) {
        page = (page + 1) % panel::kPageCount;
        w.panel->SetPage(page);
        Paint(w.panel, img);
        benchmark::DoNotOptimize(img.constBits());
    }
    w.panel->SetPage(panel::PAGE_MIC);
}
BENCHMARK(BM_PanelPageSwitch)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_PanelPaint(benchmark::State& state) {
    Window& w = TheWindow();
    w.panel->SetPage(panel::PAGE_MAIN);
    QImage img(w.panel->size(), QImage::Format_ARGB32_Premultiplied);
    Paint(w.panel, img);
    for (auto _ : state) {
        Paint(w.panel, img);
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(BM_PanelPaint)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Move, four section writes answered by the unit, repaint of the curve.
void BM_SubDragStep(benchmark::State& state) {
    Window& w = TheWindow();
    w.panel->SetPage(panel::PAGE_SUB);
    controls::CEqPanel* curve = w.panel->curve();
    QImage img(curve->size(), QImage::Format_ARGB32_Premultiplied);
    const dsp::EqBand& b = curve->band(2);
    const QPointF grab(36 + b.x, 16 + b.y);
    auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent e(type, at, curve->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(curve, &e);
    };
    send(QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    int step = 0;
    for (auto _ : state) {
        step = (step + 1) % 40;
        send(QEvent::MouseMove, grab + QPointF(step * 3, step % 7), Qt::NoButton, Qt::LeftButton);
        QPainter p(&img);
        curve->RenderTo(p);
        benchmark::DoNotOptimize(img.constBits());
    }
    send(QEvent::MouseButtonRelease, grab, Qt::LeftButton, Qt::NoButton);
}
BENCHMARK(BM_SubDragStep)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Not a loop: the window's figures as counters (start to paint in this
// process, resident memory after the first synchronisation).
void BM_WindowStartAndMemory(benchmark::State& state) {
    Window& w = TheWindow();
    for (auto _ : state) benchmark::DoNotOptimize(w.panel);
    state.counters["painted_ms"] = static_cast<double>(w.paintedMs);
    state.counters["rss_after_sync_MiB"] = static_cast<double>(w.rssKiB) / 1024.0;
}
BENCHMARK(BM_WindowStartAndMemory)->Iterations(1);

}  // namespace
