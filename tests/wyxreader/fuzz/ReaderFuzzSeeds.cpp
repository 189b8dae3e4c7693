// Writes the seed files of the reader's fuzz target into a folder: a compact document holding a
// record of every kind (without property blocks, so that it stays small) in the binary, ASCII
// and encrypted forms, and a small scene the version-6 writer wrote (property blocks and
// channels as the writer makes them) in the binary and ASCII forms; the same for version 5: a
// compact document of every version-5 block and the small scene the version-5 writer wrote.
// Run:
// wyx_reader_fuzz_seeds <folder> (made when missing).

#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNull.h"
#include "curves/RFCurve.h"
#include "fileio/RWyxFile.h"
#include "fileio/RWyxReader.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"
#include "tests/wyxreader/ReaderTestSupport.h"
#include "tests/wyxreader/V5SceneSupport.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

using namespace reader_test;

namespace {

void WriteObjects(Document& d) {
    d.Block("Objects", {}, [&] {
        d.Model("Model::Box", "Mesh", [&] {
            d.Field("Vertices", {0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 1.0, 1.0, 0.0, 0.0, 1.0, 0.0});
            d.Field("PolygonVertexIndex", {0, 1, 2, -4});
            d.Block("LayerElementUV", {0}, [&] {
                d.Field("MappingInformationType", {"ByPolygonVertex"});
                d.Field("ReferenceInformationType", {"IndexToDirect"});
                d.Field("UV", {0.0, 0.0, 1.0, 1.0});
                d.Field("UVIndex", {0, 1, 1, 0});
            });
            d.Block("LayerElementMaterial", {0}, [&] {
                d.Field("MappingInformationType", {"AllSame"});
                d.Field("ReferenceInformationType", {"IndexToDirect"});
                d.Field("Materials", {0});
            });
            d.Block("Layer", {0}, [&] {
                for (const char* type : {"LayerElementUV", "LayerElementMaterial"}) {
                    d.Block("LayerElement", {}, [&] {
                        d.Field("Type", {type});
                        d.Field("TypedIndex", {0});
                    });
                }
            });
            d.Block("Shape", {"Bulge"}, [&] {
                d.Field("Indexes", {2});
                d.Field("Vertices", {0.0, 0.5, 0.0});
                d.Field("Normals", {0.0, 0.0, 0.0});
            });
        });
        d.Model("Model::Sheet", "Nurb", [&] {
            d.Field("Type", {"Nurb"});
            d.Field("NurbOrder", {2, 2});
            d.Field("Dimensions", {2, 2});
            d.Field("Form", {"Open", "Periodic"});
            d.Field("Points", {0.0, 0.0, 0.0, 1.0, 1.0, 0.0, 0.0, 1.0, 0.0, 1.0, 0.0, 1.0, 1.0, 1.0, 0.0, 1.0});
            d.Field("MultiplicityU", {1, 1});
            d.Field("MultiplicityV", {1, 1});
            d.Field("KnotVectorU", {0.0, 0.0, 1.0, 1.0});
            d.Field("KnotVectorV", {0.0, 0.0, 1.0, 1.0, 2.0});
        });
        d.Model("Model::Quilt", "Patch", [&] {
            d.Field("PatchType", {"Bezier", "Linear"});
            d.Field("Dimensions", {1, 1});
            d.Field("Points", {1.0, 2.0, 3.0});
            d.Field("Closed", {1, 0});
        });
        d.Model("Model::Hips", "Root", [&] {
            d.Field("Type", {"Root"});
            d.Field("TypeFlags", {"Null", "Skeleton", "Root"});
        });
        d.Model("Model::Eye", "Camera", [&] {
            d.Field("Up", {0.0, 1.0, 0.0});
            d.Field("LookAt", {0.0, 0.0, -1.0});
        });
        d.Model("Model::Lamp", "Light", [&] { d.Field("Type", {"Light"}); });
        d.Model("Model::Tip", "IKEffector", [&] { d.Field("TypeFlags", {"Marker"}); });
        d.Block("Material", {"Material::Red", ""}, [&] { d.Field("ShadingModel", {"phong"}); });
        d.Block("Texture", {"Texture::Wood", "TextureVideoClip"}, [&] { d.Field("Cropping", {1, 2, 3, 4}); });
        d.Block("Deformer", {"Deformer::Skin Box", "Skin"}, [] {});
        d.Block("Deformer", {"SubDeformer::Cluster Hips", "Cluster"}, [&] {
            d.Field("Indexes", {0, 1});
            d.Field("Weights", {1.0, 0.5});
            d.Field("TransformLink", {1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 2.0, 0.0, 1.0});
        });
        d.Block("Pose", {"Pose::Bind", "BindPose"}, [&] {
            d.Field("NbPoseNodes", {1});
            d.Block("PoseNode", {}, [&] {
                d.Field("Node", {"Model::Hips"});
                d.Field("Matrix", {1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 2.0, 0.0, 1.0});
            });
        });
        d.Block("GenericNode", {"Settings", "GenericNode"}, [] {});
        d.Block("ControlSetPlug", {"ControlSetPlug::Rig", "ControlSetPlug"}, [] {});
        d.Block("Constraint", {"Constraint::Hero", "Character"}, [&] {
            d.Block("REFERENCE", {}, [&] { d.Field("NAME", {"Hips"}); });
            d.Block("BASE", {}, [&] { d.Block("LINK", {"Hips"}, [&] { d.Field("TOFFSETY", {1.0}); }); });
        });
    });
}

void WriteConnections(Document& d) {
    d.Block("Connections", {}, [&] {
        for (const char* model :
             {"Model::Box", "Model::Sheet", "Model::Quilt", "Model::Hips", "Model::Eye", "Model::Lamp"}) {
            d.Connect(model, "Model::Scene");
        }
        d.Connect("Model::Tip", "Model::Hips");
        d.Connect("Material::Red", "Model::Box");
        d.Connect("Texture::Wood", "Model::Box");
        d.Connect("Deformer::Skin Box", "Model::Box");
        d.Connect("SubDeformer::Cluster Hips", "Deformer::Skin Box");
        d.Connect("Model::Hips", "SubDeformer::Cluster Hips");
        d.Connect("Model::Box", "SubDeformer::Cluster Hips", "SrcModelReference");
        d.Connect("Model::Hips", "Model::Lamp", "LookAtProperty");
    });
}

void WriteTakes(Document& d) {
    d.Block("Takes", {}, [&] {
        d.Field("Current", {"Walk"});
        d.Block("Take", {"Walk"}, [&] {
            d.Field("LocalTime", {0, 46186158});
            d.Block("Model", {"Model::Hips"}, [&] {
                d.Field("Version", {1.1});
                d.Block("Channel", {"Transform"}, [&] {
                    d.Block("Channel", {"T"}, [&] {
                        d.Block("Channel", {"X"}, [&] {
                            d.Field("Default", {0.0});
                            d.Field("KeyVer", {4004});
                            d.Field("KeyCount", {2});
                            d.Field("Key", {0, 0.0, "U", "a", 46186158, 1.0, "L"});
                        });
                        d.Block("LayerChannel", {"T"}, [&] {
                            d.Block("Channel", {"X"}, [&] {
                                d.Field("Default", {0.5});
                                d.Field("LayerID", {1});
                            });
                            d.Field("LayerID", {1});
                        });
                    });
                });
            });
            d.Block("Material", {"Material::Red"}, [&] { d.Field("Version", {1.1}); });
        });
    });
}

void WriteSettings(Document& d) {
    d.Block("Version5", {}, [&] {
        d.Block("FogOptions", {}, [&] { d.Field("FogColor", {1.0, 0.5, 0.0, 1.0}); });
        d.Block("ShadowPlanes", {}, [&] {
            d.Field("Count", {1});
            d.Field("Plane", {0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 1});
        });
        d.Block("Settings", {}, [&] { d.Field("FrameRate", {"PAL"}); });
    });
}

bool WriteCompactDocument(const std::string& path, bool binary, bool encrypted) {
    RWyxFile file;
    RWyxFileHeaderInfo info;
    info.fileVersion = 6000;
    if (!file.Create(path.c_str(), binary, encrypted, info)) return false;
    Document d(file);
    WriteObjects(d);
    WriteConnections(d);
    WriteTakes(d);
    WriteSettings(d);
    if (binary && file.ProjectCreateExtensionSection(true)) {
        d.Block("Summary", {}, [&] {
            d.Block("SceneInfo", {"SceneInfo::GlobalInfo"},
                    [&] { d.Block("MetaData", {}, [&] { d.Field("Title", {"Compact"}); }); });
            d.Block("Takes", {}, [&] {
                d.Field("Current", {"Walk"});
                d.Block("Take", {"Walk"}, [&] { d.Field("Comments", {"one"}); });
            });
        });
    }
    return file.Close();
}

// The version-5 blocks, each with a few fields of its kind.
void WriteVersion5Models(Document& d) {
    d.Block("Media", {}, [&] {
        d.Block("Video", {}, [&] { d.Block("Video", {"wood"}, [&] { d.Field("Filename", {"wood.png"}); }); });
    });
    d.Block("Model", {"Model::Box"}, [&] {
        d.Block("Limits", {}, [&] {
            d.Field("RAuto", {0});
            d.Field("RXMin", {-30.0});
            d.Field("RType", {0});
        });
        d.Block("UserProperty", {}, [&] {
            d.Field("Name", {"Speed"});
            d.Field("Type", {"Real"});
        });
        d.Block("Material", {"Material::Red"}, [&] { d.Field("Shininess", {20.0}); });
        d.Block("Texture", {"Texture::Wood"}, [&] { d.Field("Media", {"wood"}); });
        d.Block("Link", {"Model::Cam"}, [&] {
            d.Field("Indexes", {0, 1});
            d.Field("Weights", {0.5, 1.0});
        });
        d.Block("Shape", {"Bulge"}, [&] {
            d.Field("Indexes", {2});
            d.Field("Vertices", {0.0, 0.5, 0.0});
        });
        d.Block("GeometryLayer", {}, [&] {
            d.Field("LayerIndex", {0});
            d.Block("LayerTextureInfo", {}, [&] {
                d.Field("TextureMode", {2});
                d.Field("TextureId", {0});
                d.Field("UVMode", {3});
                d.Field("UV", {0.0, 0.0, 1.0, 0.0, 1.0, 1.0});
            });
        });
        d.Field("GeometryVersion", {123});
        d.Field("Vertices", {0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 1.0, 1.0, 0.0});
        d.Field("Normals", {0.0, 0.0, 1.0, 0.0, 0.0, 1.0, 0.0, 0.0, 1.0});
        d.Field("MaterialAssignation", {"ByPolygon"});
        d.Field("Materials", {0});
        d.Field("TextureMode", {"ByPolygon"});
        d.Field("TextureId", {0});
        d.Field("PolygonVertexIndex", {0, 1, -3});
        d.Block("GeometryUVInfo", {}, [&] {
            d.Field("MappingInformationType", {"ByPolygon"});
            d.Field("TextureUV", {0.0, 0.0, 1.0, 1.0});
            d.Field("TextureUVVerticeIndex", {0, 1, 1});
        });
        d.Block("Channel", {"Transform"}, [&] {
            d.Block("Channel", {"T"}, [&] { d.Block("Channel", {"X"}, [&] { d.Field("Default", {1.0}); }); });
        });
        d.Field("Children", {"Model::Cam"});
    });
    d.Block("Model", {"Model::Cam"}, [&] {
        d.Field("Type", {"Camera"});
        d.Field("Type", {1});
        d.Field("FocalLength", {35.0});
        d.Field("Media", {"wood"});
        d.Field("LookAtModel", {"Model::Box"});
    });
    d.Block("Model", {"Model::Sheet"}, [&] {
        d.Field("Type", {"Nurb"});
        d.Field("NurbOrder", {2, 2});
        d.Field("Dimensions", {2, 2});
        d.Field("Points", {0.0, 0.0, 0.0, 1.0, 1.0, 0.0, 0.0, 1.0, 0.0, 1.0, 0.0, 1.0, 1.0, 1.0, 0.0, 1.0});
        d.Field("KnotVectorU", {0.0, 0.0, 1.0, 1.0});
        d.Field("KnotVectorV", {0.0, 0.0, 1.0, 1.0});
    });
}

void WriteVersion5Scene(Document& d) {
    d.Block("Takes", {}, [&] {
        d.Field("Current", {"Walk"});
        d.Block("Take", {"Walk"}, [&] {
            d.Block("Material", {"Material::Red"}, [&] {
                d.Block("Channel", {"Shininess"}, [&] {
                    d.Field("Default", {20.0});
                    d.Field("KeyVer", {4004});
                    d.Field("KeyCount", {1});
                    d.Field("Key", {0, 25.0, "L"});
                });
            });
        });
    });
    d.Block("GoboManager", {}, [&] { d.Block("Gobo", {}, [&] { d.Field("GoboName", {"Leaves"}); }); });
    d.Block("MARKERSET", {}, [&] {
        d.Field("NAME", {"MarkerSet::M"});
        d.Block("MARKER", {}, [&] { d.Field("MODEL", {"Model::Box"}); });
    });
    d.Block("ACTOR", {}, [&] { d.Field("CONSTRAINT", {"Constraint::A"}); });
    d.Block("CHARACTER", {}, [&] {
        d.Field("CONSTRAINT", {"Constraint::C"});
        d.Block("REFERENCE", {}, [&] { d.Field("MODEL", {"Model::Box"}); });
        d.Block("BASE", {}, [&] { d.Block("LINK", {"Hips"}, [&] { d.Field("NAME", {"Hips"}); }); });
        d.Block("SW_CONTROLSET", {}, [&] {
            d.Block("EFFECTOR", {}, [&] { d.Block("LINK", {"HipsEffector"}, [&] { d.Field("MODEL", {"Model::Box"}); }); });
        });
    });
    d.Block("SceneGenericPersistence", {}, [&] {
        d.Block("Pose", {"Pose::Stand"}, [&] {
            d.Field("Type", {"CharacterPose"});
            d.Block("PoseScene", {}, [&] { d.Block("Model", {"Model::Posed"}, [&] {}); });
        });
        d.Block("Pose", {"Pose::Bind"}, [&] {
            d.Field("Type", {"BindPose"});
            d.Block("PoseNode", {}, [&] { d.Field("Node", {"Model::Box"}); });
        });
    });
    d.Block("Settings", {}, [&] {
        d.Block("Camera", {"Producer Top"}, [&] { d.Field("Position", {0.0, 100.0, 0.0}); });
        d.Field("TimeMode", {3});
        d.Block("TimeMarker", {"Start"}, [&] { d.Field("Loop", {1}); });
    });
}

bool WriteVersion5Document(const std::string& path, bool binary) {
    RWyxFile file;
    RWyxFileHeaderInfo info;
    info.fileVersion = 5800;
    if (!file.Create(path.c_str(), binary, false, info)) return false;
    Document d(file);
    WriteVersion5Models(d);
    WriteVersion5Scene(d);
    return file.Close();
}

// A null with a material on a mesh and a take of two keys, as the writer writes it.
RWyxScene* BuildSmallScene(RWyxObjectFactory& factory) {
    RWyxScene* scene = factory.CreateScene();
    RWyxNode* node = factory.CreateNode("Box");
    RWyxMesh* mesh = factory.CreateMesh();
    mesh->InitControlPoints(3);
    mesh->GetControlPoints()[1].x = 1.0;
    mesh->GetControlPoints()[2].y = 1.0;
    mesh->BeginPolygon(-1, -1, -1);
    for (int i = 0; i < 3; ++i) mesh->AddPolygonVertex(i, -1);
    mesh->AddMaterial(factory.CreateMaterial("Red"));
    node->SetNodeAttribute(mesh);
    scene->GetRootNode()->AddChild(node);
    node->AddTakeNode("Walk");
    AddKey(node->GetTakeNode(1)->GetTranslationXCurve(), 0.0, 0.0f);
    AddKey(node->GetTakeNode(1)->GetTranslationXCurve(), 1.0, 2.0f);
    return scene;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    bool ok = WriteCompactDocument(folder + "/compact.wyx", true, false) &&
              WriteCompactDocument(folder + "/compact-ascii.wyx", false, false) &&
              WriteCompactDocument(folder + "/compact-encrypted.wyx", true, true);
    RWyxObjectFactory factory;
    RWyxScene* scene = BuildSmallScene(factory);
    ok = ok && Write(factory, scene, folder + "/small.wyx", Form::kBinary) &&
         Write(factory, scene, folder + "/small-ascii.wyx", Form::kAscii);
    ok = ok && WriteVersion5Document(folder + "/compact5.wyx", true) &&
         WriteVersion5Document(folder + "/compact5-ascii.wyx", false) &&
         Export5(factory, scene, folder + "/small5.wyx", Form5::kBinary).empty() &&
         Export5(factory, scene, folder + "/small5-ascii.wyx", Form5::kAscii).empty();
    if (!ok) {
        std::fprintf(stderr, "a seed could not be written into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
