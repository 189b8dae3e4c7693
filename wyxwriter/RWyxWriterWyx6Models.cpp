// The Model records of the version-6 document and the fields of the simple node attributes.
//
//   Model: full name, type name {
//     Version: 231
//     Properties60 { ... }        the node's properties, pivots and limits brought up to date
//                                 (AxisLen: the axis length of rotation limits out of Auto)
//     MultiLayer: 0/1
//     MultiTake: int
//     Hidden: "True"              only when the node is not visible
//     Shading: 'W' 'F' 'Y' 'T' 'U' for shading modes 1 to 5 only
//     Culling: "CullingOnCCW" (1), "CullingOnCW" (2), else "CullingOff"
//     the attribute's fields
//   }
//
// Attribute fields by kind (flag 0 off writes meshes, NURBS, patches and unknown kinds as a
// node without attribute):
//   none, null          Type: "Null" or the null's type name; TypeFlags: its type names
//   marker              Type, TypeFlags (the attribute's names)
//   skeleton            Type, TypeFlags, for skeleton types 0 to 3
//   mesh, NURBS, patch  their geometry (RWyxWriterWyx6Geometry.cpp)
//   camera              Type, TypeFlags, GeometryVersion: 124, Position, Up, LookAt,
//                       ShowInfoOnMoving, ShowAudio, AudioColor
//   light               Type: "Light", TypeFlags: "Light", GeometryVersion: 124
//   camera switcher, optical, other kinds: nothing
// Every other value of a camera or light travels in the node's properties.

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxSkeleton.h"
#include "core/RWyxStringList.h"
#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeAttribute.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxNodeProperties.h"
#include "wyxwriter/RWyxWriterWyx6.h"
#include "wyxwriter/WyxFields.h"

using namespace wyx_fields;

namespace {

constexpr int kModelVersion = 231;
constexpr int kGeometryVersion = 124;

void WriteTypeFlags(RWyxFile& file, const RWyxStringList& names) {
    file.FieldWriteBegin("TypeFlags");
    for (int i = 0; i < names.GetCount(); ++i) file.FieldWriteString(names.GetItem(i)->text);
    file.FieldWriteEnd();
}

}  // namespace

void RWyxWriterWyx6::WriteModelRecord(RWyxNode& node) {
    FieldBlock block(File(), "Model", node.GetName(), node.GetTypeName());
    WriteField(File(), "Version", kModelVersion);
    node.WritePivotsAndLimitsToProperties();
    // "AxisLen" carries the rotation limits' axis length where version 5 writes it: out of Auto.
    const RWyxNodeLimits& limits = *node.GetLimits();
    if (!limits.GetAuto(RWyxNodeLimits::kRotation)) node.GetProperties()->SetAxisLen(limits.GetAxisLength());
    WritePropertyBlock(node);
    WriteField(File(), "MultiLayer", node.GetMultiLayer());
    WriteField(File(), "MultiTake", node.GetMultiTake());
    if (!node.GetVisibility()) WriteField(File(), "Hidden", "True");
    const char shading = ShadingLetter(node.GetShadingMode());
    if (shading != '\0') WriteField(File(), "Shading", shading);
    WriteField(File(), "Culling", CullingName(node.GetCullingMode()));
    WriteNodeAttribute(node);
}

void RWyxWriterWyx6::WriteNodeAttribute(RWyxNode& node) {
    RWyxNodeAttribute* attribute = node.GetNodeAttribute();
    const bool geometry = Flag(RStreamOptionsWyx::kFlagGeometry);
    const int type = attribute != nullptr ? attribute->GetAttributeType() : RWyxNodeAttribute::kNull;
    switch (attribute != nullptr ? type : -1) {
    case -1:
        WriteNullFields(nullptr);
        return;
    case RWyxNodeAttribute::kNull:
        WriteNullFields(attribute);
        return;
    case RWyxNodeAttribute::kMarker:
        WriteTypeHeader(*attribute);
        return;
    case RWyxNodeAttribute::kSkeleton: {
        const int skeletonType = static_cast<const RWyxSkeleton*>(attribute)->GetSkeletonType();
        if (skeletonType >= RWyxSkeleton::kRoot && skeletonType <= RWyxSkeleton::kEffectorRoot &&
            attribute->GetNode() != nullptr) {
            WriteTypeHeader(*attribute);
        }
        return;
    }
    case RWyxNodeAttribute::kMesh:
    case RWyxNodeAttribute::kNurb:
    case RWyxNodeAttribute::kPatch:
        if (!geometry) {
            WriteNullFields(nullptr);
        } else if (type == RWyxNodeAttribute::kMesh) {
            WriteMeshAttribute(node, *static_cast<RWyxMesh*>(attribute));
        } else if (type == RWyxNodeAttribute::kNurb) {
            WriteNurbAttribute(node, *static_cast<RWyxNurb*>(attribute));
        } else {
            WritePatchAttribute(node, *static_cast<RWyxPatch*>(attribute));
        }
        return;
    case RWyxNodeAttribute::kCamera:
        WriteCameraFields(*attribute);
        return;
    case RWyxNodeAttribute::kLight:
        WriteLightFields();
        return;
    case RWyxNodeAttribute::kCameraSwitcher:
    case RWyxNodeAttribute::kOptical:
        return;
    default:
        if (!geometry) WriteNullFields(nullptr);
        return;
    }
}

void RWyxWriterWyx6::WriteNullFields(const RWyxNodeAttribute* attribute) {
    if (attribute == nullptr) {
        WriteField(File(), "Type", "Null");
        WriteField(File(), "TypeFlags", "Null");
        return;
    }
    WriteTypeHeader(*attribute);
}

void RWyxWriterWyx6::WriteTypeHeader(const RWyxNodeAttribute& attribute) {
    WriteField(File(), "Type", attribute.GetTypeName());
    WriteTypeFlags(File(), *attribute.GetTypeNameList());
}

void RWyxWriterWyx6::WriteCameraFields(const RWyxNodeAttribute& attribute) {
    if (attribute.GetNode() == nullptr) return;
    const RWyxCamera& camera = static_cast<const RWyxCamera&>(attribute);
    WriteTypeHeader(camera);
    WriteField(File(), "GeometryVersion", kGeometryVersion);
    WriteVector3(File(), "Position", camera.GetPosition());
    WriteVector3(File(), "Up", camera.GetUpVector());
    WriteVector3(File(), "LookAt", camera.GetInterestPosition());
    WriteField(File(), "ShowInfoOnMoving", camera.GetShowInfoOnMoving());
    WriteField(File(), "ShowAudio", camera.GetShowAudio());
    WriteVector3(File(), "AudioColor", camera.GetAudioColor());
}

void RWyxWriterWyx6::WriteLightFields() {
    WriteField(File(), "Type", "Light");
    WriteField(File(), "TypeFlags", "Light");
    WriteField(File(), "GeometryVersion", kGeometryVersion);
}
