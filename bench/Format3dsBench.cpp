// The 3DS writer and reader on scenes of N meshes of 20,000 triangles each (a grid of 100 x 100
// quads), with two materials and a texture per mesh and position and rotation keys over one
// second, against lib3ds reading the same file in the same run. The UVs are per polygon corner
// and the "UV per polygon" option splits the vertices, so each mesh is written with 40,000
// vertices (one per corner). Counters: bytes and faces per second; N = 25, 50 and 100 shows
// whether time grows linearly with the file. The writer and reader of N small meshes (500 and
// 2,000), each with its own material and texture, report the time per mesh, which stays flat
// when adding a named entry does not walk those before it; lib3ds reading their file is the peer.
//
// lib3ds is linked into this program only, as the peer to measure against; never into the SDK.

#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxTexture.h"
#include "bench/RunFolder.h"
#include "curves/RFCurve.h"
#include "formats/3ds/RStreamOptions3ds.h"
#include "formats/3ds/RWyxReader3ds.h"
#include "formats/3ds/RWyxWriter3ds.h"
#include "formats/3ds/toolkit/FtkErrors.h"
#include "formats/3ds/toolkit/FtkFile.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"

#include <benchmark/benchmark.h>
#include <lib3ds/file.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kGrid = 100;  // quads per side: 2 x 100 x 100 = 20,000 triangles
constexpr int kFacesPerMesh = 2 * kGrid * kGrid;

RTime Frame(int frame) {
    RTime time;
    time.SetFromTimecode(0, 0, 0, frame, 0, 6);
    return time;
}

// A grid mesh with UVs per polygon corner, materials and textures by polygon.
RWyxMesh* GridMesh(RWyxObjectFactory& factory, RWyxMaterial* a, RWyxMaterial* b, RWyxTexture* texture) {
    RWyxMesh* mesh = factory.CreateMesh();
    const int side = kGrid + 1;
    mesh->InitControlPoints(side * side);
    for (int j = 0; j < side; ++j) {
        for (int i = 0; i < side; ++i) mesh->GetControlPoints()[j * side + i].Set(i, j, 0.01 * i * j, 0);
    }
    mesh->InitMaterialIndices(RWyxMesh::kKindByPolygon);
    mesh->InitTextureIndices(RWyxMesh::kKindByPolygon);
    mesh->AddMaterial(a, 0);
    mesh->AddMaterial(b, 0);
    mesh->AddTexture(texture, 0);
    mesh->InitTextureUVMapping(RWyxMesh::kKindByPolygonVertex);
    for (int j = 0; j < kGrid; ++j) {
        for (int i = 0; i < kGrid; ++i) {
            mesh->BeginPolygon((i + j) % 2, 0, -1);
            const int corners[4] = {j * side + i, j * side + i + 1, (j + 1) * side + i + 1, (j + 1) * side + i};
            for (int corner : corners) {
                const int uv = mesh->AddTextureUV((corner % side) / double(kGrid), (corner / side) / double(kGrid));
                mesh->AddPolygonVertex(corner, uv);
            }
        }
    }
    return mesh;
}

struct Scene3ds {
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
};

std::unique_ptr<Scene3ds> BuildScene(int meshes) {
    auto built = std::make_unique<Scene3ds>();
    RWyxObjectFactory& factory = built->factory;
    for (int m = 0; m < meshes; ++m) {
        const std::string name = std::to_string(m);
        RWyxMaterial* a = factory.CreateMaterial(("A" + name).c_str());
        RWyxMaterial* b = factory.CreateMaterial(("B" + name).c_str());
        RWyxTexture* texture = factory.CreateTexture(("T" + name).c_str());
        texture->SetFileName(RString(("t" + name + ".bmp").c_str()));
        RWyxNode* node = factory.CreateNode(("Mesh" + name).c_str());
        node->SetNodeAttribute(GridMesh(factory, a, b, texture));
        built->scene->GetRootNode()->AddChild(node);
        RWyxTakeNode* take = node->GetCurrentTakeNode();
        take->GetTranslationXCurve()->AppendKey(Frame(0), 0.0f);
        take->GetTranslationXCurve()->AppendKey(Frame(30), static_cast<float>(m));
        take->GetRotationYCurve()->AppendKey(Frame(0), 0.0f);
        take->GetRotationYCurve()->AppendKey(Frame(30), 90.0f);
    }
    return built;
}

