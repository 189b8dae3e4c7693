// The import of WYX files into the host through the shell's road: the plug-in module loaded
// by the host's plug-in manager and "WYXImport -f file" run by the host's command engine
// (dialogs off, add to a new scene), on files our writer made of
//   - a hierarchy of N null nodes (each node below node (i - 1) / 8), N from 1,000 to 10,000;
//   - the benchmarks' large scene: one mesh of a million quads (normals, UVs, two materials)
//     and a hundred nodes animated in its one take, which the import reads;
//   - N animated transforms, N from 100 to 1,000, each with a thousand cubic keys on each of
//     its nine translation, rotation and scaling channels: the keys per second into the host
//     should stay flat from 100 to 1,000 nodes (no step quadratic in keys or nodes);
//   - a grid mesh of N quads, N from 10,000 to a million, whose two materials alternate polygon
//     by polygon (a checkerboard, one set edit per polygon), against the same grid with its
//     materials in two halves (two set edits) imported in the same run: the time per polygon
//     should stay flat, and within 3x of the halves;
//   - a strip of N quads, N 4,000 and 16,000, with UVs by polygon vertex on every corner but the
//     first of each quad (the import gives those corners their UVs one by one), against the same
//     strip with every corner mapped imported in the same run: the time per polygon should stay
//     flat, and near that of the whole polygons.
// Beside each import the SDK reader alone reads the same file into a scene (the importer front
// end, no host): its time over the import's is the reader's share, the rest is the host's
// creation. Reported per import: seconds, the per-node (per-polygon) time and the reader's
// share; the per-node time should stay flat from 1,000 to 10,000 nodes. Beside the nodes files
// the host makes and names as many transforms through its own interface, the raw work an
// import of them cannot do without.

#include "bench/AllocationCounter.h"
#include "bench/HostTransformTree.h"
#include "bench/ImportBenchSupport.h"
#include "bench/WyxBenchScene.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "fileio/RWyxFileImporter.h"
#include "platform/NativeFiles.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

#include "host/src/scene/Scene.h"

#include <vexa/VFnAnimCurve.h>
#include <vexa/VFnDependencyNode.h>
#include <vexa/VGlobal.h>
#include <vexa/VMessageLog.h>
#include <vexa/VSelectionList.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>

namespace {

constexpr int kPolygons = 1000 * 1000;
constexpr int kBranching = 8;
constexpr int kTransformChannels = 9;
constexpr int kKeysPerChannel = 1000;

// The file of that name in the run's folder, written once from the scene `build` fills.
std::string CachedFile(const std::string& name, const std::function<void(RWyxObjectFactory&, RWyxScene&)>& build) {
    static std::map<std::string, std::string> files;
    auto found = files.find(name);
    if (found != files.end()) return found->second;
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    build(factory, *scene);
    const std::string path = wyx_bench::ImportFolder() + "/" + name + ".wyx";
    if (!wyx_bench::WriteBinary(factory, scene, path)) return std::string();
    return files[name] = path;
}

std::string NodesFile(int count) {
    return CachedFile("nodes" + std::to_string(count), [count](RWyxObjectFactory& factory, RWyxScene& scene) {
        std::vector<RWyxNode*> nodes;
        for (int i = 0; i < count; ++i) {
            RWyxNode* node = factory.CreateNode(("n" + std::to_string(i)).c_str());
            (i == 0 ? scene.GetRootNode() : nodes[static_cast<size_t>((i - 1) / kBranching)])->AddChild(node);
            nodes.push_back(node);
        }
    });
}

// Nodes side by side below the root, each animated on its nine transform channels.
std::string AnimatedFile(int count) {
    return CachedFile("animated" + std::to_string(count), [count](RWyxObjectFactory& factory, RWyxScene& scene) {
        for (int i = 0; i < count; ++i) {
            RWyxNode* node = factory.CreateNode(("a" + std::to_string(i)).c_str());
            scene.GetRootNode()->AddChild(node);
            wyx_bench::Animate(*node, i, kTransformChannels);
        }
    });
}

// A grid of side x side quads with two materials, alternating polygon by polygon (checkerboard)
// or the first half of the rows one and the rest the other.
std::string GridFile(int side, bool checkerboard) {
    const std::string name = std::string(checkerboard ? "checkerboard" : "halves") + std::to_string(side);
    return CachedFile(name, [side, checkerboard](RWyxObjectFactory& factory, RWyxScene& scene) {
        const int points = side + 1;
        RWyxMesh* mesh = factory.CreateMesh();
        mesh->InitControlPoints(points * points);
        for (int i = 0; i < points * points; ++i) mesh->SetControlPointAt(i, RVector4(i % points, 0.0, i / points, 1.0));
        mesh->AddMaterial(factory.CreateMaterial("Even"));
        mesh->AddMaterial(factory.CreateMaterial("Odd"));
        mesh->InitMaterialIndices(RWyxMesh::kKindByPolygon);
        for (int row = 0; row < side; ++row) {
            for (int column = 0; column < side; ++column) {
                const int corner = row * points + column;
                mesh->BeginPolygon(checkerboard ? (row + column) % 2 : (2 * row) / side);
                for (const int point : {corner, corner + 1, corner + points + 1, corner + points}) {
                    mesh->AddPolygonVertex(point);
                }
            }
        }
        RWyxNode* node = factory.CreateNode("Grid");
        node->SetNodeAttribute(mesh);
        scene.GetRootNode()->AddChild(node);
    });
}

// A strip of quads side by side, a UV on every point mapped by polygon vertex; with
// `firstCornerBare` the first corner of every quad has none.
std::string StripFile(int quads, bool firstCornerBare) {
    const std::string name = std::string(firstCornerBare ? "partly" : "fully") + "Mapped" + std::to_string(quads);
    return CachedFile(name, [quads, firstCornerBare](RWyxObjectFactory& factory, RWyxScene& scene) {
        const int row = quads + 1;
        RWyxMesh* mesh = factory.CreateMesh();
        mesh->InitControlPoints(2 * row);
        for (int i = 0; i < 2 * row; ++i) mesh->SetControlPointAt(i, RVector4(i % row, 0.0, i / row, 1.0));
        mesh->InitTextureUVMapping(RWyxMesh::kKindByPolygonVertex);
        for (int i = 0; i < 2 * row; ++i) mesh->AddTextureUV(static_cast<double>(i % row) / quads, i / row);
        for (int q = 0; q < quads; ++q) {
            mesh->BeginPolygon();
            mesh->AddPolygonVertex(q, firstCornerBare ? -1 : q);
            for (const int point : {q + 1, row + q + 1, row + q}) mesh->AddPolygonVertex(point, point);
        }
        RWyxNode* node = factory.CreateNode("Strip");
        node->SetNodeAttribute(mesh);
        scene.GetRootNode()->AddChild(node);
    });
}

// The keys of the host curve driving the plug "node.attribute" (0 without one).
unsigned HostKeys(const char* node, const char* attribute) {
    VSelectionList selection;
    VObject object;
    if (!selection.add(node) || !selection.getDependNode(0, object)) return 0;
    VStatus status;
    const VFnAnimCurve curve(VFnDependencyNode(object).findPlug(attribute), &status);
    return status ? curve.numKeys() : 0;
}

// The benchmarks' large scene (WyxBenchScene.h): the million-quad mesh with its normals, UVs and
// two materials, and a hundred nodes animated in its one take.
std::string MeshFile() {
    static const std::string file = [] {
        wyx_bench::BigScene& big = wyx_bench::Scene();
        const std::string path = wyx_bench::ImportFolder() + "/mesh.wyx";
        return wyx_bench::WriteBinary(big.factory, big.scene, path) ? path : std::string();
    }();
    return file;
}

double SecondsOf(const std::function<bool()>& work, bool& ok) {
    const auto start = std::chrono::steady_clock::now();
    ok = work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool ReadWithTheSdk(const std::string& path) {
    RWyxObjectFactory factory;
    RWyxFileImporter* importer = factory.CreateFileImporter();
    RWyxScene* scene = factory.CreateScene();
    return importer->Initialize(path.c_str()) && importer->Import(scene);
}

bool ImportThroughTheShell(const std::string& path) {
    return static_cast<bool>(VGlobal::executeCommand(VString(("WYXImport -f \"" + path + "\"").c_str())));
}

// One import and one read of the file per iteration (and the peer's work, when given, in a new
// scene); the counters are per item (node or polygon).
void Measure(benchmark::State& state, const std::string& path, int items, const std::function<bool()>& peer = {}) {
    if (path.empty() || !wyx_bench::LoadImportPlugin()) {
        state.SkipWithError("the file or the plug-in is missing");
        return;
    }
    double importSeconds = 0.0;
    double readSeconds = 0.0;
    double peerSeconds = 0.0;
    for (auto _ : state) {
        bool imported = false;
        bool read = false;
        bool peered = true;
        vexa_host::Scene::instance().reset();  // the last import's nodes go before the clock runs
        VMessageLog::clear();
        importSeconds += SecondsOf([&] { return ImportThroughTheShell(path); }, imported);
        readSeconds += SecondsOf([&] { return ReadWithTheSdk(path); }, read);
        if (peer) {
            vexa_host::Scene::instance().reset();
            peerSeconds += SecondsOf(peer, peered);
        }
        if (!imported || !read || !peered) {
            state.SkipWithError("the import, the read or the peer failed");
            return;
        }
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["import_s"] = importSeconds / iterations;
    state.counters["us_per_item"] = 1e6 * importSeconds / iterations / items;
    state.counters["reader_share"] = readSeconds / importSeconds;
    state.counters["host_share"] = 1.0 - readSeconds / importSeconds;
    if (peer) {
        state.counters["host_create_us_per_item"] = 1e6 * peerSeconds / iterations / items;
        state.counters["import_over_host_create"] = importSeconds / peerSeconds;
    }
}

// Beside the import, the host's own creation and naming of as many transforms (the peer):
// host_create_us_per_item, and the import's time over it.
void BM_ImportNodes(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    Measure(state, NodesFile(count), count, [count] { return wyx_bench::MakeHostTransformTree(count, kBranching); });
}
BENCHMARK(BM_ImportNodes)->Arg(1000)->Arg(3000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ImportMillionPolygonMesh(benchmark::State& state) { Measure(state, MeshFile(), kPolygons); }
BENCHMARK(BM_ImportMillionPolygonMesh)->Unit(benchmark::kMillisecond)->Iterations(1);

// keys_per_s counts the keys that reached host curves (checked on the last node after each
// import) over the import's time.
void BM_ImportAnimatedTransforms(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    Measure(state, AnimatedFile(count), count);
    if (state.error_occurred()) return;
    const std::string last = "a" + std::to_string(count - 1);
    if (HostKeys(last.c_str(), "rotateZ") != kKeysPerChannel || HostKeys(last.c_str(), "scaleZ") != kKeysPerChannel) {
        state.SkipWithError("the keys did not reach the host");
        return;
    }
    const double keys = static_cast<double>(count) * kTransformChannels * kKeysPerChannel;
    state.counters["keys_per_s"] = keys / state.counters["import_s"];
}
BENCHMARK(BM_ImportAnimatedTransforms)->Arg(100)->Arg(300)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(1);

// The checkerboard grid and the grid of two halves, each imported into a new scene per
// iteration after one untimed import of each; us_per_polygon and halves_us_per_polygon are their times per polygon,
// checkerboard_over_halves their ratio; allocations_per_polygon and
// halves_allocations_per_polygon count the heap allocations of each import per polygon.
void BM_ImportCheckerboardMesh(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const std::string checkerboard = GridFile(side, true);
    const std::string halves = GridFile(side, false);
    if (checkerboard.empty() || halves.empty() || !wyx_bench::LoadImportPlugin()) {
        state.SkipWithError("the files or the plug-in are missing");
        return;
    }
    // Each file is imported once untimed first: the run's first import takes the heap's
    // first-touch page faults, which would otherwise fall on the checkerboard alone.
    for (const std::string* file : {&checkerboard, &halves}) {
        vexa_host::Scene::instance().reset();
        VMessageLog::clear();
        if (!ImportThroughTheShell(*file)) {
            state.SkipWithError("an import failed");
            return;
        }
    }
    double checkerboardSeconds = 0.0;
    double halvesSeconds = 0.0;
    std::uint64_t allocations[2] = {0, 0};
    for (auto _ : state) {
        bool imported[2] = {false, false};
        vexa_host::Scene::instance().reset();
        VMessageLog::clear();
        std::uint64_t before = AllocationCount();
        checkerboardSeconds += SecondsOf([&] { return ImportThroughTheShell(checkerboard); }, imported[0]);
        allocations[0] += AllocationCount() - before;
        vexa_host::Scene::instance().reset();
        before = AllocationCount();
        halvesSeconds += SecondsOf([&] { return ImportThroughTheShell(halves); }, imported[1]);
        allocations[1] += AllocationCount() - before;
        if (!imported[0] || !imported[1]) {
            state.SkipWithError("an import failed");
            return;
        }
    }
    const double polygons = static_cast<double>(side) * side * static_cast<double>(state.iterations());
    state.counters["polygons"] = static_cast<double>(side) * side;
    state.counters["us_per_polygon"] = 1e6 * checkerboardSeconds / polygons;
    state.counters["halves_us_per_polygon"] = 1e6 * halvesSeconds / polygons;
    state.counters["checkerboard_over_halves"] = checkerboardSeconds / halvesSeconds;
    state.counters["allocations_per_polygon"] = static_cast<double>(allocations[0]) / polygons;
    state.counters["halves_allocations_per_polygon"] = static_cast<double>(allocations[1]) / polygons;
}
BENCHMARK(BM_ImportCheckerboardMesh)->Arg(100)->Arg(316)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportCheckerboardMesh)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Imports the file into a new scene; false when the import fails.
bool ImportIntoNewScene(const std::string& path) {
    vexa_host::Scene::instance().reset();
    VMessageLog::clear();
    return ImportThroughTheShell(path);
}

// The strip with a bare first corner in every quad and the fully mapped strip, each imported
// into a new scene per iteration after one untimed import of each: us_per_polygon and
// fully_us_per_polygon are their times per polygon, partly_over_fully their ratio, which
// should stay the same from 4,000 to 16,000 quads.
void BM_ImportPartlyMappedStrip(benchmark::State& state) {
    const int quads = static_cast<int>(state.range(0));
    const std::string partly = StripFile(quads, true);
    const std::string fully = StripFile(quads, false);
    if (partly.empty() || fully.empty() || !wyx_bench::LoadImportPlugin() || !ImportIntoNewScene(partly) ||
        !ImportIntoNewScene(fully)) {
        state.SkipWithError("the files, the plug-in or an import failed");
        return;
    }
    double partlySeconds = 0.0;
    double fullySeconds = 0.0;
    for (auto _ : state) {
        bool imported[2] = {false, false};
        partlySeconds += SecondsOf([&] { return ImportIntoNewScene(partly); }, imported[0]);
        fullySeconds += SecondsOf([&] { return ImportIntoNewScene(fully); }, imported[1]);
        if (!imported[0] || !imported[1]) {
            state.SkipWithError("an import failed");
            return;
        }
    }
    const double polygons = static_cast<double>(quads) * static_cast<double>(state.iterations());
    state.counters["polygons"] = quads;
    state.counters["us_per_polygon"] = 1e6 * partlySeconds / polygons;
    state.counters["fully_us_per_polygon"] = 1e6 * fullySeconds / polygons;
    state.counters["partly_over_fully"] = partlySeconds / fullySeconds;
}
BENCHMARK(BM_ImportPartlyMappedStrip)->Arg(4000)->Arg(16000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
