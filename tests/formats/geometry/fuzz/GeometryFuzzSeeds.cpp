// Writes seed files for the OBJ and DXF reader fuzzers into <folder>/obj and <folder>/dxf:
// files of our own writers and hand-written ones.

#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "formats/geometry/RStreamOptionsDxf.h"
#include "formats/geometry/RStreamOptionsObj.h"
#include "formats/geometry/RWyxWriterDxf.h"
#include "formats/geometry/RWyxWriterObj.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

void Save(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <seed folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    std::filesystem::create_directories(folder + "/obj");
    std::filesystem::create_directories(folder + "/dxf");
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    RWyxMesh* mesh = factory.CreateMesh();
    mesh->InitControlPoints(5);
    const double points[5][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0.5, 2, 0}, {0, 1, 1}};
    for (int k = 0; k < 5; ++k) mesh->GetControlPoints()[k].Set(points[k][0], points[k][1], points[k][2], 1);
    mesh->InitNormals(5);
    mesh->InitTextureUVMapping(RWyxMesh::kKindByControlPoint);
    for (int k = 0; k < 5; ++k) mesh->AddTextureUV(k * 0.2, 1 - k * 0.2);
    mesh->BeginPolygon();
    for (int k = 0; k < 5; ++k) mesh->AddPolygonVertex(k);
    mesh->BeginPolygon();
    for (const int k : {0, 1, 4}) mesh->AddPolygonVertex(k);
    RWyxMaterial* material = factory.CreateMaterial("paint");
    material->SetDiffuseColor(RWyxColor(1, 0.5, 0, 1));
    mesh->AddMaterial(material);
    RWyxNode* node = factory.CreateNode("shape");
    node->SetNodeAttribute(mesh);
    scene->GetRootNode()->AddChild(node);

    RWyxWriterObj obj(&factory);
    std::unique_ptr<RStreamOptionsObj, RPlugDestroyer> objOptions(RStreamOptionsObj::Create());
    obj.FileCreate((folder + "/obj/written.obj").c_str());
    obj.Write(scene, objOptions.get());
    obj.FileClose();
    Save(folder + "/obj/written.obj",
         Slurp(folder + "/obj/written.obj") + "\n#mtl\n" + Slurp(folder + "/obj/written.mtl"));
    std::filesystem::remove(folder + "/obj/written.mtl");
    Save(folder + "/obj/hand.obj",
         "mtllib a.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0 2\nv 0 1 0\nvt 0 0\nvt 1 1\nvn 0 0 1\ng one two\ns 1\n"
         "usemtl red\nf 1/1/1 2/2/1 3//1\nf -4 -2 \\\n -1\ns off\nf 1 2 3 4\ncstype rat bspline\ndeg 1 1\n"
         "surf 0 1 0 1 1 2 3 4\nparm u 0 0 1 1\nparm v 0 0 1 1\nend\ncurv 0 1 1 2\nend\nl 1 2\n"
         "\n#mtl\nnewmtl red\nKd 1 0 0\nd 0.5\nTr 0.2\nillum 1\nNs 10\nmap_Kd red.png\n");

    RWyxWriterDxf dxf(&factory);
    std::unique_ptr<RStreamOptionsDxf, RPlugDestroyer> dxfOptions(RStreamOptionsDxf::Create());
    dxfOptions->SetOptionValue(RStreamOptionsDxf::kForceTriangulation, 0);
    dxf.FileCreate((folder + "/dxf/written.dxf").c_str());
    dxf.Write(scene, dxfOptions.get());
    dxf.FileClose();
    Save(folder + "/dxf/written.dxf", std::string(1, '\0') + Slurp(folder + "/dxf/written.dxf"));
    Save(folder + "/dxf/blocks.dxf",
         std::string(1, '\2') +
             "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n0\nLAYER\n2\nA\n62\n-3\n0\nENDTAB\n0\nENDSEC\n"
             "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nb\n10\n1\n20\n0\n30\n0\n0\nLINE\n8\nA\n10\n0\n20\n0\n30\n0\n11\n1\n21\n"
             "1\n31\n1\n0\n3DFACE\n10\n0\n20\n0\n30\n0\n11\n1\n21\n0\n31\n0\n12\n1\n22\n1\n32\n0\n13\n1\n23\n1\n33\n0\n"
             "0\nENDBLK\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n0\nINSERT\n2\nb\n10\n5\n20\n6\n30\n7\n41\n2\n50\n45\n"
             "0\nPOLYLINE\n8\nA\n70\n9\n0\nVERTEX\n10\n0\n20\n0\n30\n0\n70\n32\n0\nVERTEX\n10\n1\n20\n0\n30\n0\n70\n32\n"
             "0\nSEQEND\n0\nENDSEC\n0\nEOF\n");
    return 0;
}
