// The link's cost over the transport: paced request-reply round trips against
// a unit that answers at once, compared with ping-pong on the same backend
// without the link; and a whole read-back under the 1 ms USB frame model,
// whose bound is two frames per request.
#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "link/usb_link.h"
#include "link/workers.h"
#include "protocol/report.h"
#include "sim/virtual_unit.h"

namespace udare {
namespace {

// Waits cost nothing here: only the wire is measured.
class NoWaitClock final : public Clock {
public:
    void sleepMs(int) override {}
    int64_t nowMs() override { return SystemClock::instance().nowMs(); }
};

struct Rig {
    explicit Rig(const sim::SimOptions& o = {})
        : unit(o), link(unit, st, NullLog::instance(), LinkContext{notifier, prompter, clock}) {
        link.ConnectDevice();
    }
    ~Rig() { link.DisconnectDevice(); }
    DeviceState st;
    NullNotifier notifier;
    AutoPrompter prompter;
    NoWaitClock clock;
    sim::VirtualUnit unit;
    UsbLink link;
};

HidReport meterRequest() {
    HidReport r{};
    r[0] = kReportId;
    r[1] = 0x0E;  // the level-meter request: a short reply, nothing stored but three bytes
    return r;
}

// One paced round trip per iteration: each write waits for the previous reply.
void BM_LinkPacedRoundTrip(benchmark::State& state) {
    Rig rig;
    if (!rig.link.connected.load()) {
        state.SkipWithError("no unit");
        return;
    }
    const HidReport r = meterRequest();
    for (auto _ : state) benchmark::DoNotOptimize(rig.link.WriteUsbData(r.data(), r.size()));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LinkPacedRoundTrip)->UseRealTime();

// The same exchange without the link, reader and writer on separate threads
// as the link has them: the writer waits for the reader to hand over the reply.
void BM_BarePingPongTwoThreads(benchmark::State& state) {
    sim::VirtualUnit unit;
    auto list = unit.enumerate();
    auto dev = unit.open(list.at(0).path);
    std::mutex m;
    std::condition_variable cv;
    uint64_t replies = 0;
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        uint8_t buf[65];
        while (!stop.load()) {
            int n = dev->read(buf, sizeof buf, 50);
            if (n < 0) break;
            if (n == 0) continue;
            {
                std::lock_guard<std::mutex> l(m);
                ++replies;
            }
            cv.notify_one();
        }
    });
    const HidReport r = meterRequest();
    uint64_t sent = 0;
    for (auto _ : state) {
        dev->write(r.data(), r.size());
        ++sent;
        std::unique_lock<std::mutex> l(m);
        cv.wait(l, [&] { return replies >= sent; });
    }
    stop = true;
    dev->cancel();
    reader.join();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BarePingPongTwoThreads)->UseRealTime();

// The floor: write and read on one thread, no hand-over at all.
void BM_BarePingPongOneThread(benchmark::State& state) {
    sim::VirtualUnit unit;
    auto list = unit.enumerate();
    auto dev = unit.open(list.at(0).path);
    const HidReport r = meterRequest();
    uint8_t buf[65];
    for (auto _ : state) {
        dev->write(r.data(), r.size());
        benchmark::DoNotOptimize(dev->read(buf, sizeof buf, 1000));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BarePingPongOneThread)->UseRealTime();

// The full read-back of a synchronisation with 1 ms frames. bound_ms is two
// frames per request actually sent; vs_bound the measured time over it.
void BM_ReadAllFrames(benchmark::State& state) {
    sim::SimOptions o;
    o.frames = true;
    Rig rig(o);
    if (!rig.link.connected.load()) {
        state.SkipWithError("no unit");
        return;
    }
    double totalMs = 0, boundMs = 0;
    for (auto _ : state) {
        const size_t before = rig.unit.receivedCount();
        const int64_t t0 = SystemClock::instance().nowMs();
        ReadAll(rig.link.context());  // returns one frame before the last reply lands
        const int64_t t1 = SystemClock::instance().nowMs();
        totalMs += double(t1 - t0);
        boundMs += 2.0 * double(rig.unit.receivedCount() - before);
    }
    state.counters["requests"] = benchmark::Counter(boundMs / 2.0 / double(state.iterations()));
    state.counters["bound_ms"] = benchmark::Counter(boundMs / double(state.iterations()));
    state.counters["vs_bound"] = benchmark::Counter(totalMs / boundMs);
}
BENCHMARK(BM_ReadAllFrames)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace udare
