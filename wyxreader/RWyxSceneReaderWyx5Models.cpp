// The Model records of a version-5 file: the node, the attribute its fields name, the head
// fields, the limits, the user properties, the attribute's fields and the defaults of the
// node's channels.
//
//   Model: full name { Version; MultiLayer; MultiTake; Hidden; Shading; Culling; Limits {...};
//     LookAtModel; PostTargetRotation; UpTargetRotation; UpVectorModel; AnimatedProperty;
//     Animated; UserProperty {...} ...; the attribute's fields; Channel ...; Children }
//
// Limits out of Auto are active; the rotation space they hold turns the node.
//
// The attribute: "Type" names it ("Null", "Marker", "OpticalMarker", "IKEffector", "FKEffector",
// "Optical", "Root", "Limb", "LimbNode", "Camera", "Light", "Nurb", "Patch"), "TypeFlags"
// confirm a marker or skeleton; a record without "Type" is a mesh when it has mesh fields and
// has no attribute otherwise. A null of size 100 is read as a node without attribute (the
// writer writes both alike), unless the record holds user properties: those belong to a node
// with an attribute, so it reads as a null. A model's camera switcher is read without
// attribute: only the scene's own camera switcher has one.

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxCameraProperties.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMarker.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNull.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxOptical.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxSkeleton.h"
#include "attributes/RWyxTexture.h"
#include "core/RWyxColor.h"
#include "core/RWyxUserProperty.h"
#include "curves/RFCurveNode.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeAttribute.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNode.h"
#include "wyxreader/RWyxSceneReaderWyx5.h"
#include "wyxreader/WyxFieldReading.h"

#include <algorithm>
#include <cmath>

using wyx_read::BlockScope;
using Attribute = RWyxNodeAttribute;
using Limits = RWyxNodeLimits;
using Props = RWyxCameraProperties;

namespace {

constexpr double kNoNullSize = 100.0;
constexpr int kSphericXYZ = 6;

struct KindName {
    const char* name;
    int kind;
    int subtype;
    const char* flag;  // the TypeFlags entry that confirms the kind; null when none is asked
};

const KindName kKindNames[] = {
    {"Null", Attribute::kNull, 0, nullptr},
    {"Marker", Attribute::kMarker, RWyxMarker::kMarker, "Marker"},
    {"OpticalMarker", Attribute::kMarker, RWyxMarker::kOpticalMarker, "Marker"},
    {"IKEffector", Attribute::kMarker, RWyxMarker::kIKEffector, "Marker"},
    {"FKEffector", Attribute::kMarker, RWyxMarker::kFKEffector, "Marker"},
    {"Optical", Attribute::kOptical, 0, nullptr},
    {"Root", Attribute::kSkeleton, RWyxSkeleton::kRoot, "Skeleton"},
    {"Limb", Attribute::kSkeleton, RWyxSkeleton::kLimb, "Skeleton"},
    {"LimbNode", Attribute::kSkeleton, RWyxSkeleton::kLimbNode, "Skeleton"},
    {"Camera", Attribute::kCamera, 0, nullptr},
    {"Light", Attribute::kLight, 0, nullptr},
    {"Nurb", Attribute::kNurb, 0, nullptr},
    {"Patch", Attribute::kPatch, 0, nullptr},
};

// The index of the name in an enumeration's names; fallback when none has it.
int NameIndex(const char* (*nameOf)(int), const RString& text, int count, int fallback) {
    for (int i = 0; i < count; ++i) {
        const char* name = nameOf(i);
        if (name != nullptr && text == name) return i;
    }
    return fallback;
}

RWyxColor ColorOf(const std::vector<double>& values, const RWyxColor& fallback) {
    return values.size() >= 3 ? RWyxColor(values[0], values[1], values[2], 1.0) : fallback;
}

std::string Key(const RString& name) { return std::string(name.Buffer(), static_cast<std::size_t>(name.GetLength())); }

}  // namespace

