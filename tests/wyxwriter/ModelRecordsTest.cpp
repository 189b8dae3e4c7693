// Model records: the node-level fields and the attribute fields of every kind, with the
// geometry flag on and off.

#include "tests/wyxwriter/WriterTestSupport.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxCameraSwitcher.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMarker.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNull.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxOptical.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkeleton.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"

#include <functional>

namespace {

using namespace writer_test;
using Names = std::vector<std::string>;

const Names kNodeFields = {"Version", "Properties60", "MultiLayer", "MultiTake", "Shading", "Culling"};

TEST_F(WriterTest, TheNodeFieldsFollowVisibilityShadingAndCulling) {
    const struct {
        bool visible;
        int shading;
        int culling;
        Names fields;
    } cases[] = {
        {true, 3, 0, {"Version:231", "Properties60", "MultiLayer:0", "MultiTake:1", "Shading:Y", "Culling:CullingOff"}},
        {false, 0, 1, {"Version:231", "Properties60", "MultiLayer:0", "MultiTake:1", "Hidden:True", "Culling:CullingOnCCW"}},
        {true, 6, 7, {"Version:231", "Properties60", "MultiLayer:0", "MultiTake:1", "Culling:CullingOff"}},
    };
    for (const char* name : {"N0", "N1", "N2"}) AddNode(name);
    for (int i = 0; i < 3; ++i) {
        RWyxNode* node = root->GetChild(i);
        node->SetVisibility(cases[i].visible);
        node->SetShadingMode(cases[i].shading);
        node->SetCullingMode(cases[i].culling);
    }
    const FileTree tree = WriteAndRead();
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const Record& model = tree.main.Child("Objects").Child("Model", i);
        EXPECT_EQ(model.values, (Names{"Model::N" + std::to_string(i), "Null"}));
        Names fields = model.NamesWithValue();
        fields.resize(fields.size() - 2);  // Type, TypeFlags
        EXPECT_EQ(fields, cases[i].fields);
    }
    const char letters[] = "WFYTU";
    for (int mode = 1; mode <= 5; ++mode) {
        root->GetChild(0)->SetShadingMode(mode);
        EXPECT_EQ(WriteAndRead().main.Child("Objects").Child("Model").Child("Shading").values,
                  Names{std::string(1, letters[mode - 1])});
    }
}

