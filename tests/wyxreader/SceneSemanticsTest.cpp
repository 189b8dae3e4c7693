// A scene of every kind written and read again holds what it held: hierarchy, transforms,
// attributes, topology and layers, skins, surfaces, poses, characters, settings, takes and
// curves; and what one cycle changes (listed below) changes as the writer and reader say.
//
// One cycle changes: the geometry's pivot, baked into the points (the file holds the points
// through it); cluster matrices in their last bits; layered channels plotted into layer 0 and,
// where the layers cancel, reduced to their default values; the scene info, which the ASCII
// form does not carry.

#include "tests/wyxreader/ReaderTestSupport.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxCharacterLink.h"
#include "attributes/RWyxControlSetPlug.h"
#include "attributes/RWyxGenericNode.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerElementTexture.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMarker.h"
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
#include "attributes/RWyxThumbnail.h"
#include "attributes/RWyxTypedLayerElement.h"
#include "core/RWyxColor.h"
#include "core/RWyxUserProperty.h"
#include "curves/RCurveKey.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxFileExporter.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxGlobalLightSettings.h"
#include "scene/RWyxGlobalTimeSettings.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxSceneInfo.h"
#include "scene/RWyxTakeInfo.h"
#include "scene/RWyxTakeNode.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace reader_test;

constexpr double kTight = 1e-12;  // what the ASCII form's 15 digits keep
constexpr double kMatrix = 1e-8;  // cluster matrices rebuilt and rounded

void ExpectNear(const RVector4& a, const RVector4& b, double tolerance, const char* what) {
    EXPECT_NEAR(a.x, b.x, tolerance) << what;
    EXPECT_NEAR(a.y, b.y, tolerance) << what;
    EXPECT_NEAR(a.z, b.z, tolerance) << what;
}

void ExpectNear(const RMatrix& a, const RMatrix& b, double tolerance, const char* what) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(a[r][c], b[r][c], tolerance) << what << " [" << r << "][" << c << "]";
    }
}

std::vector<std::string> Names(const RWyxNode& node) {
    std::vector<std::string> names;
    for (int i = 0; i < node.GetChildCount(); ++i) names.push_back(node.GetChild(i)->GetName().Buffer());
    return names;
}

class SceneSemanticsTest : public ::testing::TestWithParam<Form> {
protected:
    void SetUp() override {
        source = BuildEveryKindScene(sourceFactory);
        ASSERT_TRUE(Write(sourceFactory, source, folder.Join("scene.wyx"), GetParam()));
        read = ReadFile(targetFactory, folder.Join("scene.wyx"));
        ASSERT_TRUE(read.read) << read.errorText;
        ASSERT_EQ(read.warnings, 0) << read.warningText;
        target = read.scene;
    }

    RWyxNode& Source(const char* name) { return *FindModel(*source, name); }
    RWyxNode& Target(const char* name) {
        RWyxNode* node = FindModel(*target, name);
        if (node == nullptr) ADD_FAILURE() << "no model " << name;
        return node != nullptr ? *node : *target->GetRootNode();
    }
    double Tolerance() const { return GetParam() == Form::kAscii ? kTight : 0.0; }

    ScratchFolder folder;
    RWyxObjectFactory sourceFactory;
    RWyxObjectFactory targetFactory;
    RWyxScene* source = nullptr;
    RWyxScene* target = nullptr;
    ReadResult read;
};

TEST_P(SceneSemanticsTest, TheHierarchyAndEveryTransformComeBack) {
    EXPECT_EQ(Names(*target->GetRootNode()), Names(*source->GetRootNode()));
    for (const char* name : {"Group", "Hips", "Spine"}) EXPECT_EQ(Names(Target(name)), Names(Source(name))) << name;
    EXPECT_EQ(target->GetEntity()->GetNodeCount(), source->GetEntity()->GetNodeCount());
    for (const char* name : {"Group", "Locator", "Spine", "Hand", "Lamp", "Quilt"}) {
        ExpectNear(*Target(name).GetPivotGlobalTransform(0, false), *Source(name).GetPivotGlobalTransform(0, false),
                   1e-9, name);
    }
    EXPECT_FALSE(Target("Group").GetVisibility());
    EXPECT_EQ(Target("Group").GetShadingMode(), 2);
    EXPECT_EQ(Target("Group").GetCullingMode(), 2);
    EXPECT_EQ(Target("Group").GetMultiTake(), 0);
    EXPECT_EQ(Target("Scene").GetParent(), &Target("Group")) << "a model named like the root is a model";
    EXPECT_EQ(Target("Lamp").GetTarget(), &Target("Hips"));
    EXPECT_EQ(Target("Camera").GetTarget(), &Target("Group"));
    EXPECT_EQ(Target("Camera").GetTargetUp(), &Target("Hips"));
}

TEST_P(SceneSemanticsTest, TheLimitsComeBackWithTheirAxisLength) {
    const RWyxNodeLimits& before = *Source("Spine").GetLimits();
    const RWyxNodeLimits& after = *Target("Spine").GetLimits();
    RVector4 a;
    RVector4 b;
    for (int c = 0; c < RWyxNodeLimits::kComponentCount; ++c) {
        EXPECT_EQ(after.GetAuto(c), before.GetAuto(c)) << c;
        EXPECT_EQ(after.GetEnable(c), before.GetEnable(c)) << c;
        ExpectNear(after.GetDefault(c, a), before.GetDefault(c, b), 0.0, "default");
        ExpectNear(after.GetMin(c, a), before.GetMin(c, b), 0.0, "minimum");
        ExpectNear(after.GetMax(c, a), before.GetMax(c, b), 0.0, "maximum");
    }
    ExpectNear(after.GetRotationAxis(a), before.GetRotationAxis(b), 0.0, "axis");
    EXPECT_EQ(after.GetAxisLength(), 4.0);
    EXPECT_EQ(Target("Hand").GetLimits()->GetAxisLength(), 1.0) << "in Auto the length is not carried";
}