RStreamOptionsPtr Options() {
    RStreamOptions3ds* options = RStreamOptions3ds::Create();
    options->ResetHooks();
    return RStreamOptionsPtr(options);
}

std::vector<unsigned char> WriteToMemory(Scene3ds& scene) {
    RWyxWriter3ds writer(&scene.factory);
    writer.CreateInMemory();
    writer.Write(scene.scene, Options().get());
    return writer.GetMemoryContents();
}

// The file of N meshes, written once and kept on disk for the readers until the end of the
// run.
const std::string& FileOf(int meshes, std::size_t& size) {
    static wyx_bench::RunFolder folder("wyx-3ds-bench-");
    static std::map<int, std::pair<std::string, std::size_t>> files;
    auto found = files.find(meshes);
    if (found == files.end()) {
        std::unique_ptr<Scene3ds> scene = BuildScene(meshes);
        const std::vector<unsigned char> bytes = WriteToMemory(*scene);
        const std::string path = folder.Join("scene-" + std::to_string(meshes) + ".3ds");
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        found = files.emplace(meshes, std::make_pair(path, bytes.size())).first;
    }
    size = found->second.second;
    return found->second.first;
}

void Report(benchmark::State& state, std::size_t bytes, int meshes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());
    state.counters["faces/s"] =
        benchmark::Counter(static_cast<double>(meshes) * kFacesPerMesh, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_Write3ds(benchmark::State& state) {
    const int meshes = static_cast<int>(state.range(0));
    std::unique_ptr<Scene3ds> scene = BuildScene(meshes);
    std::size_t bytes = WriteToMemory(*scene).size();  // splits the UVs once, as every export does
    for (auto _ : state) {
        bytes = WriteToMemory(*scene).size();
    }
    Report(state, bytes, meshes);
}

void BM_Read3ds(benchmark::State& state) {
    const int meshes = static_cast<int>(state.range(0));
    std::size_t bytes = 0;
    const std::string& path = FileOf(meshes, bytes);
    for (auto _ : state) {
        state.PauseTiming();
        auto factory = std::make_unique<RWyxObjectFactory>();
        RWyxScene* scene = factory->CreateScene();
        state.ResumeTiming();
        RWyxReader3ds reader(factory.get());
        reader.FileOpen(path.c_str());
        benchmark::DoNotOptimize(reader.Read(scene, Options().get()));
        state.PauseTiming();
        factory.reset();
        state.ResumeTiming();
    }
    Report(state, bytes, meshes);
}

void BM_Lib3dsRead(benchmark::State& state) {
    const int meshes = static_cast<int>(state.range(0));
    std::size_t bytes = 0;
    const std::string& path = FileOf(meshes, bytes);
    for (auto _ : state) {
        Lib3dsFile* file = lib3ds_file_load(path.c_str());
        benchmark::DoNotOptimize(file);
        state.PauseTiming();
        lib3ds_file_free(file);
        state.ResumeTiming();
    }
    Report(state, bytes, meshes);
}

// N quads, each with a material and a texture of its own: every mesh, material and node is a
// named entry the writer adds behind the others, so the cost per mesh shows whether adding
// one walks the entries before it.
std::unique_ptr<Scene3ds> BuildQuads(int meshes) {
    auto built = std::make_unique<Scene3ds>();
    RWyxObjectFactory& factory = built->factory;
    for (int m = 0; m < meshes; ++m) {
        const std::string name = std::to_string(m);
        RWyxMesh* mesh = factory.CreateMesh();
        mesh->InitControlPoints(4);
        for (int c = 0; c < 4; ++c) mesh->GetControlPoints()[c].Set(2.0 * m + (c == 1 || c == 2), c >> 1, 0, 1);
        mesh->InitMaterialIndices(RWyxMesh::kKindAllSame);
        mesh->AddMaterial(factory.CreateMaterial(("Mat" + name).c_str()));
        mesh->InitTextureIndices(RWyxMesh::kKindAllSame);
        RWyxTexture* texture = factory.CreateTexture(("Tex" + name).c_str());
        texture->SetFileName(RString(("t" + name + ".bmp").c_str()));
        mesh->AddTexture(texture);
        mesh->InitTextureUVMapping(RWyxMesh::kKindByPolygonVertex);
        mesh->BeginPolygon(0, 0, -1);
        for (int c = 0; c < 4; ++c) mesh->AddPolygonVertex(c, mesh->AddTextureUV(c & 1, c >> 1));
        RWyxNode* node = factory.CreateNode(("Mesh" + name).c_str());
        node->SetNodeAttribute(mesh);
        built->scene->GetRootNode()->AddChild(node);
    }
    return built;
}

// The time per unit of work under the counter's name.
void PerUnit(benchmark::State& state, int units, const char* counter) {
    state.counters[counter] = benchmark::Counter(
        static_cast<double>(units), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void ReportPerMesh(benchmark::State& state, int meshes) { PerUnit(state, meshes, "s/mesh"); }

// Bytes written once into the run's folder, kept there for the readers until the end of the run.
std::string SaveInFolder(const wyx_bench::RunFolder& folder, const std::string& name,
                         const std::vector<unsigned char>& bytes) {
    const std::string path = folder.Join(name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
}

void BM_Write3dsManyQuads(benchmark::State& state) {
    const int meshes = static_cast<int>(state.range(0));
    std::unique_ptr<Scene3ds> scene = BuildQuads(meshes);
    for (auto _ : state) {
        benchmark::DoNotOptimize(WriteToMemory(*scene).size());
    }
    ReportPerMesh(state, meshes);
}

// The peer: reading the same file back, which adds the same entries.
void BM_Read3dsManyQuads(benchmark::State& state) {
    const int meshes = static_cast<int>(state.range(0));
    std::unique_ptr<Scene3ds> scene = BuildQuads(meshes);
    const std::vector<unsigned char> bytes = WriteToMemory(*scene);
    for (auto _ : state) {
        state.PauseTiming();
        auto factory = std::make_unique<RWyxObjectFactory>();
        RWyxScene* read = factory->CreateScene();
        state.ResumeTiming();
        RWyxReader3ds reader(factory.get());
        reader.OpenMemory(bytes.data(), bytes.size());
        benchmark::DoNotOptimize(reader.Read(read, Options().get()));
        state.PauseTiming();
        factory.reset();
        state.ResumeTiming();
    }
    ReportPerMesh(state, meshes);
}

// lib3ds loading and freeing the file once an iteration: the peer of our 3DS reads.
void LoadWithLib3ds(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        Lib3dsFile* file = lib3ds_file_load(path.c_str());
        benchmark::DoNotOptimize(file);
        lib3ds_file_free(file);
    }
}

// The peer of both: lib3ds reading the same file. Its time per mesh grows as much from 500 to
// 2,000 meshes when the memory the read touches outgrows the caches.
void BM_Lib3dsReadManyQuads(benchmark::State& state) {
    static wyx_bench::RunFolder folder("wyx-3ds-quads-");
    const int meshes = static_cast<int>(state.range(0));
    const std::string path =
        SaveInFolder(folder, "quads-" + std::to_string(meshes) + ".3ds", WriteToMemory(*BuildQuads(meshes)));
    LoadWithLib3ds(state, path);
    ReportPerMesh(state, meshes);
}

}  // namespace

BENCHMARK(BM_Write3dsManyQuads)->Arg(500)->Arg(2000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read3dsManyQuads)->Arg(500)->Arg(2000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lib3dsReadManyQuads)->Arg(500)->Arg(2000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write3ds)->Arg(25)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read3ds)->Arg(25)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lib3dsRead)->Arg(25)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

