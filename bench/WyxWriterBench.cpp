// The version-6 writer on a large scene: one mesh of a million quads (a million control
// points with normals, UVs by polygon vertex, two materials by polygon) and a thousand animated
// channels of a thousand cubic keys each (a hundred nodes, ten channels each), written in the
// binary and in the ASCII form. Each iteration writes the scene with the writer and then
// writes the very same fields and values (name for name, value type for value type, replayed
// from the writer's file) with the container alone. Reported: the writer's MB/s and the ratio
// of its speed to the container's; the scene layer's own cost must stay below the
// container's, a ratio of 0.5 or more. Writing includes creating the file and putting it on
// the disk.

#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "curves/RCurveKey.h"
#include "curves/RFCurve.h"
#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"
#include "wyxwriter/RWyxWriterWyx6.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kGrid = 1000;  // quads a side: a million polygons
constexpr int kAnimatedNodes = 100;
constexpr int kKeys = 1000;
constexpr std::int64_t kFrame = RTime::kTicksPerSecond / 30;
constexpr int kFormatBinary = 0;

RWyxMesh* BuildMesh(RWyxObjectFactory& factory) {
    constexpr int side = kGrid + 1;
    RWyxMesh* mesh = factory.CreateMesh();
    mesh->InitControlPoints(side * side);
    mesh->InitNormals(0);
    RVector4* points = mesh->GetControlPoints();
    RVector4* normals = mesh->GetNormals();
    for (int i = 0; i < side * side; ++i) {
        points[i] = RVector4(i % side, 0.01 * (i % 7), i / side, 1.0);
        normals[i] = RVector4(0, 1, 0, 1);
    }
    mesh->AddMaterial(factory.CreateMaterial("Even"));
    mesh->AddMaterial(factory.CreateMaterial("Odd"));
    mesh->InitMaterialIndices(RWyxMesh::kKindByPolygon);
    mesh->InitTextureUVMapping(RWyxMesh::kKindByPolygonVertex);
    for (int i = 0; i < side * side; ++i) mesh->AddTextureUV((i % side) / double(kGrid), (i / side) / double(kGrid));
    for (int row = 0; row < kGrid; ++row) {
        for (int column = 0; column < kGrid; ++column) {
            const int corner = row * side + column;
            mesh->BeginPolygon((row + column) % 2, -1, -1);
            for (const int point : {corner, corner + 1, corner + side + 1, corner + side}) {
                mesh->AddPolygonVertex(point, point);
            }
        }
    }
    return mesh;
}

void Animate(RWyxNode& node, int seed) {
    node.AddTakeNode("Take 001");
    RWyxTakeNode& take = *node.GetTakeNode(1);
    RFCurve* curves[] = {take.GetTranslationXCurve(), take.GetTranslationYCurve(), take.GetTranslationZCurve(),
                         take.GetRotationXCurve(),    take.GetRotationYCurve(),    take.GetRotationZCurve(),
                         take.GetScalingXCurve(),     take.GetScalingYCurve(),     take.GetScalingZCurve(),
                         take.GetVisibilityCurve()};
    for (int c = 0; c < 10; ++c) {
        RFCurve& curve = *curves[c];
        curve.BeginBulkKeys(kKeys);
        for (int k = 0; k < kKeys; ++k) {
            curve.GetKey(k).Set(RTime(k * kFrame), static_cast<float>(std::sin(k * 0.05 + seed + c)), RCurveKey::Cubic,
                                RCurveKey::User, 0.5f, -0.5f, 0, RCurveKey::kDefaultWeight, RCurveKey::kDefaultWeight,
                                0.0f, 0.0f);
        }
        curve.EndBulkKeys(kKeys);
    }
}

struct BigScene {
    RWyxObjectFactory factory;
    RWyxScene* scene = nullptr;
    BigScene() {
        scene = factory.CreateScene();
        RWyxNode* ground = factory.CreateNode("Ground");
        ground->SetNodeAttribute(BuildMesh(factory));
        scene->GetRootNode()->AddChild(ground);
        for (int i = 0; i < kAnimatedNodes; ++i) {
            RWyxNode* node = factory.CreateNode(("Animated " + std::to_string(i)).c_str());
            scene->GetRootNode()->AddChild(node);
            Animate(*node, i);
        }
    }
};

BigScene& Scene() {
    static BigScene scene;
    return scene;
}

std::string BenchPath(int format) {
    return (std::filesystem::temp_directory_path() / (format == kFormatBinary ? "writer_bench.wyx" : "writer_bench_ascii.wyx"))
        .string();
}

bool WriteWithWriter(const std::string& path, int format) {
    RWyxWriterWyx6 writer(&Scene().factory, nullptr);
    writer.SetFileMode(format == kFormatBinary ? RWyxWriterWyx::kFileModeBinary : RWyxWriterWyx::kFileModeAscii);
    RStreamOptionsPtr options = writer.GetWriteOptions();
    return writer.FileCreate(path.c_str()) && writer.Write(Scene().scene, options.get()) && writer.FileClose();
}

// The fields of a file as the container replays them: name, runs of values of one type, the
// block, and the section it belongs to.
struct ValueRun {
    char type;
    int count;
};
struct FieldShape {
    std::string name;
    std::vector<ValueRun> values;
    bool hasBlock = false;
    std::vector<FieldShape> children;
};
struct FileShape {
    std::vector<FieldShape> main;
    std::vector<FieldShape> extension;
};

void ReadShapes(RWyxFile& file, std::vector<FieldShape>& out) {
    for (int i = 0; i < file.FieldGetCount(); ++i) {
        file.FieldReadBeginAt(i);
        FieldShape shape;
        shape.name = file.FieldGetCurrentName().Buffer();
        while (file.FieldReadValuesLeft() > 0) {
            const char type = file.FieldReadValueType();
            if (shape.values.empty() || shape.values.back().type != type) shape.values.push_back({type, 0});
            ++shape.values.back().count;
            file.FieldReadSkipValue();
        }
        if (file.FieldReadBlockBegin()) {
            shape.hasBlock = true;
            ReadShapes(file, shape.children);
            file.FieldReadBlockEnd();
        }
        file.FieldReadEnd();
        out.push_back(std::move(shape));
    }
}

FileShape ReadFileShape(const std::string& path) {
    FileShape shape;
    RWyxFile file;
    if (!file.Open(path.c_str())) return shape;
    if (file.ProjectOpenSection(RWyxFile::kMainSection)) ReadShapes(file, shape.main);
    if (file.ProjectOpenSection(RWyxFile::kExtensionSection)) ReadShapes(file, shape.extension);
    (void)file.Close();
    return shape;
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
