// A version-5 file of a scene of every kind the layout carries, read back, holds what the scene
// held: hierarchy, transforms, attributes, limits and targets, topology and layers, cluster
// links, shapes, materials and textures with their animation, takes, characters with the
// nested scene of their pose, poses, producer cameras, settings and media. The values the
// writer transforms come back: shininess, the camera's projection, polygons, layer numbering,
// T = Transform L.

#include "tests/wyxreader/ReaderTestSupport.h"
#include "tests/wyxreader/V5SceneSupport.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxCharacterConstraint.h"
#include "attributes/RWyxCharacterLink.h"
#include "attributes/RWyxCharacterPose.h"
#include "attributes/RWyxCharacterTables.h"
#include "attributes/RWyxControlSet.h"
#include "attributes/RWyxGlobalCameraSettings.h"
#include "attributes/RWyxGobo.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerElementTexture.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMarker.h"
#include "attributes/RWyxMarkerSet.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNull.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkeleton.h"
#include "attributes/RWyxSkinLink.h"
#include "attributes/RWyxTexture.h"
#include "attributes/RWyxTypedLayerElement.h"
#include "core/RWyxUserProperty.h"
#include "curves/RFCurve.h"
#include "fileio/RWyxFileImporter.h"
#include "scene/RWyxGlobalLightSettings.h"
#include "scene/RWyxGlobalTimeSettings.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxSceneInfo.h"
#include "scene/RWyxTakeInfo.h"
#include "scene/RWyxTakeNode.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace reader_test;
using Element = RWyxLayerElement;
using Tables = RWyxCharacterTables;

constexpr double kTight = 1e-12;

class V5SemanticsTest : public ::testing::TestWithParam<Form5> {
protected:
    void SetUp() override {
        ASSERT_EQ(Export5(source, BuildVersion5Scene(source, folder.Path()), path, GetParam()), "");
        result = ReadFile(target, path);
        ASSERT_TRUE(result.read) << result.errorText;
        EXPECT_EQ(result.warnings, 0) << result.warningText;
        scene = result.scene;
    }
    RWyxNode& Node(const char* name) {
        RWyxNode* node = FindModel(*scene, name);
        EXPECT_NE(node, nullptr) << name;
        return node != nullptr ? *node : *scene->GetRootNode();
    }
    static RVector4 Translation(const RWyxNode& node) {
        RVector4 value;
        return node.GetDefaultTranslation(value);
    }
    static std::vector<float> KeyValues(const RFCurve* curve) {
        std::vector<float> values;
        for (int k = 0; curve != nullptr && k < curve->GetKeyCount(); ++k) values.push_back(curve->GetKey(k).GetValue());
        return values;
    }

    ScratchFolder folder;
    std::string path = folder.Join("scene.wyx");
    RWyxObjectFactory source;
    RWyxObjectFactory target;
    ReadResult result;
    RWyxScene* scene = nullptr;
};