// Reading N one-triangle meshes, each with a keyframer node of its name and all sharing one
// material, at N = 1,000 and 4,000: "s/mesh" is the time per mesh, flat when each node finds its
// mesh at a cost that does not grow with N. lib3ds reads the same file in the same run as the peer.
namespace {

const std::string& ManyMeshesFile(int meshes) {
    static wyx_bench::RunFolder folder("wyx-3ds-many-");
    static std::map<int, std::string> files;
    auto found = files.find(meshes);
    if (found != files.end()) return found->second;
    Scene3ds built;
    RWyxMaterial* material = built.factory.CreateMaterial("Shared");
    for (int m = 0; m < meshes; ++m) {
        RWyxMesh* mesh = built.factory.CreateMesh();
        mesh->InitControlPoints(3);
        for (int i = 0; i < 3; ++i) mesh->GetControlPoints()[i].Set(m, i, i % 2, 0);
        mesh->InitMaterialIndices(RWyxMesh::kKindAllSame);
        mesh->AddMaterial(material, 0);
        mesh->BeginPolygon(0);
        for (int i = 0; i < 3; ++i) mesh->AddPolygonVertex(i);
        RWyxNode* node = built.factory.CreateNode(("M" + std::to_string(m)).c_str());
        node->SetNodeAttribute(mesh);
        built.scene->GetRootNode()->AddChild(node);
    }
    return files.emplace(meshes, SaveInFolder(folder, "meshes-" + std::to_string(meshes) + ".3ds", WriteToMemory(built)))
        .first->second;
}

void BM_Read3dsManyMeshes(benchmark::State& state) {
    const int meshes = static_cast<int>(state.range(0));
    const std::string& path = ManyMeshesFile(meshes);
    for (auto _ : state) {
        auto factory = std::make_unique<RWyxObjectFactory>();
        RWyxReader3ds reader(factory.get());
        reader.FileOpen(path.c_str());
        benchmark::DoNotOptimize(reader.Read(factory->CreateScene(), Options().get()));
    }
    ReportPerMesh(state, meshes);
}

void BM_Lib3dsReadManyMeshes(benchmark::State& state) {
    const int meshes = static_cast<int>(state.range(0));
    const std::string& path = ManyMeshesFile(meshes);
    LoadWithLib3ds(state, path);
    ReportPerMesh(state, meshes);
}

}  // namespace

