// The Model records of the version-5 document, the SceneGenericPersistence block with its
// poses and the scene information.
//
//   Model: full name {
//     Version: 194
//     MultiLayer: 0/1; MultiTake: int
//     Hidden: "True"                    only when the node is not visible
//     Shading: 'W' 'F' 'Y' 'T' 'U'      shading modes 1 to 5 only
//     Culling: "CullingOnCCW" (1), "CullingOnCW" (2), else "CullingOff"
//     Limits { TAuto; RAuto; SAuto; then, for each component out of Auto: its Enable, its
//              Default, Min and Max per axis (T, R: when not 0; S: when not 1); rotation:
//              RType: 0 and RClampType: 1 for "Spheric XYZ", RXAxis ... (when not 0),
//              AxisLen (when not 1) }
//     LookAtModel; PostTargetRotation; UpTargetRotation; UpVectorModel
//     AnimatedProperty: member names ...; Animated: property names ...
//     UserProperty { Name; Type; Label; Min; Max (when bounded) } per animatable user property
//     the attribute's fields (RWyxWriterWyx5Attributes.cpp)
//     Channel ... the channels of the default take (defaults only, no user names)
//     Children: the children's full names
//   }
//   SceneGenericPersistence { Pose: full name { Type: "CharacterPose"; PoseScene { the
//     pose's scene } } ...; Pose: full name { Type: "BindPose" / "RestPose"; NbPoseNodes;
//     PoseNode { Node; Matrix; Local (rest poses) } ... } ...; SceneInfo }
//
// The animated-property table lists the transform always, and each other channel that a
// take other than the default one keys: visibility, a light's colour, intensity, cone angle
// and fog, a camera's roll, fields of view, optical centre, turn table and background colour,
// an optical marker's occlusion and an IK effector's reach; then the animatable user
// properties, their names without a type suffix (" (Real)" ...).

#include "attributes/RWyxCharacterPose.h"
#include "attributes/RWyxMarker.h"
#include "attributes/RWyxPose.h"
#include "core/RDataType.h"
#include "core/RProperty.h"
#include "core/RWyxUserProperty.h"
#include "curves/RFCurveNode.h"
#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxFile.h"
#include "fileio/RWyxFileExporter.h"
#include "fileio/RWyxPropertyFile.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"
#include "wyxwriter/RWyxWriterWyx5.h"
#include "wyxwriter/WyxFields.h"

#include <cmath>
#include <string>
#include <vector>

using namespace wyx_fields;

