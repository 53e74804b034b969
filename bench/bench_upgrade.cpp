// A whole DSP core upgrade of a 2 MB image on the virtual unit under the 1 ms
// USB frame model: erase, write and read back, paced one request at a time.
// bound_s is two frames per request sent; vs_bound the measured time over it.
// It runs for minutes (about 125000 requests): run it on its own.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "link/usb_link.h"
#include "upgrade/upgrade_hooks.h"
#include "sim/virtual_unit.h"
#include "upgrade/dsp_upgrade.h"

namespace udare {
namespace {

constexpr size_t kImageSize = 2000000;

void BM_DspUpgrade2MBFrames(benchmark::State& state) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("udare-bench-core-" + std::to_string(::getpid()) + ".tsp"))
            .string();
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) {
            state.SkipWithError("cannot write the image");
            return;
        }
        for (size_t i = 0; i < kImageSize; ++i) std::fputc(int((i * 131 + (i >> 9)) & 0xFF), f);
        std::fclose(f);
    }
    sim::SimOptions o;
    o.frames = true;
    sim::VirtualUnit unit(o);
    DeviceState st;
    UpgradeHooks hooks;
    NullNotifier notifier;
    AutoPrompter prompter;
    UsbLink link(unit, st, NullLog::instance(), LinkContext{notifier, prompter, SystemClock::instance(), &hooks});
    if (!link.ConnectDevice()) {
        state.SkipWithError("no unit");
        return;
    }
    double totalMs = 0, boundMs = 0;
    for (auto _ : state) {
        auto t = PrepareDspTransfer(path, nullptr);
        const size_t before = unit.receivedCount();
        const int64_t t0 = SystemClock::instance().nowMs();
        const DspResult r = RunDspUpgrade(link.context(), *t, link.dspUpgradeActive);
        const int64_t t1 = SystemClock::instance().nowMs();
        if (r != DspResult::Verified) state.SkipWithError("the read-back differs");
        totalMs += double(t1 - t0);
        boundMs += 2.0 * double(unit.receivedCount() - before);
    }
    link.DisconnectDevice();
    std::filesystem::remove(path);
    state.counters["requests"] = benchmark::Counter(boundMs / 2.0 / double(state.iterations()));
    state.counters["bound_s"] = benchmark::Counter(boundMs / 1000.0 / double(state.iterations()));
    state.counters["measured_s"] = benchmark::Counter(totalMs / 1000.0 / double(state.iterations()));
    state.counters["vs_bound"] = benchmark::Counter(totalMs / boundMs);
}
BENCHMARK(BM_DspUpgrade2MBFrames)->UseRealTime()->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
}  // namespace udare
