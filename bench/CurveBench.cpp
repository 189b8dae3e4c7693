// Benchmarks of function-curve evaluation and key insertion. Every animated value of a file
// passes through curve evaluation: sequential times (playback, plotting, resampling) must cost
// a few tens of nanoseconds, random times must stay logarithmic in the key count, and building
// a curve key by key in time order must be linear overall.

#include "curves/RFCurve.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int64_t kFrame = RTime::kTicksPerSecond / 30;

// A cubic curve with automatic tangents, one key per frame, wavy values.
void BuildCurve(RFCurve& curve, int keyCount) {
    curve.BeginBulkKeys(keyCount);
    for (int i = 0; i < keyCount; ++i) {
        curve.GetKey(i).Set(RTime(i * kFrame), static_cast<float>(std::sin(i * 0.1) * 10.0), RCurveKey::Cubic,
                            RCurveKey::Auto, 0.0f, 0.0f, 0, RCurveKey::kDefaultWeight, RCurveKey::kDefaultWeight,
                            0.0f, 0.0f);
    }
    curve.EndBulkKeys(keyCount);
}

RCurveKey CubicKey(float value) {
    RCurveKey key;
    key.Set(RTime(), value, RCurveKey::Cubic, RCurveKey::Auto, 0.0f, 0.0f, 0, RCurveKey::kDefaultWeight,
            RCurveKey::kDefaultWeight, 0.0f, 0.0f);
    return key;
}

// Playback: times advance by a quarter frame through the whole curve, through the cache.
void BM_CurveEvaluateSequential(benchmark::State& state) {
    const int keyCount = static_cast<int>(state.range(0));
    RFCurve curve;
    BuildCurve(curve, keyCount);
    const int64_t end = (keyCount - 1) * kFrame;
    int64_t t = 0;
    int hint = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(curve.EvaluateAtCached(RTime(t), &hint));
        t += kFrame / 4;
        if (t > end) t = 0;
    }
}
BENCHMARK(BM_CurveEvaluateSequential)->Arg(1000)->Arg(100000);

// Playback over a curve with a key at every frame, one evaluation per frame: at the key times
// (offset 0) and halfway between them (offset half a frame), through the curve's own search
// hint as the writers evaluate. Both must cost the same, and the same at every curve length.
void EvaluateEveryFrame(benchmark::State& state, int64_t offset) {
    const int keyCount = static_cast<int>(state.range(0));
    RFCurve curve;
    BuildCurve(curve, keyCount);
    int frame = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(curve.EvaluateAt(RTime(frame * kFrame + offset)));
        if (++frame == keyCount - 1) frame = 0;
    }
}
void BM_CurveEvaluateAtKeyTimes(benchmark::State& state) { EvaluateEveryFrame(state, 0); }
void BM_CurveEvaluateBetweenKeyTimes(benchmark::State& state) { EvaluateEveryFrame(state, kFrame / 2); }
BENCHMARK(BM_CurveEvaluateAtKeyTimes)->Arg(1000)->Arg(100000)->Arg(1000000);
BENCHMARK(BM_CurveEvaluateBetweenKeyTimes)->Arg(1000)->Arg(100000)->Arg(1000000);

// The raw operation beside them: the Bezier of the segment of a known index from plain arrays
// of values and slopes, halfway between the keys.
void BM_CurveSegmentRaw(benchmark::State& state) {
    const int keyCount = static_cast<int>(state.range(0));
    std::vector<float> values(keyCount);
    std::vector<float> slopes(keyCount);
    for (int i = 0; i < keyCount; ++i) {
        values[i] = static_cast<float>(std::sin(i * 0.1) * 10.0);
        slopes[i] = static_cast<float>(std::cos(i * 0.1));
    }
    const double third = 1.0 / 90.0;  // a frame's seconds over 3
    int frame = 0;
    for (auto _ : state) {
        const double c0 = values[frame];
        const double c1 = c0 + slopes[frame] * third;
        const double c3 = values[frame + 1];
        const double c2 = c3 - slopes[frame + 1] * third;
        benchmark::DoNotOptimize(static_cast<float>(0.125 * (c0 + 3.0 * c1 + 3.0 * c2 + c3)));
        if (++frame == keyCount - 1) frame = 0;
    }
}
BENCHMARK(BM_CurveSegmentRaw)->Arg(1000)->Arg(100000)->Arg(1000000);

// Random times over the whole curve; the carried hint is of no help.
void BM_CurveEvaluateRandom(benchmark::State& state) {
    const int keyCount = static_cast<int>(state.range(0));
    RFCurve curve;
    BuildCurve(curve, keyCount);
    std::mt19937_64 random(17);
    std::uniform_int_distribution<int64_t> pick(0, (keyCount - 1) * kFrame);
    std::vector<RTime> times(4096);
    for (RTime& time : times) time = RTime(pick(random));
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(curve.EvaluateAt(times[next]));
        next = (next + 1) & (times.size() - 1);
    }
}
BENCHMARK(BM_CurveEvaluateRandom)->Arg(1000)->Arg(10000)->Arg(100000);

// Building a curve with AddKey in time order; the counter gives the cost per key.
void BM_CurveAddKeysInOrder(benchmark::State& state) {
    const int keyCount = static_cast<int>(state.range(0));
    for (auto _ : state) {
        RFCurve curve;
        for (int i = 0; i < keyCount; ++i) curve.AddKey(RTime(i * kFrame), CubicKey(static_cast<float>(i)));
        benchmark::DoNotOptimize(curve.GetKeyCount());
    }
    state.counters["ns/key"] = benchmark::Counter(static_cast<double>(keyCount) * state.iterations(),
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CurveAddKeysInOrder)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Replacing the middle third of a long curve by a source twice as dense there: the span is
// removed once and the source keys copied in with one move of the keys after it, so the cost
// per key stays flat as the curve grows.
void BM_CurveReplaceSpanMiddle(benchmark::State& state) {
    const int keyCount = static_cast<int>(state.range(0));
    RFCurve source;
    source.BeginBulkKeys(keyCount);
    for (int i = 0; i < keyCount; ++i) {
        source.GetKey(i) = CubicKey(static_cast<float>(-i));
        source.GetKey(i).SetTime(RTime(i * (kFrame / 2)));
    }
    source.EndBulkKeys(keyCount);
    const RTime start((keyCount / 3) * kFrame);
    const RTime stop((2 * keyCount / 3) * kFrame);
    RFCurve curve;
    for (auto _ : state) {
        state.PauseTiming();
        BuildCurve(curve, keyCount);
        state.ResumeTiming();
        benchmark::DoNotOptimize(curve.ReplaceSpan(source, start, stop, true, false));
    }
    state.counters["ns/key"] = benchmark::Counter(static_cast<double>(keyCount) * state.iterations(),
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CurveReplaceSpanMiddle)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

}  // namespace
