// The version-5 writer and reader against the version-6 ones on the writer benchmark's scene
// (one mesh of a million quads with normals, UVs by polygon vertex and two materials by
// polygon, and a thousand channels of a thousand keys: WyxBenchScene.h), which the version-5
// layout carries whole. Each iteration writes the scene in version 6 and in version 5 (the same
// form), then reads both files back into new scenes as the importer does. Reported: MB/s of
// each write and read, and the ratio of the version-5 speed to the version-6 speed (file bytes
// per second); version 5 is to stay within a factor of 2 of version 6 (a ratio of 0.5 or more).
//
// Beside it, the heap both writers take for a scene of many nulls under the root (20,000 and
// 100,000): the peak of each write above what the scene held before it, and what the scene
// holds more after it. A node lists a user property for each of its own properties, made
// when first asked for; a writer that asks keeps them all made. The version-5 peak is to stay
// within 1.5 times the version-6 peak, and neither write is to leave anything behind.

#include "attributes/RWyxNull.h"
#include "bench/HeapPeak.h"
#include "bench/RunFolder.h"
#include "bench/WyxBenchScene.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "wyxwriter/RWyxWriterWyx5.h"
#include "wyxwriter/RWyxWriterWyx6.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using namespace wyx_bench;

constexpr int kFormatBinary = 0;

// The program's files, in a folder of this run removed at its end.
const wyx_bench::RunFolder& Folder() {
    static const wyx_bench::RunFolder folder("wyx-v5-bench-");
    return folder;
}

std::string BenchPath(int version, int format) {
    return Folder().Join("scene-" + std::to_string(version) + (format == kFormatBinary ? ".wyx" : "-ascii.wyx"));
}

bool Write(int version, const std::string& path, int format) {
    std::unique_ptr<RWyxWriterWyx> writer;
    if (version == 5) {
        writer = std::make_unique<RWyxWriterWyx5>(&Scene().factory, nullptr);
    } else {
        writer = std::make_unique<RWyxWriterWyx6>(&Scene().factory, nullptr);
    }
    return WriteBigScene(*writer, path, format == kFormatBinary);
}

bool Read(const std::string& path) {
    RWyxObjectFactory factory;
    return ReadWithReader(factory, path);
}