TEST_P(V5SemanticsTest, TheHierarchyTransformsAndNodeFieldsComeBack) {
    RWyxNode& character = Node("Character");
    std::vector<std::string> children;
    for (int i = 0; i < character.GetChildCount(); ++i) children.emplace_back(character.GetChild(i)->GetName().Buffer());
    EXPECT_EQ(children, (std::vector<std::string>{"Model::Hips", "Model::Body", "Model::Anchor", "Model::Effector",
                                                  "Model::Dot", "Model::Sensor"}));
    EXPECT_EQ(Node("Tail").GetParent(), &Node("Hips"));
    EXPECT_EQ(Node("Cap").GetParent(), &Node("Plate"));
    EXPECT_EQ(scene->GetRootNode()->GetChildCount(), 4);
    EXPECT_EQ(Translation(Node("Spine")).y, 10.0);
    EXPECT_EQ(Translation(Node("Light")).z, 20.0);
    RVector4 rotation;
    EXPECT_EQ(Node("Plate").GetDefaultRotation(rotation).y, 90.0);
    EXPECT_FALSE(character.GetVisibility());
    EXPECT_EQ(character.GetCullingMode(), 1);
    EXPECT_EQ(character.GetShadingMode(), 2);
    EXPECT_EQ(Node("Camera").GetTarget(), &character);
    EXPECT_EQ(Node("Camera").GetTargetUp(), &Node("Light"));
    EXPECT_EQ(Node("Camera").GetPostTargetRotation(rotation).z, 30.0);
    EXPECT_EQ(Node("Light").GetTarget(), &character);
    const RWyxNodeLimits& limits = *Node("Spine").GetLimits();
    EXPECT_FALSE(limits.GetAuto(RWyxNodeLimits::kRotation));
    EXPECT_TRUE(limits.GetEnable(RWyxNodeLimits::kRotation));
    RVector4 value;
    EXPECT_EQ(limits.GetMin(RWyxNodeLimits::kRotation, value).x, -45.0);
    EXPECT_EQ(limits.GetMax(RWyxNodeLimits::kRotation, value).z, 10.0);
    EXPECT_EQ(limits.GetRotationAxis(value).z, 15.0);
    EXPECT_EQ(limits.GetAxisLength(), 3.0);
    // The rotation space turns the node: the layout keeps no flag that gives it to the limits alone.
    EXPECT_FALSE(Node("Spine").GetRotationSpaceForLimitOnly(0));
    EXPECT_EQ(Node("Spine").GetPostRotation(0)->z, 15.0);
    int order = 0;
    EXPECT_EQ(Node("Spine").GetRotationOrder(0, order), 6);
    EXPECT_EQ(Node("Hips").GetLimits()->GetMin(RWyxNodeLimits::kTranslation, value).x, -1.0);
    const RWyxUserProperty* speed = character.FindUserPropertyByName("Speed");
    ASSERT_NE(speed, nullptr);
    EXPECT_DOUBLE_EQ(speed->GetDouble(), 2.5) << "the value travels as its channel's default";
    EXPECT_EQ(speed->GetMin(), 0.0);
    EXPECT_EQ(speed->GetMax(), 10.0);
    EXPECT_STREQ(speed->GetLabel(false), "Walking speed");
    EXPECT_TRUE(speed->GetFlag(RWyxUserProperty::kFlagAnimatable));
}

TEST_P(V5SemanticsTest, AttributesComeBackWithTheCamerasProjectionAsTheSecondType) {
    EXPECT_EQ(Node("Anchor").GetNull()->GetSize(), 5.0);
    EXPECT_EQ(Node("Sensor").GetNodeAttribute()->GetAttributeType(), RWyxNodeAttribute::kOptical);
    const RWyxMarker& effector = *Node("Effector").GetMarker();
    EXPECT_EQ(effector.GetType(), RWyxMarker::kIKEffector);
    EXPECT_EQ(effector.GetLook(), RWyxMarker::kLookSphere);
    EXPECT_EQ(effector.GetColor().GetBlue(), 0.75);
    EXPECT_EQ(effector.GetIKReachRotation(), 30.0);
    EXPECT_EQ(Node("Dot").GetMarker()->GetType(), RWyxMarker::kOpticalMarker);
    EXPECT_EQ(Node("Tail").GetSkeleton()->GetSkeletonType(), RWyxSkeleton::kLimb);
    EXPECT_EQ(Node("Tail").GetSkeleton()->GetLimbLength(), 4.0);
    EXPECT_EQ(Node("Hips").GetSkeleton()->GetSkeletonType(), RWyxSkeleton::kRoot);
    const RWyxCamera& camera = *Node("Camera").GetCamera();
    EXPECT_EQ(camera.GetFocalLength(), 35.0);
    EXPECT_EQ(camera.GetApertureMode(), RWyxCamera::kApertureVertical);
    EXPECT_EQ(camera.GetNearPlane(), 1.0);
    EXPECT_EQ(camera.GetFarPlane(), 900.0);
    EXPECT_EQ(camera.GetUpVector().z, 0.5);
    EXPECT_EQ(camera.GetInterestPosition().y, 15.0);
    EXPECT_EQ(camera.GetProjectionType(), RWyxCamera::kOrthographic);
    const RWyxLight& light = *Node("Light").GetLight();
    EXPECT_EQ(light.GetLightType(), RWyxLight::kSpot);
    EXPECT_EQ(light.GetDefaultIntensity(), 80.0);
    EXPECT_EQ(light.GetDefaultColor().z, 0.5);
    ASSERT_NE(light.GetGobo(), nullptr);
    EXPECT_EQ(light.GetGobo()->GetPath(), RString("gobos/leaves.tif"));
}

