// The Bezier-fit key reducer on dense curves: a smooth curve that reduces to few keys and a
// noisy one that keeps most of them (the deepest refinement). The keys-per-second figures
// of the 10,000 and 100,000-key cases must stay close (n log n at most).

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "curves/RFCurve.h"
#include "curves/RFCurveFilterKeyReducer.h"

namespace {

constexpr int64_t kFrame = RTime::kTicksPerSecond / 30;

template <typename Values>
void FillAutoCurve(RFCurve& curve, int keyCount, Values values) {
    curve.BeginBulkKeys(keyCount);
    for (int i = 0; i < keyCount; ++i) {
        curve.GetKey(i).Set(RTime(i * kFrame), static_cast<float>(values(i)), RCurveKey::Cubic, RCurveKey::Auto,
                            0.0f, 0.0f, 0, RCurveKey::kDefaultWeight, RCurveKey::kDefaultWeight, 0.0f, 0.0f);
    }
    curve.EndBulkKeys(keyCount);
}

template <typename Values>
void RunBezierFit(benchmark::State& state, double precision, Values values) {
    const int keyCount = static_cast<int>(state.range(0));
    RFCurve curve;
    RFCurveFilterKeyReducer reducer;
    reducer.SetPrecision(precision);
    int kept = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FillAutoCurve(curve, keyCount, values);
        state.ResumeTiming();
        benchmark::DoNotOptimize(reducer.Apply(curve));
        kept = curve.GetKeyCount();
    }
    state.SetItemsProcessed(state.iterations() * keyCount);
    state.counters["keys"] = keyCount;
    state.counters["kept"] = kept;
}

void BM_BezierFitSmooth(benchmark::State& state) {
    RunBezierFit(state, 0.01, [](int i) { return 10.0 * std::sin(i / 40.0) + 3.0 * std::sin(i / 7.0); });
}

void BM_BezierFitNoisy(benchmark::State& state) {
    RunBezierFit(state, 0.1, [](int i) {
        // A hash of the index: the same noise on every run, without shared state.
        std::minstd_rand random(static_cast<unsigned>(i) + 1u);
        return static_cast<double>(random() % 1000) / 1000.0 + std::sin(i / 50.0);
    });
}

}  // namespace

BENCHMARK(BM_BezierFitSmooth)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BezierFitNoisy)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
