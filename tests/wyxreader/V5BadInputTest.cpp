// Version-5 files the container accepts whose content does not hold together, read as
// untrusted as version-6 ones: names that resolve to nothing, counts against their arrays,
// indices past them, nesting depth. Each is read as far as it is sound; each thing dropped or
// mended is one warning.

#include "tests/wyxreader/ReaderTestSupport.h"

#include "attributes/RWyxCharacterPose.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerElement.h"
#include "attributes/RWyxMarkerSet.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkinLink.h"
#include "attributes/RWyxTypedLayerElement.h"
#include "core/RWyxColor.h"
#include "scene/RWyxGlobalLightSettings.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using namespace reader_test;

class V5BadInputTest : public ::testing::Test {
protected:
    ReadResult Read(const std::function<void(Document&)>& fill) {
        const std::string path = WriteAsciiFile(
            folder.Join("bad.wyx"),
            [&](RWyxFile& file) {
                Document document(file);
                fill(document);
            },
            5800);
        const ReadResult result = ReadFile(factory, path);
        EXPECT_TRUE(result.read) << result.errorText;
        return result;
    }
    static void Model(Document& d, const char* name, const Document::Inner& inner = [] {}) {
        d.Block("Model", {name}, inner);
    }

    ScratchFolder folder;
    RWyxObjectFactory factory;
};

TEST_F(V5BadInputTest, NamesThatNameNoModelAndSecondParentsAreDropped) {
    const ReadResult result = Read([](Document& d) {
        Model(d, "Model::A", [&] {
            d.Field("LookAtModel", {"Model::Nobody"});
            d.Field("Children", {"Model::B", "Model::Ghost"});
        });
        Model(d, "Model::B");
        Model(d, "Model::A");
        Model(d, "Model::C", [&] { d.Field("Children", {"Model::B"}); });
        Model(d, "Model::D", [&] { d.Field("Children", {"D"}); });
    });
    ExpectWarnings(result, {"Model \"Model::A\": a model without a name or a second model of this name was skipped",
                            "Model \"Model::A\": child \"Model::Ghost\" names no model of the file; dropped",
                            "Model \"Model::C\": child \"Model::B\" has a parent already",
                            "Model \"Model::D\": child \"D\" has a parent already or is one of its ancestors",
                            "Model \"Model::A\": LookAtModel \"Model::Nobody\" names no model"});
    RWyxNode* b = FindModel(*result.scene, "B");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->GetParent(), FindModel(*result.scene, "A"));
    EXPECT_EQ(result.scene->GetRootNode()->GetChildCount(), 3) << "A, C and D";
    EXPECT_EQ(FindModel(*result.scene, "A")->GetTarget(), nullptr);
}

TEST_F(V5BadInputTest, ChannelDefaultsNoFloatHoldsAreDroppedWithAWarning) {
    const ReadResult result = Read([](Document& d) {
        Model(d, "Model::A", [&] {
            d.Block("Channel", {"Visibility"}, [&] { d.Field("Default", {1e39}); });
            d.Block("Channel", {"Transform"}, [&] {
                d.Block("Channel", {"T"}, [&] { d.Block("Channel", {"X"}, [&] { d.Field("Default", {2.0}); }); });
            });
        });
    });
    ExpectWarnings(result, {"Model \"Model::A\", channel \"Visibility\": 1 curve defaults or colours no float holds "
                            "were dropped"});
    const RWyxNode* a = FindModel(*result.scene, "A");
    ASSERT_NE(a, nullptr);
    RVector4 translation;
    EXPECT_EQ(a->GetDefaultTranslation(translation).x, 2.0) << "the channel after is read";
    EXPECT_EQ(a->GetVisibility(), true);
}