namespace {

constexpr int kModelVersion = 194;
constexpr int kSphericXYZ = 6;
constexpr double kRotationTolerance = 1e-6;
using Limits = RWyxNodeLimits;
using Names = std::vector<std::string>;

// The depth of character-pose scenes being written on this thread.
thread_local int poseSceneDepth = 0;

void WriteStrings(RWyxFile& file, const char* name, const Names& values) {
    file.FieldWriteBegin(name);
    for (const std::string& value : values) file.FieldWriteString(value.c_str());
    file.FieldWriteEnd();
}

// Whether two rotations differ: not when each component is equal, nor when they are the same
// orientation as the Euler triples (x + 180, 180 - y, z + 180) and (x, y, z) are.
bool RotationsDiffer(const RVector4& a, const RVector4& b) {
    if (std::fabs(a.x - b.x) <= kRotationTolerance && std::fabs(a.y - b.y) <= kRotationTolerance &&
        std::fabs(a.z - b.z) <= kRotationTolerance) {
        return false;
    }
    const double ax = std::fmod(a.x, 360.0);
    const double ay = std::fmod(a.y, 360.0);
    const double az = std::fmod(a.z, 360.0);
    const double bx = std::fmod(b.x, 360.0);
    const double by = std::fmod(b.y, 360.0);
    const double bz = std::fmod(b.z, 360.0);
    const bool equivalent = std::fabs(std::fabs(ax - bx) - 180.0) <= kRotationTolerance &&
                            std::fabs(std::fabs(ay + by) - 180.0) <= kRotationTolerance &&
                            std::fabs(std::fabs(az - bz) - 180.0) <= kRotationTolerance;
    return !equivalent;
}

// The user property's name without a trailing type suffix (" (Bool)", " (Real)" ...).
std::string WithoutTypeSuffix(const char* name) {
    std::string text = name != nullptr ? name : "";
    for (const char* type : {"Bool", "Real", "Color", "Integer", "Vector"}) {
        const std::string suffix = std::string(" (") + type + ")";
        if (text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0) {
            return text.substr(0, text.size() - suffix.size());
        }
    }
    return text;
}

// The user properties listed in the animated-property table, in index order: those added to
// the node (not the wrappers of its own properties) that are animatable and still have their
// property. The wrappers of the node's own properties, one for each, are made when first asked
// for and stay made: they are told apart by the property they wrap, without being made.
std::vector<const RWyxUserProperty*> ListedUserProperties(const RWyxNode& node) {
    std::vector<const RWyxUserProperty*> listed;
    for (int i = 0; i < node.GetUserPropertyCount(); ++i) {
        const RProperty* wrapped = node.GetWrappedProperty(i);
        if (wrapped == nullptr || node.GetProperties()->IsStandardProperty(wrapped)) continue;
        const RWyxUserProperty* property = node.GetUserProperty(i);
        if (property != nullptr && property->GetFlag(RWyxUserProperty::kFlagAnimatable)) listed.push_back(property);
    }
    return listed;
}

bool IsKeyedVector(RWyxNode& node, const char* channel) {
    return node.IsAnimatedInAnyTake(channel, nullptr, nullptr) || node.IsAnimatedInAnyTake(channel, "X", nullptr) ||
           node.IsAnimatedInAnyTake(channel, "Y", nullptr) || node.IsAnimatedInAnyTake(channel, "Z", nullptr);
}

bool IsKeyedType(RWyxNode& node, const char* dataType) {
    return node.IsAnimatedInAnyTakeByType(nullptr, nullptr, RDataType::FindByName(dataType));
}

// The member and property names of the node's keyed channels, as the table lists them.
void CollectAnimatedNames(RWyxNode& node, Names& members, Names& properties) {
    auto add = [&](const char* member, const char* property) {
        members.emplace_back(member);
        properties.emplace_back(property);
    };
    add("mTranslationProperty", "Lcl Translation");
    add("mRotationProperty", "Lcl Rotation");
    add("mScalingProperty", "Lcl Scaling");
    if (IsKeyedType(node, "Visibility")) add("mVisibilityProperty", "Visibility");
    if (node.GetLight() != nullptr) {
        if (IsKeyedVector(node, "Color")) add("mLightColor", "Color");
        if (node.IsAnimatedInAnyTake("Intensity", nullptr, nullptr)) add("mIntensity", "Intensity");
        if (node.IsAnimatedInAnyTake("Cone angle", nullptr, nullptr)) add("mConeAngle", "Cone angle");
        if (node.IsAnimatedInAnyTake("Fog", nullptr, nullptr)) add("mFog", "Fog");
    } else if (node.GetCamera() != nullptr) {
        static const char* const kCameraChannels[][2] = {
            {"mRollProperty", "Roll"},
            {"mApertureProperty", "FieldOfView"},
            {"mFieldOfViewXProperty", "FieldOfViewX"},
            {"mFieldOfViewYProperty", "FieldOfViewY"},
            {"mOpticalCenterXProperty", "OpticalCenterX"},
            {"mOpticalCenterYProperty", "OpticalCenterY"},
            {"mTurnTableProperty", "TurnTable"}};
        for (const auto& channel : kCameraChannels) {
            if (node.IsAnimatedInAnyTake(channel[1], nullptr, nullptr)) add(channel[0], channel[1]);
        }
        if (IsKeyedVector(node, "BackgroundColor (Color)")) add("mBackColorProperty", "BackgroundColor");
    } else if (const RWyxMarker* marker = node.GetMarker()) {
        if (marker->GetType() == RWyxMarker::kOpticalMarker && IsKeyedType(node, "Occlusion")) {
            add("Occlusion", "Occlusion");
        } else if (marker->GetType() == RWyxMarker::kIKEffector) {
            for (const char* reach : {"IK Reach Translation", "IK Reach Rotation"}) {
                if (IsKeyedType(node, reach)) add(reach, reach);
            }
        }
    }
    for (const RWyxUserProperty* property : ListedUserProperties(node)) {
        const std::string name = WithoutTypeSuffix(property->GetName());
        add(name.c_str(), name.c_str());
    }
}

}  // namespace

