// Benchmarks of curves in WYX files: 1,000 channels (curve nodes) of 1,000 cubic keys each
// (a million keys) written and read back through the real container, in the binary and in
// the ASCII form. Every animated scene passes through these records; binary writing and
// reading must each reach 10 million keys per second. Writing includes creating the file
// and putting it on the disk, reading includes opening it; the keys/s figures are taken
// over wall-clock time.
//
// The hostile shapes at the end time files made to cost far more than their size.

#include "bench/AllocationCounter.h"
#include "bench/RunFolder.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "curves/RFCurveNodeRecords.h"
#include "fileio/RWyxFile.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kChannels = 1000;
constexpr int kKeysPerChannel = 1000;
constexpr int64_t kFrame = RTime::kTicksPerSecond / 30;

struct NodeDeleter {
    void operator()(RFCurveNode* node) const { RFCurveNode::Destroy(node); }
};
using NodePtr = std::unique_ptr<RFCurveNode, NodeDeleter>;

// Leaf channels of cubic keys, one per frame: unbroken User tangents, every fourth key Auto.
std::vector<NodePtr> MakeChannels() {
    std::vector<NodePtr> channels;
    for (int c = 0; c < kChannels; ++c) {
        RFCurve* curve = RFCurve::Create();
        curve->BeginBulkKeys(kKeysPerChannel);
        for (int i = 0; i < kKeysPerChannel; ++i) {
            const double phase = i * 0.05 + c;
            const bool automatic = i % 4 == 0;
            curve->GetKey(i).Set(RTime(i * kFrame), static_cast<float>(std::sin(phase) * 10.0), RCurveKey::Cubic,
                                 automatic ? RCurveKey::Auto : RCurveKey::User,
                                 automatic ? 0.0f : static_cast<float>(std::cos(phase) * 15.0),
                                 automatic ? 0.0f : static_cast<float>(std::cos(phase + 0.05) * 15.0), 0,
                                 RCurveKey::kDefaultWeight, RCurveKey::kDefaultWeight, 0.0f, 0.0f);
        }
        curve->EndBulkKeys(kKeysPerChannel);
        NodePtr node(RFCurveNode::Create(("Channel " + std::to_string(c)).c_str(), nullptr));
        node->SetCurve(curve);
        channels.push_back(std::move(node));
    }
    return channels;
}

const std::vector<NodePtr>& Channels() {
    static const std::vector<NodePtr> channels = MakeChannels();
    return channels;
}

// The program's files, in a folder of this run removed at its end.
const wyx_bench::RunFolder& Folder() {
    static const wyx_bench::RunFolder folder("wyx-curve-file-bench-");
    return folder;
}

std::string BenchPath(bool binary) { return Folder().Join(binary ? "channels.wyx" : "channels-ascii.wyx"); }

bool WriteChannels(const std::string& path, bool binary) {
    RWyxFile file;
    RWyxFileHeaderInfo info;
    info.fileVersion = 6000;
    if (!file.Create(path.c_str(), binary, false, info)) {
        return false;
    }
    for (const NodePtr& node : Channels()) {
        RFCurveNodeRecords::Write(*node, file, false, false, false, "Channel", true, false);
    }
    return file.Close();
}

// Reads the channels as new nodes, as the scene reader does; answers the keys read.
int ReadChannels(const std::string& path, std::vector<NodePtr>& nodes) {
    RWyxFile file;
    if (!file.Open(path.c_str())) {
        return 0;
    }
    int keys = 0;
    while (RFCurveNode* node = RFCurveNodeRecords::ReadTopChannel(file, false, true)) {
        keys += node->GetKeyCount(false);
        nodes.emplace_back(node);
    }
    return keys;
}

void SetKeyRate(benchmark::State& state) {
    state.counters["keys/s"] = benchmark::Counter(static_cast<double>(kChannels) * kKeysPerChannel,
                                                  benchmark::Counter::kIsIterationInvariantRate);
}

