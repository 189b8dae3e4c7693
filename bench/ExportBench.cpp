// The export of host scenes to WYX files through the shell's road: the plug-in module loaded by
// the host's plug-in manager and "WYXExport -f file" run by the host's command engine (dialogs
// off), on host scenes of
//   - a hierarchy of N transforms (each below transform (i - 1) / 8), N from 1,000 to 10,000;
//   - one mesh of a million quads (a 1000 x 1000 grid) with a UV per point and two shading
//     groups, half the faces each.
//   - a chain of N transforms beside N under one parent (BM_ExportChain).
// Beside each export the SDK alone writes the same scene again: the exported file is read back
// and the clock runs over the version 6 writer only. Its time over the export's is the
// writer's share, the rest is the export's walk of the host. Reported per export: seconds, the
// per-node (per-polygon) time and the two shares; the per-node time should stay flat from
// 1,000 to 10,000 nodes.

#include "bench/HostTransformTree.h"
#include "bench/RunFolder.h"
#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxFileImporter.h"
#include "platform/NativeFiles.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "wyxwriter/RWyxWriterWyx6.h"

#include "host/src/plugins/PluginManager.h"
#include "host/src/scene/Scene.h"

#include <vexa/VFloatArray.h>
#include <vexa/VFnDagNode.h>
#include <vexa/VFnMesh.h>
#include <vexa/VGlobal.h>
#include <vexa/VIntArray.h>
#include <vexa/VMessageLog.h>
#include <vexa/VPointArray.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>