void RWyxSceneReaderWyx5::ReadModel() {
    const RString name = file_.FieldReadString();
    const RString label = RString("Model \"") + name + "\"";
    if (name.IsEmptyText() || FindModel(name) != nullptr) {
        Warn(label + ": a model without a name or a second model of this name was skipped");
        return;
    }
    RWyxNode* node = factory_->CreateNode(name.Buffer());
    if (node == nullptr) return;
    models_.emplace(Key(name.FindText("::") >= 0 ? name : RString("Model::") + name), node);
    PendingNames pending{node, {}, RString(), RString()};
    if (const BlockScope first = BlockScope::Enter(file_)) MakeAttribute(*node, label);
    if (const BlockScope block = BlockScope::Enter(file_)) {
        ReadHead(*node);
        pending.lookAt = file_.FieldReadStringByName("LookAtModel", "");
        pending.upVector = file_.FieldReadStringByName("UpVectorModel", "");
        RVector4 rotation;
        if (wyx_read::ReadVector3ByName(file_, "PostTargetRotation", rotation)) {
            node->SetPostTargetRotation(rotation.x, rotation.y, rotation.z, 0.0);
        }
        if (wyx_read::ReadVector3ByName(file_, "UpTargetRotation", rotation)) {
            node->SetUpTargetRotation(rotation.x, rotation.y, rotation.z, 0.0);
        }
        ReadUserProperties(*node, label);
        ReadAttributeFields(*node, label);
        ReadDefaultChannels(*node, label);
        wyx_read::ReadStringsByName(file_, "Children", pending.children);
    }
    pendingNames_.push_back(std::move(pending));
}

// A first visit of the record's block, which BlockScope::Enter in ReadModel leaves again.
void RWyxSceneReaderWyx5::MakeAttribute(RWyxNode& node, const RString& label) {
    RString type;
    bool typed = false;
    if (file_.FieldReadBegin("Type")) {
        typed = file_.FieldReadValueType() == 'S';
        if (typed) type = file_.FieldReadString();
        file_.FieldReadEnd();
    }
    std::vector<RString> flags;
    wyx_read::ReadStringsByName(file_, "TypeFlags", flags);
    if (!typed) {
        if (wyx_read::CountFields(file_, "AnimationMode") > 0) {
            Warn(label + ": only the scene's own camera switcher has that attribute; read without one");
        } else if (wyx_read::CountFields(file_, "GeometryVersion") > 0 || wyx_read::CountFields(file_, "UCount") > 0) {
            node.SetNodeAttribute(factory_->CreateMesh());
        }
        return;
    }
    const auto found = std::find_if(std::begin(kKindNames), std::end(kKindNames),
                                    [&type](const KindName& entry) { return type == entry.name; });
    if (found == std::end(kKindNames)) {
        Warn(label + ": the attribute kind \"" + type + "\" is unknown; read without one");
        return;
    }
    if (found->flag != nullptr &&
        std::none_of(flags.begin(), flags.end(), [&found](const RString& flag) { return flag == found->flag; })) {
        Warn(label + ": \"" + type + "\" without its type flag \"" + found->flag + "\"; read without attribute");
        return;
    }
    RWyxNodeAttribute* attribute = nullptr;
    switch (found->kind) {
    case Attribute::kNull: {
        double size = kNoNullSize;
        if (const BlockScope properties = BlockScope::Open(file_, "Properties")) {
            size = wyx_read::ReadDoubleByName(file_, "Size", kNoNullSize);
        }
        // User properties are kept on nodes that have an attribute: a null of the neutral size
        // that holds some is a null, not a bare node.
        if (size != kNoNullSize || wyx_read::CountFields(file_, "UserProperty") > 0) attribute = factory_->CreateNull();
        break;
    }
    case Attribute::kMarker:
        if (RWyxMarker* marker = factory_->CreateMarker()) {
            marker->SetType(found->subtype);
            attribute = marker;
        }
        break;
    case Attribute::kSkeleton:
        if (RWyxSkeleton* skeleton = factory_->CreateSkeleton()) {
            skeleton->SetSkeletonType(found->subtype);
            attribute = skeleton;
        }
        break;
    case Attribute::kOptical:
        attribute = factory_->CreateOptical();
        break;
    case Attribute::kCamera:
        attribute = factory_->CreateCamera();
        break;
    case Attribute::kLight:
        attribute = factory_->CreateLight();
        break;
    case Attribute::kNurb:
        attribute = factory_->CreateNurb();
        break;
    default:
        attribute = factory_->CreatePatch();
        break;
    }
    if (attribute != nullptr) node.SetNodeAttribute(attribute);
}