TEST_P(V5SemanticsTest, TopologyLayersLinksAndShapesComeBack) {
    const RWyxMesh& body = *Node("Body").GetMesh();
    EXPECT_EQ(body.GetControlPointsCount(), 32);
    EXPECT_EQ(body.GetPolygonCount(), 24);
    EXPECT_EQ(body.GetPolygonVertex(0, 3), 8) << "the complemented last index";
    EXPECT_EQ(body.GetNormalsMappingKind(), 0);
    EXPECT_EQ(body.GetMaterial(0, 0)->GetName(), RString("Material::Skin"));
    EXPECT_EQ(body.GetTexture(0, 0)->GetFileName(), RString("textures/skin.png"));
    EXPECT_EQ(body.GetTextureUVMappingKind(), 1);
    EXPECT_EQ(body.GetTextureUVIndex(0, 2), 10);
    ASSERT_EQ(const_cast<RWyxMesh&>(body).GetDeformerCount(), 3);
    RWyxSkinLink& spineLink = *const_cast<RWyxMesh&>(body).GetDeformer(1);
    EXPECT_EQ(spineLink.GetLink(), &Node("Spine"));
    EXPECT_EQ(spineLink.GetAssociateModel(), &Node("Body"));
    EXPECT_EQ(spineLink.GetMode(), RWyxSkinLink::kTotal1);
    EXPECT_EQ(spineLink.GetControlPointIndicesCount(), 16);
    EXPECT_NEAR(spineLink.GetTransformLinkMatrix()[3][1], 10.0, 1e-8);
    EXPECT_NEAR(spineLink.GetTransformMatrix()[3][1], 0.0, 1e-8) << "T = Transform L";

    RWyxMesh& plate = *Node("Plate").GetMesh();
    EXPECT_EQ(plate.GetPolygonCount(), 2);
    EXPECT_EQ(plate.GetPolygonGroup(1), 5);
    EXPECT_EQ(plate.GetMaterial(plate.GetMaterialIndices()[1], 0)->GetName(), RString("Material::Rust"));
    const RWyxLayerElementTexture& first = *plate.GetLayer(0)->GetTextures();
    ASSERT_EQ(first.GetDirectCount(), 2);
    EXPECT_EQ(first.GetDirect()[1]->GetName(), RString("Texture::Stain"));
    EXPECT_EQ(first.IndexArray(), (std::vector<int>{1, 0}));
    const RWyxLayerElementTexture& second = *plate.GetLayer(1)->GetTextures();
    ASSERT_EQ(second.GetDirectCount(), 1) << "the extra layer is layer 1";
    EXPECT_EQ(second.GetDirect()[0]->GetName(), RString("Texture::Decal"));
    EXPECT_EQ(second.GetMappingMode(), Element::kAllSame);
    EXPECT_EQ(second.GetBlendMode(), RWyxLayerElementTexture::kAdditive);
    const RWyxLayerElementUV& uvs = *plate.GetLayer(1)->GetUVs();
    EXPECT_EQ(uvs.GetMappingMode(), Element::kByControlPoint);
    EXPECT_EQ(uvs.IndexArray(), (std::vector<int>{0, 1, 1, 0, 1}));
    const RWyxLayerElementVertexColor& colors = *plate.GetLayer(0)->GetVertexColors();
    EXPECT_EQ(colors.GetMappingMode(), Element::kByPolygonVertex);
    EXPECT_EQ(colors.GetDirect()[1].GetAlpha(), 0.25);
    ASSERT_EQ(plate.GetShapeCount(), 1);
    EXPECT_EQ(plate.GetShape(0)->GetControlPoints()[4].y, 0.25);
    EXPECT_EQ(plate.GetShape(0)->GetNormals()[4].z, 0.5);
    EXPECT_TRUE(plate.GetGrid().vClosed);

    const RWyxNurb& sheet = *Node("Sheet").GetNurb();
    EXPECT_EQ(sheet.GetUCount(), 3);
    EXPECT_EQ(sheet.GetVType(), RWyxNurb::kClosed);
    EXPECT_EQ(sheet.GetControlPoints()[5].w, 2.25) << "weights as they are";
    EXPECT_EQ(sheet.GetUMultiplicity()[1], 2);
    EXPECT_EQ(sheet.GetVKnotVector()[2], 1.0);
    EXPECT_EQ(sheet.GetMaterialCount(0), 1);
    const RWyxPatch& cap = *Node("Cap").GetPatch();
    EXPECT_EQ(cap.GetUType(), RWyxPatch::kBSpline);
    EXPECT_EQ(cap.GetVType(), RWyxPatch::kLinear);
    EXPECT_TRUE(cap.GetUClosed());
    EXPECT_TRUE(cap.GetCapped(RWyxPatch::kVCapTop));
    EXPECT_EQ(cap.GetVStep(), 7);
}

