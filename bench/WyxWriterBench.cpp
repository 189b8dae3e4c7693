// The version-6 writer on a large scene: one mesh of a million quads (a million control
// points with normals, UVs by polygon vertex, two materials by polygon) and a thousand animated
// channels of a thousand cubic keys each (a hundred nodes, ten channels each), written in the
// binary and in the ASCII form. Each iteration writes the scene with the writer and then
// writes the very same fields and values (name for name, value type for value type, replayed
// from the writer's file) with the container alone. Reported: the writer's MB/s and the ratio
// of its speed to the container's; the scene layer's own cost must stay below the
// container's, a ratio of 0.5 or more. Writing includes creating the file and putting it on
// the disk.

#include "bench/RunFolder.h"
#include "bench/WyxBenchScene.h"
#include "fileio/RWyxFile.h"
#include "wyxwriter/RWyxWriterWyx6.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace wyx_bench;

constexpr int kFormatBinary = 0;

// The program's files, in a folder of this run removed at its end.
const wyx_bench::RunFolder& Folder() {
    static const wyx_bench::RunFolder folder("wyx-writer-bench-");
    return folder;
}

std::string BenchPath(int format) { return Folder().Join(format == kFormatBinary ? "scene.wyx" : "scene-ascii.wyx"); }

bool WriteWithWriter(const std::string& path, int format) {
    RWyxWriterWyx6 writer(&Scene().factory, nullptr);
    return WriteBigScene(writer, path, format == kFormatBinary);
}

void Replay(RWyxFile& file, const std::vector<FieldShape>& fields) {
    for (const FieldShape& field : fields) {
        file.FieldWriteBegin(field.name.c_str());
        for (const ValueRun& run : field.values) {
            for (int i = 0; i < run.count; ++i) {
                switch (run.type) {
                case 'D':
                case 'F':
                    file.FieldWriteDouble((i + 0.5) * 0.7071067811865476);  // as many digits as real data
                    break;
                case 'I':
                    file.FieldWriteInt(i);
                    break;
                case 'L':
                    file.FieldWriteLong(i * kFrame);
                    break;
                case 'C':
                    file.FieldWriteChar('U');
                    break;
                default:
                    file.FieldWriteString("Replayed");
                    break;
                }
            }
        }
        if (field.hasBlock) {
            file.FieldWriteBlockBegin();
            Replay(file, field.children);
            file.FieldWriteBlockEnd();
        }
        file.FieldWriteEnd();
    }
}

bool WriteWithContainer(const std::string& path, int format, const FileShape& shape) {
    RWyxFile file;
    RWyxFileHeaderInfo info;
    info.fileVersion = RWyxWriterWyx6::kFileVersion;
    if (!file.Create(path.c_str(), format == kFormatBinary, false, info)) return false;
    Replay(file, shape.main);
    if (!shape.extension.empty() && file.ProjectCreateExtensionSection(true)) Replay(file, shape.extension);
    return file.Close();
}

double Seconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

void BM_WriteScene(benchmark::State& state) {
    const int format = static_cast<int>(state.range(0));
    const std::string path = BenchPath(format);
    if (!WriteWithWriter(path, format)) {
        state.SkipWithError("the writer failed");
        return;
    }
    const FileShape shape = ReadFileShape(path);
    const std::string replayPath = path + ".replay";
    double writerSeconds = 0.0;
    double containerSeconds = 0.0;
    std::uintmax_t bytes = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const bool written = WriteWithWriter(path, format);
        const auto middle = std::chrono::steady_clock::now();
        const bool replayed = WriteWithContainer(replayPath, format, shape);
        const auto end = std::chrono::steady_clock::now();
        if (!written || !replayed) {
            state.SkipWithError("a write failed");
            break;
        }
        writerSeconds += Seconds(middle - start);
        containerSeconds += Seconds(end - middle);
        state.SetIterationTime(Seconds(middle - start));
        bytes += std::filesystem::file_size(path);
    }
    if (writerSeconds > 0.0 && containerSeconds > 0.0) {
        state.counters["writer_MB/s"] = static_cast<double>(bytes) / writerSeconds / 1e6;
        state.counters["container_MB/s"] =
            static_cast<double>(std::filesystem::file_size(replayPath)) * state.iterations() / containerSeconds / 1e6;
        state.counters["ratio"] = containerSeconds / writerSeconds;
    }
    std::filesystem::remove(path);
    std::filesystem::remove(replayPath);
}

BENCHMARK(BM_WriteScene)->Arg(0)->Arg(1)->ArgName("form")->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
