// Benchmarks of the node transforms at scale: the global matrices of a hierarchy of N nodes,
// each animated in a second take (keys on its X translation and Y rotation), evaluated at 100
// times, node by node (GetGlobalMatrixAt, each node in creation order, so that its parent's
// matrix at the time is cached) and by the walkers of the writers (EvaluateLocalMatrix and
// EvaluateGlobalMatrix from the top). The baseline in the same run does the same arithmetic
// by hand: the nine curves of each node evaluated directly, the local matrix composed and
// multiplied by the parent's global matrix held in a plain array.
//
// Two shapes: a tree in which each node has four children (depth about log4 N) and a chain
// of N levels. Each phase is reported as nanoseconds per node evaluation; the figures must
// stay flat from N = 10,000 to N = 100,000 (a step linear per node would make a phase
// quadratic), and the distance to the baseline is what the caches and lookups cost.

#include "core/EulerAngles.h"
#include "core/RMatrix.h"
#include "core/RTime.h"
#include "curves/RCurveKey.h"
#include "curves/RFCurve.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNode.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace {

enum Shape { kTree = 0, kChain = 1 };

constexpr int kTimeCount = 100;
constexpr int kChildrenPerNode = 4;

using Clock = std::chrono::steady_clock;

double NanosecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count();
}

RTime TimeAt(int step) { return RTime(step * RTime::kTicksPerSecond / 30); }

void Animate(RWyxTakeNode& take, int index) {
    RFCurve* translation = take.GetTranslationXCurve();
    RFCurve* rotation = take.GetRotationYCurve();
    for (int key = 0; key < 5; ++key) {
        const RTime time(key * RTime::kTicksPerSecond);
        const float value = static_cast<float>((key + index % 7) % 5);
        translation->AddKey(time, RCurveKey::Plain(time, value, RCurveKey::Cubic));
        rotation->AddKey(time, RCurveKey::Plain(time, value * 10.0f, RCurveKey::Linear));
    }
}

struct Hierarchy {
    std::unique_ptr<RWyxObjectFactory> factory = std::make_unique<RWyxObjectFactory>();
    std::vector<RWyxNode*> nodes;
    std::vector<int> parents;  // -1 for the top
};

Hierarchy Build(int count, Shape shape) {
    Hierarchy hierarchy;
    hierarchy.nodes.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        RWyxNode* node = hierarchy.factory->CreateNode(("Node" + std::to_string(i)).c_str());
        node->SetDefaultTranslation(RVector4(1.0, 0.5, 0.0, 0.0));
        const int parent = i == 0 ? -1 : (shape == kTree ? (i - 1) / kChildrenPerNode : i - 1);
        if (parent >= 0) hierarchy.nodes[static_cast<size_t>(parent)]->AddChild(node);
        if (RWyxTakeNode* take = node->AddTakeNode("Take 001")) Animate(*take, i);
        node->SetCurrentTakeNodeByName("Take 001");
        hierarchy.nodes.push_back(node);
        hierarchy.parents.push_back(parent);
    }
    return hierarchy;
}

// The baseline: the same curves, compositions and products without the node machinery.
class RawChain {
public:
    explicit RawChain(const Hierarchy& hierarchy) : parents_(hierarchy.parents) {
        for (RWyxNode* node : hierarchy.nodes) {
            RWyxTakeNode* take = node->GetCurrentTakeNode();
            curves_.push_back({take->GetTranslationXCurve(), take->GetTranslationYCurve(), take->GetTranslationZCurve(),
                               take->GetRotationXCurve(), take->GetRotationYCurve(), take->GetRotationZCurve(),
                               take->GetScalingXCurve(), take->GetScalingYCurve(), take->GetScalingZCurve()});
        }
        hints_.assign(curves_.size() * 9, 0);
        globals_.resize(curves_.size());
    }

    double Evaluate(RTime time) {
        double sum = 0.0;
        for (size_t i = 0; i < curves_.size(); ++i) {
            double values[9];
            for (int c = 0; c < 9; ++c) values[c] = curves_[i][static_cast<size_t>(c)]->EvaluateAt(time, &hints_[i * 9 + c]);
            RMatrix local;
            MatrixFromTRS(local, RVector4(values[0], values[1], values[2], 0.0),
                          RVector4(values[3], values[4], values[5], 0.0), RVector4(values[6], values[7], values[8], 0.0), 0);
            const int parent = parents_[i];
            if (parent >= 0) {
                MatrixMultiplyAffine(globals_[i], globals_[static_cast<size_t>(parent)], local);
            } else {
                globals_[i] = local;
            }
            sum += globals_[i][3][0];
        }
        return sum;
    }

private:
    std::vector<int> parents_;
    std::vector<std::vector<RFCurve*>> curves_;
    std::vector<int> hints_;
    std::vector<RMatrix> globals_;
};

void BM_GlobalTransforms(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const auto shape = static_cast<Shape>(state.range(1));
    double byNode = 0.0;
    double byWalker = 0.0;
    double raw = 0.0;
    double checksum = 0.0;
    for (auto _ : state) {
        Hierarchy hierarchy = Build(count, shape);
        RawChain baseline(hierarchy);
        RWyxNode* top = hierarchy.nodes.front();

        auto start = Clock::now();
        for (int step = 0; step < kTimeCount; ++step) {
            for (RWyxNode* node : hierarchy.nodes) checksum += node->GetGlobalMatrixAt(TimeAt(step))[3][0];
        }
        byNode += NanosecondsSince(start);

        start = Clock::now();
        for (int step = 0; step < kTimeCount; ++step) {
            top->EvaluateLocalMatrix(TimeAt(step), true);
            top->EvaluateGlobalMatrix(step, true);
            checksum += hierarchy.nodes.back()->GetGlobalMatrix()[3][0];
        }
        byWalker += NanosecondsSince(start);

        start = Clock::now();
        for (int step = 0; step < kTimeCount; ++step) checksum += baseline.Evaluate(TimeAt(step));
        raw += NanosecondsSince(start);

        // The three must agree on the last node at the last time.
        const RMatrix node = hierarchy.nodes.back()->GetGlobalMatrixAt(TimeAt(kTimeCount - 1));
        const RMatrix walked = hierarchy.nodes.back()->GetGlobalMatrix();
        if (MatrixCompare(node, walked, 1e-6 * count) != 0) state.SkipWithError("walker and node evaluation differ");
    }
    benchmark::DoNotOptimize(checksum);
    const double evaluations = static_cast<double>(state.iterations()) * count * kTimeCount;
    state.counters["node_ns/eval"] = byNode / evaluations;
    state.counters["walker_ns/eval"] = byWalker / evaluations;
    state.counters["raw_ns/eval"] = raw / evaluations;
    state.SetLabel(shape == kTree ? "tree" : "chain");
}
BENCHMARK(BM_GlobalTransforms)
    ->Args({10000, kTree})
    ->Args({100000, kTree})
    ->Args({10000, kChain})
    ->Args({100000, kChain})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