TEST_P(SceneSemanticsTest, EachSimpleAttributeKeepsItsKindAndValues) {
    ASSERT_NE(Target("Locator").GetNull(), nullptr);
    EXPECT_EQ(Target("Locator").GetNull()->GetSize(), 50.0);
    EXPECT_EQ(Target("Group").GetNodeAttribute(), nullptr) << "a node without attribute stays without one";
    ASSERT_NE(Target("Effector").GetMarker(), nullptr);
    EXPECT_EQ(Target("Effector").GetMarker()->GetType(), RWyxMarker::kIKEffector);
    EXPECT_EQ(Target("Effector").GetMultiLayer(), Source("Effector").GetMultiLayer());
    const std::pair<const char*, int> joints[] = {
        {"Hips", RWyxSkeleton::kRoot}, {"Spine", RWyxSkeleton::kLimbNode}, {"Hand", RWyxSkeleton::kLimb}};
    for (const auto& [name, type] : joints) {
        ASSERT_NE(Target(name).GetSkeleton(), nullptr) << name;
        EXPECT_EQ(Target(name).GetSkeleton()->GetSkeletonType(), type) << name;
    }
    const RWyxCamera* camera = Target("Camera").GetCamera();
    ASSERT_NE(camera, nullptr);
    ExpectNear(camera->GetPosition(), RVector4(0, 15, 60, 0), Tolerance(), "position");
    ExpectNear(camera->GetUpVector(), RVector4(0, 1, 0.125, 0), Tolerance(), "up");
    ExpectNear(camera->GetInterestPosition(), RVector4(0, 15, 0, 0), Tolerance(), "look at");
    EXPECT_NEAR(camera->GetFocalLength(), 35.0, Tolerance());
    EXPECT_TRUE(camera->GetShowAudio());
    ExpectNear(camera->GetAudioColor(), RVector4(0.5, 1, 0, 0), 0.0, "audio colour");
    const RWyxLight* light = Target("Lamp").GetLight();
    ASSERT_NE(light, nullptr);
    EXPECT_EQ(light->GetLightType(), RWyxLight::kSpot);
    EXPECT_NEAR(light->GetDefaultIntensity(), 80.0, Tolerance());
    EXPECT_NE(Target("Glass").GetOptical(), nullptr);
    const RWyxUserProperty* speed = Target("Group").FindUserPropertyByName("Speed");
    ASSERT_NE(speed, nullptr);
    EXPECT_EQ(speed->GetDouble(), 2.5);
}

TEST_P(SceneSemanticsTest, TheMeshKeepsItsTopologyAndEveryLayerWithThePivotBakedIn) {
    const RWyxMesh& before = *Source("Body").GetMesh();
    const RWyxMesh* mesh = Target("Body").GetMesh();
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->GetControlPointsCount(), 8);
    for (int i = 0; i < 8; ++i) {
        ExpectNear(mesh->GetControlPoints()[i], before.GetPivotMatrix().TransformPoint(before.GetControlPoints()[i]),
                   Tolerance(), "point");
    }
    EXPECT_EQ(MatrixCompare(mesh->GetPivotMatrix(), RMatrix(), 0.0), 0);
    ASSERT_EQ(mesh->GetPolygonCount(), 6);
    for (int p = 0; p < 6; ++p) {
        ASSERT_EQ(mesh->GetPolygonSize(p), 4);
        for (int v = 0; v < 4; ++v) EXPECT_EQ(mesh->GetPolygonVertex(p, v), before.GetPolygonVertex(p, v));
    }
    ASSERT_EQ(mesh->GetLayerCount(), 2);
    const RWyxLayer& layer0 = *mesh->GetLayer(0);
    const RWyxLayer& sourceLayer0 = *before.GetLayer(0);
    ASSERT_NE(layer0.GetNormals(), nullptr);
    EXPECT_EQ(layer0.GetNormals()->GetMappingMode(), RWyxLayerElement::kByControlPoint);
    for (int i = 0; i < 8; ++i) {
        ExpectNear(layer0.GetNormals()->DirectArray()[static_cast<std::size_t>(i)],
                   sourceLayer0.GetNormals()->DirectArray()[static_cast<std::size_t>(i)], Tolerance(), "normal");
    }
    ASSERT_NE(layer0.GetUVs(), nullptr);
    EXPECT_EQ(layer0.GetUVs()->GetReferenceMode(), RWyxLayerElement::kIndexToDirect);
    EXPECT_EQ(layer0.GetUVs()->IndexArray(), sourceLayer0.GetUVs()->IndexArray());
    EXPECT_EQ(layer0.GetUVs()->DirectArray(), sourceLayer0.GetUVs()->DirectArray());
    ASSERT_NE(layer0.GetVertexColors(), nullptr);
    EXPECT_EQ(layer0.GetVertexColors()->IndexArray(), sourceLayer0.GetVertexColors()->IndexArray());
    EXPECT_EQ(layer0.GetVertexColors()->DirectArray()[1].GetAlpha(), 0.5);
    ASSERT_NE(layer0.GetPolygonGroups(), nullptr);
    EXPECT_EQ(layer0.GetPolygonGroups()->IndexArray(), sourceLayer0.GetPolygonGroups()->IndexArray());
    ASSERT_NE(layer0.GetMaterials(), nullptr);
    EXPECT_EQ(layer0.GetMaterials()->GetMappingMode(), RWyxLayerElement::kByPolygon);
    ASSERT_EQ(mesh->GetMaterialCount(0), 2);
    for (int p = 0; p < 6; ++p) {
        const int index = layer0.GetMaterials()->GetIndexAt(p);
        EXPECT_EQ(mesh->GetMaterial(index, 0)->GetName(),
                  before.GetMaterial(sourceLayer0.GetMaterials()->GetIndexAt(p), 0)->GetName());
    }
    EXPECT_EQ(mesh->GetTexture(0, 0)->GetName(), "Texture::Brick");
    const RWyxLayerElementTexture* detail = mesh->GetLayer(1)->GetTextures();
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(mesh->GetTexture(0, 1)->GetName(), "Texture::Detail");
    EXPECT_EQ(detail->GetBlendMode(), RWyxLayerElementTexture::kModulate);
    EXPECT_EQ(detail->GetAlpha(), 0.5);
    ASSERT_NE(mesh->GetLayer(1)->GetUVs(), nullptr);
    EXPECT_EQ(mesh->GetLayer(1)->GetUVs()->DirectArray(), before.GetLayer(1)->GetUVs()->DirectArray());
    EXPECT_EQ(target->GetEntity()->GetMaterialCount(), 2);
    EXPECT_EQ(target->GetEntity()->GetTextureCount(), 2);
}

