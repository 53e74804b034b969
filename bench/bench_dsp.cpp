// Curve math as the EQ panel drives it: one band recomputed while dragged,
// and the summed curve of a full 40-band channel.
#include "dsp/filter.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using namespace udare::dsp;

void BM_BandCurvePeaking(benchmark::State& state) {
    const ResponseGrid& grid = defaultGrid();
    ResponseCurve out{};
    float f = 1000.0f;
    for (auto _ : state) {
        f = f > 15000.0f ? 40.0f : f * 1.01f;  // a drag: a new design every time
        BandCurve({FT_PEQ, 6.0f, f, 1.41f}, 800, grid, out);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BandCurvePeaking);

void BM_BandCurveChebyshev(benchmark::State& state) {
    const ResponseGrid& grid = defaultGrid();
    ResponseCurve out{};
    for (auto _ : state) {
        BandCurve({6, 0.0f, 120.0f, 0.7f}, 800, grid, out);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BandCurveChebyshev);

void BM_SummedCurve40(benchmark::State& state) {
    const ResponseGrid& grid = defaultGrid();
    std::vector<BandParams> bands;
    // 24 peaking/shelf bands plus four crossover cascades of four sections.
    for (int i = 0; i < 24; ++i)
        bands.push_back({i == 0 ? FT_LS : i == 23 ? FT_HS : FT_PEQ, (i % 7) - 3.0f,
                         20.0f * static_cast<float>(1 << (i / 3)) * (1.0f + (i % 3) / 3.0f),
                         1.41f});
    for (int fam : {1, 3, 6, 10})
        for (int code : CrossoverSections(fam, fam % 2 == 1))
            bands.push_back({code, 0.0f, 80.0f * static_cast<float>(fam + 1), 0.7f});
    ResponseCurve out{};
    for (auto _ : state) {
        SummedCurve(bands, 800, grid, out);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.counters["bands"] = static_cast<double>(bands.size());
}
BENCHMARK(BM_SummedCurve40)->Unit(benchmark::kMicrosecond);

void BM_DeviceCoefficients(benchmark::State& state) {
    int f = 20;
    for (auto _ : state) {
        f = f > 20000 ? 20 : f + 37;
        benchmark::DoNotOptimize(DeviceCoefficients(5, FT_PEQ, f, 3.0f, 1.41f));
    }
}
BENCHMARK(BM_DeviceCoefficients);

}  // namespace