TEST_F(V5BadInputTest, CountsAndIndicesAreCheckedAgainstTheirArrays) {
    const ReadResult result = Read([](Document& d) {
        Model(d, "Model::M", [&] {
            d.Block("Material", {"Material::X"}, [&] { d.Field("ShadingModel", {"phong"}); });
            d.Block("Link", {"Model::Ghost"}, [&] {
                d.Field("Indexes", {0, 9, 1});
                d.Field("Weights", {1.0, 1.0});
            });
            d.Block("Shape", {"S"}, [&] {
                d.Field("Indexes", {1, 7});
                d.Field("Vertices", {0.0, 1.0, 0.0});
            });
            d.Field("GeometryVersion", {123});
            d.Field("Vertices", {0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 5.0});
            d.Field("Normals", {0.0, 0.0, 1.0, 0.0, 0.0, 1.0});
            d.Field("MaterialAssignation", {"ByPolygon"});
            d.Field("Materials", {5, 0, 0});
            d.Field("PolygonVertexIndex", {0, 1, -3, 0, 9, -3, 1, 2});
            d.Block("GeometryUVInfo", {}, [&] {
                d.Field("Version", {240});
                d.Field("MappingInformationType", {"ByVertice"});
                d.Field("TextureUV", {0.0, 0.0});
            });
        });
    });
    ExpectWarnings(result, {"Vertices holds 10 values", "1 polygons naming control points past its 3",
                            "the last 2 polygon vertices end no polygon", "Normals holds 6 values",
                            "Link \"Model::Ghost\": 2 indices or weights", "Materials holds 3 entries for 2",
                            "1 material indices name none of its 1 materials", "GeometryUVInfo maps 1 UVs onto 3",
                            "Shape \"S\": 1 indices naming no control point", "Link \"Model::Ghost\" names no model"});
    RWyxMesh* mesh = FindModel(*result.scene, "M")->GetMesh();
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetControlPointsCount(), 3);
    EXPECT_EQ(mesh->GetPolygonCount(), 1);
    EXPECT_EQ(mesh->GetLayer(0)->GetMaterials()->IndexArray(), std::vector<int>{-1}) << "the kept polygon's index";
    ASSERT_EQ(mesh->GetDeformerCount(), 1);
    EXPECT_EQ(mesh->GetDeformer(0)->GetControlPointIndicesCount(), 1);
    EXPECT_EQ(mesh->GetDeformer(0)->GetLink(), nullptr);
    EXPECT_EQ(mesh->GetShape(0)->GetControlPoints()[1].y, 1.0);
}

TEST_F(V5BadInputTest, SurfacesAndCharacterSectionsKeepTheirSoundParts) {
    const ReadResult result = Read([](Document& d) {
        Model(d, "Model::N", [&] {
            d.Field("Type", {"Nurb"});
            d.Field("NurbOrder", {2, 2});
            d.Field("Dimensions", {100000, 100000});
            d.Field("Points", {0.0, 0.0, 0.0, 1.0});
        });
        d.Block("MARKERSET", {}, [&] {
            d.Field("NAME", {"MarkerSet::S"});
            d.Block("MARKER", {}, [&] { d.Field("MODEL", {"Model::Nobody"}); });
        });
        d.Block("ACTOR", {}, [&] {
            d.Field("CONSTRAINT", {"Constraint::A"});
            d.Field("MARKERSETINDEX", {4});
            d.Field("NODESCALE", {1.0, 1.0, 1.0});
        });
        d.Block("CHARACTER", {}, [&] {
            d.Field("CONSTRAINT", {"Constraint::C"});
            d.Field("INPUTOUTPUTTYPE", {1});
            d.Field("CHARACTERINDEX", {7});
            d.Block("BASE", {}, [&] { d.Block("LINK", {"NoSuchLink"}, [&] { d.Field("NAME", {"x"}); }); });
            d.Block("FILTERSET", {}, [&] { d.Block("PARAM", {}, [&] { d.Field("NAME", {"Nope"}); }); });
        });
    });
    ExpectWarnings(result, {"Dimensions 100000 x 100000 need more", "the marker's MODEL \"Model::Nobody\"",
                            "MARKERSETINDEX 4 names no marker set", "1 NODESCALE fields for 21",
                            "the link \"NoSuchLink\" is unknown", "the parameter \"Nope\" is unknown",
                            "CHARACTERINDEX 7 names no character"});
    EXPECT_EQ(FindModel(*result.scene, "N")->GetNurb()->GetControlPointsCount(), 0);
    EXPECT_EQ(result.scene->GetCharacterCount(), 1);
    EXPECT_EQ(result.scene->GetMarkerSet(0)->GetMarkerCount(), 0);
}

TEST_F(V5BadInputTest, SurfacesWithoutPointsInADirectionAreDroppedBeforeTheirKnotsAreMade) {
    const ReadResult result = Read([](Document& d) {
        Model(d, "Model::Ribbon", [&] {
            d.Field("Type", {"Nurb"});
            d.Field("Dimensions", {0, 1000000});
            d.Field("Points", {0.0, 0.0, 0.0, 1.0});
        });
    });
    ExpectWarnings(result, {"Model::Ribbon\": Dimensions 0 x 1000000 hold no control point; the surface was dropped"});
    const RWyxNurb* nurb = FindModel(*result.scene, "Ribbon")->GetNurb();
    ASSERT_NE(nurb, nullptr);
    EXPECT_EQ(nurb->GetVCount(), 0);
    EXPECT_EQ(nurb->GetVKnotCount(), nurb->GetVOrder());
}