TEST_F(WriterTest, EachAttributeKindWritesItsFieldsAndGeometryOnlyWithFlagZero) {
    RWyxCameraSwitcher switcher(&factory);
    RWyxMarker* marker = factory.CreateMarker();
    marker->SetType(RWyxMarker::kIKEffector);
    RWyxSkeleton* rootJoint = factory.CreateSkeleton();
    rootJoint->SetSkeletonType(RWyxSkeleton::kRoot);
    RWyxSkeleton* secondRoot = factory.CreateSkeleton();
    secondRoot->SetSkeletonType(RWyxSkeleton::kEffectorRoot);
    RWyxMesh* mesh = factory.CreateMesh();
    mesh->InitControlPoints(3);
    RWyxNurb* nurb = factory.CreateNurb();
    nurb->InitControlPoints(2, RWyxNurb::kOpen, 2, RWyxNurb::kOpen);
    nurb->SetOrder(2, 2);
    RWyxPatch* patch = factory.CreatePatch();
    patch->InitControlPoints(2, RWyxPatch::kLinear, 2, RWyxPatch::kLinear);
    const Names nullFields = {"Type:Null", "TypeFlags:Null"};
    const struct {
        const char* name;
        RWyxNodeAttribute* attribute;
        Names withGeometry;
        Names withoutGeometry;
    } kinds[] = {
        {"None", nullptr, nullFields, nullFields},
        {"Null", factory.CreateNull(), nullFields, nullFields},
        {"Marker", marker, {"Type:IKEffector", "TypeFlags:Marker"}, {"Type:IKEffector", "TypeFlags:Marker"}},
        {"Joint", rootJoint, {"Type:Root", "TypeFlags:Null"}, {"Type:Root", "TypeFlags:Null"}},
        {"Effector", secondRoot, {"Type:Root", "TypeFlags:Null"}, {"Type:Root", "TypeFlags:Null"}},
        {"Mesh", mesh, {"Vertices:0", "GeometryVersion:124"}, nullFields},
        {"Nurb", nurb, {"Type:Nurb", "NurbVersion:100"}, nullFields},
        {"Patch", patch, {"Type:Patch", "PatchVersion:100"}, nullFields},
        {"Camera", factory.CreateCamera(),
         {"Type:Camera", "TypeFlags:Camera", "GeometryVersion:124", "Position:0", "Up:0", "LookAt:0",
          "ShowInfoOnMoving:1", "ShowAudio:0", "AudioColor:0"},
         {"Type:Camera", "TypeFlags:Camera", "GeometryVersion:124", "Position:0", "Up:0", "LookAt:0",
          "ShowInfoOnMoving:1", "ShowAudio:0", "AudioColor:0"}},
        {"Switcher", &switcher, {}, {}},
        {"Light", factory.CreateLight(), {"Type:Light", "TypeFlags:Light", "GeometryVersion:124"},
         {"Type:Light", "TypeFlags:Light", "GeometryVersion:124"}},
        {"Optical", factory.CreateOptical(), {}, {}},
        {"Shape", factory.CreateShape(), {}, nullFields},
    };
    for (const auto& kind : kinds) {
        RWyxNode* node = AddNode(kind.name);
        if (kind.attribute != nullptr) node->SetNodeAttribute(kind.attribute);
    }
    for (const bool geometry : {true, false}) {
        SCOPED_TRACE(geometry);
        Options().SetFlag(RStreamOptionsWyx::kFlagGeometry, geometry);
        const FileTree tree = WriteAndRead();
        int i = 0;
        for (const auto& kind : kinds) {
            SCOPED_TRACE(kind.name);
            Names fields = tree.main.Child("Objects").Child("Model", i++).NamesWithValue();
            fields.erase(fields.begin(), fields.begin() + static_cast<long>(kNodeFields.size()));
            const Names& expected = geometry ? kind.withGeometry : kind.withoutGeometry;
            // Geometry goes on past the fields listed; everything else ends with them.
            const bool surface = kind.attribute == mesh || kind.attribute == nurb || kind.attribute == patch;
            const bool listedWhole = !geometry || !surface;
            if (!listedWhole && fields.size() > expected.size()) fields.resize(expected.size());
            EXPECT_EQ(fields, expected);
        }
    }
    EXPECT_EQ(WriteAndRead().main.Child("Objects").Child("Model", 3).Child("TypeFlags").values,
              (Names{"Null", "Skeleton", "Root"}));
}

TEST_F(WriterTest, ACameraWritesItsPositionUpVectorInterestAndAudio) {
    RWyxCamera* camera = factory.CreateCamera();
    RWyxNode* node = AddNode("Cam");
    node->SetNodeAttribute(camera);
    node->SetDefaultTranslation(RVector4(1, 2, 3, 0));
    camera->SetUpVector(RVector4(0, 0, 1, 0));
    camera->SetInterestPosition(RVector4(4, 5, 6, 0));
    camera->SetShowInfoOnMoving(false);
    camera->SetShowAudio(true);
    camera->SetAudioColor(RVector4(0.25, 0.5, 0.75, 0));
    const FileTree modelTree = WriteAndRead();
    const Record& model = modelTree.main.Child("Objects").Child("Model");
    EXPECT_EQ(model.Child("Position").Numbers(), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(model.Child("Up").Numbers(), (std::vector<double>{0, 0, 1}));
    EXPECT_EQ(model.Child("LookAt").Numbers(), (std::vector<double>{4, 5, 6}));
    EXPECT_EQ(model.Child("ShowInfoOnMoving").Int(), 0);
    EXPECT_EQ(model.Child("ShowAudio").Int(), 1);
    EXPECT_EQ(model.Child("AudioColor").Numbers(), (std::vector<double>{0.25, 0.5, 0.75}));
}

}  // namespace
