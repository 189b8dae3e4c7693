// The version-6 reader on the writer benchmark's scene (one mesh of a million quads and a
// thousand channels of a thousand keys, WyxBenchScene.h), written once in the binary and once
// in the ASCII form. Each iteration reads the file into a new scene with the reader (open,
// header, options, read, as the importer drives it) and then reads the very same values with
// the container alone (open, every field, every value by the call for its type). Reported: the
// reader's MB/s and objects per second (the file's object records and the animated curves it
// reads), the ratio of its speed to the container's (the scene layer's own cost must stay below
// the container's: a ratio of 0.5 or more), and the reader's peak heap, file bytes included,
// against the file size (at most 3).
//
// BM_ReadUserProperties reads a scene of animated user properties per property: all of them on
// one node, or (the peer) four to a node, at two counts 4x apart, in one take or three. A
// node's properties are channels of one take tree per take, so the cost of each must not grow
// with how many share the node. BM_BuildUserProperties builds and destroys such scenes;
// BM_RemoveUserProperties builds one and removes its user properties one by one.
//
// Also the read options' take list as a reader of a file of many takes fills and asks it: a
// take added (with its selection set) per take of the header, then every take looked up by
// name once per take block read. Items per second is takes per second, about the same for
// 1,000 and 4,000 takes; its peer copies and compares the same names as RStrings.

#include "bench/HeapPeak.h"
#include "bench/NumberedNames.h"
#include "bench/RunFolder.h"
#include "bench/WyxBenchScene.h"
#include "core/RWyxUserProperty.h"
#include "curves/RCurveKey.h"
#include "curves/RFCurve.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"
#include "fileio/RStreamOptionsWyx.h"
#include "scene/RWyxObjectFactory.h"
#include "wyxwriter/RWyxWriterWyx6.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace wyx_bench;

constexpr int kFormatBinary = 0;
// The object records of the scene (a mesh node, a hundred animated nodes, two materials) and
// its animated curves (ten per animated node).
constexpr double kObjects = 1 + 100 + 2 + 100 * 10;

// The program's files, in a folder of this run removed at its end.
const wyx_bench::RunFolder& Folder() {
    static const wyx_bench::RunFolder folder("wyx-reader-bench-");
    return folder;
}

std::string BenchPath(int format) { return Folder().Join(format == kFormatBinary ? "scene.wyx" : "scene-ascii.wyx"); }

bool WriteScene(const std::string& path, int format) {
    RWyxWriterWyx6 writer(&Scene().factory, nullptr);
    return WriteBigScene(writer, path, format == kFormatBinary);
}

bool ReadWithContainer(const std::string& path, const FileShape& shape) {
    RWyxFile file;
    if (!file.Open(path.c_str())) return false;
    if (file.ProjectOpenSection(RWyxFile::kMainSection)) ReadShapeValues(file, shape.main);
    if (file.ProjectOpenSection(RWyxFile::kExtensionSection)) ReadShapeValues(file, shape.extension);
    return file.GetLastErrorID() == -1 && file.Close();
}

