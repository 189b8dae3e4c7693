// The export's animation pass and skin pass on host scenes made through the host's interface:
//   - N transforms, each with 1,000 keys on its nine translate, rotate and scale channels, N from
//     100 to 1,000: the animation pass (curves copied into "Take 001");
//   - a strip mesh of V vertices skinned to a chain of 60 joints (four influences a point), V
//     from 10,000 to 100,000: the skin pass (links, weights, bind pose).
// Beside each pass the raw operation it cannot do without runs on the same data: reading every
// host key (time, value, both tangents) for the curves, the host's own weight query for the
// skin. Reported: keys per second and seconds per skin pass, and each against its raw
// operation; both rates should stay flat as the scene grows tenfold.

#include "bench/RunFolder.h"
#include "core/FilePaths.h"
#include "hostexport/ExportSteps.h"
#include "hostexport/WyxVexaExportSession.h"
#include "plugin/WyxVexaOptions.h"

#include "host/src/scene/Scene.h"

#include <vexa/VFloatArray.h>
#include <vexa/VFnAnimCurve.h>
#include <vexa/VFnIkJoint.h>
#include <vexa/VFnMesh.h>
#include <vexa/VFnSkinCluster.h>
#include <vexa/VFnTransform.h>
#include <vexa/VGlobal.h>
#include <vexa/VItDependencyNodes.h>
#include <vexa/VMessageLog.h>
#include <vexa/VSelectionList.h>
#include <vexa/VTime.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kKeysPerChannel = 1000;
constexpr int kJoints = 60;
const char* const kChannels[] = {"translateX", "translateY", "translateZ", "rotateX", "rotateY",
                                 "rotateZ",    "scaleX",     "scaleY",     "scaleZ"};

// The registry and the plug-in's log in a folder of this run, removed at its end. The plug-in's
// options save themselves into the registry when the program ends, so the folder must outlive
// them: it is made at namespace scope in this file, which the link places before the plug-in's
// objects, so that it is made before the options and removed after them.
const wyx_bench::RunFolder gFolder("wyx-export-animation-bench-");

void Prepare() {
    static const bool prepared = [] {
        wyx_bench::KeepPluginFilesIn(gFolder);
        SetApplicationPath(gFolder.Join("").c_str());
        WyxVexaOptions& options = *GetPluginOptions();
        options.SetBoolOption(kExportShowUI, false);
        options.SetBoolOption(kExportBindPose, true);
        options.SetBoolOption(kExportApplyCstKeyRed, false);
        return true;
    }();
    static_cast<void>(prepared);
}

double SecondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// ---- animated transforms ---------------------------------------------------------------------------

void MakeAnimatedTransforms(int count) {
    vexa_host::Scene::instance().reset();
    VMessageLog::clear();
    for (int n = 0; n < count; ++n) {
        VFnTransform transform;
        const VObject made = transform.create();
        transform.setName(VString(("mover" + std::to_string(n)).c_str()));
        for (const char* channel : kChannels) {
            VFnAnimCurve curve;
            curve.create(transform.findPlug(channel));
            for (int k = 0; k < kKeysPerChannel; ++k) {
                curve.addKey(VTime(k / 30.0, VTime::kSeconds), std::sin(0.01 * k + n), VFnAnimCurve::kTangentSmooth,
                             VFnAnimCurve::kTangentSmooth);
            }
        }
        static_cast<void>(made);
    }
}

// The raw operation: every host key read once, as the conversion reads it.
double ReadEveryHostKey() {
    double sum = 0.0;
    for (VItDependencyNodes it(VFn::kAnimCurve); !it.isDone(); it.next()) {
        const VFnAnimCurve curve(it.thisNode());
        for (unsigned k = 0; k < curve.numKeys(); ++k) {
            double x = 0.0;
            double y = 0.0;
            curve.getTangent(k, x, y, true);
            curve.getTangent(k, x, y, false);
            sum += curve.time(k).as(VTime::kSeconds) + curve.value(k) + x + y;
        }
    }
    return sum;
}

struct PassTimes {
    double pass = 0.0;
    double raw = 0.0;
};