TEST_P(SceneSemanticsTest, MaterialsAndTexturesKeepWhatTheirRecordsHold) {
    RWyxEntityContainer& entity = *target->GetEntity();
    const RWyxMaterial& red = *entity.GetMaterial(0);
    const RWyxMaterial& blue = *entity.GetMaterial(1);
    EXPECT_EQ(blue.GetName(), "Material::Blue");
    EXPECT_EQ(blue.GetShadingModel(), "lambert") << "the writer stores the model in lower case";
    EXPECT_EQ(red.GetDiffuseColor().GetRed(), 0.75);
    EXPECT_EQ(blue.GetDiffuseColor().GetBlue(), 0.875);
    const RWyxTexture& brick = *entity.GetTexture(0);
    const RWyxTexture& detail = *entity.GetTexture(1);
    EXPECT_EQ(brick.GetFileName(), "maps/brick.png");
    EXPECT_EQ(brick.GetRelativeFileName(), "brick.png");
    EXPECT_EQ(brick.GetMediaName(), "Video::Brick");
    EXPECT_EQ(brick.GetTranslationV(), 0.5);
    EXPECT_EQ(brick.GetTypeName(), RWyxTexture::kDefaultTypeName);
    EXPECT_EQ(detail.GetAlphaSource(), RWyxTexture::kAlphaSourceRgbIntensity);
    EXPECT_EQ(detail.GetCropping(RWyxTexture::kCropLeft), 4);
    EXPECT_EQ(detail.GetCropping(RWyxTexture::kCropRight), 0);
    EXPECT_EQ(detail.GetModelUVScaling().u, 2.0);
    EXPECT_EQ(detail.GetModelUVScaling().v, 0.5);
}

TEST_P(SceneSemanticsTest, AShapeMovesThePointsItMovedThroughThePivot) {
    RWyxMesh& before = *Source("Body").GetMesh();
    RWyxMesh* mesh = Target("Body").GetMesh();
    ASSERT_EQ(mesh->GetShapeCount(), 1);
    EXPECT_STREQ(mesh->GetShapeName(0), "Smile");
    const RWyxShape& shape = *mesh->GetShape(0);
    for (int i = 0; i < 8; ++i) {
        ExpectNear(shape.GetControlPoints()[i],
                   before.GetPivotMatrix().TransformPoint(before.GetShape(0)->GetControlPoints()[i]), 1e-12,
                   "shape point");
    }
    ASSERT_NE(shape.GetNormals(), nullptr) << "the mesh maps one normal per point: the shape takes its normals";
    ExpectNear(shape.GetNormals()[3], mesh->GetNormals()[3], 0.0, "shape normal");
}

TEST_P(SceneSemanticsTest, SkinLinksComeBackFromTheClustersWithTheirMatrices) {
    RWyxMesh& before = *Source("Body").GetMesh();
    RWyxMesh* mesh = Target("Body").GetMesh();
    ASSERT_EQ(mesh->GetDeformerCount(), 2);
    EXPECT_EQ(target->GetDeformerCount(0), 0) << "the file's deformers are gone once translated";
    for (int j = 0; j < 2; ++j) {
        SCOPED_TRACE(j);
        const RWyxSkinLink& expected = *before.GetDeformer(j);
        const RWyxSkinLink& link = *mesh->GetDeformer(j);
        EXPECT_EQ(link.GetLink(), &Target(j == 0 ? "Hips" : "Spine"));
        EXPECT_EQ(link.GetAssociateModel(), &Target("Body"));
        EXPECT_EQ(link.GetMode(), expected.GetMode());
        EXPECT_EQ(link.GetUserDataValue(), expected.GetUserDataValue());
        ASSERT_EQ(link.GetControlPointIndicesCount(), expected.GetControlPointIndicesCount());
        for (int i = 0; i < link.GetControlPointIndicesCount(); ++i) {
            EXPECT_EQ(link.GetControlPointIndices()[i], expected.GetControlPointIndices()[i]);
            EXPECT_NEAR(link.GetControlPointWeights()[i], expected.GetControlPointWeights()[i], Tolerance());
        }
        ExpectNear(link.GetTransformMatrix(), expected.GetTransformMatrix(), kMatrix, "transform");
        ExpectNear(link.GetTransformLinkMatrix(), expected.GetTransformLinkMatrix(), kMatrix, "link");
        ExpectNear(link.GetTransformAssociateModelMatrix(), expected.GetTransformAssociateModelMatrix(), kMatrix,
                   "model");
        EXPECT_EQ(link.IsTransformParentSet(), expected.IsTransformParentSet());
        if (expected.IsTransformParentSet()) {
            ExpectNear(link.GetTransformParentMatrix(), expected.GetTransformParentMatrix(), kMatrix, "parent");
        }
    }
}

