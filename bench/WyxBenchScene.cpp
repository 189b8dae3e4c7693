// The large scene of the WYX benchmarks, its writing and reading, and the container's view of a file's fields.

#include "bench/WyxBenchScene.h"

#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "curves/RCurveKey.h"
#include "curves/RFCurve.h"
#include "fileio/RStreamOptions.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"
#include "wyxreader/RWyxReaderWyx.h"
#include "wyxwriter/RWyxWriterWyx.h"

#include <cmath>

namespace wyx_bench {

namespace {

constexpr int kGrid = 1000;  // quads a side: a million polygons
constexpr int kAnimatedNodes = 100;
constexpr int kKeys = 1000;

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

}  // namespace

void Animate(RWyxNode& node, int seed, int channels) {
    node.AddTakeNode("Take 001");
    RWyxTakeNode& take = *node.GetTakeNode(1);
    RFCurve* curves[] = {take.GetTranslationXCurve(), take.GetTranslationYCurve(), take.GetTranslationZCurve(),
                         take.GetRotationXCurve(),    take.GetRotationYCurve(),    take.GetRotationZCurve(),
                         take.GetScalingXCurve(),     take.GetScalingYCurve(),     take.GetScalingZCurve(),
                         take.GetVisibilityCurve()};
    for (int c = 0; c < channels && c < 10; ++c) {
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

BigScene::BigScene() {
    scene = factory.CreateScene();
    RWyxNode* ground = factory.CreateNode("Ground");
    ground->SetNodeAttribute(BuildMesh(factory));
    scene->GetRootNode()->AddChild(ground);
    for (int i = 0; i < kAnimatedNodes; ++i) {
        RWyxNode* node = factory.CreateNode(("Animated " + std::to_string(i)).c_str());
        scene->GetRootNode()->AddChild(node);
        Animate(*node, i, 10);
    }
}

BigScene& Scene() {
    static BigScene scene;
    return scene;
}

bool WriteSceneWith(RWyxWriterWyx& writer, RWyxScene* scene, const std::string& path, bool binary) {
    writer.SetFileMode(binary ? RWyxWriterWyx::kFileModeBinary : RWyxWriterWyx::kFileModeAscii);
    RStreamOptionsPtr options = writer.GetWriteOptions();
    return writer.FileCreate(path.c_str()) && writer.Write(scene, options.get()) && writer.FileClose();
}

bool WriteBigScene(RWyxWriterWyx& writer, const std::string& path, bool binary) {
    return WriteSceneWith(writer, Scene().scene, path, binary);
}

bool ReadWithReader(RWyxObjectFactory& factory, const std::string& path) {
    RWyxReaderWyx reader(&factory);
    if (!reader.FileOpen(path.c_str())) return false;
    RWyxFileHeaderSummary header;
    reader.ReadHeader(header);
    RStreamOptionsPtr options = reader.GetReadOptions(false);
    return options != nullptr && reader.Read(factory.CreateScene(), options.get()) &&
           reader.GetWarnings().GetCount() == 0;
}

namespace {

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

}  // namespace

FileShape ReadFileShape(const std::string& path) {
    FileShape shape;
    RWyxFile file;
    if (!file.Open(path.c_str())) return shape;
    if (file.ProjectOpenSection(RWyxFile::kMainSection)) ReadShapes(file, shape.main);
    if (file.ProjectOpenSection(RWyxFile::kExtensionSection)) ReadShapes(file, shape.extension);
    (void)file.Close();
    return shape;
}
std::int64_t ReadShapeValues(RWyxFile& file, const std::vector<FieldShape>& fields) {
    std::int64_t values = 0;
    for (int i = 0; i < static_cast<int>(fields.size()); ++i) {
        const FieldShape& field = fields[static_cast<std::size_t>(i)];
        if (!file.FieldReadBeginAt(i)) continue;
        for (const ValueRun& run : field.values) {
            for (int v = 0; v < run.count; ++v) {
                switch (run.type) {
                case 'D':
                case 'F':
                    file.FieldReadDouble();
                    break;
                case 'I':
                    file.FieldReadInt();
                    break;
                case 'L':
                    file.FieldReadLong();
                    break;
                case 'C':
                    file.FieldReadChar();
                    break;
                default:
                    file.FieldReadString();
                    break;
                }
            }
            values += run.count;
        }
        if (field.hasBlock && file.FieldReadBlockBegin()) {
            values += ReadShapeValues(file, field.children);
            file.FieldReadBlockEnd();
        }
        file.FieldReadEnd();
    }
    return values;
}

}  // namespace wyx_bench