namespace {

constexpr int kGridSide = 1000;
constexpr int kPolygons = kGridSide * kGridSide;
constexpr int kBranching = 8;

// Files, the registry and the plug-in's log in a folder of this run, removed at its end.
const std::string& Folder() {
    static const wyx_bench::RunFolder folder("wyx-export-bench-");
    static const bool kept = (wyx_bench::KeepPluginFilesIn(folder), true);
    (void)kept;
    return folder.path();
}

bool LoadPlugin() {
    static const bool loaded = [] {
        Folder();
        std::string name;
        if (!vexa_host::PluginManager::instance().load(WYX_PLUGIN_MODULE_PATH, name)) return false;
        return static_cast<bool>(VGlobal::executeCommand("WYXExportShowUI -v false"));
    }();
    return loaded;
}

bool BuildTransforms(int count) { return wyx_bench::MakeHostTransformTree(count, kBranching); }

// The grid of quads with one UV per point and two shading groups, half the faces each.
bool BuildGridMesh() {
    const int side = kGridSide + 1;
    VPointArray points;
    VFloatArray u;
    VFloatArray v;
    for (int row = 0; row < side; ++row) {
        for (int column = 0; column < side; ++column) {
            points.append(VPoint(column, 0.0, row));
            u.append(static_cast<float>(column) / kGridSide);
            v.append(static_cast<float>(row) / kGridSide);
        }
    }
    VIntArray counts(kPolygons, 4);
    VIntArray corners;
    for (int row = 0; row < kGridSide; ++row) {
        for (int column = 0; column < kGridSide; ++column) {
            const int first = row * side + column;
            for (const int corner : {first, first + 1, first + side + 1, first + side}) corners.append(corner);
        }
    }
    VStatus status;
    VFnMesh mesh;
    const VObject shape = mesh.create(side * side, kPolygons, points, counts, corners, VObject::kNullObj, &status);
    if (!status || !mesh.setUVs(u, v) || !mesh.assignUVs(counts, corners)) return false;
    VFnDagNode(VFnDagNode(shape).parent(0)).setName("grid");
    const std::string half = std::to_string(kPolygons / 2);
    const std::string script =
        "shadingNode -as lambert -n red; sets -renderable true -noSurfaceShader true -empty -name redSG; "
        "connectAttr -f red.outColor redSG.surfaceShader; "
        "shadingNode -as phong -n blue; sets -renderable true -noSurfaceShader true -empty -name blueSG; "
        "connectAttr -f blue.outColor blueSG.surfaceShader; "
        "sets -e -forceElement redSG grid.f[0:" + std::to_string(kPolygons / 2 - 1) + "]; "
        "sets -e -forceElement blueSG grid.f[" + half + ":" + std::to_string(kPolygons - 1) + "]";
    return static_cast<bool>(VGlobal::executeCommand(VString(script.c_str())));
}

double SecondsOf(const std::function<bool()>& work, bool& ok) {
    const auto start = std::chrono::steady_clock::now();
    ok = work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool ExportThroughTheShell(const std::string& path) {
    return static_cast<bool>(VGlobal::executeCommand(VString(("WYXExport -f \"" + path + "\"").c_str())));
}

// The exported file read back, then written again by the SDK's writer alone (timed).
bool WriteAgainWithTheSdk(const std::string& path, double& seconds) {
    RWyxObjectFactory factory;
    RWyxFileImporter* importer = factory.CreateFileImporter();
    RWyxScene* scene = factory.CreateScene();
    if (importer == nullptr || !importer->Initialize(path.c_str()) || !importer->Import(scene)) return false;
    RWyxWriterWyx6 writer(&factory, nullptr);
    writer.SetFileMode(RWyxWriterWyx::kFileModeBinary);
    RStreamOptionsPtr options = writer.GetWriteOptions();
    const std::string again = path + ".again.wyx";
    bool written = false;
    seconds = SecondsOf(
        [&] { return writer.FileCreate(again.c_str()) && writer.Write(scene, options.get()) && writer.FileClose(); },
        written);
    return written;
}

// One export and one write of its scene per iteration; the counters are per item (node or
// polygon).
void Measure(benchmark::State& state, const std::function<bool()>& build, int items) {
    const std::string path = Folder() + "/exported.wyx";
    if (!LoadPlugin()) {
        state.SkipWithError("the plug-in is missing");
        return;
    }
    vexa_host::Scene::instance().reset();
    if (!build()) {
        state.SkipWithError("the host scene could not be made");
        return;
    }
    double exportSeconds = 0.0;
    double writeSeconds = 0.0;
    for (auto _ : state) {
        bool exported = false;
        VMessageLog::clear();
        exportSeconds += SecondsOf([&] { return ExportThroughTheShell(path); }, exported);
        double write = 0.0;
        if (!exported || !WriteAgainWithTheSdk(path, write)) {
            state.SkipWithError("the export or the write failed");
            return;
        }
        writeSeconds += write;
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["export_s"] = exportSeconds / iterations;
    state.counters["us_per_item"] = 1e6 * exportSeconds / iterations / items;
    state.counters["writer_share"] = writeSeconds / exportSeconds;
    state.counters["host_walk_share"] = 1.0 - writeSeconds / exportSeconds;
}

void BM_ExportTransforms(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    Measure(state, [count] { return BuildTransforms(count); }, count);
}
BENCHMARK(BM_ExportTransforms)->Arg(1000)->Arg(3000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

// A chain of N transforms (each the child of the last) beside its peer, the same N under one
// parent: microseconds per node of each export. A node's path is as long as its depth, so the
// chain's figure may grow with N once per path the export names, the peer's stays flat.
void BM_ExportChain(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::string path = Folder() + "/chain.wyx";
    if (!LoadPlugin()) {
        state.SkipWithError("the plug-in is missing");
        return;
    }
    double seconds[2] = {0.0, 0.0};
    for (auto _ : state) {
        for (const int branching : {1, count}) {
            vexa_host::Scene::instance().reset();
            bool ok = wyx_bench::MakeHostTransformTree(count, branching);
            VMessageLog::clear();
            if (ok) seconds[branching == count ? 1 : 0] += SecondsOf([&] { return ExportThroughTheShell(path); }, ok);
            if (!ok) {
                state.SkipWithError("the scene or its export failed");
                return;
            }
        }
    }
    vexa_host::Scene::instance().reset();
    const double iterations = static_cast<double>(state.iterations());
    state.counters["chain_us_per_node"] = 1e6 * seconds[0] / iterations / count;
    state.counters["flat_us_per_node"] = 1e6 * seconds[1] / iterations / count;
    state.counters["chain_over_flat"] = seconds[0] / seconds[1];
}
BENCHMARK(BM_ExportChain)->Arg(250)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ExportMillionPolygonMesh(benchmark::State& state) { Measure(state, BuildGridMesh, kPolygons); }
BENCHMARK(BM_ExportMillionPolygonMesh)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
