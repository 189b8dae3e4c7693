// Version-5 Model records: the node's fields, limits, look-at, animated-property table, user
// properties, default channels and children, and the attribute fields of every kind.

#include "tests/wyxwriter/WriterTestSupport.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxCameraProperties.h"
#include "attributes/RWyxCameraSwitcher.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMarker.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNull.h"
#include "attributes/RWyxOptical.h"
#include "attributes/RWyxSkeleton.h"
#include "core/RWyxColor.h"
#include "core/RWyxUserProperty.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"

#include <cmath>

namespace {

using namespace writer_test;
using Names = std::vector<std::string>;
using Limits = RWyxNodeLimits;

class V5ModelTest : public WriterTest {
protected:
    // The records of the main section's models, written in version 5.
    std::vector<Record> Models(RStreamOptions* options = nullptr) {
        const FileTree tree = WriteAndRead(Form::kV5Ascii, options);
        std::vector<Record> models;
        for (const Record* model : tree.main.All("Model")) models.push_back(*model);
        return models;
    }
    // The names of the fields between the head and the attribute.
    static Names Head(const Record& model, std::size_t count) {
        Names names = model.NamesWithValue();
        names.resize(count);
        return names;
    }
};

TEST_F(V5ModelTest, TheHeadFollowsVisibilityShadingAndCullingWithLimitsInAuto) {
    RWyxNode* plain = AddNode("Plain");
    plain->SetShadingMode(0);
    RWyxNode* hidden = AddNode("Hidden");
    hidden->SetVisibility(false);
    hidden->SetShadingMode(5);
    hidden->SetCullingMode(2);
    const std::vector<Record> models = Models();
    EXPECT_EQ(Head(models[0], 6), (Names{"Version:194", "MultiLayer:0", "MultiTake:1", "Culling:CullingOff", "Limits",
                                         "AnimatedProperty:mTranslationProperty"}));
    EXPECT_EQ(models[0].Child("Limits").NamesWithValue(), (Names{"TAuto:1", "RAuto:1", "SAuto:1"}));
    EXPECT_EQ(models[0].Child("Animated").values, (Names{"Lcl Translation", "Lcl Rotation", "Lcl Scaling"}));
    EXPECT_EQ(Head(models[1], 6), (Names{"Version:194", "MultiLayer:0", "MultiTake:1", "Hidden:True", "Shading:U",
                                         "Culling:CullingOnCW"}));
    EXPECT_EQ(models[0].Find("Children"), nullptr) << "no Children for a leaf";
}

TEST_F(V5ModelTest, ActiveLimitsWriteWhatDiffersFromNeutral) {
    RWyxNode* node = AddNode("Joint");
    Limits& limits = *node->GetLimits();
    limits.SetAuto(Limits::kRotation, false);
    limits.SetEnable(Limits::kRotation, true);
    limits.SetMin(Limits::kRotation, RVector4(-30, 0, std::nan(""), 0));
    limits.SetMax(Limits::kRotation, RVector4(30, 0, 0, 0));
    limits.SetRotationAxis(RVector4(0, 5, 0, 0));
    limits.SetAxisLength(2.5);
    node->SetRotationOrder(0, 6);
    limits.SetAuto(Limits::kScaling, false);
    limits.SetMax(Limits::kScaling, RVector4(2, 1, 1, 0));
    limits.SetMin(Limits::kScaling, RVector4(1, 1, 1, 0));
    const Record model = Models()[0];
    EXPECT_EQ(model.Child("Limits").NamesWithValue(),
              (Names{"TAuto:1", "RAuto:0", "SAuto:0", "REnable:1", "SEnable:0", "RXMin:-30", "RZMin:nan", "RXMax:30",
                     "SXMax:2", "RType:0", "RClampType:1", "RYAxis:5", "AxisLen:2.5"}));
    node->SetRotationOrder(0, 0);
    EXPECT_EQ(Models()[0].Child("Limits").Find("RType"), nullptr) << "Euler orders write no rotation type";
}

TEST_F(V5ModelTest, LookAtWritesTargetsAndOnlyRotationsThatTurn) {
    RWyxNode* aim = AddNode("Aim");
    RWyxNode* up = AddNode("Up");
    RWyxNode* eye = AddNode("Eye");
    eye->SetTarget(aim);
    eye->SetTargetUp(up);
    eye->SetPostTargetRotation(180, 180, 180, 0);
    eye->SetUpTargetRotation(10, 0, 0, 0);
    const Record model = Models()[2];
    EXPECT_EQ(model.Child("LookAtModel").values, Names{"Model::Aim"});
    EXPECT_EQ(model.Find("PostTargetRotation"), nullptr) << "(180, 180, 180) is no turn";
    EXPECT_EQ(model.Child("UpTargetRotation").Numbers(), (std::vector<double>{10, 0, 0}));
    EXPECT_EQ(model.Child("UpVectorModel").values, Names{"Model::Up"});
}

TEST_F(V5ModelTest, TheTableListsKeyedChannelsAndAnimatableUserPropertiesWithoutSuffix) {
    RWyxNode* lamp = AddNode("Lamp");
    lamp->SetNodeAttribute(factory.CreateLight());
    RWyxUserProperty* speed = factory.CreateUserProperty("Speed (Real)", "Real", "How fast");
    speed->SetFlag(RWyxUserProperty::kFlagAnimatable, true);
    speed->SetMin(-1.0);
    lamp->AddUserProperty(factory.HandOverUserProperty(speed));
    speed->SetDouble(0.5);
    RWyxUserProperty* still = factory.CreateUserProperty("Still", "Real", "");
    lamp->AddUserProperty(factory.HandOverUserProperty(still));
    RWyxTakeNode* take = lamp->AddTakeNode("Take 001");
    AddKeys(*take->GetVisibilityCurve(), {{0, 1.0f}, {1, 0.0f}});
    AddKeys(*take->GetColorYCurve(), {{0, 1.0f}, {1, 0.0f}});
    AddKeys(*take->GetFogCurve(), {{0, 1.0f}, {1, 0.0f}});
    const Record model = Models()[0];
    EXPECT_EQ(model.Child("AnimatedProperty").values,
              (Names{"mTranslationProperty", "mRotationProperty", "mScalingProperty", "mVisibilityProperty", "mLightColor",
                     "mFog", "Speed"}));
    EXPECT_EQ(model.Child("Animated").values,
              (Names{"Lcl Translation", "Lcl Rotation", "Lcl Scaling", "Visibility", "Color", "Fog", "Speed"}));
    const Record& user = model.Child("UserProperty");
    EXPECT_EQ(user.NamesWithValue(), (Names{"Name:Speed", "Type:Real", "Label:How fast", "Min:-1"}));
    EXPECT_EQ(model.All("UserProperty").size(), 1u) << "static user values are not carried";
    bool found = false;
    for (const Record* channel : model.All("Channel")) {
        if (channel->values[0] == "Speed (Real)") found = channel->Child("Default").Number() == 0.5;
    }
    EXPECT_TRUE(found) << "the user value travels as its channel's default";
}

// A node lists a wrapper of each of its own properties, made when first asked for; the writer
// lists the user properties added to a node without making the others.
class WrapperCountingFactory : public RWyxObjectFactory {
public:
    int made = 0;

protected:
    RWyxUserProperty* NewUserPropertyFor(RProperty* property) override {
        ++made;
        return RWyxObjectFactory::NewUserPropertyFor(property);
    }
};

TEST(V5ModelWrappersTest, TheWriterMakesNoWrapperOfANodesOwnProperties) {
    WrapperCountingFactory factory;
    RWyxScene* scene = factory.CreateScene();
    RWyxNode* holder = factory.CreateNode("Holder");
    scene->GetRootNode()->AddChild(holder);
    scene->GetRootNode()->AddChild(factory.CreateNode("Bare"));
    RWyxUserProperty* amount = factory.CreateUserProperty("Amount", "Real", "");
    amount->SetFlag(RWyxUserProperty::kFlagAnimatable, true);
    holder->AddUserProperty(factory.HandOverUserProperty(amount));
    ASSERT_NE(holder->GetUserProperty(0), nullptr) << "a wrapper made before stays out of the table";
    const int madeBefore = factory.made;
    ScratchFolder folder;
    const std::string path = folder.Join("wrappers.wyx");
    ASSERT_TRUE(WriteScene(factory, scene, path, Form::kV5Binary).written);
    EXPECT_EQ(factory.made, madeBefore);
    FileTree tree;
    ASSERT_TRUE(ReadTree(path, tree));
    EXPECT_EQ(tree.main.Child("Model", 0).Child("Animated").values,
              (Names{"Lcl Translation", "Lcl Rotation", "Lcl Scaling", "Amount"}));
    EXPECT_EQ(tree.main.Child("Model", 0).All("UserProperty").size(), 1u);
}

TEST_F(V5ModelTest, DefaultChannelsCarryTheTransformAndChildrenAreNamed) {
    RWyxNode* arm = AddNode("Arm");
    AddNode("Hand", arm);
    AddNode("Elbow", arm);
    arm->SetDefaultTranslation(RVector4(1, 2, 3, 0));
    const Record model = Models()[0];
    EXPECT_EQ(model.Child("Children").values, (Names{"Model::Hand", "Model::Elbow"}));
    const Record& transform = model.Child("Channel");
    EXPECT_EQ(transform.values, Names{"Transform"});
    EXPECT_EQ(transform.Child("Channel").values, Names{"T"});
    EXPECT_EQ(transform.Child("Channel").Child("Channel", 2).Child("Default").Number(), 3.0);
    EXPECT_EQ(transform.Child("Channel").Child("Channel", 2).Names(), Names{"Default"}) << "defaults only";
}

TEST_F(V5ModelTest, EachAttributeKindWritesItsRecord) {
    RWyxNull* null = factory.CreateNull();
    null->SetSize(7.0);
    RWyxMarker* effector = factory.CreateMarker();
    effector->SetType(RWyxMarker::kIKEffector);
    effector->SetColor(RWyxColor(0.25, 0.5, 0.75, 1));
    RWyxSkeleton* rootJoint = factory.CreateSkeleton();
    rootJoint->SetSkeletonType(RWyxSkeleton::kEffectorRoot);
    RWyxSkeleton* limb = factory.CreateSkeleton();
    limb->SetSkeletonType(RWyxSkeleton::kLimb);
    limb->SetLimbLength(3.0);
    RWyxLight* light = factory.CreateLight();
    light->SetLightType(RWyxLight::kSpot);
    light->SetDefaultIntensity(80.0);
    RWyxMesh* mesh = factory.CreateMesh();
    mesh->InitControlPoints(3);
    RWyxCameraSwitcher switcher(&factory);
    RWyxNodeAttribute* attributes[] = {nullptr, null, effector, rootJoint, limb, light, mesh, factory.CreateOptical(), &switcher};
    for (int i = 0; i < 9; ++i) AddNode(("N" + std::to_string(i)).c_str())->SetNodeAttribute(attributes[i]);
    RWyxNode* effectorNode = root->GetChild(2);
    AddKeys(*effectorNode->AddTakeNode("Take 001")->GetIKReachTranslationCurve(), {{0, 0.0f}, {1, 1.0f}});
    // The attribute's fields lie between the user-property blocks and the channels.
    const auto attribute = [](const Record& model) {
        Names names;
        bool in = false;
        for (const Record& field : model.children) {
            if (field.name == "Channel" || field.name == "Children") break;
            if (in) names.push_back(field.values.empty() ? field.name : field.name + ":" + field.values[0]);
            in = in || field.name == "Animated";
        }
        return names;
    };
    std::vector<Record> models = Models();
    EXPECT_EQ(attribute(models[0]), (Names{"Type:Null", "TypeFlags:Null", "Properties"}));
    EXPECT_EQ(models[0].Child("Properties").Child("Size").Number(), 100.0);
    EXPECT_EQ(models[1].Child("Properties").Child("Size").Number(), 7.0);
    EXPECT_EQ(attribute(models[2]), (Names{"Type:IKEffector", "TypeFlags:Marker", "Properties", "IKReachRotation:0"}))
        << "the reach that a take keys is not written";
    EXPECT_EQ(models[2].Child("Properties").Names(), (Names{"Version", "Look", "Size", "Color", "ShowLabel"}));
    const Record* color = nullptr;
    for (const Record* channel : models[2].All("Channel")) {
        if (channel->values[0] == "Color") color = channel;
    }
    ASSERT_NE(color, nullptr);
    EXPECT_EQ(color->Child("Channel", 2).Child("Default").Number(), 0.75);
    EXPECT_EQ(attribute(models[3]), (Names{"Type:Root", "TypeFlags:Null", "Properties"})) << "type 3 is written as a root";
    EXPECT_EQ(models[3].Child("TypeFlags").values, (Names{"Null", "Skeleton", "Root"}));
    EXPECT_EQ(attribute(models[4]), (Names{"Type:Limb", "TypeFlags:Skeleton", "LimbLength:3", "Properties"}));
    EXPECT_EQ(models[4].Child("Properties").Names(), (Names{"Version", "Size", "Color"}));
    EXPECT_EQ(attribute(models[5]), (Names{"Type:Light", "TypeFlags:Light", "GeometryVersion:123", "LightTypeVersion:202",
                                           "LightType:2", "CastLight:1", "Color:1", "Intensity:80", "ConeAngle:45", "Fog:50"}));
    EXPECT_EQ(attribute(models[6]).front(), "GeometryVersion:123");
    EXPECT_EQ(attribute(models[7]), (Names{"Type:Optical", "TypeFlags:Marker"}));
    EXPECT_EQ(attribute(models[8]), (Names{"AnimationMode:Global", "Version:100", "Name:Camera Switcher", "CameraId:1",
                                           "CameraName:100"}));
    Options().SetFlag(RStreamOptionsWyx::kFlagGeometry, false);
    models = Models(&Options());
    EXPECT_EQ(attribute(models[6]), (Names{"Type:Null", "TypeFlags:Null", "Properties"})) << "flag 0 off";
    EXPECT_EQ(models[6].Child("Properties").Child("Size").Number(), 100.0);
    for (int i = 0; i < 9; ++i) root->GetChild(i)->SetNodeAttribute(nullptr);
}

TEST_F(V5ModelTest, ACameraWritesItsRecordInOrder) {
    RWyxCamera* camera = factory.CreateCamera();
    RWyxNode* node = AddNode("Eye");
    node->SetNodeAttribute(camera);
    camera->SetPosition(RVector4(1, 2, 3, 0));
    camera->SetInterestPosition(RVector4(0, 0, -5, 0));
    camera->GetProperties()->GetTable().SetInt(RWyxCameraProperties::kCameraFormat, 9);
    camera->GetProperties()->GetTable().SetInt(RWyxCameraProperties::kApertureFormat, 3);
    camera->SetBackgroundMediaName("sky");
    Options().SetFlag(RStreamOptionsWyx::kFlagMedia, false);
    const Record model = Models(&Options())[0];
    const Names expected = {"Type", "TypeFlags", "Version", "Name", "Position", "Up", "LookAt", "Roll", "TurnTable",
                            "Type", "FormatName", "AspectType", "AspectW", "AspectH", "PixelRatio", "NearPlane",
                            "FarPlane", "CameraLock", "ApertureFormat", "ApertureMode", "CameraAperture",
                            "SqueezeRatio", "FocalLength", "Aperture", "FieldOfViewXProperty", "FieldOfViewYProperty",
                            "OpticalCenterXProperty", "OpticalCenterYProperty", "Media", "ViewFrustumPlane",
                            "BackgroundMode", "ForegroundTransparent", "BackgroundTreshold", "DisplayMode",
                            "ViewFrustumPlaneDistance", "ViewFrustumPlaneDistanceMode", "ViewLookAt", "ViewFrustum",
                            "ShowGrid", "ShowAzimut", "ShowName", "ShowInfoOnMoving", "ShowTimeCode",
                            "DisplaySafeArea", "SafeAreaStyle", "DisplaySafeAreaOnRender", "ShowAudio",
                            "BackGroundColor", "AudioColor", "UseFrameColor", "FrameColor", "CameraAndLens"};
    Names names = model.Names();
    const auto first = std::find(names.begin(), names.end(), "Type");
    const auto last = std::find(names.begin(), names.end(), "CameraAndLens");
    ASSERT_TRUE(first != names.end() && last != names.end());
    EXPECT_EQ(Names(first, last + 1), expected);
    EXPECT_EQ(model.Child("Type").values, Names{"Camera"});
    EXPECT_EQ(model.Child("Type", 1).Int(), 0);
    EXPECT_EQ(model.Child("Position").Numbers(), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(model.Child("LookAt").Numbers(), (std::vector<double>{0, 0, -5}));
    EXPECT_EQ(model.Child("FormatName").values, Names{"Custom"}) << "format 9";
    EXPECT_EQ(model.Child("ApertureFormat").values, Names{"35mm Academy"});
    EXPECT_EQ(model.Child("Media").values, Names{"sky"});
    EXPECT_EQ(model.Child("DisplayMode").Int(), 6) << "Center and KeepRatio";
    EXPECT_NEAR(model.Child("Aperture").Number(), camera->GetFieldOfView(), 1e-9);
    EXPECT_EQ(model.Child("CameraAndLens").Names(), (Names{"DepthOfField", "Antialiasing", "OverSampling", "UseOverSamplingTime"}));
    EXPECT_EQ(model.Child("CameraAndLens").Child("UseOverSamplingTime").Int(), 1);
}

}  // namespace
