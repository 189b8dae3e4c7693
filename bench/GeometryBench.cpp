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
//
// Also blend shapes added to a mesh one by one (each name and shape checked against those
// listed) and then found by name in another case: per shape, about the same for 1,000 and
// 4,000 shapes; the peer makes and destroys as many shapes without adding them. A node's mesh of
// many shapes is taken off it again (its shape channels removed from the node's take one by one):
// per shape about what putting it on cost (appending the channels), at both sizes.

#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkinLink.h"
#include "bench/NumberedNames.h"
#include "core/RVector4.h"
#include "formats/geometry/ObjParser.h"
#include "formats/geometry/RStreamOptionsDxf.h"
#include "formats/geometry/RWyxReaderDxf.h"
#include "formats/geometry/RWyxWriterDxf.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
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

// Lookups by name in the geometry formats, per name: an MTL library of N materials read and
// each one found; a DXF of N blocks each inserted once, against the peer of one block inserted
// N times (the same nodes, no block search); N DXF layer names of one long prefix (cut to the
// same 31 characters, so each one needs a suffix), against N short distinct ones. Per-name
// figures stay flat from 1,000 to 4,000.
enum NameLookup { kMtlFind, kDxfManyBlocks, kDxfOneBlock, kLayerNamesOnePrefix, kLayerNamesDistinct };

std::string MtlText(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "newmtl M" + std::to_string(i) + "\nKd 0.5 0.5 0.5\n";
    return text;
}

std::string DxfInserts(int count, int blocks) {
    std::string text = "0\nSECTION\n2\nBLOCKS\n";
    for (int i = 0; i < blocks; ++i) {
        text += "0\nBLOCK\n2\nB" + std::to_string(i) + "\n70\n0\n10\n0\n20\n0\n30\n0\n";
        text += "0\nLINE\n8\n0\n10\n0\n20\n0\n30\n0\n11\n1\n21\n0\n31\n0\n0\nENDBLK\n";
    }
    text += "0\nENDSEC\n0\nSECTION\n2\nENTITIES\n";
    for (int i = 0; i < count; ++i) {
        text += "0\nINSERT\n2\nB" + std::to_string(blocks == 1 ? 0 : i) + "\n10\n" + std::to_string(i) + "\n";
    }
    return text + "0\nENDSEC\n0\nEOF\n";
}

bool ReadDxf(const std::string& text) {
    RWyxObjectFactory factory;
    std::unique_ptr<RStreamOptionsDxf, RPlugDestroyer> options(RStreamOptionsDxf::Create());
    options->SetOptionValue(RStreamOptionsDxf::kObjectDerivation, RStreamOptionsDxf::kChoiceBlock);
    RWyxReaderDxf reader(&factory);
    return reader.ReadBytes(factory.CreateScene(), options.get(), text);
}

bool RunNameLookup(int kind, int count, const std::string& text) {
    if (kind == kMtlFind) {
        MtlLibrary library;
        ObjParser::ParseMaterialLibrary(text, library);
        for (int i = 0; i < count; ++i) {
            if (library.Find("M" + std::to_string(i)) == nullptr) return false;
        }
        return true;
    }
    if (kind == kDxfManyBlocks || kind == kDxfOneBlock) return ReadDxf(text);
    RWyxWriterDxf::LayerNames taken;
    const std::string prefix = kind == kLayerNamesOnePrefix ? std::string(40, 'n') : "n";
    for (int i = 0; i < count; ++i) benchmark::DoNotOptimize(RWyxWriterDxf::LayerName((prefix + std::to_string(i)).c_str(), taken));
    return true;
}

void BM_GeometryNameLookups(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const int count = static_cast<int>(state.range(1));
    std::string text;
    if (kind == kMtlFind) text = MtlText(count);
    if (kind == kDxfManyBlocks || kind == kDxfOneBlock) text = DxfInserts(count, kind == kDxfManyBlocks ? count : 1);
    double total = 0.0;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!RunNameLookup(kind, count, text)) state.SkipWithError("a lookup failed");
        total += NanosecondsSince(start);
    }
    state.counters["ns/name"] = total / (static_cast<double>(state.iterations()) * count);
}
BENCHMARK(BM_GeometryNameLookups)
    ->ArgsProduct({{kMtlFind, kDxfManyBlocks, kDxfOneBlock, kLayerNamesOnePrefix, kLayerNamesDistinct}, {1000, 4000}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

std::vector<std::string> ShapeNames(const benchmark::State& state) {
    return wyx_bench::NumberedNames("Target", state.range(0));
}

void BM_ShapesAddAndFind(benchmark::State& state) {
    const std::vector<std::string> names = ShapeNames(state);
    std::vector<std::string> otherCase;
    for (const std::string& name : names) otherCase.push_back("tARGET" + name.substr(6));
    for (auto _ : state) {
        RWyxObjectFactory factory;
        RWyxMesh* mesh = factory.CreateMesh();
        for (const std::string& name : names) mesh->AddShape(factory.CreateShape(), name.c_str());
        for (const std::string& name : otherCase) benchmark::DoNotOptimize(mesh->FindShape(name.c_str()));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ShapesAddAndFind)->Arg(1000)->Arg(4000)->Unit(benchmark::kMicrosecond);

void BM_ShapesMadeOnly(benchmark::State& state) {
    const std::vector<std::string> names = ShapeNames(state);
    for (auto _ : state) {
        RWyxObjectFactory factory;
        benchmark::DoNotOptimize(factory.CreateMesh());
        for (std::size_t i = 0; i < names.size(); ++i) benchmark::DoNotOptimize(factory.CreateShape());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ShapesMadeOnly)->Arg(1000)->Arg(4000)->Unit(benchmark::kMicrosecond);

void BM_ShapeChannelsOnAndOff(benchmark::State& state) {
    const std::vector<std::string> names = ShapeNames(state);
    double on = 0.0;
    double off = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        RWyxObjectFactory factory;
        RWyxMesh* mesh = factory.CreateMesh();
        for (const std::string& name : names) mesh->AddShape(factory.CreateShape(), name.c_str());
        RWyxNode* node = factory.CreateNode("Head");
        auto start = Clock::now();
        node->SetNodeAttribute(mesh);
        on += NanosecondsSince(start);
        start = Clock::now();
        node->SetNodeAttribute(nullptr);
        off += NanosecondsSince(start);
        state.ResumeTiming();
    }
    const double shapes = static_cast<double>(state.iterations()) * state.range(0);
    state.counters["on ns/shape"] = on / shapes;
    state.counters["off ns/shape"] = off / shapes;
}
BENCHMARK(BM_ShapeChannelsOnAndOff)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);

}  // namespace