BENCHMARK(BM_Read3dsManyMeshes)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->MinTime(0.2);
BENCHMARK(BM_Lib3dsReadManyMeshes)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->MinTime(0.2);

// Reading one mesh of N triangles, each with a material of its own, at N = 1,000 and 4,000:
// "s/material" is the time per material, flat when giving the mesh one more material does not
// walk those it has. The peer reads N one-triangle meshes, each with a material of its own:
// the same materials, each the only one of its mesh.
namespace {

// Triangle i over points i, i + 1 and i + 2 of the mesh, with the material given.
void AddStripTriangle(RWyxMesh& mesh, RWyxMaterial* material, int i) {
    mesh.AddMaterial(material, 0);
    mesh.BeginPolygon(mesh.GetMaterialCount(0) - 1);
    for (int corner = 0; corner < 3; ++corner) mesh.AddPolygonVertex(i + corner);
}

// A strip of the points given, from point `first` of the whole strip on.
RWyxMesh* StripMesh(RWyxObjectFactory& factory, int first, int points) {
    RWyxMesh* mesh = factory.CreateMesh();
    mesh->InitControlPoints(points);
    for (int i = 0; i < points; ++i) mesh->GetControlPoints()[i].Set((first + i) / 2, (first + i) % 2, 0, 0);
    mesh->InitMaterialIndices(RWyxMesh::kKindByPolygon);
    return mesh;
}

const std::string& ManyMaterialsFile(int materials, bool oneMesh) {
    static wyx_bench::RunFolder folder("wyx-3ds-materials-");
    static std::map<std::pair<int, bool>, std::string> files;
    auto found = files.find({materials, oneMesh});
    if (found != files.end()) return found->second;
    Scene3ds built;
    RWyxMesh* mesh = nullptr;
    for (int m = 0; m < materials; ++m) {
        const std::string name = std::to_string(m);
        if (mesh == nullptr || !oneMesh) {
            mesh = oneMesh ? StripMesh(built.factory, 0, materials + 2) : StripMesh(built.factory, m, 3);
            RWyxNode* node = built.factory.CreateNode(("S" + name).c_str());
            node->SetNodeAttribute(mesh);
            built.scene->GetRootNode()->AddChild(node);
        }
        AddStripTriangle(*mesh, built.factory.CreateMaterial(("M" + name).c_str()), oneMesh ? m : 0);
    }
    const std::string name = (oneMesh ? "one-mesh-" : "meshes-") + std::to_string(materials) + ".3ds";
    return files.emplace(std::make_pair(materials, oneMesh), SaveInFolder(folder, name, WriteToMemory(built)))
        .first->second;
}

void ReadManyMaterials(benchmark::State& state, bool oneMesh) {
    const int materials = static_cast<int>(state.range(0));
    const std::string& path = ManyMaterialsFile(materials, oneMesh);
    for (auto _ : state) {
        auto factory = std::make_unique<RWyxObjectFactory>();
        RWyxReader3ds reader(factory.get());
        reader.FileOpen(path.c_str());
        benchmark::DoNotOptimize(reader.Read(factory->CreateScene(), Options().get()));
    }
    PerUnit(state, materials, "s/material");
}

void BM_Read3dsOneMeshManyMaterials(benchmark::State& state) { ReadManyMaterials(state, true); }
void BM_Read3dsMeshesOfOwnMaterials(benchmark::State& state) { ReadManyMaterials(state, false); }

}  // namespace

