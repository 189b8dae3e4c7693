// Writes seed files for the 3DS fuzzers into the folder given: the rich scene built through
// the toolkit, small files of each database kind, and a scene written by the 3DS writer.

#include "attributes/RWyxLight.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxTexture.h"
#include "curves/RFCurve.h"
#include "fileio/RStreamOptions.h"
#include "formats/3ds/RWyxWriter3ds.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"
#include "tests/formats/3ds/Ftk3dsTestSupport.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

bool WriteSeed(const std::string& folder, const std::string& name, const ftk_test::Bytes& bytes) {
    std::ofstream out(folder + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

// A textured, animated, smoothly shaded mesh under a dummy, and a spot light aimed at it.
ftk_test::Bytes WrittenScene() {
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    RWyxMesh* mesh = factory.CreateMesh();
    mesh->InitControlPoints(5);
    const double points[5][3] = {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}, {2, 2, 3}};
    for (int i = 0; i < 5; ++i) mesh->GetControlPoints()[i].Set(points[i][0], points[i][1], points[i][2], 0);
    const int polygons[3][4] = {{0, 1, 2, 3}, {0, 1, 4, -1}, {1, 2, 4, -1}};
    for (const auto& polygon : polygons) {
        mesh->BeginPolygon();
        for (int corner : polygon) {
            if (corner >= 0) mesh->AddPolygonVertex(corner);
        }
    }
    mesh->InitNormals(5);
    for (int i = 0; i < 5; ++i) mesh->GetNormals()[i].Set(0, 0, 1, 0);
    mesh->InitMaterialIndices(RWyxMesh::kKindByPolygon);
    mesh->InitTextureIndices(RWyxMesh::kKindByPolygon);
    mesh->AddMaterial(factory.CreateMaterial("Stone"), 0);
    RWyxTexture* texture = factory.CreateTexture("moss");
    texture->SetFileName("moss.bmp");
    mesh->AddTexture(texture, 0);
    RWyxNode* group = factory.CreateNode("Group");
    scene->GetRootNode()->AddChild(group);
    RWyxNode* node = factory.CreateNode("Rock");
    node->SetNodeAttribute(mesh);
    group->AddChild(node);
    RFCurve* turn = node->GetCurrentTakeNode()->GetRotationYCurve();
    RTime time;
    for (int frame = 0; frame <= 20; frame += 10) {
        time.SetFromTimecode(0, 0, 0, frame, 0, 6);
        turn->AppendKey(time, static_cast<float>(frame * 9));
    }
    RWyxLight* spot = factory.CreateLight();
    spot->SetLightType(2);
    RWyxNode* light = factory.CreateNode("Spot");
    light->SetNodeAttribute(spot);
    scene->GetRootNode()->AddChild(light);
    light->SetTarget(node);
    RWyxWriter3ds writer(&factory);
    RStreamOptionsPtr options = writer.GetWriteOptions();
    if (!writer.CreateInMemory() || !writer.Write(scene, options.get())) return {};
    return writer.GetMemoryContents();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <seed folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    using namespace ftk_test;
    bool written = WriteSeed(folder, "scene.3ds", RichScene());
    written = WriteSeed(folder, "written.3ds", WrittenScene()) && written;
    for (int kind = kFtkMeshFile; kind <= kFtkMaterialFile; ++kind) {
        std::unique_ptr<FtkDatabase> database = NewDatabase(kind);
        written = WriteSeed(folder, "kind" + std::to_string(kind) + ".3ds", Save(database.get())) && written;
    }
    return written ? 0 : 1;
}