TEST_P(SceneSemanticsTest, SurfacesKeepTheirDescriptionsKnotsAndWeights) {
    const RWyxNurb& before = *Source("Sheet").GetNurb();
    const RWyxNurb* nurb = Target("Sheet").GetNurb();
    ASSERT_NE(nurb, nullptr);
    EXPECT_EQ(nurb->GetUOrder(), 4);
    EXPECT_EQ(nurb->GetVOrder(), 3);
    EXPECT_EQ(nurb->GetUCount(), 4);
    EXPECT_EQ(nurb->GetVCount(), 5);
    EXPECT_EQ(nurb->GetVType(), RWyxNurb::kPeriodic);
    EXPECT_EQ(nurb->GetUStep(), 6);
    EXPECT_EQ(nurb->GetDisplayMode(), 2);
    ASSERT_EQ(nurb->GetUKnotCount(), before.GetUKnotCount());
    ASSERT_EQ(nurb->GetVKnotCount(), before.GetVKnotCount());
    for (int i = 0; i < nurb->GetVKnotCount(); ++i) EXPECT_EQ(nurb->GetVKnotVector()[i], before.GetVKnotVector()[i]);
    EXPECT_EQ(nurb->GetUMultiplicity()[0], 4);
    EXPECT_EQ(nurb->GetVMultiplicity()[4], 2);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(nurb->GetControlPoints()[i].w, before.GetControlPoints()[i].w) << i;
    const RWyxPatch* patch = Target("Quilt").GetPatch();
    ASSERT_NE(patch, nullptr);
    EXPECT_EQ(patch->GetUType(), RWyxPatch::kBSpline);
    EXPECT_EQ(patch->GetVType(), RWyxPatch::kCardinal);
    EXPECT_TRUE(patch->GetUClosed());
    EXPECT_FALSE(patch->GetVClosed());
    EXPECT_TRUE(patch->GetCapped(RWyxPatch::kUCapTop));
    EXPECT_TRUE(patch->GetCapped(RWyxPatch::kVCapBottom));
    EXPECT_FALSE(patch->GetCapped(RWyxPatch::kUCapBottom));
    EXPECT_EQ(patch->GetVStep(), 5);
    ExpectNear(patch->GetControlPoints()[13], Source("Quilt").GetPatch()->GetControlPoints()[13], Tolerance(),
               "patch point");
}

TEST_P(SceneSemanticsTest, PosesCharactersGenericNodesAndSettingsComeBack) {
    ASSERT_EQ(target->GetPoseCount(), 2);
    const RWyxPose& bind = *target->GetPose(0);
    const RWyxPose& rest = *target->GetPose(1);
    EXPECT_TRUE(bind.IsBindPose());
    EXPECT_FALSE(rest.IsBindPose());
    ASSERT_EQ(bind.GetCount(), 2);
    EXPECT_STREQ(bind.GetNodeName(1), "Model::Hips");
    ExpectNear(bind.GetMatrix(1), source->GetPose(0)->GetMatrix(1), Tolerance(), "bind matrix");
    ASSERT_EQ(rest.GetCount(), 2);
    EXPECT_TRUE(rest.IsLocalMatrix(0));
    EXPECT_FALSE(rest.IsLocalMatrix(1));
    ExpectNear(rest.GetMatrix(0), source->GetPose(1)->GetMatrix(0), 1e-12, "rest matrix");

    ASSERT_EQ(target->GetGenericNodeCount(), 1);
    const RWyxUserProperty* quality = target->GetGenericNode(0)->FindUserPropertyByName("Quality");
    ASSERT_NE(quality, nullptr);
    EXPECT_EQ(quality->GetDouble(), 3.0);
    ASSERT_EQ(target->GetCharacterCount(), 1);
    RWyxCharacterLink reference;
    ASSERT_TRUE(target->GetCharacter(0)->GetCharacterLink(67, reference));
    EXPECT_EQ(reference.node, &Target("Group")) << "the link's name names the model";
    ExpectNear(reference.translationOffset, RVector4(1, 2, 3, 0), 0.0, "offset");
    RWyxCharacterLink hips;
    ASSERT_TRUE(target->GetCharacter(0)->GetCharacterLink(1, hips));
    EXPECT_EQ(hips.node, &Target("Hips"));
    ExpectNear(hips.scalingOffset, RVector4(1, 2, 1, 0), 0.0, "scaling offset");
    EXPECT_FALSE(target->GetCharacter(0)->GetCharacterLink(2, hips));
    ASSERT_EQ(target->GetControlSetPlugCount(), 1);
    EXPECT_EQ(target->GetControlSetPlug(0)->GetName(), "ControlSetPlug::Rig");

    RWyxGlobalLightSettings& light = *target->GetGlobalLightSettings();
    RWyxColor ambient;
    light.GetAmbientColor(ambient);
    EXPECT_EQ(ambient.GetBlue(), 0.75);
    EXPECT_TRUE(light.GetFogEnable());
    EXPECT_EQ(light.GetFogStart(), 20.0);
    EXPECT_EQ(light.GetFogEnd(), 400.0);
    ASSERT_EQ(light.GetShadowPlaneCount(), 2);
    EXPECT_FALSE(light.GetShadowPlane(1)->enabled);
    EXPECT_EQ(light.GetShadowPlane(1)->origin.z, 3.0);
    EXPECT_EQ(light.GetShadowIntensity(), 75.0);
    const RWyxGlobalTimeSettings& time = *target->GetGlobalTimeSettings();
    EXPECT_EQ(time.GetTimeMode(), source->GetGlobalTimeSettings()->GetTimeMode());
    EXPECT_TRUE(time.GetSnapOnFrames());
    EXPECT_EQ(time.GetTimeFormat(), source->GetGlobalTimeSettings()->GetTimeFormat());

    const RWyxSceneInfo* info = target->GetSceneInfo();
    if (GetParam() == Form::kAscii) {
        EXPECT_EQ(info, nullptr) << "the ASCII form has no Summary";
        return;
    }
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->author, "The reader");
    EXPECT_EQ(info->comment, "A scene with an object of every kind");
    ASSERT_NE(info->GetThumbnail(), nullptr);
    const RWyxThumbnail& thumbnail = *source->GetSceneInfo()->GetThumbnail();
    ASSERT_EQ(info->GetThumbnail()->GetImageLength(), thumbnail.GetImageLength());
    EXPECT_EQ(std::memcmp(info->GetThumbnail()->GetImage(), thumbnail.GetImage(), thumbnail.GetImageLength()), 0);
}

TEST_P(SceneSemanticsTest, TakesKeepTheirDescriptionsKeysAndTheCurrentTake) {
    EXPECT_STREQ(target->GetCurrentTakeName(), "Walk");
    const RWyxTakeInfo* walk = target->GetTakeInfo("Walk");
    ASSERT_NE(walk, nullptr);
    EXPECT_EQ(walk->description, "One step");
    EXPECT_EQ(walk->referenceStart.GetTicks(), source->GetTakeInfo("Walk")->referenceStart.GetTicks());
    EXPECT_EQ(walk->localStop.GetTicks(), source->GetTakeInfo("Walk")->localStop.GetTicks());
    ASSERT_NE(walk->GetThumbnail(), nullptr);
    ASSERT_NE(target->GetTakeInfo("Layered"), nullptr);

    const RFCurve* hips = Target("Hips").GetTakeNode(1)->GetTranslationYCurve();
    ASSERT_NE(hips, nullptr);
    ASSERT_EQ(hips->GetKeyCount(), 3);
    EXPECT_EQ(hips->GetKey(1).GetValue(), 1.5f);
    EXPECT_EQ(hips->GetKey(1).GetTime().GetTicks(), RTime::kTicksPerSecond / 2);
    EXPECT_EQ(Target("Spine").GetTakeNode(1)->GetRotationZCurve()->GetKeyCount(), 2);
    EXPECT_EQ(Target("Camera").GetTakeNode(1)->GetFieldOfViewCurve()->GetKey(1).GetValue(), 25.0f);
    const RWyxEntityContainer& entity = *target->GetEntity();
    RWyxMaterial* red = const_cast<RWyxEntityContainer&>(entity).GetMaterial(0);
    ASSERT_EQ(red->GetName(), "Material::Red");
    ASSERT_EQ(red->GetTakeNodeCount(), 2);
    EXPECT_EQ(red->GetTakeNode(1)->GetDiffuseXCurve()->GetKeyCount(), 2);
    RWyxTexture* brick = const_cast<RWyxEntityContainer&>(entity).GetTexture(0);
    EXPECT_EQ(brick->GetTakeNode(1)->GetTextureTranslationXCurve()->GetKey(1).GetValue(), 0.5f);
    EXPECT_EQ(target->GetGenericNode(0)->GetTakeNode(1)->FindCurve(nullptr, nullptr, "Quality")->GetKeyCount(), 1);
    EXPECT_EQ(target->GetCharacter(0)->GetTakeNodeCount(), 2);
    EXPECT_EQ(Target("Group").GetTakeNode(1)->FindCurve(nullptr, nullptr, "Speed")->GetKey(1).GetValue(), 3.0f);
    // Every object read is in the current take.
    EXPECT_STREQ(Target("Hips").GetCurrentTakeNodeName(), "Walk");
    EXPECT_STREQ(Target("Locator").GetCurrentTakeNodeName(), "Default") << "an object without the take";
}