BENCHMARK(BM_Read3dsOneMeshManyMaterials)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->MinTime(0.2);
BENCHMARK(BM_Read3dsMeshesOfOwnMaterials)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->MinTime(0.2);

// Finding materials and textures by name in a factory of N of each (and N nodes), as the
// readers do once per mesh, at N = 500 and 2,000: "s/find" is the time per lookup, flat when a
// lookup does not walk the list. Finding the nodes by name in the same factory is the peer.
namespace {

struct NamedFactory {
    RWyxObjectFactory factory;
    std::vector<std::string> names;
};

std::unique_ptr<NamedFactory> BuildNamed(int count) {
    auto built = std::make_unique<NamedFactory>();
    for (int i = 0; i < count; ++i) {
        built->names.push_back("N" + std::to_string(i));
        const char* name = built->names.back().c_str();
        built->factory.CreateMaterial(name);
        built->factory.CreateTexture(name);
        built->factory.CreateNode(name);
    }
    return built;
}

void PerFind(benchmark::State& state, int finds) {
    state.counters["s/find"] = benchmark::Counter(
        finds, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_FactoryFindMaterialAndTexture(benchmark::State& state) {
    const std::unique_ptr<NamedFactory> built = BuildNamed(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (const std::string& name : built->names) {
            benchmark::DoNotOptimize(built->factory.FindMaterial(name.c_str(), 0));
            benchmark::DoNotOptimize(built->factory.FindTexture(name.c_str(), 0));
        }
    }
    PerFind(state, 2 * static_cast<int>(built->names.size()));
}

void BM_FactoryFindNode(benchmark::State& state) {
    const std::unique_ptr<NamedFactory> built = BuildNamed(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        for (const std::string& name : built->names) benchmark::DoNotOptimize(built->factory.FindNode(name.c_str(), 0));
    }
    PerFind(state, static_cast<int>(built->names.size()));
}

}  // namespace

BENCHMARK(BM_FactoryFindMaterialAndTexture)->Arg(500)->Arg(2000)->Unit(benchmark::kMicrosecond)->MinTime(0.1);
BENCHMARK(BM_FactoryFindNode)->Arg(500)->Arg(2000)->Unit(benchmark::kMicrosecond)->MinTime(0.1);