// After the attribute, whose kind sets the node's MultiLayer and MultiTake.
void RWyxSceneReaderWyx5::ReadHead(RWyxNode& node) {
    ReadNodeFields(node);
    ReadLimits(node);
}

void RWyxSceneReaderWyx5::ReadLimits(RWyxNode& node) {
    const BlockScope block = BlockScope::Open(file_, "Limits");
    if (!block) return;
    static const char kLetters[] = {'T', 'R', 'S'};
    Limits& limits = *node.GetLimits();
    // A vector of a component, one field per axis; the neutral value where there is none.
    const auto vector = [this](int c, const char* suffix) {
        const double neutral = c == Limits::kScaling ? 1.0 : 0.0;
        RVector4 value(neutral, neutral, neutral, 0.0);
        for (int axis = 0; axis < 3; ++axis) {
            const std::string name = std::string(1, kLetters[c]) + "XYZ"[axis] + suffix;
            *value.Component(axis) = wyx_read::ReadDoubleByName(file_, name.c_str(), neutral);
        }
        return value;
    };
    for (int c = 0; c < Limits::kComponentCount; ++c) {
        const std::string prefix(1, kLetters[c]);
        const bool isAuto = file_.FieldReadIntByName((prefix + "Auto").c_str(), 1) != 0;
        // Active, without the limits-only rotation space that SetAuto gives: the rotation's
        // default and axis are the node's pre- and post-rotation, which the format keeps only
        // here, and no field of it says that they serve the limits alone.
        limits.SetActive(c, !isAuto);
        if (isAuto) continue;
        limits.SetEnable(c, file_.FieldReadIntByName((prefix + "Enable").c_str(), 0) != 0);
        limits.SetDefault(c, vector(c, "Default"));
        limits.SetMin(c, vector(c, "Min"));
        limits.SetMax(c, vector(c, "Max"));
        if (c != Limits::kRotation) continue;
        if (file_.FieldReadIntByName("RType", 1) == 0) node.SetRotationOrder(0, kSphericXYZ);
        limits.SetRotationAxis(vector(c, "Axis"));
        limits.SetAxisLength(wyx_read::ReadDoubleByName(file_, "AxisLen", 1.0));
    }
}

void RWyxSceneReaderWyx5::ReadUserProperties(RWyxNode& node, const RString& label) {
    while (file_.FieldReadBegin("UserProperty")) {
        if (const BlockScope block = BlockScope::Enter(file_)) {
            const RString name = file_.FieldReadStringByName("Name", "");
            const RString type = file_.FieldReadStringByName("Type", "");
            const RString text = file_.FieldReadStringByName("Label", "");
            if (name.IsEmptyText() || node.FindUserPropertyByName(name.Buffer()) != nullptr ||
                RWyxUserProperty::NameToType(type.Buffer()) == kUserPropertyUnidentified) {
                Warn(label + ": the user property \"" + name + "\" of type \"" + type +
                     "\" has no name, no known type or the name of another; dropped");
            } else if (RWyxUserProperty* property = factory_->CreateUserProperty(name.Buffer(), type.Buffer(), text.Buffer())) {
                property->SetFlag(RWyxUserProperty::kFlagAnimatable | RWyxUserProperty::kFlagUserProperty, true);
                property->SetMin(wyx_read::ReadDoubleByName(file_, "Min", -HUGE_VAL));
                property->SetMax(wyx_read::ReadDoubleByName(file_, "Max", HUGE_VAL));
                node.AddUserProperty(factory_->HandOverUserProperty(property));
            }
        }
        file_.FieldReadEnd();
    }
}

