// EQ curve editor with 24 bands at 1000 x 400, painted into an image:
// a full repaint, and one drag step (move, recompute, repaint).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>
#include <memory>

#include "eq_panel.h"

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "bench_eq_panel";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

std::unique_ptr<udare::controls::CEqPanel> MakePanel() {
    App();
    auto panel = std::make_unique<udare::controls::CEqPanel>();
    panel->resize(1000, 400);
    panel->show();
    QCoreApplication::processEvents();
    panel->SetBandCount(24);
    for (int i = 0; i < 24; ++i) panel->SetBandGain(i, static_cast<float>(std::sin(i * 0.7) * 9.0));
    panel->SetBandType(0, 3);
    panel->SetBandType(23, 2);
    panel->setSelected(11);
    return panel;
}

void Paint(udare::controls::CEqPanel& panel, QImage& img) {
    QPainter p(&img);
    panel.RenderTo(p);
}

void BM_EqPanelRepaint(benchmark::State& state) {
    auto panel = MakePanel();
    QImage img(panel->size(), QImage::Format_ARGB32_Premultiplied);
    Paint(*panel, img);  // builds the grid cache
    for (auto _ : state) {
        Paint(*panel, img);
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(BM_EqPanelRepaint)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_EqPanelDragStep(benchmark::State& state) {
    auto panel = MakePanel();
    QImage img(panel->size(), QImage::Format_ARGB32_Premultiplied);
    const auto& b = panel->band(11);
    const QPoint start(panel->plotRect().left() + static_cast<int>(b.x),
                       panel->plotRect().top() + static_cast<int>(b.y));
    auto send = [&](QEvent::Type t, QPoint pt, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent e(t, QPointF(pt), QPointF(pt), button, held, Qt::NoModifier);
        QApplication::sendEvent(panel.get(), &e);
    };
    send(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
    Paint(*panel, img);
    int step = 0;
    for (auto _ : state) {
        const QPoint to = start + QPoint((step % 40) - 20, (step % 30) - 15);
        ++step;
        send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        Paint(*panel, img);
        benchmark::DoNotOptimize(img.constBits());
    }
    send(QEvent::MouseButtonRelease, start, Qt::LeftButton, Qt::NoButton);
}
BENCHMARK(BM_EqPanelDragStep)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace
