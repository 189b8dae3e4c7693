// The import of WYX files into the host through the shell's road: the plug-in module loaded
// by the host's plug-in manager and "WYXImport -f file" run by the host's command engine
// (dialogs off, add to a new scene), on files our writer made of
//   - a hierarchy of N null nodes (each node below node (i - 1) / 8), N from 1,000 to 10,000;
//   - the benchmarks' large scene: one mesh of a million quads (normals, UVs, two materials)
//     and a hundred nodes animated in its one take, which the import reads.
// Beside each import the SDK reader alone reads the same file into a scene (the importer front
// end, no host): its time over the import's is the reader's share, the rest is the host's
// creation. Reported per import: seconds, the per-node (per-polygon) time and the reader's
// share; the per-node time should stay flat from 1,000 to 10,000 nodes.

#include "WyxBenchScene.h"
#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxFileImporter.h"
#include "platform/NativeFiles.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "wyxwriter/RWyxWriterWyx6.h"

#include "host/src/plugins/PluginManager.h"
#include "host/src/scene/Scene.h"

#include <vexa/VGlobal.h>
#include <vexa/VMessageLog.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>

namespace {

constexpr int kPolygons = 1000 * 1000;
constexpr int kBranching = 8;

// Files, the registry and the plug-in's log in a folder of this run.
const std::string& Folder() {
    static const std::string folder = [] {
        const std::string made = platform::CreateTempFolder(nullptr, "wyx-import-bench-");
        setenv("WYX_REGISTRY_FILE", (made + "/registry.txt").c_str(), 1);
        return made;
    }();
    return folder;
}

bool Write(RWyxObjectFactory& factory, RWyxScene* scene, const std::string& path) {
    RWyxWriterWyx6 writer(&factory, nullptr);
    writer.SetFileMode(RWyxWriterWyx::kFileModeBinary);
    RStreamOptionsPtr options = writer.GetWriteOptions();
    return writer.FileCreate(path.c_str()) && writer.Write(scene, options.get()) && writer.FileClose();
}

std::string NodesFile(int count) {
    static std::map<int, std::string> files;
    auto found = files.find(count);
    if (found != files.end()) return found->second;
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    std::vector<RWyxNode*> nodes;
    for (int i = 0; i < count; ++i) {
        RWyxNode* node = factory.CreateNode(("n" + std::to_string(i)).c_str());
        (i == 0 ? scene->GetRootNode() : nodes[static_cast<size_t>((i - 1) / kBranching)])->AddChild(node);
        nodes.push_back(node);
    }
    const std::string path = Folder() + "/nodes" + std::to_string(count) + ".wyx";
    if (!Write(factory, scene, path)) return std::string();
    return files[count] = path;
}

// The benchmarks' large scene (WyxBenchScene.h): the million-quad mesh with its normals, UVs and
// two materials, and a hundred nodes animated in its one take.
std::string MeshFile() {
    static const std::string file = [] {
        wyx_bench::BigScene& big = wyx_bench::Scene();
        const std::string path = Folder() + "/mesh.wyx";
        return Write(big.factory, big.scene, path) ? path : std::string();
    }();
    return file;
}

bool LoadPlugin() {
    static const bool loaded = [] {
        Folder();
        std::string name;
        if (!vexa_host::PluginManager::instance().load(WYX_PLUGIN_MODULE_PATH, name)) return false;
        return static_cast<bool>(VGlobal::executeCommand("WYXImportShowUI -v false; WYXImportMode -v add"));
    }();
    return loaded;
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

// One import and one read of the file per iteration; the counters are per item (node or
// polygon).
void Measure(benchmark::State& state, const std::string& path, int items) {
    if (path.empty() || !LoadPlugin()) {
        state.SkipWithError("the file or the plug-in is missing");
        return;
    }
    double importSeconds = 0.0;
    double readSeconds = 0.0;
    for (auto _ : state) {
        bool imported = false;
        bool read = false;
        vexa_host::Scene::instance().reset();  // the last import's nodes go before the clock runs
        VMessageLog::clear();
        importSeconds += SecondsOf([&] { return ImportThroughTheShell(path); }, imported);
        readSeconds += SecondsOf([&] { return ReadWithTheSdk(path); }, read);
        if (!imported || !read) {
            state.SkipWithError("the import or the read failed");
            return;
        }
    }
    const double iterations = static_cast<double>(state.iterations());
    state.counters["import_s"] = importSeconds / iterations;
    state.counters["us_per_item"] = 1e6 * importSeconds / iterations / items;
    state.counters["reader_share"] = readSeconds / importSeconds;
    state.counters["host_share"] = 1.0 - readSeconds / importSeconds;
}

void BM_ImportNodes(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    Measure(state, NodesFile(count), count);
}
BENCHMARK(BM_ImportNodes)->Arg(1000)->Arg(3000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ImportMillionPolygonMesh(benchmark::State& state) { Measure(state, MeshFile(), kPolygons); }
BENCHMARK(BM_ImportMillionPolygonMesh)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