void RWyxSceneReaderWyx5::ReadAttributeFields(RWyxNode& node, const RString& label) {
    std::vector<double> values;
    if (RWyxNull* null = node.GetNull()) {
        if (const BlockScope properties = BlockScope::Open(file_, "Properties")) {
            null->SetSize(wyx_read::ReadDoubleByName(file_, "Size", null->GetSize()));
        }
    } else if (RWyxMarker* marker = node.GetMarker()) {
        if (const BlockScope properties = BlockScope::Open(file_, "Properties")) {
            marker->SetLook(file_.FieldReadIntByName("Look", marker->GetLook()));
            marker->SetSize(wyx_read::ReadDoubleByName(file_, "Size", marker->GetSize()));
            wyx_read::ReadDoublesByName(file_, "Color", values);
            marker->SetColor(ColorOf(values, marker->GetColor()));
            marker->SetShowLabel(file_.FieldReadIntByName("ShowLabel", marker->GetShowLabel() ? 1 : 0) != 0);
        }
        marker->SetIKReachTranslation(wyx_read::ReadDoubleByName(file_, "IKReachTranslation", marker->GetIKReachTranslation()));
        marker->SetIKReachRotation(wyx_read::ReadDoubleByName(file_, "IKReachRotation", marker->GetIKReachRotation()));
    } else if (RWyxSkeleton* skeleton = node.GetSkeleton()) {
        skeleton->SetLimbLength(wyx_read::ReadDoubleByName(file_, "LimbLength", skeleton->GetLimbLength()));
        if (const BlockScope properties = BlockScope::Open(file_, "Properties")) {
            skeleton->SetSize(wyx_read::ReadDoubleByName(file_, "Size", skeleton->GetSize()));
            wyx_read::ReadDoublesByName(file_, "Color", values);
            skeleton->SetColor(ColorOf(values, skeleton->GetColor()));
        }
    } else if (RWyxCamera* camera = node.GetCamera()) {
        ReadCameraFields(*camera, false);
    } else if (RWyxLight* light = node.GetLight()) {
        light->SetLightType(file_.FieldReadIntByName("LightType", light->GetLightType()));
        light->SetCastLight(file_.FieldReadIntByName("CastLight", light->GetCastLight() ? 1 : 0) != 0);
        RVector4 color;
        if (wyx_read::ReadVector3ByName(file_, "Color", color)) light->SetDefaultColor(color.x, color.y, color.z);
        light->SetDefaultIntensity(wyx_read::ReadDoubleByName(file_, "Intensity", light->GetDefaultIntensity()));
        light->SetDefaultConeAngle(wyx_read::ReadDoubleByName(file_, "ConeAngle", light->GetDefaultConeAngle()));
        light->SetDefaultFog(wyx_read::ReadDoubleByName(file_, "Fog", light->GetDefaultFog()));
    } else if (RWyxMesh* mesh = node.GetMesh()) {
        ReadMesh(node, *mesh, label);
    } else if (RWyxNurb* nurb = node.GetNurb()) {
        ReadNurb(node, *nurb, label);
    } else if (RWyxPatch* patch = node.GetPatch()) {
        ReadPatch(node, *patch, label);
    }
}