// Per iteration: a new session through the DAG walk (and, with animated, the animation pass),
// untimed; the pass timed; the raw operation timed on its own.
PassTimes MeasurePass(benchmark::State& state, bool animated, const std::function<void(WyxVexaExportSession&)>& pass,
                      const std::function<double()>& raw) {
    PassTimes times;
    for (auto _ : state) {
        state.PauseTiming();
        auto session = std::make_unique<WyxVexaExportSession>();
        session->Begin("bench.wyx");
        session->CollectHostScene();
        if (animated) ExportNodeAnimation(*session, session->GetRootNode());
        state.ResumeTiming();
        times.pass += SecondsOf([&] { pass(*session); });
        state.PauseTiming();
        times.raw += SecondsOf([&] { benchmark::DoNotOptimize(raw()); });
        session.reset();
        state.ResumeTiming();
    }
    return times;
}

void BM_AnimationPass(benchmark::State& state) {
    Prepare();
    const int count = static_cast<int>(state.range(0));
    MakeAnimatedTransforms(count);
    const PassTimes times = MeasurePass(
        state, false, [](WyxVexaExportSession& session) { ExportNodeAnimation(session, session.GetRootNode()); },
        ReadEveryHostKey);
    const double keys = static_cast<double>(count) * 9.0 * kKeysPerChannel * static_cast<double>(state.iterations());
    state.counters["keys_per_s"] = keys / times.pass;
    state.counters["raw_read_share"] = times.raw / times.pass;
}
BENCHMARK(BM_AnimationPass)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(1);

// ---- a skinned mesh -----------------------------------------------------------------------------------

// A strip of quads along X with `vertices` points and a chain of 60 joints along it.
void MakeSkinnedStrip(int vertices) {
    vexa_host::Scene::instance().reset();
    VMessageLog::clear();
    const int columns = vertices / 2;
    VPointArray points;
    for (int i = 0; i < columns; ++i) {
        points.append(VPoint(i, 0.0, 0.0));
        points.append(VPoint(i, 1.0, 0.0));
    }
    VIntArray counts;
    VIntArray connects;
    for (int i = 0; i + 1 < columns; ++i) {
        counts.append(4);
        for (int corner : {2 * i, 2 * i + 2, 2 * i + 3, 2 * i + 1}) connects.append(corner);
    }
    VFnMesh mesh;
    const VObject shape = mesh.create(static_cast<int>(points.length()), static_cast<int>(counts.length()), points, counts,
                                      connects);
    VFnDagNode(VFnDagNode(shape).parent(0)).setName("skinned");
    VFnDagNode(shape).setName("skinnedShape");
    VFnIkJoint joint;
    VObject parent = VObject::kNullObj;
    const double step = static_cast<double>(columns) / kJoints;
    VSelectionList selection;
    for (int j = 0; j < kJoints; ++j) {
        parent = joint.create(parent);
        joint.setTranslation(VVector(j == 0 ? 0.0 : step, 0.5, 0.0), VSpace::kTransform);
        VDagPath path;
        VDagPath::getAPathTo(parent, path);
        selection.add(path);
    }
    VDagPath meshPath;
    VDagPath::getAPathTo(shape, meshPath);
    selection.add(meshPath);
    VGlobal::setActiveSelectionList(selection, VGlobal::kReplaceList);
    VGlobal::executeCommand("newSkinCluster \"-toSelectedBones -mi 4 -dr 4\"");
}

// The raw operation: every influence's weights read once from the host.
double ReadEveryWeight() {
    double sum = 0.0;
    for (VItDependencyNodes it(VFn::kSkinClusterFilter); !it.isDone(); it.next()) {
        const VFnSkinCluster skin(it.thisNode());
        VSelectionList list;
        list.add("skinnedShape");
        VDagPath shape;
        list.getDagPath(0, shape);
        for (unsigned j = 0; j < kJoints; ++j) {
            VFloatArray weights;
            skin.getWeights(shape, VObject::kNullObj, j, weights);
            for (unsigned w = 0; w < weights.length(); ++w) sum += weights[w];
        }
    }
    return sum;
}

void BM_SkinPass(benchmark::State& state) {
    Prepare();
    const int vertices = static_cast<int>(state.range(0));
    MakeSkinnedStrip(vertices);
    const PassTimes times = MeasurePass(
        state, true, [](WyxVexaExportSession& session) { ExportSkinClusters(session); }, ReadEveryWeight);
    const double iterations = static_cast<double>(state.iterations());
    state.counters["s_per_pass"] = times.pass / iterations;
    state.counters["us_per_vertex"] = 1e6 * times.pass / iterations / vertices;
    state.counters["raw_weight_share"] = times.raw / times.pass;
}
BENCHMARK(BM_SkinPass)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