// A model without Vertices (or, for a surface, Dimensions) is read as one whose field is
// empty: its polygons, normals and records are warned of alike, never dropped silently.
TEST_F(V5BadInputTest, AGeometryWithoutItsPointsFieldWarnsAsAnEmptyOneDoes) {
    std::string emptyWarnings;
    for (const bool empty : {true, false}) {
        SCOPED_TRACE(empty ? "empty" : "missing");
        const ReadResult result = Read([&](Document& d) {
            Model(d, "Model::Bare", [&] {
                d.Block("Shape", {"S"}, [&] {
                    d.Field("Indexes", {1});
                    d.Field("Vertices", {0.0, 1.0, 0.0});
                });
                d.Field("GeometryVersion", {124});
                if (empty) d.Field("Vertices");
                d.Field("Normals", {0.0, 0.0, 1.0});
                d.Field("PolygonVertexIndex", {0, 1, -3, 0, 2, -4});
            });
            Model(d, "Model::Sheet", [&] {
                d.Field("Type", {"Nurb"});
                if (empty) d.Field("Dimensions");
            });
            Model(d, "Model::Quilt", [&] {
                d.Field("Type", {"Patch"});
                d.Field("PatchType", {"Bezier", "Linear"});
                if (empty) d.Field("Dimensions");
            });
        });
        ExpectBareGeometry(result, empty,
                           {"Model \"Model::Bare\": Normals holds 3 values",
                            "Shape \"S\": 1 indices naming no control point"},
                           emptyWarnings);
        EXPECT_EQ(FindModel(*result.scene, "Bare")->GetMesh()->GetShapeCount(), 1) << "the shape record is read";
    }
}

// A colour of three values is opaque; a fourth value is its alpha.
TEST_F(V5BadInputTest, AColourOfThreeValuesReadsAlphaOne) {
    const std::vector<double> colours[] = {{0.25, 0.5, 0.75}, {0.25, 0.5, 0.75, 0.125}};
    for (const std::vector<double>& values : colours) {
        const ReadResult result = Read([&](Document& d) {
            d.Block("AmbientRenderSettings", {}, [&] {
                d.Field("AmbientLightColor", std::vector<Document::Value>(values.begin(), values.end()));
            });
        });
        RWyxColor ambient;
        result.scene->GetGlobalLightSettings()->GetAmbientColor(ambient);
        EXPECT_EQ(ambient.GetBlue(), 0.75);
        EXPECT_EQ(ambient.GetAlpha(), values.size() == 3 ? 1.0 : 0.125) << values.size() << " values";
    }
}

TEST_F(V5BadInputTest, PoseScenesNestAtMostEightDeep) {
    const ReadResult result = Read([](Document& d) {
        std::function<void(int)> pose = [&](int depth) {
            d.Block("SceneGenericPersistence", {}, [&] {
                d.Block("Pose", {("Pose::P" + std::to_string(depth)).c_str()}, [&] {
                    d.Field("Type", {"CharacterPose"});
                    d.Block("PoseScene", {}, [&] {
                        Model(d, ("Model::N" + std::to_string(depth)).c_str());
                        if (depth < 11) pose(depth + 1);
                    });
                });
            });
        };
        pose(0);
    });
    ExpectWarnings(result, {"Pose \"Pose::P8\": its scene is nested more than 8 deep; left empty"});
    int levels = 0;
    for (RWyxScene* scene = result.scene; scene != nullptr && scene->GetCharacterPoseCount() > 0; ++levels) {
        scene = scene->GetCharacterPose(0)->GetPoseScene();
        if (scene->GetRootNode()->GetChildCount() == 0) break;
    }
    EXPECT_EQ(levels, 8) << "eight pose scenes read, the ninth left empty";
}

TEST_F(V5BadInputTest, MediaAndAttributeKindsThatDoNotHoldAreDropped) {
    const ReadResult result = Read([](Document& d) {
        d.Block("Media", {}, [&] {
            d.Block("Video", {}, [&] {
                d.Block("Video", {"Empty"}, [&] { d.Field("Type", {"Clip"}); });
                d.Block("Video", {"Twice"}, [&] { d.Field("Filename", {"a.png"}); });
                d.Block("Video", {"Twice"}, [&] { d.Field("Filename", {"b.png"}); });
            });
        });
        Model(d, "Model::K", [&] { d.Field("Type", {"Spaceship"}); });
        Model(d, "Model::Switch", [&] { d.Field("AnimationMode", {"Global"}); });
        Model(d, "Model::J", [&] {
            d.Field("Type", {"Limb"});
            d.Field("TypeFlags", {"Null"});
        });
        Model(d, "Model::G", [&] {
            d.Block("Texture", {"Texture::T"}, [&] { d.Field("Media", {"Missing"}); });
            d.Field("GeometryVersion", {123});
            d.Field("Vertices", {0.0, 0.0, 0.0});
        });
    });
    ExpectWarnings(result, {"the medium \"Empty\" names no picture", "a second medium \"Twice\" was dropped",
                            "the attribute kind \"Spaceship\" is unknown",
                            "only the scene's own camera switcher has that attribute",
                            "\"Limb\" without its type flag \"Skeleton\"", "the medium \"Missing\" is none of the file's"});
    EXPECT_EQ(FindModel(*result.scene, "J")->GetNodeAttribute(), nullptr);
    ASSERT_NE(FindModel(*result.scene, "G")->GetMesh(), nullptr);
}

}  // namespace