// The camera record. Its second "Type" is the projection; its "Position" is the node's
// translation, which the node's channels carry, so only a producer camera (with no node)
// takes it. The field of view follows the lens.
void RWyxSceneReaderWyx5::ReadCameraFields(RWyxCamera& camera, bool producer) {
    RWyxPropertyTable& table = camera.GetProperties()->GetTable();
    const auto number = [&](const char* name, int row) { table.SetNumber(row, wyx_read::ReadDoubleByName(file_, name, table.GetNumber(row))); };
    const auto integer = [&](const char* name, int row) { table.SetInt(row, file_.FieldReadIntByName(name, table.GetInt(row))); };
    const auto flag = [&](const char* name, int row) { table.SetBool(row, file_.FieldReadIntByName(name, table.GetBool(row) ? 1 : 0) != 0); };
    RVector4 vector;
    if (producer && wyx_read::ReadVector3ByName(file_, "Position", vector)) camera.SetPosition(vector);
    if (wyx_read::ReadVector3ByName(file_, "Up", vector)) camera.SetUpVector(vector);
    if (wyx_read::ReadVector3ByName(file_, "LookAt", vector)) camera.SetInterestPosition(vector);
    camera.SetDefaultRoll(wyx_read::ReadDoubleByName(file_, "Roll", camera.GetDefaultRoll()));
    camera.SetDefaultTurnTable(wyx_read::ReadDoubleByName(file_, "TurnTable", camera.GetDefaultTurnTable()));
    while (file_.FieldReadBegin("Type")) {
        if (file_.FieldReadValueType() != 'S') camera.SetProjectionType(file_.FieldReadInt());
        file_.FieldReadEnd();
    }
    table.SetInt(Props::kCameraFormat, NameIndex(&Props::CameraFormatName, file_.FieldReadStringByName("FormatName", "Custom"), 11, 0));
    integer("AspectType", Props::kResolutionMode);
    number("AspectW", Props::kAspectWidth);
    number("AspectH", Props::kAspectHeight);
    number("PixelRatio", Props::kPixelAspectRatio);
    const double farPlane = wyx_read::ReadDoubleByName(file_, "FarPlane", camera.GetFarPlane());
    camera.SetFarPlane(farPlane);
    camera.SetNearPlane(wyx_read::ReadDoubleByName(file_, "NearPlane", camera.GetNearPlane()));
    camera.SetFarPlane(farPlane);
    flag("CameraLock", Props::kLockMode);
    table.SetInt(Props::kApertureFormat,
                 NameIndex(&Props::ApertureFormatName, file_.FieldReadStringByName("ApertureFormat", "Custom"), 12, 0));
    camera.SetApertureMode(file_.FieldReadIntByName("ApertureMode", camera.GetApertureMode()));
    std::vector<double> values;
    if (wyx_read::ReadDoublesByName(file_, "CameraAperture", values) && values.size() >= 2) {
        camera.SetApertureWidth(values[0]);
        camera.SetApertureHeight(values[1]);
    }
    camera.SetSqueezeRatio(wyx_read::ReadDoubleByName(file_, "SqueezeRatio", camera.GetSqueezeRatio()));
    camera.SetFocalLength(wyx_read::ReadDoubleByName(file_, "FocalLength", camera.GetFocalLength()));
    camera.SetDefaultFieldOfViewX(wyx_read::ReadDoubleByName(file_, "FieldOfViewXProperty", camera.GetDefaultFieldOfViewX()));
    camera.SetDefaultFieldOfViewY(wyx_read::ReadDoubleByName(file_, "FieldOfViewYProperty", camera.GetDefaultFieldOfViewY()));
    camera.SetDefaultOpticalCenterX(wyx_read::ReadDoubleByName(file_, "OpticalCenterXProperty", camera.GetDefaultOpticalCenterX()));
    camera.SetDefaultOpticalCenterY(wyx_read::ReadDoubleByName(file_, "OpticalCenterYProperty", camera.GetDefaultOpticalCenterY()));
    const RString media = file_.FieldReadStringByName("Media", "");
    camera.SetBackgroundMediaName(media);
    const auto medium = media_.find(Key(media));
    if (medium != media_.end()) camera.SetBackgroundFileName(medium->second.path);
    if (!media.IsEmptyText() && medium == media_.end()) {
        Warn(RString("Camera of \"") + (camera.GetNode() != nullptr ? camera.GetNode()->GetName() : RString("Settings")) +
             "\": the medium \"" + media + "\" is none of the file's");
    }
    integer("ViewFrustumPlane", Props::kViewFrustumBackPlaneMode);
    integer("BackgroundMode", Props::kBackgroundMode);
    flag("ForegroundTransparent", Props::kForegroundTransparent);
    number("BackgroundTreshold", Props::kBackgroundAlphaTreshold);
    const int display = file_.FieldReadIntByName("DisplayMode", -1);
    if (display >= 0) {
        table.SetBool(Props::kFitImage, (display & 1) != 0);
        table.SetBool(Props::kCenter, (display & 2) != 0);
        table.SetBool(Props::kKeepRatio, (display & 4) != 0);
        table.SetBool(Props::kCrop, (display & 8) != 0);
    }
    number("ViewFrustumPlaneDistance", Props::kBackPlaneDistance);
    integer("ViewFrustumPlaneDistanceMode", Props::kBackPlaneDistanceMode);
    flag("ViewLookAt", Props::kViewCameraToLookAt);
    flag("ViewFrustum", Props::kViewFrustumNearFarPlane);
    flag("ShowGrid", Props::kShowGrid);
    flag("ShowAzimut", Props::kShowAzimut);
    flag("ShowName", Props::kShowName);
    camera.SetShowInfoOnMoving(file_.FieldReadIntByName("ShowInfoOnMoving", camera.GetShowInfoOnMoving() ? 1 : 0) != 0);
    flag("ShowTimeCode", Props::kShowTimeCode);
    flag("DisplaySafeArea", Props::kDisplaySafeArea);
    integer("SafeAreaStyle", Props::kSafeAreaDisplayStyle);
    flag("DisplaySafeAreaOnRender", Props::kDisplaySafeAreaOnRender);
    camera.SetShowAudio(file_.FieldReadIntByName("ShowAudio", camera.GetShowAudio() ? 1 : 0) != 0);
    if (wyx_read::ReadVector3ByName(file_, "BackGroundColor", vector)) camera.SetDefaultBackgroundColor(vector.x, vector.y, vector.z);
    if (wyx_read::ReadVector3ByName(file_, "AudioColor", vector)) camera.SetAudioColor(vector);
    flag("UseFrameColor", Props::kUseFrameColor);
    if (wyx_read::ReadVector3ByName(file_, "FrameColor", vector)) table.SetVector(Props::kFrameColor, vector);
    const BlockScope lens = BlockScope::Open(file_, "CameraAndLens");
    if (!lens) return;
    // Each field's values in their rows, as many as the field holds.
    const auto rows = [&](const char* name, std::initializer_list<int> targets) {
        if (!wyx_read::ReadDoublesByName(file_, name, values)) return;
        std::size_t i = 0;
        for (const int row : targets) {
            if (i < values.size()) table.SetNumber(row, values[i]);
            ++i;
        }
    };
    rows("DepthOfField", {Props::kUseDepthOfField, Props::kFocusSource, Props::kFocusAngle, Props::kFocusDistance});
    rows("Antialiasing", {Props::kUseAntialiasing, Props::kAntialiasingMethod, Props::kAntialiasingIntensity});
    rows("OverSampling", {Props::kFrameSamplingCount, Props::kFrameSamplingType, Props::kUseAccumulationBuffer});
    const int overSampling = file_.FieldReadIntByName("UseOverSamplingTime", -1);
    if (overSampling >= 0) table.SetBool(Props::kUseRealTimeDOFAndAA, overSampling == 0);
}

