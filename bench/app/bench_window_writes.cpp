// What the window waits for when it writes to a unit that answers in a few
// milliseconds (the virtual unit with 1 ms USB frames and 3 ms latency):
// the UI thread's time per drag step on the SUB page (four sections, eight
// reports) and on the MIC page with MIC1+MIC2 (four reports), per step of a
// ribbon volume drag, and for a music unmute (a fade of ten reports); then the
// time from the last step to the unit holding the final value. Each is run
// on the old path (every write waits for the unit on the UI thread) and on
// the outbox, in the same run.
//
// Counters: ui_median_ms, ui_p99_ms (per step), final_ms (last step until the
// unit holds the last value), reports (handed to the link during the run).
#include <benchmark/benchmark.h>

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "panel/dialog_music.h"
#include "eq_panel.h"
#include "link/outbox.h"
#include "link/usb_link.h"
#include "protocol/commands.h"
#include "sim/sim_options.h"
#include "sim/virtual_unit.h"

namespace {

using namespace udare;
using Clock = std::chrono::steady_clock;

QApplication& App() {
    static int argc = 1;
    static char name[] = "bench_window_writes";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// A unit that answers in a few milliseconds, the link, and the outbox over it.
struct Rig {
    Rig() : unit(options()), link(unit, st, NullLog::instance(), LinkContext{notifier, prompter, SystemClock::instance()}) {
        link.ConnectDevice();
        outbox = std::make_unique<Outbox>(link);
    }
    ~Rig() {
        outbox.reset();
        link.DisconnectDevice();
    }
    static sim::SimOptions options() {
        sim::SimOptions o;
        sim::parseSimOptions("frames,latency-ms=3", o);
        return o;
    }
    DeviceState st;
    NullNotifier notifier;
    AutoPrompter prompter;
    sim::VirtualUnit unit;
    UsbLink link;
    std::unique_ptr<Outbox> outbox;
};

enum class Path { Old, Outbox };

Ctx& pathContext(Rig& rig, Path p) { return p == Path::Old ? rig.link.context() : rig.outbox->context(); }

struct Figures {
    std::vector<double> steps;
    double finalMs = 0;
};

void report(benchmark::State& state, Figures f, Rig& rig, size_t receivedBefore) {
    std::sort(f.steps.begin(), f.steps.end());
    auto at = [&](double q) { return f.steps[std::min(f.steps.size() - 1, size_t(q * double(f.steps.size())))]; };
    state.counters["ui_median_ms"] = at(0.5);
    state.counters["ui_p99_ms"] = at(0.99);
    state.counters["final_ms"] = f.finalMs;
    state.counters["reports"] = double(rig.unit.receivedCount() - receivedBefore);
}

// Steps a mouse would make, 8 ms apart (a 125 Hz mouse), then waits for the unit.
template <class Step>
Figures drag(Rig& rig, int steps, Step step) {
    Figures f;
    const auto start = Clock::now();
    for (int i = 0; i < steps; ++i) {
        std::this_thread::sleep_until(start + std::chrono::milliseconds(8 * i));
        const auto t = Clock::now();
        step(i);
        f.steps.push_back(msSince(t));
    }
    const auto last = Clock::now();
    rig.outbox->waitDrained(60000);
    f.finalMs = msSince(last);
    return f;
}

// The tuning panel on a page, writing through the chosen path.
std::unique_ptr<panel::CDialogMusic> makePanel(Ctx& c, int page) {
    App();
    auto p = std::make_unique<panel::CDialogMusic>(c, nullptr, nullptr, page);
    p->resize(950, 520);
    p->show();
    QCoreApplication::processEvents();
    return p;
}

// One step of a handle drag: the curve moved the band, the panel follows it
// (its displays, then store and send), as on the curve's EqBandChanged.
void dragBand(panel::CDialogMusic& p, int band, int i) {
    dsp::EqBand& b = p.curve()->band(band);
    b.frequency = static_cast<float>(60 + (i % 40));
    p.curve()->RecomputeBand(band);
    p.OnBandSelected(b, band);
}

void BM_SubDragStep(benchmark::State& state) {
    const Path path = static_cast<Path>(state.range(0));
    Rig rig;
    auto p = makePanel(pathContext(rig, path), panel::PAGE_SUB);
    Figures f;
    const size_t before = rig.unit.receivedCount();
    for (auto _ : state) f = drag(rig, 60, [&](int i) { dragBand(*p, 0, i); });
    report(state, f, rig, before);
}
BENCHMARK(BM_SubDragStep)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MicBothDragStep(benchmark::State& state) {
    const Path path = static_cast<Path>(state.range(0));
    Rig rig;
    auto p = makePanel(pathContext(rig, path), panel::PAGE_MIC);
    p->SelectMicEq(panel::MIC_EQ_BOTH);
    Figures f;
    const size_t before = rig.unit.receivedCount();
    for (auto _ : state) f = drag(rig, 60, [&](int i) { dragBand(*p, 7, i); });
    report(state, f, rig, before);
}
BENCHMARK(BM_MicBothDragStep)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A ribbon slider dragged: one volume report per step.
void BM_RibbonVolumeStep(benchmark::State& state) {
    const Path path = static_cast<Path>(state.range(0));
    Rig rig;
    Ctx& c = pathContext(rig, path);
    Figures f;
    const size_t before = rig.unit.receivedCount();
    for (auto _ : state) f = drag(rig, 60, [&](int i) { SetMusicVolume(c, 20 + i); });
    report(state, f, rig, before);
}
BENCHMARK(BM_RibbonVolumeStep)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The music unmuted: ten reports 30 ms apart. Per step: one unmute.
void BM_MusicUnmute(benchmark::State& state) {
    const Path path = static_cast<Path>(state.range(0));
    Rig rig;
    Ctx& c = pathContext(rig, path);
    Figures f;
    const size_t before = rig.unit.receivedCount();
    for (auto _ : state) {
        for (int i = 0; i < 5; ++i) {
            SetMusicMute(c, 1);
            rig.outbox->waitDrained(60000);
            const auto t = Clock::now();
            SetMusicMute(c, 0);
            f.steps.push_back(msSince(t));
            const auto last = Clock::now();
            rig.outbox->waitDrained(60000);
            f.finalMs = msSince(last);
        }
    }
    report(state, f, rig, before);
}
BENCHMARK(BM_MusicUnmute)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