void RWyxWriterWyx5::WriteModel(RWyxNode& node) {
    RWyxFile& file = File();
    FieldBlock block(file, "Model", node.GetName());
    WriteModelHead(node);
    WriteLookAt(node);
    WriteAnimatedPropertyTable(node);
    WriteNodeAttribute(node);
    if (!PropertyFile().IsV5PropertyFormat()) {
        node.WritePivotsAndLimitsToProperties();
        std::vector<RProperty*> properties;
        node.CollectProperties(properties);
        PropertyFile().WritePropertyBlock(properties);
    }
    WriteDefaultTakeChannels(node);
    if (node.GetChildCount() > 0) {
        file.FieldWriteBegin("Children");
        for (int i = 0; i < node.GetChildCount(); ++i) file.FieldWriteString(node.GetChild(i)->GetName());
        file.FieldWriteEnd();
    }
}

void RWyxWriterWyx5::WriteModelHead(RWyxNode& node) {
    RWyxFile& file = File();
    WriteField(file, "Version", kModelVersion);
    WriteField(file, "MultiLayer", node.GetMultiLayer());
    WriteField(file, "MultiTake", node.GetMultiTake());
    if (!node.GetVisibility()) WriteField(file, "Hidden", "True");
    const char shading = ShadingLetter(node.GetShadingMode());
    if (shading != '\0') WriteField(file, "Shading", shading);
    WriteField(file, "Culling", CullingName(node.GetCullingMode()));
    WriteLimits(node);
}

void RWyxWriterWyx5::WriteLimits(RWyxNode& node) {
    static const char kLetters[] = {'T', 'R', 'S'};
    static const char kAxes[] = {'X', 'Y', 'Z'};
    const Limits& limits = *node.GetLimits();
    RWyxFile& file = File();
    FieldBlock block(file, "Limits");
    bool active[Limits::kComponentCount];
    for (int c = 0; c < Limits::kComponentCount; ++c) {
        active[c] = !limits.GetAuto(c);
        WriteField(file, (std::string(1, kLetters[c]) + "Auto").c_str(), limits.GetAuto(c));
    }
    for (int c = 0; c < Limits::kComponentCount; ++c) {
        if (active[c]) WriteField(file, (std::string(1, kLetters[c]) + "Enable").c_str(), limits.GetEnable(c));
    }
    // A vector of a component out of Auto, one field per axis that is not the neutral value
    // (a value that is not a number is written).
    auto vector = [&](int c, const char* suffix, const RVector4& value) {
        const double neutral = c == Limits::kScaling ? 1.0 : 0.0;
        for (int axis = 0; axis < 3; ++axis) {
            const double component = *value.Component(axis);
            if (!(component == neutral)) {
                WriteField(file, (std::string(1, kLetters[c]) + kAxes[axis] + suffix).c_str(), component);
            }
        }
    };
    RVector4 value;
    for (int c = 0; c < Limits::kComponentCount; ++c) {
        if (active[c]) vector(c, "Default", limits.GetDefault(c, value));
    }
    for (int c = 0; c < Limits::kComponentCount; ++c) {
        if (active[c]) vector(c, "Min", limits.GetMin(c, value));
    }
    for (int c = 0; c < Limits::kComponentCount; ++c) {
        if (active[c]) vector(c, "Max", limits.GetMax(c, value));
    }
    if (!active[Limits::kRotation]) return;
    int order = 0;
    if (node.GetRotationOrder(0, order) == kSphericXYZ) {
        WriteField(file, "RType", 0);
        WriteField(file, "RClampType", 1);
    }
    vector(Limits::kRotation, "Axis", limits.GetRotationAxis(value));
    if (!(limits.GetAxisLength() == 1.0)) WriteField(file, "AxisLen", limits.GetAxisLength());
}

void RWyxWriterWyx5::WriteLookAt(RWyxNode& node) {
    RWyxFile& file = File();
    const RVector4 zero;
    RVector4 rotation;
    if (const RWyxNode* target = node.GetTarget()) {
        WriteField(file, "LookAtModel", target->GetName());
        if (RotationsDiffer(node.GetPostTargetRotation(rotation), zero)) WriteVector3(file, "PostTargetRotation", rotation);
        if (RotationsDiffer(node.GetUpTargetRotation(rotation), zero)) WriteVector3(file, "UpTargetRotation", rotation);
    }
    if (const RWyxNode* up = node.GetTargetUp()) WriteField(file, "UpVectorModel", up->GetName());
}