// The layers of the translation in "Layered" add up to x 1.5 and y 0 at every time: plotting
// makes constant curves, which the constant-key reducer leaves as default values.
TEST_P(SceneSemanticsTest, LayeredChannelsArePlottedIntoOneLayerWithTheSameValues) {
    RWyxTakeNode& take = *Target("Group").GetTakeNode(2);
    ASSERT_EQ(take.GetName(), "Layered");
    RFCurveNode* translation = take.GetRootCurveNode()->FindByPath("Transform/T");
    ASSERT_NE(translation, nullptr);
    EXPECT_EQ(translation->GetNextLayer(), nullptr);
    RWyxTakeNode& before = *Source("Group").GetTakeNode(2);
    RFCurveNode* layered = before.GetRootCurveNode()->FindByPath("Transform/T");
    for (const double seconds : {0.0, 0.25, 0.5, 1.0}) {
        const RTime time(static_cast<std::int64_t>(seconds * RTime::kTicksPerSecond));
        double expected[3] = {};
        double got[3] = {};
        layered->Evaluate(expected, time, nullptr, false);
        translation->Evaluate(got, time, nullptr, false);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(got[c], expected[c], 1e-5) << seconds << " s, channel " << c;
    }
    EXPECT_EQ(take.GetTranslationXCurve()->GetKeyCount(), 0);
    EXPECT_FLOAT_EQ(take.GetTranslationXCurve()->GetDefaultValue(), 1.5f);
}

INSTANTIATE_TEST_SUITE_P(Forms, SceneSemanticsTest, ::testing::Values(Form::kBinary, Form::kAscii, Form::kEncrypted));

