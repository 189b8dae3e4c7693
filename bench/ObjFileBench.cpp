// The OBJ reader on a grid of triangles with normals and UVs (250,000 and 1,000,000
// triangles), read into a scene, against tinyobjloader parsing the same file (without
// triangulation) in the same run; and the same scene written back. Compare the two readers'
// times per size, and each one's time across the sizes (linear growth: four times the work,
// four times the time).
//
// Also the reader on a file of many one-quad groups (2,000 and 8,000), each group a node of
// its own name, against the same quads in one group in the same run: the time per quad should
// stay flat across the sizes for both.

#include "bench/RunFolder.h"
#include "formats/geometry/RStreamOptionsObj.h"
#include "formats/geometry/RWyxReaderObj.h"
#include "formats/geometry/RWyxWriterObj.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

#include <benchmark/benchmark.h>
#include <tiny_obj_loader.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>

namespace {

// The generated files, removed at the end of the run.
wyx_bench::RunFolder& Folder() {
    static wyx_bench::RunFolder folder("wyx-obj-bench-");
    return folder;
}

// A file of a side x side grid of points, two triangles per cell, every corner with its UV
// and normal; cached per size for the length of the run.
const std::string& GridFile(int triangles) {
    static std::map<int, std::string> files;
    std::string& path = files[triangles];
    if (!path.empty()) return path;
    int side = 2;
    while (2 * (side - 1) * (side - 1) < triangles) ++side;
    path = Folder().Join("grid-" + std::to_string(triangles) + ".obj");
    std::FILE* file = std::fopen(path.c_str(), "w");
    for (int j = 0; j < side; ++j) {
        for (int i = 0; i < side; ++i) std::fprintf(file, "v %d %d %f\n", i, j, 0.01 * ((i * j) % 7));
    }
    for (int j = 0; j < side; ++j) {
        for (int i = 0; i < side; ++i) std::fprintf(file, "vt %f %f\n", double(i) / side, double(j) / side);
    }
    for (int j = 0; j < side; ++j) {
        for (int i = 0; i < side; ++i) std::fprintf(file, "vn %f %f %f\n", 0.0, 0.1 * (i % 3), 1.0);
    }
    int written = 0;
    for (int j = 0; j + 1 < side && written < triangles; ++j) {
        for (int i = 0; i + 1 < side && written < triangles; ++i) {
            const int a = j * side + i + 1, b = a + 1, c = a + side + 1, d = a + side;
            std::fprintf(file, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b, b, b, c, c, c);
            std::fprintf(file, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, c, c, c, d, d, d);
            written += 2;
        }
    }
    std::fclose(file);
    return path;
}

void SetFileCounters(benchmark::State& state, const std::string& path) {
    const auto bytes = static_cast<double>(std::filesystem::file_size(path));
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * static_cast<std::int64_t>(state.iterations()));
    state.counters["triangles"] = static_cast<double>(state.range(0));
}

// Reads the file into a new scene once an iteration; the scene's teardown is not timed.
void ReadIntoScenes(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        RWyxObjectFactory factory;
        RWyxScene* scene = factory.CreateScene();
        RWyxReaderObj reader(&factory);
        std::unique_ptr<RStreamOptionsObj, RPlugDestroyer> options(RStreamOptionsObj::Create());
        if (!reader.FileOpen(path.c_str()) || !reader.Read(scene, options.get())) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(scene->GetRootNode()->GetChildCount());
        state.PauseTiming();  // tearing the scene down is not reading
        factory.DestroyScene(scene, true);
        state.ResumeTiming();
    }
}

void BM_ReadObjIntoScene(benchmark::State& state) {
    const std::string& path = GridFile(static_cast<int>(state.range(0)));
    ReadIntoScenes(state, path);
    SetFileCounters(state, path);
}

void BM_TinyObjLoaderParse(benchmark::State& state) {
    const std::string& path = GridFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        tinyobj::attrib_t attrib;
        std::vector<tinyobj::shape_t> shapes;
        std::vector<tinyobj::material_t> materials;
        std::string warn, err;
        if (!tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, path.c_str(), nullptr, false)) {
            state.SkipWithError("tinyobjloader failed");
        }
        benchmark::DoNotOptimize(shapes.data());
    }
    SetFileCounters(state, path);
}

void BM_WriteObjFromScene(benchmark::State& state) {
    const std::string& path = GridFile(static_cast<int>(state.range(0)));
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    RWyxReaderObj reader(&factory);
    std::unique_ptr<RStreamOptionsObj, RPlugDestroyer> options(RStreamOptionsObj::Create());
    options->SetOptionValue(RStreamOptionsObj::kCreateReferenceNode, 0);
    reader.FileOpen(path.c_str());
    reader.Read(scene, options.get());
    const std::string out = Folder().Join("written-" + std::to_string(state.range(0)) + ".obj");
    for (auto _ : state) {
        RWyxWriterObj writer(&factory);
        if (!writer.FileCreate(out.c_str()) || !writer.Write(scene, options.get()) || !writer.FileClose()) {
            state.SkipWithError("write failed");
        }
    }
    SetFileCounters(state, out);
}

// A file of count quads side by side; with groups, each quad in a group "g G<i>" of its own.
const std::string& QuadsFile(int count, bool groups) {
    static std::map<std::pair<int, bool>, std::string> files;
    std::string& path = files[{count, groups}];
    if (!path.empty()) return path;
    path = Folder().Join("quads-" + std::to_string(count) + (groups ? "-groups.obj" : "-one.obj"));
    std::FILE* file = std::fopen(path.c_str(), "w");
    for (int i = 0; i < count; ++i) {
        std::fprintf(file, "v %d 0 0\nv %d 0 0\nv %d 1 0\nv %d 1 0\n", 2 * i, 2 * i + 1, 2 * i + 1, 2 * i);
    }
    for (int i = 0; i < count; ++i) {
        if (groups) std::fprintf(file, "g G%d\n", i);
        const int a = 4 * i + 1;
        std::fprintf(file, "f %d %d %d %d\n", a, a + 1, a + 2, a + 3);
    }
    std::fclose(file);
    return path;
}

// Reads the quads file; reports the time per quad (per_quad, in seconds).
void ReadQuads(benchmark::State& state, bool groups) {
    const int count = static_cast<int>(state.range(0));
    const std::string& path = QuadsFile(count, groups);
    ReadIntoScenes(state, path);
    state.counters["per_quad"] = benchmark::Counter(
        count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_ReadObjGroupPerQuad(benchmark::State& state) { ReadQuads(state, true); }
void BM_ReadObjOneGroupQuads(benchmark::State& state) { ReadQuads(state, false); }

}  // namespace

BENCHMARK(BM_ReadObjIntoScene)->Arg(250000)->Arg(1000000)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_TinyObjLoaderParse)->Arg(250000)->Arg(1000000)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_WriteObjFromScene)->Arg(250000)->Arg(1000000)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ReadObjGroupPerQuad)->Arg(2000)->Arg(8000)->Unit(benchmark::kMillisecond)->MinTime(0.2);
BENCHMARK(BM_ReadObjOneGroupQuads)->Arg(2000)->Arg(8000)->Unit(benchmark::kMillisecond)->MinTime(0.2);