void BM_CurveFileWrite(benchmark::State& state) {
    const bool binary = state.range(0) != 0;
    const std::string path = BenchPath(binary);
    Channels();
    for (auto _ : state) {
        if (!WriteChannels(path, binary)) {
            state.SkipWithError("writing failed");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    SetKeyRate(state);
}
BENCHMARK(BM_CurveFileWrite)->ArgName("binary")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// Writes the file, lets prepare(path) run once, then times read(path) (answering the keys
// read) with cleanUp() after every read, untimed.
template <typename Prepare, typename Read, typename CleanUp>
void TimeReading(benchmark::State& state, Prepare prepare, Read read, CleanUp cleanUp) {
    const std::string path = BenchPath(state.range(0) != 0);
    if (!WriteChannels(path, state.range(0) != 0) || !prepare(path)) {
        state.SkipWithError("writing failed");
        return;
    }
    for (auto _ : state) {
        if (read(path) != kChannels * kKeysPerChannel) {
            state.SkipWithError("reading lost keys");
            break;
        }
        state.PauseTiming();
        cleanUp();
        state.ResumeTiming();
    }
    SetKeyRate(state);
    std::remove(path.c_str());
}

// Reading as the scene reader does, into new nodes; destroying them is not counted. The
// memory of the file and of the keys is touched for the first time.
void BM_CurveFileRead(benchmark::State& state) {
    std::vector<NodePtr> nodes;
    TimeReading(
        state, [](const std::string&) { return true; },
        [&](const std::string& path) { return ReadChannels(path, nodes); }, [&] { nodes.clear(); });
}
BENCHMARK(BM_CurveFileRead)->ArgName("binary")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// Reading into the channels of an existing tree: the curves are cleared and read in place,
// so the memory of their keys is warm.
int ReadInPlace(const std::string& path, std::vector<NodePtr>& nodes) {
    RWyxFile file;
    if (!file.Open(path.c_str())) {
        return 0;
    }
    int keys = 0;
    for (NodePtr& node : nodes) {
        if (!file.FieldReadBegin("Channel")) {
            break;
        }
        RFCurveNodeRecords::Read(*node, file, false, true, true);
        file.FieldReadEnd();
        keys += node->GetKeyCount(false);
    }
    return keys;
}

void BM_CurveFileReadInPlace(benchmark::State& state) {
    std::vector<NodePtr> nodes;
    TimeReading(
        state, [&](const std::string& path) { return ReadChannels(path, nodes) == kChannels * kKeysPerChannel; },
        [&](const std::string& path) { return ReadInPlace(path, nodes); }, [] {});
}
BENCHMARK(BM_CurveFileReadInPlace)->ArgName("binary")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- Hostile shapes ----------------------------------------------------------------------
// Files made to cost far more than their size: reading must stay linear (or n log n) in the
// records and make a bounded number of objects per record. Each shape runs at two sizes; the
// cost per channel (record) must stay flat between them.

// Records in one block: the channel name, a default value.
void WriteChannel(RWyxFile& file, const std::string& name) {
    file.FieldWriteBegin("Channel");
    file.FieldWriteString(name.c_str());
    file.FieldWriteBlockBegin();
    file.FieldWriteBegin("Default");
    file.FieldWriteDouble(1.0);
    file.FieldWriteEnd();
    file.FieldWriteBlockEnd();
    file.FieldWriteEnd();
}

// One node holding `channels` channels of distinct names, followed by `layers` nested layer
// records that hold nothing (each would copy the node's channels).
bool WriteWideNode(const std::string& path, int channels, int layers) {
    RWyxFile file;
    RWyxFileHeaderInfo info;
    info.fileVersion = 6000;
    if (!file.Create(path.c_str(), true, false, info)) {
        return false;
    }
    file.FieldWriteBegin("Channel");
    file.FieldWriteString("Wide");
    file.FieldWriteBlockBegin();
    for (int c = 0; c < channels; ++c) {
        WriteChannel(file, "channel " + std::to_string(c));
    }
    for (int l = 1; l <= layers; ++l) {
        file.FieldWriteBegin("LayerChannel");
        file.FieldWriteString("Wide");
        file.FieldWriteBlockBegin();
        file.FieldWriteBegin("LayerID");
        file.FieldWriteInt(l);
        file.FieldWriteEnd();
    }
    for (int l = 0; l < layers; ++l) {
        file.FieldWriteBlockEnd();
        file.FieldWriteEnd();
    }
    file.FieldWriteBlockEnd();
    file.FieldWriteEnd();
    return file.Close();
}

int CountNodes(const RFCurveNode& node) {
    int count = 1;
    for (int i = 0; i < node.GetChildCount(); ++i) {
        count += CountNodes(*node.GetChild(i));
    }
    return node.GetNextLayer() != nullptr ? count + CountNodes(*node.GetNextLayer()) : count;
}

void TimeHostileRead(benchmark::State& state, int channels, int layers) {
    const std::string path = Folder().Join("hostile.wyx");
    if (!WriteWideNode(path, channels, layers)) {
        state.SkipWithError("writing failed");
        return;
    }
    const double bytes = static_cast<double>(std::filesystem::file_size(path));
    int nodes = 0;
    std::uint64_t allocations = 0;
    for (auto _ : state) {
        RWyxFile file;
        const std::uint64_t before = AllocationCount();
        if (!file.Open(path.c_str())) {
            state.SkipWithError("reading failed");
            break;
        }
        NodePtr node(RFCurveNodeRecords::ReadTopChannel(file, false, true));
        allocations = AllocationCount() - before;
        nodes = node != nullptr ? CountNodes(*node) : 0;
        state.PauseTiming();
        node.reset();
        state.ResumeTiming();
    }
    const double records = channels + layers;
    state.counters["time/record"] = benchmark::Counter(records, benchmark::Counter::kIsIterationInvariantRate |
                                                                    benchmark::Counter::kInvert);
    state.counters["nodes/record"] = nodes / records;
    state.counters["allocations/KB"] = static_cast<double>(allocations) / (bytes / 1024.0);
    std::remove(path.c_str());
}

// Channels of one parent, each looked up by name among those read before it.
void BM_HostileFlatChannels(benchmark::State& state) {
    TimeHostileRead(state, static_cast<int>(state.range(0)), 0);
}
BENCHMARK(BM_HostileFlatChannels)->ArgName("channels")->Arg(5000)->Arg(40000)->Unit(benchmark::kMillisecond)->UseRealTime();

// A chain of empty layer records under a node of many channels.
void BM_HostileLayerChain(benchmark::State& state) {
    TimeHostileRead(state, static_cast<int>(state.range(0)), 200);
}
BENCHMARK(BM_HostileLayerChain)->ArgName("channels")->Arg(2000)->Arg(16000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