void RWyxWriterWyx5::WriteAnimatedPropertyTable(RWyxNode& node) {
    Names members;
    Names properties;
    CollectAnimatedNames(node, members, properties);
    RWyxFile& file = File();
    WriteStrings(file, "AnimatedProperty", members);
    WriteStrings(file, "Animated", properties);
    for (const RWyxUserProperty* property : ListedUserProperties(node)) {
        FieldBlock block(file, "UserProperty");
        WriteField(file, "Name", WithoutTypeSuffix(property->GetName()).c_str());
        const char* type = RWyxUserProperty::TypeToName(property->GetType());
        WriteField(file, "Type", type != nullptr ? type : RWyxUserProperty::TypeToName(0));
        WriteField(file, "Label", property->GetLabel(false));
        // Unbounded sides are left out; NaN, which the reader would take for one, is written.
        if (!(property->GetMin() == -HUGE_VAL)) WriteField(file, "Min", property->GetMin());
        if (!(property->GetMax() == HUGE_VAL)) WriteField(file, "Max", property->GetMax());
    }
}

// The channels of the default take, defaults only; translation, rotation and scaling nodes
// named "T", "R" and "S".
void RWyxWriterWyx5::WriteDefaultTakeChannels(RWyxNode& node) {
    const RWyxTakeNode* take = node.GetDefaultTakeNode();
    const RFCurveNode* channels = take != nullptr ? take->GetRootCurveNode() : nullptr;
    for (int i = 0; channels != nullptr && i < channels->GetChildCount(); ++i) {
        WriteChannel(*channels->GetChild(i), true);
    }
}

// ---- SceneGenericPersistence ----------------------------------------------------------------------

void RWyxWriterWyx5::WriteSceneGenericPersistence(RWyxScene& scene) {
    const bool characterPoses = Flag(RStreamOptionsWyx::kFlagCharacters) && scene.GetCharacterPoseCount() > 0;
    if (scene.GetPoseCount() == 0 && scene.GetSceneInfo() == nullptr && !characterPoses) return;
    FieldBlock block(File(), "SceneGenericPersistence");
    if (characterPoses) WriteCharacterPoses(scene);
    for (int i = 0; i < scene.GetPoseCount(); ++i) WritePoseBlock(*scene.GetPose(i));
    if (scene.GetSceneInfo() != nullptr) WriteSceneInfoBlock(*scene.GetSceneInfo());
}

void RWyxWriterWyx5::WritePoseBlock(const RWyxPose& pose) {
    RWyxFile& file = File();
    FieldBlock block(file, "Pose", pose.GetName());
    WriteField(file, "Type", pose.IsBindPose() ? "BindPose" : "RestPose");
    WritePoseNodes(pose);
}

// Each character pose's scene is written by a new version-5 writer into this file, inside
// its "PoseScene" block, with the character data alone (flags 3 and 7). Pose scenes nest at
// most kMaxPoseSceneNesting deep; a deeper one is left out with a warning.
void RWyxWriterWyx5::WriteCharacterPoses(RWyxScene& scene) {
    RWyxObjectFactory& factory = *GetFactory();
    for (int i = 0; i < scene.GetCharacterPoseCount(); ++i) {
        const RWyxCharacterPose& pose = *scene.GetCharacterPose(i);
        FieldBlock block(File(), "Pose", pose.GetName());
        WriteField(File(), "Type", "CharacterPose");
        FieldBlock poseScene(File(), "PoseScene");
        if (pose.GetPoseScene() == nullptr) continue;
        if (poseSceneDepth >= kMaxPoseSceneNesting) {
            Warn(RString("The scene of ") + pose.GetName() + " is nested more than " + kMaxPoseSceneNesting +
                 " deep: it is left out");
            continue;
        }
        RStreamOptionsPtr options(RStreamOptionsWyx::Create());
        auto& flags = static_cast<RStreamOptionsWyx&>(*options);
        for (int f = 0; f < RStreamOptionsWyx::kFlagCount; ++f) {
            flags.SetFlag(f, f == RStreamOptionsWyx::kFlagDeformers || f == RStreamOptionsWyx::kFlagCharacters);
        }
        RWyxFileExporter* exporter = factory.CreateFileExporter();
        if (exporter == nullptr) continue;
        ++poseSceneDepth;
        const bool written = exporter->WriteV5Scene(pose.GetPoseScene(), options.get(), &PropertyFile());
        --poseSceneDepth;
        const RString& messages = exporter->GetMessageText();
        if (!messages.IsEmptyText()) Warn(messages);
        if (!written) Warn(RString("The scene of ") + pose.GetName() + " could not be written: " + exporter->GetLastErrorString());
        factory.DestroyFileExporter(exporter);
    }
}
