// Benchmarks of the key filters on dense curves (motion capture gives a key per frame on every
// channel). Each pass must be linear or n log n in the key count: compare the keys-per-second
// figures of the 10,000 and 100,000-key cases, which must stay close.
//
// Sections: constant key reduction, key synchronization, unroll, gimbal killer, filters and plotting
// over the middle of a long curve, Bezier fit on tied errors. Further filters add their own section
// (or a file of their own to the filter_bench program).

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "curves/LayerPlotting.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveFilterConstantKeyReducer.h"
#include "curves/RFCurveFilterGimbleKiller.h"
#include "curves/RFCurveFilterKeyReducer.h"
#include "curves/RFCurveFilterKeySync.h"
#include "curves/RFCurveFilterUnroll.h"
#include "curves/RFCurveNode.h"

namespace {

constexpr int64_t kFrame = RTime::kTicksPerSecond / 30;

struct NodeDeleter {
    void operator()(RFCurveNode* node) const { RFCurveNode::Destroy(node); }
};
using NodePtr = std::unique_ptr<RFCurveNode, NodeDeleter>;

// One Cubic key per frame with the values the function gives, automatic or flat user tangents.
template <typename Values>
void FillCurve(RFCurve& curve, int keyCount, uint32_t tangentMode, Values values) {
    curve.BeginBulkKeys(keyCount);
    for (int i = 0; i < keyCount; ++i) {
        curve.GetKey(i).Set(RTime(i * kFrame), static_cast<float>(values(i)), RCurveKey::Cubic, tangentMode,
                            0.0f, 0.0f, 0, RCurveKey::kDefaultWeight, RCurveKey::kDefaultWeight, 0.0f, 0.0f);
    }
    curve.EndBulkKeys(keyCount);
}

void ReportKeys(benchmark::State& state, int keyCount) {
    state.SetItemsProcessed(state.iterations() * keyCount);
    state.counters["keys"] = keyCount;
}

// ---- Constant key reduction ------------------------------------------------------------------

// Plateaus of four equal keys: a run every four keys, each losing its two inner keys, the
// case where removing runs one by one would move the rest of the curve every time.
void BM_ConstantKeyReducerPlateaus(benchmark::State& state) {
    const int keyCount = static_cast<int>(state.range(0));
    RFCurve curve;
    RFCurveFilterConstantKeyReducer reducer;
    for (auto _ : state) {
        state.PauseTiming();
        FillCurve(curve, keyCount, RCurveKey::User, [](int i) { return i / 4; });
        state.ResumeTiming();
        benchmark::DoNotOptimize(reducer.Apply(curve));
    }
    ReportKeys(state, keyCount);
}
BENCHMARK(BM_ConstantKeyReducerPlateaus)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A wavy curve with automatic tangents: every key is examined, none goes.
void BM_ConstantKeyReducerNothingToRemove(benchmark::State& state) {
    const int keyCount = static_cast<int>(state.range(0));
    RFCurve curve;
    FillCurve(curve, keyCount, RCurveKey::Auto, [](int i) { return std::sin(i * 0.1) * 10.0; });
    RFCurveFilterConstantKeyReducer reducer;
    for (auto _ : state) {
        benchmark::DoNotOptimize(reducer.Apply(curve));
    }
    ReportKeys(state, keyCount);
}
BENCHMARK(BM_ConstantKeyReducerNothingToRemove)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// ---- Key synchronization ---------------------------------------------------------------------

// Two curves keyed on alternate frames: every key of each becomes a new key of the other.
void BM_KeySyncInterleaved(benchmark::State& state) {
    const int keyCount = static_cast<int>(state.range(0));
    RFCurve even;
    RFCurve odd;
    RFCurve* curves[] = {&even, &odd};
    RFCurveFilterKeySync sync;
    for (auto _ : state) {
        state.PauseTiming();
        FillCurve(even, keyCount / 2, RCurveKey::Auto, [](int i) { return std::sin(i * 0.2); });
        FillCurve(odd, keyCount / 2, RCurveKey::Auto, [](int i) { return std::cos(i * 0.2); });
        for (int i = 0; i < keyCount / 2; ++i) {
            odd.GetKey(i).SetTime(RTime((2 * i + 1) * kFrame));
            even.GetKey(i).SetTime(RTime(2 * i * kFrame));
        }
        state.ResumeTiming();
        benchmark::DoNotOptimize(sync.Apply(curves, 2));
    }
    ReportKeys(state, keyCount);
}
BENCHMARK(BM_KeySyncInterleaved)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// ---- Rotation filters ------------------------------------------------------------------------

// A rotation node whose Z channel spins 7 degrees a frame, wrapped into [-180, 180) as
// sampled Euler angles come, while X and Y sway.
NodePtr MakeSpinningRotation() {
    NodePtr node(RFCurveNode::Create("R", nullptr, RFCurveNode::LayerRotation));
    static const char* const kNames[] = {"X", "Y", "Z"};
    for (const char* name : kNames) {
        RFCurveNode* child = RFCurveNode::Create(name, nullptr);
        child->SetCurve(RFCurve::Create());
        node->AddChild(child);
    }
    return node;
}

void FillSpin(RFCurveNode& node, int keyCount) {
    FillCurve(*node.GetChild(0)->GetCurve(), keyCount, RCurveKey::Auto, [](int i) { return 20.0 * std::sin(i * 0.01); });
    FillCurve(*node.GetChild(1)->GetCurve(), keyCount, RCurveKey::Auto, [](int i) { return 15.0 * std::cos(i * 0.013); });
    FillCurve(*node.GetChild(2)->GetCurve(), keyCount, RCurveKey::Auto,
              [](int i) { return std::fmod(i * 7.0, 360.0) - 180.0; });
}

// A rotation filter on the whole curve, or over its middle half (the span taken over from the
// reworked copy must not cost a move of the keys after it for every key).
template <typename Filter>
void RunRotationFilter(benchmark::State& state, bool middleHalf, int rotationOrder = 0) {
    const int keyCount = static_cast<int>(state.range(0));
    NodePtr node = MakeSpinningRotation();
    node->SetRotationOrder(rotationOrder);
    Filter filter;
    if (middleHalf) {
        filter.SetSpan(RTime((keyCount / 4) * kFrame), RTime((3 * keyCount / 4) * kFrame));
    }
    for (auto _ : state) {
        state.PauseTiming();
        FillSpin(*node, keyCount);
        state.ResumeTiming();
        benchmark::DoNotOptimize(filter.Apply(*node, false));
    }
    ReportKeys(state, keyCount);
}

void BM_Unroll(benchmark::State& state) { RunRotationFilter<RFCurveFilterUnroll>(state, false); }
BENCHMARK(BM_Unroll)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Unroll in an order of three different axes (XZY), whose keys take the plain step where it
// applies, and its peer in the same run: an order repeating its first axis (XYX), whose keys
// all take the full step of the order.
void BM_UnrollDistinctAxes(benchmark::State& state) { RunRotationFilter<RFCurveFilterUnroll>(state, false, 2); }
BENCHMARK(BM_UnrollDistinctAxes)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

void BM_UnrollRepeatedAxis(benchmark::State& state) { RunRotationFilter<RFCurveFilterUnroll>(state, false, 1); }
BENCHMARK(BM_UnrollRepeatedAxis)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

void BM_GimbleKiller(benchmark::State& state) { RunRotationFilter<RFCurveFilterGimbleKiller>(state, false); }
BENCHMARK(BM_GimbleKiller)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// ---- Work over the middle of a long curve ----------------------------------------------------

void BM_UnrollMiddleSpan(benchmark::State& state) { RunRotationFilter<RFCurveFilterUnroll>(state, true); }
BENCHMARK(BM_UnrollMiddleSpan)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

void BM_GimbleKillerMiddleSpan(benchmark::State& state) { RunRotationFilter<RFCurveFilterGimbleKiller>(state, true); }
BENCHMARK(BM_GimbleKillerMiddleSpan)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

// Plotting an additive layer into the base over the middle half (merge mode): the base's keys
// there are replaced by the plotted ones and the layer is neutralised over the same span.
void BM_PlotMergeIntoSpan(benchmark::State& state) {
    const int keyCount = static_cast<int>(state.range(0));
    NodePtr node(RFCurveNode::Create("T", nullptr, RFCurveNode::LayerAdditive));
    for (const char* name : {"X", "Y", "Z"}) {
        node->FindOrAddChild(name, true);
    }
    RLayerPlotOptions options;
    options.mergeIntoSpan = true;
    const RTime start((keyCount / 4) * kFrame);
    const RTime stop((3 * keyCount / 4) * kFrame);
    for (auto _ : state) {
        state.PauseTiming();
        node->SetLayer(nullptr, true);
        for (int c = 0; c < 3; ++c) {
            FillCurve(*node->GetChild(c)->GetCurve(), keyCount, RCurveKey::Auto,
                      [c](int i) { return std::sin(i * 0.01 + c); });
        }
        RFCurveNode* layer = node->CreateLayer(1, true);
        const double offsets[3] = {1.0, 2.0, 3.0};
        layer->SetDefaultValues(offsets);
        state.ResumeTiming();
        benchmark::DoNotOptimize(PlotNodeAnimation(*node, start, stop, RTime(kFrame), options));
    }
    ReportKeys(state, keyCount);
}
BENCHMARK(BM_PlotMergeIntoSpan)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

// ---- Bezier fit on tied errors ---------------------------------------------------------------

// A zigzag, whose automatic slopes are all flat: between two fitted keys of one value every key
// misses the fit by the same amount, and the split must fall in the middle of the range, not
// next to one end.
void BM_BezierFitZigzag(benchmark::State& state) {
    const int keyCount = static_cast<int>(state.range(0));
    RFCurve curve;
    RFCurveFilterKeyReducer reducer;
    reducer.SetPrecision(0.01);
    int kept = 0;
    for (auto _ : state) {
        state.PauseTiming();
        FillCurve(curve, keyCount, RCurveKey::Auto, [](int i) { return (i % 2) * 10.0; });
        state.ResumeTiming();
        benchmark::DoNotOptimize(reducer.Apply(curve));
        kept = curve.GetKeyCount();
    }
    ReportKeys(state, keyCount);
    state.counters["kept"] = kept;
}
BENCHMARK(BM_BezierFitZigzag)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

}  // namespace