TEST_P(V5SemanticsTest, MaterialsTexturesTakesAndCurvesComeBack) {
    RWyxMesh& plate = *Node("Plate").GetMesh();
    RWyxMaterial& steel = *plate.GetMaterial(0, 0);
    EXPECT_DOUBLE_EQ(steel.GetShininess(), 0.375) << "shininess / 100";
    EXPECT_EQ(steel.GetShadingModel(), RString("lambert"));
    EXPECT_EQ(steel.GetSpecularColor().GetGreen(), 0.5);
    const RWyxTakeNode* walk = steel.GetTakeNode(steel.GetTakeNodeCount() - 1);
    EXPECT_EQ(walk->GetName(), RString("Walk"));
    EXPECT_EQ(KeyValues(const_cast<RWyxTakeNode*>(walk)->GetShininessCurve()), (std::vector<float>{16.0f, 96.0f}))
        << "the stored exponent comes back";
    RWyxTexture& grain = *plate.GetTexture(0, 0);
    EXPECT_EQ(grain.GetMappingType(), 1);
    EXPECT_EQ(grain.GetTranslationU(), 0.5);
    EXPECT_EQ(grain.GetCropping(RWyxTexture::kCropLeft), 3);
    EXPECT_EQ(KeyValues(grain.GetTakeNode(1)->GetAlphaCurve()), (std::vector<float>{1.0f, 0.5f}));

    EXPECT_STREQ(scene->GetCurrentTakeName(), "Walk");
    const RWyxTakeInfo* run = scene->GetTakeInfo("Run");
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(run->description, RString("Faster"));
    EXPECT_EQ(run->localStop.GetTicks(), 2 * RTime::kTicksPerSecond);
    RWyxNode& hips = Node("Hips");
    EXPECT_EQ(KeyValues(hips.GetTakeNode(2)->GetRotationYCurve()), (std::vector<float>{0.0f, 45.0f, 90.0f}));
    EXPECT_EQ(KeyValues(hips.GetTakeNode(1)->GetTranslationYCurve()), (std::vector<float>{0.0f, 1.5f, 0.0f}));
    EXPECT_EQ(KeyValues(scene->GetCameraSwitcherNode()->GetTakeNode(1)->GetCameraIndexCurve()), (std::vector<float>{1.0f, 2.0f}));
    EXPECT_EQ(KeyValues(Node("Character").GetTakeNode(1)->FindCurve(nullptr, nullptr, "Speed")), (std::vector<float>{1.0f, 3.0f}));
    EXPECT_EQ(KeyValues(Node("Effector").GetTakeNode(1)->GetIKReachTranslationCurve()), (std::vector<float>{0.0f, 100.0f}));
}

