// Benchmarks of the geometry tessellation at two sizes a factor of about ten apart, each
// reported per output element so that linear work shows as flat figures:
//
// - NURBS tessellation: a cubic surface of N x N control points (uniform knots, weights 1) at
//   step 8, (8 (N - 3) + 1)^2 samples: the evaluator alone into plain arrays, the whole
//   converter (mesh, normals, UVs, triangles), and as the raw baseline a fill of the same
//   number of RVector4 positions and normals.
// - Triangulation: a mesh of Q quads on a shared grid of points, split by the converter (each
//   quad tested for convexity and given the zig-zag order), beside the raw baseline of copying
//   its polygon-vertex list.

#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNurb.h"
#include "core/RVector4.h"
#include "formats/geometry/RNurbsEvaluator.h"
#include "formats/geometry/RWyxGeometryConverter.h"
#include "scene/RWyxObjectFactory.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kStep = 8;
constexpr int kQuadRowWidth = 1000;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

RWyxNurb& MakeSurface(RWyxObjectFactory& factory, int count) {
    RWyxNurb& nurb = *factory.CreateNurb();
    nurb.SetOrder(4, 4);
    nurb.InitControlPoints(count, RWyxNurb::kOpen, count, RWyxNurb::kOpen);
    nurb.SetStep(kStep, kStep);
    for (int k = 0; k < nurb.GetUKnotCount(); ++k) nurb.GetUKnotVector()[k] = k;
    for (int k = 0; k < nurb.GetVKnotCount(); ++k) nurb.GetVKnotVector()[k] = k;
    for (int j = 0; j < count; ++j) {
        for (int i = 0; i < count; ++i) {
            nurb.GetControlPoints()[j * count + i].Set(i, j, std::sin(0.3 * i) * std::cos(0.2 * j), 1.0);
        }
    }
    return nurb;
}

void BM_NurbsTessellation(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    RWyxObjectFactory factory;
    RWyxNurb& nurb = MakeSurface(factory, count);
    RWyxGeometryConverter& converter = *factory.CreateGeometryConverter();
    const std::vector<double> weights(static_cast<size_t>(count) * count, 1.0);
    const long long side = static_cast<long long>(kStep) * (count - 3) + 1;
    const long long samples = side * side;
    double evaluate = 0.0;
    double convert = 0.0;
    double fill = 0.0;
    for (auto _ : state) {
        auto start = Clock::now();
        std::vector<RVector4> positions(static_cast<size_t>(samples));
        std::vector<RVector4> normals(static_cast<size_t>(samples));
        for (long long g = 0; g < samples; ++g) {
            positions[static_cast<size_t>(g)].Set(1.0 * g, 0.0, 0.0, 1.0);
            normals[static_cast<size_t>(g)].Set(0.0, 0.0, 1.0, 1.0);
        }
        benchmark::DoNotOptimize(positions.data());
        benchmark::DoNotOptimize(normals.data());
        fill += SecondsSince(start);

        start = Clock::now();
        auto evaluator = RNurbsEvaluator::Create(4, 4);
        evaluator->SetUStep(kStep);
        evaluator->SetVStep(kStep);
        evaluator->SetControlPoints(nurb.GetControlPoints(), count, count);
        evaluator->SetNurbsData(RNurbsEvaluator::kUKnots, nurb.GetUKnotVector(), nurb.GetUKnotCount());
        evaluator->SetNurbsData(RNurbsEvaluator::kVKnots, nurb.GetVKnotVector(), nurb.GetVKnotCount());
        evaluator->SetNurbsData(RNurbsEvaluator::kWeights, weights.data(), count * count);
        evaluator->SetPositionOutput(positions.data(), static_cast<int>(samples));
        evaluator->SetNormalOutput(normals.data(), static_cast<int>(samples));
        if (!evaluator->Evaluate(nullptr)) state.SkipWithError("the evaluation failed");
        evaluate += SecondsSince(start);

        start = Clock::now();
        RWyxMesh* mesh = converter.NurbToMesh(&nurb);
        convert += SecondsSince(start);
        if (mesh == nullptr || mesh->GetControlPointsCount() != samples) state.SkipWithError("the conversion failed");
        factory.DestroyNodeAttribute(mesh);
    }
    const double runs = static_cast<double>(state.iterations()) * static_cast<double>(samples);
    state.counters["samples"] = static_cast<double>(samples);
    state.counters["fill_Msamples/s"] = runs / fill / 1e6;
    state.counters["evaluate_Msamples/s"] = runs / evaluate / 1e6;
    state.counters["convert_Msamples/s"] = runs / convert / 1e6;
}
BENCHMARK(BM_NurbsTessellation)->Arg(34)->Arg(100)->Iterations(3)->Unit(benchmark::kMillisecond);

// Q quads in rows of kQuadRowWidth over a shared grid of points, slightly bent so that the
// convexity test has real work.
RWyxMesh& MakeQuads(RWyxObjectFactory& factory, int quads) {
    RWyxMesh& mesh = *factory.CreateMesh();
    const int rows = quads / kQuadRowWidth;
    const int width = kQuadRowWidth + 1;
    mesh.InitControlPoints(width * (rows + 1));
    for (int j = 0; j <= rows; ++j) {
        for (int i = 0; i < width; ++i) mesh.GetControlPoints()[j * width + i].Set(i, j, 0.01 * ((i * j) % 7), 1.0);
    }
    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < kQuadRowWidth; ++i) {
            const int p = j * width + i;
            mesh.BeginPolygon();
            for (const int corner : {p, p + 1, p + width + 1, p + width}) mesh.AddPolygonVertex(corner);
        }
    }
    return mesh;
}

void BM_TriangulateQuads(benchmark::State& state) {
    const int quads = static_cast<int>(state.range(0));
    RWyxObjectFactory factory;
    RWyxMesh& source = MakeQuads(factory, quads);
    RWyxGeometryConverter& converter = *factory.CreateGeometryConverter();
    double split = 0.0;
    double copy = 0.0;
    for (auto _ : state) {
        auto start = Clock::now();
        std::vector<int> vertices(source.GetPolygonVertices(), source.GetPolygonVertices() + 4 * quads);
        benchmark::DoNotOptimize(vertices.data());
        copy += SecondsSince(start);

        start = Clock::now();
        RWyxMesh* mesh = converter.SplitMeshToTriangles(&source);
        split += SecondsSince(start);
        if (mesh == nullptr || mesh->GetPolygonCount() != 2 * quads) state.SkipWithError("the split failed");
        factory.DestroyNodeAttribute(mesh);
    }
    const double triangles = static_cast<double>(state.iterations()) * 2.0 * quads;
    state.counters["split_Mtriangles/s"] = triangles / split / 1e6;
    state.counters["copy_Mtriangles/s"] = triangles / copy / 1e6;
}
BENCHMARK(BM_TriangulateQuads)->Arg(100000)->Arg(1000000)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