double Seconds(std::chrono::steady_clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

void BM_ReadScene(benchmark::State& state) {
    const int format = static_cast<int>(state.range(0));
    const std::string path = BenchPath(format);
    if (!WriteScene(path, format)) {
        state.SkipWithError("the writer failed");
        return;
    }
    const FileShape shape = ReadFileShape(path);
    const double bytes = static_cast<double>(std::filesystem::file_size(path));
    double readerSeconds = 0.0;
    double containerSeconds = 0.0;
    double peak = 0.0;
    for (auto _ : state) {
        bool read = false;
        std::chrono::steady_clock::time_point start;
        std::chrono::steady_clock::time_point middle;
        {
            RWyxObjectFactory factory;  // its scene goes outside the timed part, with the factory
            const std::uint64_t before = HeapBytesNow();
            ResetHeapPeak();
            start = std::chrono::steady_clock::now();
            read = ReadWithReader(factory, path);
            middle = std::chrono::steady_clock::now();
            peak = std::max(peak, static_cast<double>(HeapPeakBytes() - before));
        }
        const auto again = std::chrono::steady_clock::now();
        const bool replayed = ReadWithContainer(path, shape);
        const auto end = std::chrono::steady_clock::now();
        if (!read || !replayed) {
            state.SkipWithError("a read failed");
            break;
        }
        readerSeconds += Seconds(middle - start);
        containerSeconds += Seconds(end - again);
        state.SetIterationTime(Seconds(middle - start));
    }
    if (readerSeconds > 0.0 && containerSeconds > 0.0) {
        const double iterations = static_cast<double>(state.iterations());
        state.counters["file_MB"] = bytes / 1e6;
        state.counters["reader_MB/s"] = bytes * iterations / readerSeconds / 1e6;
        state.counters["objects/s"] = kObjects * iterations / readerSeconds;
        state.counters["container_MB/s"] = bytes * iterations / containerSeconds / 1e6;
        state.counters["ratio"] = containerSeconds / readerSeconds;
        state.counters["peak/file"] = peak / bytes;
    }
    std::filesystem::remove(path);
}

// A user property and the node that holds it.
using HeldProperty = std::pair<RWyxNode*, RWyxUserProperty*>;

// `properties` animated user properties, `perNode` to a node, each with a channel of four keys
// in each of `takes` takes, added to the scene (and to `added`, in order, when given); false
// when a channel is missing.
bool AddUserProperties(RWyxObjectFactory& factory, RWyxScene& scene, int properties, int perNode, int takes,
                       std::vector<HeldProperty>* added = nullptr) {
    RWyxNode* node = nullptr;
    for (int i = 0; i < properties; ++i) {
        if (i % perNode == 0) {
            node = factory.CreateNode(("Holder " + std::to_string(i)).c_str());
            scene.GetRootNode()->AddChild(node);
            for (int take = 1; take <= takes; ++take) node->AddTakeNode(("Take " + std::to_string(take)).c_str());
        }
        const std::string name = "Custom " + std::to_string(i);
        RWyxUserProperty* property = factory.CreateUserProperty(name.c_str(), "Real", "");
        property->SetFlag(RWyxUserProperty::kFlagAnimatable, true);
        property->SetFlag(RWyxUserProperty::kFlagUserProperty, true);
        node->AddUserProperty(factory.HandOverUserProperty(property));
        if (added != nullptr) added->emplace_back(node, property);
        for (int take = 1; take <= takes; ++take) {
            RFCurve* curve = node->GetTakeNode(take)->FindCurve(nullptr, nullptr, name.c_str());
            if (curve == nullptr) return false;
            for (int k = 0; k < 4; ++k) curve->AddKey(RTime(k * kFrame), RCurveKey::Plain(RTime(k * kFrame), static_cast<float>(i + k)));
        }
    }
    return true;
}

// Such a scene written to the path.
bool WriteUserPropertyScene(const std::string& path, int properties, int perNode, int takes) {
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    if (!AddUserProperties(factory, *scene, properties, perNode, takes)) return false;
    RWyxWriterWyx6 writer(&factory, nullptr);
    writer.SetFileMode(RWyxWriterWyx::kFileModeBinary);
    RStreamOptionsPtr options = writer.GetWriteOptions();
    return writer.FileCreate(path.c_str()) && writer.Write(scene, options.get()) && writer.FileClose();
}

void BM_ReadUserProperties(benchmark::State& state) {
    const int properties = static_cast<int>(state.range(0));
    const int perNode = state.range(1) == 0 ? properties : 4;
    const int takes = static_cast<int>(state.range(2));
    const std::string path = Folder().Join("properties-" + std::to_string(properties) + "-" + std::to_string(perNode) + "-" +
                                           std::to_string(takes) + ".wyx");
    if (!WriteUserPropertyScene(path, properties, perNode, takes)) {
        state.SkipWithError("the writer failed");
        return;
    }
    double seconds = 0.0;
    for (auto _ : state) {
        RWyxObjectFactory factory;
        const auto start = std::chrono::steady_clock::now();
        const bool read = ReadWithReader(factory, path);
        const double taken = Seconds(std::chrono::steady_clock::now() - start);
        if (!read) {
            state.SkipWithError("the read failed");
            break;
        }
        seconds += taken;
        state.SetIterationTime(taken);
    }
    state.counters["us/property"] = 1e6 * seconds / (static_cast<double>(state.iterations()) * properties);
    std::filesystem::remove(path);
}

BENCHMARK(BM_ReadUserProperties)
    ->ArgNames({"properties", "spread", "takes"})
    ->ArgsProduct({{400, 1600}, {0, 1}, {1, 3}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// Builds the same scenes in memory (each property added, then its curve found in each take)
// and destroys them, per property: both must not grow with how many share a node.
void BM_BuildUserProperties(benchmark::State& state) {
    const int properties = static_cast<int>(state.range(0));
    const int perNode = state.range(1) == 0 ? properties : 4;
    const int takes = static_cast<int>(state.range(2));
    double buildSeconds = 0.0;
    double destroySeconds = 0.0;
    for (auto _ : state) {
        auto factory = std::make_unique<RWyxObjectFactory>();
        const auto start = std::chrono::steady_clock::now();
        const bool built = AddUserProperties(*factory, *factory->CreateScene(), properties, perNode, takes);
        const auto middle = std::chrono::steady_clock::now();
        factory.reset();
        const auto end = std::chrono::steady_clock::now();
        if (!built) {
            state.SkipWithError("a user property's curve was not found");
            break;
        }
        buildSeconds += Seconds(middle - start);
        destroySeconds += Seconds(end - middle);
        state.SetIterationTime(Seconds(end - start));
    }
    const double count = static_cast<double>(state.iterations()) * properties;
    state.counters["build_us/property"] = 1e6 * buildSeconds / count;
    state.counters["destroy_us/property"] = 1e6 * destroySeconds / count;
}

BENCHMARK(BM_BuildUserProperties)
    ->ArgNames({"properties", "spread", "takes"})
    ->ArgsProduct({{400, 1600}, {0, 1}, {1, 3}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// Removes the user properties of such a scene one by one, in the order they were added, per
// property: the cost of each must not grow with how many share its node (the peer, four to a
// node, removes as many). The scene is built and destroyed outside the timed part.
void BM_RemoveUserProperties(benchmark::State& state) {
    const int properties = static_cast<int>(state.range(0));
    const int perNode = state.range(1) == 0 ? properties : 4;
    const int takes = static_cast<int>(state.range(2));
    double seconds = 0.0;
    for (auto _ : state) {
        RWyxObjectFactory factory;
        std::vector<HeldProperty> added;
        if (!AddUserProperties(factory, *factory.CreateScene(), properties, perNode, takes, &added)) {
            state.SkipWithError("a user property's curve was not found");
            break;
        }
        bool removed = true;
        const auto start = std::chrono::steady_clock::now();
        for (const HeldProperty& held : added) removed = held.first->RemoveUserProperty(held.second) && removed;
        const double taken = Seconds(std::chrono::steady_clock::now() - start);
        if (!removed) {
            state.SkipWithError("a removal failed");
            break;
        }
        seconds += taken;
        state.SetIterationTime(taken);
    }
    state.counters["us/property"] = 1e6 * seconds / (static_cast<double>(state.iterations()) * properties);
}

BENCHMARK(BM_RemoveUserProperties)
    ->ArgNames({"properties", "spread", "takes"})
    ->ArgsProduct({{400, 1600}, {0, 1}, {3}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

BENCHMARK(BM_ReadScene)->Arg(0)->Arg(1)->ArgName("form")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

std::vector<std::string> TakeNames(const benchmark::State& state) { return NumberedNames("Take ", state.range(0)); }

void BM_TakeOptionsFillAndLookUp(benchmark::State& state) {
    const std::vector<std::string> names = TakeNames(state);
    for (auto _ : state) {
        RStreamOptionsWyx* options = RStreamOptionsWyx::Create();
        for (const std::string& name : names) {
            if (RStreamTakeEntry* entry = options->GetTake(options->AddTake(name.c_str()))) entry->selected = true;
        }
        for (const std::string& name : names) benchmark::DoNotOptimize(options->FindTake(name.c_str()));
        options->Destroy();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TakeOptionsFillAndLookUp)->Arg(1000)->Arg(4000)->Unit(benchmark::kMicrosecond);

void BM_TakeNamesCopyAndCompare(benchmark::State& state) {
    const std::vector<std::string> names = TakeNames(state);
    for (auto _ : state) {
        std::vector<RString> copies;
        for (const std::string& name : names) copies.emplace_back(name.c_str());
        for (std::size_t i = 0; i < names.size(); ++i) benchmark::DoNotOptimize(copies[i] == names[i].c_str());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TakeNamesCopyAndCompare)->Arg(1000)->Arg(4000)->Unit(benchmark::kMicrosecond);

}  // namespace