TEST_P(V5SemanticsTest, CharactersTheirPoseSceneAndPosesComeBack) {
    ASSERT_EQ(scene->GetMarkerSetCount(), 1);
    const RWyxMarkerSet& set = *scene->GetMarkerSet(0);
    EXPECT_EQ(set.GetMarkerNode(0), &Node("Hips"));
    EXPECT_EQ(set.GetMarker(0)->name, RString("HipMarker"));
    EXPECT_TRUE(set.GetMarker(0)->oriented);
    EXPECT_EQ(set.GetMarker(0)->rotationOffset.z, 90.0);
    ASSERT_EQ(scene->GetConstraintCount(), 1);
    EXPECT_EQ(scene->GetConstraint(0)->GetMarkerSet(), &set);
    EXPECT_EQ(scene->GetConstraint(0)->GetNodeScale(3).y, 2.0);
    ASSERT_EQ(scene->GetCharacterCount(), 2);
    RWyxCharacter& hero = *scene->GetCharacter(0);
    EXPECT_EQ(hero.GetInputObject(), scene->GetConstraint(0));
    RWyxCharacterLink link;
    ASSERT_TRUE(hero.GetCharacterLink(Tables::FindLinkByName("Spine"), link));
    EXPECT_EQ(link.node, &Node("Spine"));
    EXPECT_EQ(link.name, RString("Back"));
    EXPECT_EQ(link.rotationOffset.x, 5.0);
    EXPECT_FALSE(hero.GetCharacterLink(Tables::kReferenceLink, link)) << "default offsets are no link";
    EXPECT_EQ(hero.GetParameter(4)->value, 0.5);
    const RWyxControlSet& controls = hero.GetControlSet();
    EXPECT_EQ(controls.GetType(), 1);
    EXPECT_EQ(controls.GetEffectorNode(0), &Node("Hips"));
    EXPECT_TRUE(controls.GetEffectorFlags(0)->rotationActive);
    RWyxNode* pinned = nullptr;
    RString name;
    ASSERT_TRUE(controls.GetAuxiliaryEffector(0, 0, pinned, name));
    EXPECT_EQ(pinned, &Node("Spine"));
    EXPECT_EQ(scene->GetCharacter(1)->GetInputObject(), &hero);
    ASSERT_EQ(scene->GetCharacterPoseCount(), 1);
    RWyxScene& posed = *scene->GetCharacterPose(0)->GetPoseScene();
    RWyxNode* posedHips = FindModel(posed, "PosedHips");
    ASSERT_NE(posedHips, nullptr);
    EXPECT_EQ(Translation(*posedHips).y, 9.0);
    EXPECT_EQ(posedHips->GetSkeleton()->GetSkeletonType(), RWyxSkeleton::kRoot);
    ASSERT_EQ(posedHips->GetChildCount(), 1);
    RVector4 rotation;
    EXPECT_EQ(posedHips->GetChild(0)->GetDefaultRotation(rotation).z, 12.0);
    ASSERT_EQ(scene->GetPoseCount(), 2);
    EXPECT_EQ(scene->GetPose(0)->GetCount(), 4);
    const RWyxPose& rest = *scene->GetPose(1);
    EXPECT_FALSE(rest.IsBindPose());
    EXPECT_TRUE(rest.IsLocalMatrix(0));
    EXPECT_NEAR(rest.GetMatrix(0)[3][1], 10.0, kTight);
}

TEST_P(V5SemanticsTest, ProducerCamerasSettingsAndMediaComeBack) {
    RWyxGlobalCameraSettings& cameras = *scene->GetGlobalCameraSettings();
    EXPECT_EQ(cameras.GetProducerTop()->GetPosition().y, 1500.0);
    EXPECT_EQ(cameras.GetProducerFront()->GetFocalLength(), 70.0);
    EXPECT_EQ(cameras.GetProducerTop()->GetNode(), nullptr);
    EXPECT_EQ(cameras.GetDefaultCamera(), RString("Producer Top"));
    EXPECT_EQ(cameras.GetDefaultViewingMode(), 2);
    RWyxGlobalLightSettings& lights = *scene->GetGlobalLightSettings();
    EXPECT_TRUE(lights.GetFogEnable());
    EXPECT_EQ(lights.GetShadowPlaneCount(), 1);
    RWyxGlobalTimeSettings& time = *scene->GetGlobalTimeSettings();
    EXPECT_EQ(time.GetTimeMode(), 11);
    EXPECT_TRUE(time.GetSnapOnFrames());
    ASSERT_EQ(time.GetTimeMarkerCount(), 2);
    EXPECT_TRUE(time.GetTimeMarker(1)->loop);
    EXPECT_EQ(time.GetReferenceTimeIndex(), 1);
    ASSERT_NE(scene->GetSceneInfo(), nullptr);
    EXPECT_EQ(scene->GetSceneInfo()->title, RString("Walker"));
    const RWyxCamera& camera = *Node("Camera").GetCamera();
    EXPECT_EQ(camera.GetBackgroundFileName(), RString((folder.Path() + "/sky.png").c_str()));
    EXPECT_EQ(camera.GetBackgroundMediaName(), RString("sky.png"));
    RWyxFileImporter* importer = target.CreateFileImporter();
    importer->Initialize(path.c_str());
    EXPECT_EQ(importer->GetTakeCount(), 2) << "the header lists the takes in both forms";
}