// NaN and the infinities in the places numbers go, through every form of both versions. Where
// the file cannot carry one as it is (the pivot spreads a coordinate to the others, a shape is
// stored as deltas, a NURBS weight of none is 1, the reader refuses a curve's floats, version 5
// holds a model's animatable property as a float channel default) the write is refused naming
// the object, the field and the take and time, and the old file stays; elsewhere the number is
// read back as it was written (a pivot too, where the reader once took NaN for the default),
// in the versions that have a place for it (version 5 holds pivots only as rotation limits,
// version 6 no post-target rotation).
TEST(NonFiniteNumberTest, AreReadBackAsWrittenOrRefusedNamingWhereBeforeAnythingIsWritten) {
    struct Case {
        const char* place;
        std::function<void(RWyxScene&, double)> poison;
        std::string refused[2];  // by version 6, version 5; empty: read back as written
        std::function<double(RWyxScene&)> read;
        bool carried[2] = {true, true};  // whether version 6, version 5 has a place for it
        std::vector<double> values = {std::nan(""), HUGE_VAL, -HUGE_VAL};
        bool takesLeftOut = false;  // written with the takes option off (version 6 writes them all the same)
    };
    const auto body = [](RWyxScene& scene) { return FindModel(scene, "Body")->GetMesh(); };
    const auto sheet = [](RWyxScene& scene) { return FindModel(scene, "Sheet")->GetNurb(); };
    const auto node = [](RWyxScene& scene, const char* name) { return FindModel(scene, name); };
    const std::string key = "Model::Hips: take \"Walk\", channel \"Transform/T/Y\": the key at 0.5 s";
    const std::string defaultX = "Model::Hips: take \"Walk\", channel \"Transform/T/X\": the default value";
    const std::string switcher = "Model::Camera Switcher: take \"Walk\", channel \"Camera Index\": the key at 0 s";
    const std::string material = "Material::Red: take \"Walk\", channel \"Diffuse/X\": the key at 0.25 s";
    const std::string texture = "Texture::Brick: take \"Walk\", channel \"Translation/X\": the key at 1 s";
    const std::string generic = "Settings: take \"Walk\", channel \"Quality\": the key at 0.5 s";
    const std::string layered = "Model::Group: take \"Layered\", channel \"Transform/T (layer 1)/Y\": the key at 0 s";
    const auto walkKey = [](RWyxScene& scene) -> RCurveKey& {
        return FindModel(scene, "Hips")->GetTakeNode(1)->GetTranslationYCurve()->GetKey(1);
    };
    const std::vector<Case> cases = {
        {"control point", [&](RWyxScene& s, double d) { body(s)->GetControlPoints()[2].y = d; },
         {"Model::Body: control point 2", "Model::Body: control point 2"}, {}},
        {"normal", [&](RWyxScene& s, double d) { body(s)->GetLayer(0)->GetNormals()->DirectArray()[3].x = d; },
         {"Model::Body: normal 3 of layer 0", "Model::Body: normal 3 of layer 0"}, {}},
        {"normal of layer 1", [&](RWyxScene& s, double d) {
             auto* normals = body(s)->GetLayer(1)->SetNormals(std::make_unique<RWyxLayerElementNormal>());
             normals->DirectArray().assign(8, RVector4(0, 1, 0, 0));
             normals->DirectArray()[5].z = d;
         }, {"Model::Body: normal 5 of layer 1", "Model::Body: normal 5 of layer 1"}, {}},
        {"shape", [&](RWyxScene& s, double d) { body(s)->GetShape(0)->GetControlPoints()[6].z = d; },
         {"Model::Body: control point 6 of shape \"Smile\"", "Model::Body: control point 6 of shape \"Smile\""}, {}},
        {"shape normal", [&](RWyxScene& s, double d) {
             RWyxShape& smile = *body(s)->GetShape(0);
             smile.InitNormals(0);
             std::copy(body(s)->GetNormals(), body(s)->GetNormals() + 8, smile.GetNormals());
             smile.GetNormals()[3].z = d;
         }, {"Model::Body: normal 3 of shape \"Smile\"", "Model::Body: normal 3 of shape \"Smile\""}, {}},
        {"weight", [&](RWyxScene& s, double d) { sheet(s)->GetControlPoints()[5].w = d; },
         {"Model::Sheet: the weight of control point 5", "Model::Sheet: the weight of control point 5"}, {}},
        {"key", [&](RWyxScene& s, double d) { walkKey(s).SetValue(static_cast<float>(d)); }, {key, key}, {}},
        {"slope", [&](RWyxScene& s, double d) {
             walkKey(s).SetTangentMode(RCurveKey::User);
             walkKey(s).SetDataValue(0, static_cast<float>(d));
         }, {key, key}, {}},
        {"bias", [&](RWyxScene& s, double d) {
             walkKey(s).SetTensionContinuityBias(walkKey(s).GetTime(), 1.5f, 0.0f, 0.0f, static_cast<float>(d));
         }, {key, key}, {}},
        {"layer", [&](RWyxScene& s, double d) {
             RFCurveNode* layer = FindModel(s, "Group")->GetTakeNode(2)->GetRootCurveNode()->FindByPath("Transform/T");
             layer->GetNextLayer()->GetChild(1)->GetCurve()->GetKey(0).SetValue(static_cast<float>(d));
         }, {layered, layered}, {}},
        {"colour", [&](RWyxScene& s, double d) {
             const float rgb[3] = {0.0f, static_cast<float>(d), 0.0f};
             FindModel(s, "Hips")->GetTakeNode(1)->GetTranslationXCurve()->SetColor(rgb);
         }, {"Model::Hips: take \"Walk\", channel \"Transform/T/X\": the colour",
             "Model::Hips: take \"Walk\", channel \"Transform/T/X\": the colour"}, {}},
        {"camera switcher", [&](RWyxScene& s, double d) {
             RFCurve* index = s.GetCameraSwitcherNode()->AddTakeNode("Walk")->GetCameraIndexCurve();
             index->AddKey(RTime(0), RCurveKey::Plain(RTime(0), static_cast<float>(d), RCurveKey::Constant));
         }, {switcher, switcher}, {}},
        {"material key", [&](RWyxScene& s, double d) {
             RWyxTakeNode& walk = *s.GetEntity()->GetMaterial(0)->GetTakeNode(1);
             walk.GetDiffuseXCurve()->GetKey(0).SetValue(static_cast<float>(d));
         }, {material, material}, {}},
        {"texture key", [&](RWyxScene& s, double d) {
             RWyxTakeNode& walk = *s.GetEntity()->GetTexture(0)->GetTakeNode(1);
             walk.GetTextureTranslationXCurve()->GetKey(1).SetValue(static_cast<float>(d));
         }, {texture, texture}, {}},
        {"generic node key", [&](RWyxScene& s, double d) {
             RWyxTakeNode& walk = *s.GetGenericNode(0)->GetTakeNode(1);
             walk.FindCurve(nullptr, nullptr, "Quality")->GetKey(0).SetValue(static_cast<float>(d));
         }, {generic, generic}, {}},
        // A take whose info is not selected is not written.
        {"unselected take", [&](RWyxScene& s, double d) {
             walkKey(s).SetValue(static_cast<float>(d));
             s.GetTakeInfo("Walk")->selected = false;
         }, {"", ""}, {}},
        {"key, takes left out", [&](RWyxScene& s, double d) { walkKey(s).SetValue(static_cast<float>(d)); },
         {key, ""}, {}, {true, true}, {std::nan("")}, true},
        {"curve default", [&](RWyxScene& s, double d) {
             FindModel(s, "Hips")->GetTakeNode(1)->GetTranslationXCurve()->SetDefaultValue(static_cast<float>(d));
         }, {defaultX, defaultX}, {}},
        {"transform",
         [&](RWyxScene& s, double d) { FindModel(s, "Locator")->SetDefaultTranslation(RVector4(d, 0, 0, 0)); },
         {"", "Model::Locator: property \"Lcl Translation\""},
         [&](RWyxScene& s) {
             RVector4 translation;
             return FindModel(s, "Locator")->GetDefaultTranslation(translation).x;
         }},
        // The current take's curves hold an infinity as the largest float, which the ASCII form
        // writes a little above it (and NaN as NaN: the "curve default" case).
        {"animated transform",
         [&](RWyxScene& s, double d) { FindModel(s, "Hips")->SetDefaultTranslation(RVector4(d, 0, 0, 0)); },
         {"", "Model::Hips: property \"Lcl Translation\""},
         [&](RWyxScene& s) {
             RVector4 translation;
             return FindModel(s, "Hips")->GetDefaultTranslation(translation).x;
         }, {true, true}, {HUGE_VAL, -HUGE_VAL}},
        {"UV", [&](RWyxScene& s, double d) { body(s)->GetLayer(0)->GetUVs()->DirectArray()[1].u = d; }, {"", ""},
         [&](RWyxScene& s) { return body(s)->GetLayer(0)->GetUVs()->DirectArray()[1].u; }},
        {"link weight", [&](RWyxScene& s, double d) { body(s)->GetDeformer(0)->GetControlPointWeights()[1] = d; },
         {"", ""}, [&](RWyxScene& s) { return body(s)->GetDeformer(0)->GetControlPointWeights()[1]; }},
        {"knot", [&](RWyxScene& s, double d) { sheet(s)->GetUKnotVector()[5] = d; }, {"", ""},
         [&](RWyxScene& s) { return sheet(s)->GetUKnotVector()[5]; }},
        {"rotation pivot", [&](RWyxScene& s, double d) { node(s, "Locator")->SetRotationPivot(0, 0, d, 0, 1); },
         {"", ""}, [&](RWyxScene& s) { return node(s, "Locator")->GetRotationPivot(0)->y; }, {true, false}},
        {"geometric scaling", [&](RWyxScene& s, double d) {
             node(s, "Locator")->GetProperties()->GetPivotSet(0)->geometricScaling.y = d;
         }, {"", ""}, [&](RWyxScene& s) {
             RVector4 v;
             return node(s, "Locator")->GetGeometricScaling(v, 0).y;
         }, {true, false}},
        {"pre-rotation", [&](RWyxScene& s, double d) {
             node(s, "Locator")->GetLimits()->SetActive(RWyxNodeLimits::kRotation, true);
             node(s, "Locator")->SetPreRotation(0, 0, d, 0, 1);
         }, {"", ""}, [&](RWyxScene& s) { return node(s, "Locator")->GetPreRotation(0)->y; }},
        {"translation minimum", [&](RWyxScene& s, double d) {
             node(s, "Locator")->GetLimits()->SetActive(RWyxNodeLimits::kTranslation, true);
             node(s, "Locator")->GetLimits()->SetMin(RWyxNodeLimits::kTranslation, RVector4(0, d, 0, 0));
         }, {"", ""}, [&](RWyxScene& s) {
             RVector4 v;
             return node(s, "Locator")->GetLimits()->GetMin(RWyxNodeLimits::kTranslation, v).y;
         }},
        {"axis length", [&](RWyxScene& s, double d) {
             node(s, "Locator")->GetLimits()->SetActive(RWyxNodeLimits::kRotation, true);
             node(s, "Locator")->GetLimits()->SetAxisLength(d);
         }, {"", ""}, [&](RWyxScene& s) { return node(s, "Locator")->GetLimits()->GetAxisLength(); }},
        {"post-target rotation", [&](RWyxScene& s, double d) { node(s, "Camera")->SetPostTargetRotation(0, 0, d, 0); },
         {"", ""}, [&](RWyxScene& s) {
             RVector4 v;
             return node(s, "Camera")->GetPostTargetRotation(v).z;
         }, {false, true}},
        {"user minimum", [&](RWyxScene& s, double d) { node(s, "Group")->FindUserPropertyByName("Speed")->SetMin(d); },
         {"", ""}, [&](RWyxScene& s) { return node(s, "Group")->FindUserPropertyByName("Speed")->GetMin(); }},
        {"user maximum", [&](RWyxScene& s, double d) { node(s, "Group")->FindUserPropertyByName("Speed")->SetMax(d); },
         {"", ""}, [&](RWyxScene& s) { return node(s, "Group")->FindUserPropertyByName("Speed")->GetMax(); }},
        {"camera up",
         [&](RWyxScene& s, double d) { node(s, "Camera")->GetCamera()->SetUpVector(RVector4(d, 1, 0, 0)); }, {"", ""},
         [&](RWyxScene& s) { return node(s, "Camera")->GetCamera()->GetUpVector().x; }},
    };
    ScratchFolder folder;
    const std::string path = folder.Join("scene.wyx");
    const RStreamOptionsPtr noTakes(RStreamOptionsWyx::Create());
    static_cast<RStreamOptionsWyx&>(*noTakes).SetFlag(RStreamOptionsWyx::kFlagTakes, false);
    for (const Case& c : cases) {
        for (const double value : c.values) {
            RWyxObjectFactory factory;
            RWyxScene* scene = BuildEveryKindScene(factory);
            // The thumbnails hold no number to poison, and reading their pixels back one by one
            // was most of each trip: the scene goes without them.
            scene->GetSceneInfo()->SetThumbnail(nullptr);
            scene->GetTakeInfo("Walk")->SetThumbnail(nullptr);
            c.poison(*scene, value);
            for (int form = RWyxFileExporter::kFormatWyxBinary; form <= RWyxFileExporter::kFormatWyx5Ascii; ++form) {
                SCOPED_TRACE(std::string(c.place) + " " + std::to_string(value) + ", form " + std::to_string(form));
                const std::string refused = c.refused[form >= RWyxFileExporter::kFormatWyx5Binary ? 1 : 0];
                folder.WriteFile("scene.wyx", "old");
                RWyxFileExporter* exporter = factory.CreateFileExporter();
                exporter->Initialize(path.c_str());
                exporter->SetFileFormat(form);
                const bool written = exporter->Export(scene, c.takesLeftOut ? noTakes.get() : nullptr);
                const std::string error = exporter->GetLastErrorString();
                factory.DestroyFileExporter(exporter);
                if (!refused.empty()) {
                    EXPECT_FALSE(written);
                    EXPECT_EQ(error, refused + " lies beyond the real numbers a WYX file holds");
                    EXPECT_TRUE(ScratchFolder::ReadFile(path) == "old") << "the old file stays";
                    continue;
                }
                ASSERT_TRUE(written) << error;
                if (!c.read || !c.carried[form >= RWyxFileExporter::kFormatWyx5Binary ? 1 : 0]) continue;
                RWyxObjectFactory readFactory;
                const ReadResult read = ReadFile(readFactory, path);
                ASSERT_TRUE(read.read) << read.errorText;
                EXPECT_EQ(read.warnings, 0) << read.warningText;
                const double back = c.read(*read.scene);
                EXPECT_TRUE(std::isnan(value) ? std::isnan(back) : back == value) << back;
            }
        }
    }
}

}  // namespace
