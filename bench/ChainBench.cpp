// Deep hierarchies through the shell's road: a WYX file of a chain of N nulls (each the child of
// the one before) imported by the plug-in module ("WYXImport -f file", dialogs off, add to a new
// scene), the scene that import made exported ("WYXExport -f file"), and the exported file
// imported again. The peer is the same N nulls side by side under one parent, taken the same
// way in the same run. Each file is taken in a child process of its own, forked with the plug-in
// loaded and the scene empty, so that every size starts from the same heap.
//
// Reported per node, for N = 2,500 and N = 10,000: the microseconds (of the thread's processor
// time) of the import, the export and the second import, and the peak heap bytes the first two
// add above what the program held before them (every malloc of the process: host, plug-in and
// SDK), for the chain and for the peer, and the chain's time over the peer's. A node's path is
// as long as its depth; the chain's figures must stay flat from 2,500 to 10,000 (within 1.5
// times), which they cannot where a step keeps or builds a whole path per node.

#include "bench/HeapPeak.h"
#include "bench/ImportBenchSupport.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

#include "host/src/scene/Scene.h"

#include <vexa/VGlobal.h>
#include <vexa/VMessageLog.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <ctime>

#include <sys/wait.h>
#include <unistd.h>
#include <string>
#include <vector>

namespace {

// A file of N nulls, each below node (i - 1) / branching: a chain for 1, one parent for N.
std::string NullsFile(int count, int branching) {
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    std::vector<RWyxNode*> nodes;
    nodes.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        RWyxNode* node = factory.CreateNode(("n" + std::to_string(i)).c_str());
        (i == 0 ? scene->GetRootNode() : nodes[static_cast<size_t>((i - 1) / branching)])->AddChild(node);
        nodes.push_back(node);
    }
    const std::string path = wyx_bench::ImportFolder() + "/nulls" + std::to_string(count) + "-" +
                             std::to_string(branching) + ".wyx";
    return wyx_bench::WriteBinary(factory, scene, path) ? path : std::string();
}

struct Cost {
    double seconds = 0.0;
    double peakBytes = 0.0;
};

// The thread's processor time in seconds: the figures hold on a busy machine.
double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Runs the command once, adding its time and the heap it took at most above what was held before.
bool Run(const std::string& command, Cost& cost) {
    const std::uint64_t before = HeapBytesNow();
    ResetHeapPeak();
    const double start = ThreadSeconds();
    const bool ok = static_cast<bool>(VGlobal::executeCommand(VString(command.c_str())));
    cost.seconds += ThreadSeconds() - start;
    cost.peakBytes += static_cast<double>(HeapPeakBytes() - before);
    return ok;
}

// The file imported into a new scene, that scene exported, and the exported file imported into
// a new scene again (its nodes now carry what an export writes, limits among them).
bool ImportThenExport(const std::string& file, Cost& import, Cost& exported, Cost& again) {
    const std::string written = wyx_bench::ImportFolder() + "/exported.wyx";
    vexa_host::Scene::instance().reset();
    VMessageLog::clear();
    if (!Run("WYXImport -f \"" + file + "\"", import) || !Run("WYXExport -f \"" + written + "\"", exported)) return false;
    vexa_host::Scene::instance().reset();
    return Run("WYXImport -f \"" + written + "\"", again);
}

// Reads the bytes asked for from the pipe; false when it closes first.
bool ReadAll(int from, void* into, size_t size) {
    auto* bytes = static_cast<char*>(into);
    while (size > 0) {
        const ssize_t got = read(from, bytes, size);
        if (got <= 0) return false;
        bytes += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

// ImportThenExport in a child process made for it, which hands its costs back through a pipe:
// every import and export starts from the heap the program had before the first, so that what
// the runs before it freed (a scene of another size, another shape) does not weigh on it.
bool ImportThenExportAlone(const std::string& file, Cost& import, Cost& exported, Cost& again) {
    int ends[2];
    if (pipe(ends) != 0) return false;
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        Cost costs[3];
        const char ok = ImportThenExport(file, costs[0], costs[1], costs[2]) ? 1 : 0;
        const bool sent = write(ends[1], &ok, 1) == 1 && write(ends[1], costs, sizeof costs) == sizeof costs;
        _exit(sent ? 0 : 1);
    }
    close(ends[1]);
    char ok = 0;
    Cost costs[3];
    const bool read = child > 0 && ReadAll(ends[0], &ok, 1) && ReadAll(ends[0], costs, sizeof costs);
    close(ends[0]);
    int status = 0;
    if (child > 0) waitpid(child, &status, 0);
    if (!read || ok != 1) return false;
    Cost* totals[3] = {&import, &exported, &again};
    for (int i = 0; i < 3; ++i) {
        totals[i]->seconds += costs[i].seconds;
        totals[i]->peakBytes += costs[i].peakBytes;
    }
    return true;
}

void BM_ImportExportChain(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::string chain = NullsFile(count, 1);
    const std::string flat = NullsFile(count, count);
    if (chain.empty() || flat.empty() || !wyx_bench::LoadImportPlugin() ||
        !VGlobal::executeCommand("WYXExportShowUI -v false")) {
        state.SkipWithError("the files or the plug-in are missing");
        return;
    }
    Cost chainImport, chainExport, chainAgain, flatImport, flatExport, flatAgain;
    for (auto _ : state) {
        if (!ImportThenExportAlone(chain, chainImport, chainExport, chainAgain) ||
            !ImportThenExportAlone(flat, flatImport, flatExport, flatAgain)) {
            state.SkipWithError("an import or an export failed");
            return;
        }
    }
    vexa_host::Scene::instance().reset();
    const double perNode = static_cast<double>(state.iterations()) * count;
    state.counters["import_us/node"] = 1e6 * chainImport.seconds / perNode;
    state.counters["export_us/node"] = 1e6 * chainExport.seconds / perNode;
    state.counters["reimport_us/node"] = 1e6 * chainAgain.seconds / perNode;
    state.counters["import_heap/node"] = chainImport.peakBytes / perNode;
    state.counters["export_heap/node"] = chainExport.peakBytes / perNode;
    state.counters["flat_import_us/node"] = 1e6 * flatImport.seconds / perNode;
    state.counters["flat_export_us/node"] = 1e6 * flatExport.seconds / perNode;
    state.counters["flat_reimport_us/node"] = 1e6 * flatAgain.seconds / perNode;
    state.counters["flat_import_heap/node"] = flatImport.peakBytes / perNode;
    state.counters["flat_export_heap/node"] = flatExport.peakBytes / perNode;
    // What the depth itself costs, apart from the count of nodes.
    state.counters["import_chain_over_flat"] = chainImport.seconds / flatImport.seconds;
    state.counters["export_chain_over_flat"] = chainExport.seconds / flatExport.seconds;
    state.counters["reimport_chain_over_flat"] = chainAgain.seconds / flatAgain.seconds;
}
BENCHMARK(BM_ImportExportChain)->Arg(2500)->Iterations(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportExportChain)->Arg(10000)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