// The channels of the record into the default take node's channels of the same names; a
// geometry's shape channels are found under their "Shape %02d" names. A marker's constant
// "Color" channel is its colour, read with its properties. The camera's lens is set again
// afterwards: its field of view follows the lens, not the float of its channel.
void RWyxSceneReaderWyx5::ReadDefaultChannels(RWyxNode& node, const RString& label) {
    RWyxTakeNode* take = node.GetDefaultTakeNode();
    RFCurveNode* root = take != nullptr ? take->GetRootCurveNode() : nullptr;
    if (root == nullptr) return;
    RWyxCamera* camera = node.GetCamera();
    const double focalLength = camera != nullptr ? camera->GetFocalLength() : 0.0;
    int channels = wyx_read::CountFields(file_, "Channel");
    if (node.GetMarker() != nullptr && file_.FieldReadBegin("Channel")) {
        if (file_.FieldReadString() == "Color") --channels;
        file_.FieldReadEnd();
    }
    RWyxGeometry* geometry = node.GetGeometry();
    if (geometry != nullptr) geometry->PrepareShapeChannels(*take);
    const int read = ReadChannels(*root, true, label);
    if (geometry != nullptr) {
        geometry->RestoreShapeChannels(*take);
        geometry->ClearShapeChannelRecords();
    }
    if (read < channels) Warn(label + ": " + RString(channels - read) + " channels it does not have were dropped");
    if (camera != nullptr) camera->SetFocalLength(focalLength);
}
