// Benchmarks of the WYX container: one field of 10 million doubles and a file of a million
// small records, written and read back in the binary and ASCII forms, beside plain fwrite and
// fread of the same number of bytes. Every write ends with the file synced to the disk, as
// RWyxFile::Close does. Throughput is in bytes of the file per second. The binary files are also
// opened without being read, against the plain read of their bytes.

#include "bench/RunFolder.h"
#include "fileio/RWyxFile.h"
#include "platform/NativeFiles.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/resource.h>

namespace {

constexpr int kDoubleCount = 10000000;
constexpr int kRecordCount = 1000000;

enum Form { kBinary = 0, kAscii = 1 };
enum Content { kDoubles = 0, kRecords = 1 };

const char* const kFileNames[] = {"doubles.wyx", "records.wyx", "doubles-ascii.wyx", "records-ascii.wyx",
                                  "plain.bin"};

// The files in a folder of this run, removed with them at its end.
std::string BenchPath(const char* name) {
    static const wyx_bench::RunFolder folder("wyx-bench-");
    return folder.Join(name);
}

long long FileSize(const std::string& path) {
    std::FILE* file = platform::OpenFile(path.c_str(), "rb");
    if (file == nullptr) {
        return 0;
    }
    std::fseek(file, 0, SEEK_END);
    const long long size = std::ftell(file);
    std::fclose(file);
    return size;
}

long PageFaults() {
    rusage usage{};
    return ::getrusage(RUSAGE_SELF, &usage) == 0 ? usage.ru_minflt + usage.ru_majflt : 0;
}

void WriteContent(RWyxFile& file, int content) {
    if (content == kDoubles) {
        file.FieldWriteBegin("Vertices");
        for (int i = 0; i < kDoubleCount; ++i) {
            file.FieldWriteDouble(i * 0.001);
        }
        file.FieldWriteEnd();
        return;
    }
    for (int i = 0; i < kRecordCount; ++i) {
        file.FieldWriteBegin("Key");
        file.FieldWriteInt(i);
        file.FieldWriteDouble(i * 0.5);
        file.FieldWriteChar('U');
        file.FieldWriteEnd();
    }
}

bool WriteFile(const std::string& path, int form, int content) {
    RWyxFile file;
    RWyxFileHeaderInfo info;
    info.fileVersion = 6000;
    if (!file.Create(path.c_str(), form == kBinary, false, info)) {
        return false;
    }
    WriteContent(file, content);
    return file.Close();
}

double ReadContent(RWyxFile& file, int content) {
    double sum = 0.0;
    if (content == kDoubles) {
        if (file.FieldReadBegin("Vertices")) {
            for (int left = file.FieldReadValuesLeft(); left > 0; --left) {
                sum += file.FieldReadDouble();
            }
        }
        return sum;
    }
    while (file.FieldReadBegin("Key")) {
        sum += file.FieldReadInt();
        sum += file.FieldReadDouble();
        sum += file.FieldReadChar();
    }
    return sum;
}

const char* FileNameFor(int form, int content) {
    return kFileNames[form * 2 + content];
}

// The size of the file of that form and content, written first when it is missing; 0 when
// it cannot be written.
long long EnsuredFileSize(int form, int content) {
    const std::string path = BenchPath(FileNameFor(form, content));
    if (FileSize(path) == 0 && !WriteFile(path, form, content)) {
        return 0;
    }
    return FileSize(path);
}

void SetLabel(benchmark::State& state, int form, int content) {
    state.SetLabel(std::string(form == kBinary ? "binary" : "ascii") +
                   (content == kDoubles ? ", 10M doubles" : ", 1M records"));
}

void BM_WyxWrite(benchmark::State& state) {
    const int form = static_cast<int>(state.range(0));
    const int content = static_cast<int>(state.range(1));
    const std::string path = BenchPath(FileNameFor(form, content));
    for (auto _ : state) {
        if (!WriteFile(path, form, content)) {
            state.SkipWithError("the file could not be written");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * FileSize(path));
    SetLabel(state, form, content);
}
BENCHMARK(BM_WyxWrite)->Args({kBinary, kDoubles})->Args({kAscii, kDoubles})->Args({kBinary, kRecords})
    ->Args({kAscii, kRecords})->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WyxRead(benchmark::State& state) {
    const int form = static_cast<int>(state.range(0));
    const int content = static_cast<int>(state.range(1));
    const std::string path = BenchPath(FileNameFor(form, content));
    if (EnsuredFileSize(form, content) == 0) {
        state.SkipWithError("the file could not be written");
        return;
    }
    for (auto _ : state) {
        RWyxFile file;
        if (!file.Open(path.c_str())) {
            state.SkipWithError("the file could not be read");
            return;
        }
        benchmark::DoNotOptimize(ReadContent(file, content));
        if (!file.Close()) {
            state.SkipWithError("the file could not be released");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * FileSize(path));
    SetLabel(state, form, content);
}
BENCHMARK(BM_WyxRead)->Args({kBinary, kDoubles})->Args({kAscii, kDoubles})->Args({kBinary, kRecords})
    ->Args({kAscii, kRecords})->Unit(benchmark::kMillisecond)->UseRealTime();

// Opening alone: the file's bytes loaded and its records indexed, nothing read, against
// BM_PlainRead into a fresh buffer. Page faults per open are counted (minor and major).
void BM_WyxOpen(benchmark::State& state) {
    const int content = static_cast<int>(state.range(0));
    const std::string path = BenchPath(FileNameFor(kBinary, content));
    if (EnsuredFileSize(kBinary, content) == 0) {
        state.SkipWithError("the file could not be written");
        return;
    }
    const long faultsBefore = PageFaults();
    for (auto _ : state) {
        RWyxFile file;
        if (!file.Open(path.c_str()) || !file.Close()) {
            state.SkipWithError("the file could not be opened");
            return;
        }
    }
    state.counters["faults"] = benchmark::Counter(static_cast<double>(PageFaults() - faultsBefore),
                                                  benchmark::Counter::kAvgIterations);
    state.SetBytesProcessed(state.iterations() * FileSize(path));
    SetLabel(state, kBinary, content);
}
BENCHMARK(BM_WyxOpen)->Arg(kDoubles)->Arg(kRecords)->Unit(benchmark::kMillisecond)->UseRealTime();

// Plain C I/O of as many bytes as the binary file of the same content, in 1 MiB writes.
void BM_PlainWrite(benchmark::State& state) {
    const int content = static_cast<int>(state.range(0));
    const long long bytes = EnsuredFileSize(kBinary, content);
    const std::string path = BenchPath("plain.bin");
    constexpr std::size_t kChunk = 1 << 20;
    const auto chunk = std::make_unique<char[]>(kChunk);
    for (auto _ : state) {
        std::FILE* file = platform::OpenFile(path.c_str(), "wb");
        for (long long done = 0; done < bytes; done += static_cast<long long>(kChunk)) {
            const std::size_t count = static_cast<std::size_t>(std::min<long long>(kChunk, bytes - done));
            std::fwrite(chunk.get(), 1, count, file);
        }
        platform::SyncFile(file);
        std::fclose(file);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetLabel(content == kDoubles ? "bytes of 10M doubles" : "bytes of 1M records");
}
BENCHMARK(BM_PlainWrite)->Arg(kDoubles)->Arg(kRecords)->Unit(benchmark::kMillisecond)->UseRealTime();

// Arg 1 set: into a buffer allocated for each read, as a reader that keeps the file in
// memory must; otherwise into one buffer used again and again (already in memory).
void BM_PlainRead(benchmark::State& state) {
    const int content = static_cast<int>(state.range(0));
    const bool fresh = state.range(1) != 0;
    const long long bytes = EnsuredFileSize(kBinary, content);
    const std::size_t size = static_cast<std::size_t>(bytes);
    const std::string path = BenchPath("plain.bin");
    const auto buffer = std::make_unique<char[]>(size);
    {
        std::FILE* file = platform::OpenFile(path.c_str(), "wb");
        std::fwrite(buffer.get(), 1, size, file);
        std::fclose(file);
    }
    const long faultsBefore = PageFaults();
    for (auto _ : state) {
        std::unique_ptr<char, void (*)(void*)> freshBlock(nullptr, &std::free);
        char* target = buffer.get();
        if (fresh) {
            freshBlock.reset(static_cast<char*>(std::malloc(size)));
            target = freshBlock.get();
        }
        std::FILE* file = platform::OpenFile(path.c_str(), "rb");
        benchmark::DoNotOptimize(std::fread(target, 1, size, file));
        std::fclose(file);
    }
    state.counters["faults"] = benchmark::Counter(static_cast<double>(PageFaults() - faultsBefore),
                                                  benchmark::Counter::kAvgIterations);
    state.SetBytesProcessed(state.iterations() * bytes);
    state.SetLabel(std::string(content == kDoubles ? "bytes of 10M doubles" : "bytes of 1M records") +
                   (fresh ? ", fresh buffer" : ", reused buffer"));
}
BENCHMARK(BM_PlainRead)->Args({kDoubles, 0})->Args({kDoubles, 1})->Args({kRecords, 0})->Args({kRecords, 1})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