double Seconds(std::chrono::steady_clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

// Seconds of the call; negative when it failed.
template <typename Call>
double Timed(Call call) {
    const auto start = std::chrono::steady_clock::now();
    const bool done = call();
    const double seconds = Seconds(std::chrono::steady_clock::now() - start);
    return done ? seconds : -1.0;
}

void BM_Version5AgainstVersion6(benchmark::State& state) {
    const int format = static_cast<int>(state.range(0));
    const std::string paths[2] = {BenchPath(6, format), BenchPath(5, format)};
    double writes[2] = {0.0, 0.0};
    double reads[2] = {0.0, 0.0};
    for (auto _ : state) {
        double iteration = 0.0;
        for (int v = 0; v < 2; ++v) {
            const double write = Timed([&] { return Write(v == 0 ? 6 : 5, paths[v], format); });
            const double read = Timed([&] { return Read(paths[v]); });
            if (write < 0.0 || read < 0.0) {
                state.SkipWithError("a write or read failed");
                return;
            }
            writes[v] += write;
            reads[v] += read;
            iteration += write + read;
        }
        state.SetIterationTime(iteration);
    }
    const double iterations = static_cast<double>(state.iterations());
    double bytes[2];
    for (int v = 0; v < 2; ++v) bytes[v] = static_cast<double>(std::filesystem::file_size(paths[v]));
    const char* const names[2] = {"v6", "v5"};
    for (int v = 0; v < 2; ++v) {
        state.counters[std::string(names[v]) + "_MB"] = bytes[v] / 1e6;
        state.counters[std::string(names[v]) + "_write_MB/s"] = bytes[v] * iterations / writes[v] / 1e6;
        state.counters[std::string(names[v]) + "_read_MB/s"] = bytes[v] * iterations / reads[v] / 1e6;
    }
    state.counters["write_ratio"] = (bytes[1] / writes[1]) / (bytes[0] / writes[0]);
    state.counters["read_ratio"] = (bytes[1] / reads[1]) / (bytes[0] / reads[0]);
    for (const std::string& path : paths) std::filesystem::remove(path);
}

BENCHMARK(BM_Version5AgainstVersion6)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("form")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

// A new scene of `count` nulls under the root, named "Null0" ...
RWyxScene* NullScene(RWyxObjectFactory& factory, int count) {
    RWyxScene* scene = factory.CreateScene();
    RWyxNode* root = scene->GetRootNode();
    for (int i = 0; i < count; ++i) {
        RWyxNode* node = factory.CreateNode(("Null" + std::to_string(i)).c_str());
        node->SetNodeAttribute(factory.CreateNull());
        root->AddChild(node);
    }
    return scene;
}

struct HeapOfWrite {
    double seconds = -1.0;  // negative when the write failed
    double scene = 0.0;     // what the scene holds
    double peak = 0.0;      // above what the heap held before the write
    double kept = 0.0;      // held after the write (the writer gone) more than before it
};

// The time and heap a write of a new null scene by the writer of the version takes.
HeapOfWrite WriteNulls(int version, int count, const std::string& path) {
    HeapOfWrite heap;
    const std::uint64_t empty = HeapBytesNow();
    RWyxObjectFactory factory;
    RWyxScene* scene = NullScene(factory, count);
    const std::uint64_t before = HeapBytesNow();
    heap.scene = static_cast<double>(before - empty);
    ResetHeapPeak();
    heap.seconds = Timed([&] {
        std::unique_ptr<RWyxWriterWyx> writer;
        if (version == 5) {
            writer = std::make_unique<RWyxWriterWyx5>(&factory, nullptr);
        } else {
            writer = std::make_unique<RWyxWriterWyx6>(&factory, nullptr);
        }
        return WriteSceneWith(*writer, scene, path, true);
    });
    heap.peak = static_cast<double>(HeapPeakBytes() - before);
    heap.kept = static_cast<double>(HeapBytesNow()) - static_cast<double>(before);
    return heap;
}

void BM_NullsExportHeap(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::string path = Folder().Join("nulls.wyx");
    HeapOfWrite heaps[2];
    double seconds[2] = {0.0, 0.0};
    for (auto _ : state) {
        double iteration = 0.0;
        for (int v = 0; v < 2; ++v) {
            const HeapOfWrite heap = WriteNulls(v == 0 ? 6 : 5, count, path);
            if (heap.seconds < 0.0) {
                state.SkipWithError("a write failed");
                return;
            }
            seconds[v] += heap.seconds;
            iteration += heap.seconds;
            heaps[v].scene = heap.scene;
            heaps[v].peak = std::max(heaps[v].peak, heap.peak);
            heaps[v].kept = std::max(heaps[v].kept, heap.kept);
        }
        state.SetIterationTime(iteration);
    }
    const double iterations = static_cast<double>(state.iterations());
    const char* const names[2] = {"v6", "v5"};
    state.counters["scene_MB"] = heaps[0].scene / 1e6;
    for (int v = 0; v < 2; ++v) {
        state.counters[std::string(names[v]) + "_peak_MB"] = heaps[v].peak / 1e6;
        state.counters[std::string(names[v]) + "_kept_MB"] = heaps[v].kept / 1e6;
        state.counters[std::string(names[v]) + "_us/node"] = seconds[v] / iterations / count * 1e6;
    }
    state.counters["peak_ratio"] = heaps[1].peak / heaps[0].peak;
    std::filesystem::remove(path);
}

BENCHMARK(BM_NullsExportHeap)
    ->Arg(20000)
    ->Arg(100000)
    ->ArgName("nulls")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
