// Benchmarks of the mesh welding at scale: a grid of N quads stored with four points of their
// own each (so every inner position repeats up to four times), with normals by control point,
// UVs by polygon vertex, two materials by polygon and one skin link weighting every point.
// Phases: building it through BeginPolygon / AddPolygonVertex; finding the duplicate points;
// merging them (down to the grid's (W + 1) x (H + 1) positions); unwelding the merged mesh
// again (back to four points per quad). A plain copy of the 4N-point array in the same run is
// the raw baseline the per-point figures compare with.
//
// Each phase is reported per element (quad, point or polygon vertex); the figures must stay
// flat from N = 100,000 to N = 1,000,000: duplicate finding hashes points into a grid of small
// cells instead of comparing every pair, and the merge and unweld are linear.

#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxSkinLink.h"
#include "core/RVector4.h"
#include "scene/RWyxObjectFactory.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kGridWidth = 1000;

double NanosecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count();
}

// W x H quads, quad (column, row) with corners (0,0), (1,0), (1,1), (0,1) of its cell.
void BuildQuads(RWyxObjectFactory& factory, RWyxMesh& mesh, int width, int height) {
    const int quads = width * height;
    mesh.InitControlPoints(4 * quads);
    mesh.InitNormals(0);
    mesh.InitTextureUVMapping(RWyxMesh::kKindByPolygonVertex);
    mesh.InitTextureUVs((width + 1) * (height + 1));
    mesh.InitMaterialIndices(RWyxMesh::kKindByPolygon);
    mesh.AddMaterial(factory.CreateMaterial("Red"));
    mesh.AddMaterial(factory.CreateMaterial("Blue"));
    RWyxSkinLink* link = factory.CreateSkinLink();
    mesh.AddDeformer(link);

    RVector4* points = mesh.GetControlPoints();
    RVector4* normals = mesh.GetNormals();
    RVector2* uvs = mesh.GetTextureUVs();
    for (int row = 0; row <= height; ++row) {
        for (int column = 0; column <= width; ++column) {
            uvs[row * (width + 1) + column].Set(static_cast<double>(column) / width, static_cast<double>(row) / height);
        }
    }
    const int corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    int point = 0;
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            mesh.BeginPolygon((row + column) % 2, -1, -1);
            for (const auto& corner : corners) {
                const int x = column + corner[0];
                const int y = row + corner[1];
                points[point].Set(x, y, 0.0, 1.0);
                normals[point].Set(0.0, 0.0, 1.0, 1.0);
                link->AddControlPointIndex(point, 0.5);
                mesh.AddPolygonVertex(point, y * (width + 1) + x);
                ++point;
            }
        }
    }
}

void BM_MeshWelding(benchmark::State& state) {
    const int quads = static_cast<int>(state.range(0));
    const int height = quads / kGridWidth;
    const int points = 4 * quads;
    const int positions = (kGridWidth + 1) * (height + 1);
    double build = 0.0;
    double find = 0.0;
    double merge = 0.0;
    double unweld = 0.0;
    double copy = 0.0;
    for (auto _ : state) {
        auto factory = std::make_unique<RWyxObjectFactory>();
        RWyxMesh& mesh = *factory->CreateMesh();
        auto start = Clock::now();
        BuildQuads(*factory, mesh, kGridWidth, height);
        build += NanosecondsSince(start);

        start = Clock::now();
        std::vector<RVector4> baseline(mesh.GetControlPoints(), mesh.GetControlPoints() + points);
        benchmark::DoNotOptimize(baseline.data());
        copy += NanosecondsSince(start);

        start = Clock::now();
        std::vector<int> duplicates;
        const bool found = mesh.FindDuplicateControlPoints(duplicates, 0, true);
        find += NanosecondsSince(start);

        start = Clock::now();
        const bool merged = found && mesh.MergeDuplicateControlPoints(duplicates);
        merge += NanosecondsSince(start);
        if (!merged || mesh.GetControlPointsCount() != positions) state.SkipWithError("the merge went wrong");

        start = Clock::now();
        const bool unwelded = mesh.Unweld();
        unweld += NanosecondsSince(start);
        if (!unwelded || mesh.GetControlPointsCount() != points || mesh.GetDeformer(0)->GetControlPointIndicesCount() != points) {
            state.SkipWithError("the unweld went wrong");
        }
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["build_ns/quad"] = build / (runs * quads);
    state.counters["copy_ns/point"] = copy / (runs * points);
    state.counters["find_ns/point"] = find / (runs * points);
    state.counters["merge_ns/point"] = merge / (runs * points);
    state.counters["unweld_ns/vertex"] = unweld / (runs * points);
}
BENCHMARK(BM_MeshWelding)->Arg(100000)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