INSTANTIATE_TEST_SUITE_P(Forms, V5SemanticsTest, ::testing::Values(Form5::kBinary, Form5::kAscii));

// A node without attribute and one with a null of size 100 are written alike. Read back, a
// model that holds user properties is a null of that size, so that its properties stay with a
// node that has an attribute; the others are bare nodes as before.
TEST(V5NullTest, ABareModelWithUserPropertiesReadsAsANullAndTheOthersStayBare) {
    for (const Form5 form : {Form5::kBinary, Form5::kAscii}) {
        RWyxObjectFactory source;
        RWyxScene* written = source.CreateScene();
        const auto add = [&](const char* name, RWyxNodeAttribute* attribute) {
            RWyxNode* node = source.CreateNode(name);
            if (attribute != nullptr) node->SetNodeAttribute(attribute);
            written->GetRootNode()->AddChild(node);
            return node;
        };
        RWyxNode* holder = add("Holder", nullptr);
        for (const char* name : {"amount", "flag"}) {
            RWyxUserProperty* property = source.CreateUserProperty(name, name[0] == 'a' ? "Real" : "Bool", "");
            property->SetFlag(RWyxUserProperty::kFlagAnimatable, true);
            holder->AddUserProperty(source.HandOverUserProperty(property));
        }
        add("Bare", nullptr);
        RWyxNull* neutral = source.CreateNull();
        neutral->SetSize(100.0);
        add("Neutral", neutral);
        ScratchFolder folder;
        const std::string path = folder.Join("nulls.wyx");
        ASSERT_EQ(Export5(source, written, path, form), "");
        RWyxObjectFactory target;
        const ReadResult read = ReadFile(target, path);
        ASSERT_TRUE(read.read) << read.errorText;
        EXPECT_EQ(read.warnings, 0) << read.warningText;
        const RWyxNode* back = FindModel(*read.scene, "Holder");
        ASSERT_NE(back, nullptr);
        ASSERT_NE(back->GetNull(), nullptr) << static_cast<int>(form);
        EXPECT_EQ(back->GetNull()->GetSize(), 100.0);
        EXPECT_NE(back->FindUserPropertyByName("amount"), nullptr);
        EXPECT_NE(back->FindUserPropertyByName("flag"), nullptr);
        EXPECT_EQ(FindModel(*read.scene, "Bare")->GetNodeAttribute(), nullptr);
        EXPECT_EQ(FindModel(*read.scene, "Neutral")->GetNodeAttribute(), nullptr);
    }
}

// Media embedded once (one picture for two textures and a camera background) and given back
// under their own names.
TEST(V5MediaTest, EmbeddedPicturesAreEmbeddedOnceAndGivenBackUnderTheirOwnNames) {
    ScratchFolder folder;
    const std::string picture = folder.WriteFile("wood.png", "a very particular picture");
    RWyxObjectFactory source;
    RWyxScene* scene = BuildVersion5Scene(source, "");
    RWyxMesh* plate = FindModel(*scene, "Plate")->GetMesh();
    plate->GetTexture(0, 0)->SetFileName(picture.c_str());
    plate->GetTexture(1, 0)->SetFileName(picture.c_str());
    FindModel(*scene, "Camera")->GetCamera()->SetBackgroundFileName(picture.c_str());
    const std::string path = folder.Join("embedded.wyx");
    ASSERT_EQ(Export5(source, scene, path, Form5::kBinary, true), "");
    const std::string bytes = ScratchFolder::ReadFile(path);
    const std::size_t first = bytes.find("a very particular picture");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(bytes.find("a very particular picture", first + 1), std::string::npos) << "embedded once";
    RWyxObjectFactory target;
    const ReadResult read = ReadFile(target, path);
    ASSERT_TRUE(read.read) << read.errorText;
    RWyxMesh* back = FindModel(*read.scene, "Plate")->GetMesh();
    EXPECT_EQ(back->GetTexture(0, 0)->GetFileName(), RString(picture.c_str()));
    EXPECT_EQ(back->GetTexture(1, 0)->GetFileName(), RString(picture.c_str()));
    EXPECT_EQ(back->GetTexture(0, 0)->GetMediaName(), RString("wood"));
    EXPECT_EQ(FindModel(*read.scene, "Camera")->GetCamera()->GetBackgroundFileName(), RString(picture.c_str()));
}

}  // namespace
