// What the version-6 and version-5 layouts write alike: the names of modes, take file names
// and spans, the template mark, the password, the scene information, the Summary and the
// matrices of a cluster.
//
//   Summary { Version: 101; Template; PasswordProtection; ContentCount { Version: "100";
//     Model; Device: 0; Character; Actor: 0; Constraint; Media }; SceneInfo;
//     Takes { Version: 101; Current; Take: name { Comments; LocalTime; ReferenceTime;
//     Thumbnail } } }                           (extension section; binary forms only)
//   SceneInfo: "SceneInfo::GlobalInfo" { Type: "UserData"; Version: 100; Thumbnail;
//     MetaData { Version: 100; Title; Subject; Author; Keywords; Revision; Comment } }

#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxTypedLayerElement.h"
#include "core/EulerAngles.h"
#include "formats/geometry/RWyxGeometryConverter.h"
#include "scene/RWyxObjectFactory.h"
#include "attributes/RWyxSkinLink.h"
#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxSceneInfo.h"
#include "scene/RWyxTakeInfo.h"
#include "scene/RWyxTakeNode.h"
#include "scene/RWyxTakeNodeContainer.h"
#include "scene/TransformMatrices.h"
#include "wyxreader/WyxLayerNormals.h"
#include "wyxreader/WyxReaderServices.h"
#include "wyxwriter/RWyxWriterWyx.h"
#include "wyxwriter/WyxFields.h"
#include "wyxwriter/WyxNodeWalk.h"

#include <cmath>
#include <limits>
#include <string>
#include <unordered_set>
#include <vector>

using namespace wyx_fields;

namespace {

constexpr int kSummaryVersion = 101;
constexpr int kRecordVersion = 100;
constexpr int kSurfaceVersion = 100;
const char* const kTemplateMarker = "~wyxexport~";

// Widens the span by the keys of the take on the node and every node below it.
void WidenBySubtree(RWyxNode& top, const RString& take, RTime& start, RTime& stop) {
    auto widen = [&](RWyxNode& node) {
        const int index = RWyxWriterWyx::FindTakeNode(node, take);
        if (index >= 0) node.GetTakeNode(index)->GetAnimationInterval(start, stop);
    };
    widen(top);
    ForEachNodeBelow(top, widen);
}

bool IsAllZero(RTime start, RTime stop) { return start.GetTicks() == 0 && stop.GetTicks() == 0; }

RMatrix Rebuilt(const RWyxSkinLink::TRS& trs) {
    RMatrix matrix;
    ComposeMatrixTRS(matrix, trs.translation, trs.rotation, trs.scaling);
    return matrix;
}

// The link matrix as it is inverted: an axis row too short to invert is made zero, so that
// it inverts to zero. False when there was one.
bool InvertibleRows(RMatrix& matrix) {
    bool invertible = true;
    for (int row = 0; row < 3; ++row) {
        const double squared = matrix[row][0] * matrix[row][0] + matrix[row][1] * matrix[row][1] +
                               matrix[row][2] * matrix[row][2];
        if (!(squared >= std::numeric_limits<double>::min()) || !std::isfinite(1.0 / squared)) {
            matrix[row][0] = matrix[row][1] = matrix[row][2] = 0.0;
            invertible = false;
        }
    }
    return invertible;
}

// b L^-1.
RMatrix TimesInverse(const RMatrix& b, const RMatrix& link) {
    RMatrix out;
    MatrixMultiplyInverseOrthogonal(out, link, b);
    return out;
}

}  // namespace

const char* RWyxWriterWyx::CullingName(int mode) {
    switch (mode) {
    case 1:
        return "CullingOnCCW";
    case 2:
        return "CullingOnCW";
    default:
        return "CullingOff";
    }
}

char RWyxWriterWyx::ShadingLetter(int mode) {
    static constexpr char kLetters[] = {'W', 'F', 'Y', 'T', 'U'};
    return mode >= 1 && mode <= 5 ? kLetters[mode - 1] : '\0';
}

const char* RWyxWriterWyx::AlphaSourceName(int source) {
    switch (source) {
    case 1:
        return "RGB_Intensity";
    case 2:
        return "Alpha_Black";
    default:
        return "None";
    }
}

const char* RWyxWriterWyx::FormName(int type) {
    switch (type) {
    case 0:
        return "Periodic";
    case 1:
        return "Closed";
    default:
        return "Open";
    }
}

const char* RWyxWriterWyx::PatchTypeName(int type) {
    static const char* const kNames[] = {"Bezier", "BezierQuadric", "Cardinal", "BSpline", "Linear"};
    return type >= 0 && type < 5 ? kNames[type] : nullptr;
}

RString RWyxWriterWyx::TakeFileName(const RString& take) {
    RString name = take + ".tak";
    while (name.ReplaceFirst(" ", "_")) {
    }
    while (name.ReplaceFirst("\t", "_")) {
    }
    return name;
}

int RWyxWriterWyx::FindTakeNode(RWyxTakeNodeContainer& object, const RString& take) {
    for (int i = 0; i < object.GetTakeNodeCount(); ++i) {
        if (take == object.GetTakeNode(i)->GetName()) return i;
    }
    return -1;
}

int RWyxWriterWyx::DetectTemplate(RWyxScene& scene) {
    RWyxEntityContainer& entity = *scene.GetEntity();
    for (int i = 0; i < entity.GetNodeCount(); ++i) {
        const RString& name = entity.GetNode(i)->GetName();
        const int colon = name.FindLastChar(':');
        const RString tail = colon >= 0 ? name.SubstringFrom(colon + 1) : name;
        if (tail.CompareText(kTemplateMarker) == 0) return 1;
    }
    return 0;
}

bool RWyxWriterWyx::ProtectWithPassword() {
    if (!Options().HasPassword()) return true;
    if (!File().IsBinary()) {
        Refuse("A password cannot protect an ASCII file");
        return false;
    }
    if (!File().SetPassword(Options().GetPassword().Buffer())) {
        Refuse("The file could not be protected by the password");
        return false;
    }
    return true;
}

void RWyxWriterWyx::CompleteTakeSpans(RWyxScene& scene, RWyxTakeInfo& info) {
    const bool local = IsAllZero(info.localStart, info.localStop);
    const bool reference = IsAllZero(info.referenceStart, info.referenceStop);
    if (!local && !reference) return;
    RTime start(RTime::kInfinitelyLate);
    RTime stop(RTime::kSmallest + 1);
    if (RWyxNode* switcher = scene.GetCameraSwitcherNode()) WidenBySubtree(*switcher, info.name, start, stop);
    WidenBySubtree(*scene.GetRootNode(), info.name, start, stop);
    if (start.GetTicks() > stop.GetTicks()) {
        start = RTime(0);
        stop.SetFromTimecode(0, 0, 1, 0, 0, 0);
    }
    if (local) {
        info.localStart = start;
        info.localStop = stop;
    }
    if (reference) {
        info.referenceStart = start;
        info.referenceStop = stop;
    }
}

void RWyxWriterWyx::WriteTakeInfoFields(const RWyxTakeInfo& info) {
    WriteTimeSpan(File(), "LocalTime", info.localStart, info.localStop);
    WriteTimeSpan(File(), "ReferenceTime", info.referenceStart, info.referenceStop);
    if (!info.description.IsEmptyText()) WriteField(File(), "Comments", info.description);
    WriteThumbnailBlock(File(), info.GetThumbnail());
}

void RWyxWriterWyx::WriteSceneInfoBlock(const RWyxSceneInfo& info) {
    RWyxFile& file = File();
    FieldBlock block(file, "SceneInfo", "SceneInfo::GlobalInfo");
    WriteField(file, "Type", "UserData");
    WriteField(file, "Version", kRecordVersion);
    WriteThumbnailBlock(file, info.GetThumbnail());
    FieldBlock metaData(file, "MetaData");
    WriteField(file, "Version", kRecordVersion);
    WriteField(file, "Title", info.title);
    WriteField(file, "Subject", info.subject);
    WriteField(file, "Author", info.author);
    WriteField(file, "Keywords", info.keywords);
    WriteField(file, "Revision", info.revision);
    WriteField(file, "Comment", info.comment);
}

bool RWyxWriterWyx::WriteSummarySection(RWyxScene& scene, int mediaCount, const std::vector<RString>& takes) {
    if (!File().ProjectCreateExtensionSection(false)) {
        return false;
    }
    const int characters = scene.GetCharacterCount();
    {
        FieldBlock summary(File(), "Summary");
        WriteField(File(), "Version", kSummaryVersion);
        WriteField(File(), "Template", Options().GetTemplate());
        WriteField(File(), "PasswordProtection", Options().HasPassword());
        {
            FieldBlock content(File(), "ContentCount");
            WriteField(File(), "Version", "100");
            WriteField(File(), "Model", scene.GetRootNode()->GetChildCount());
            WriteField(File(), "Device", 0);
            WriteField(File(), "Character", characters);
            WriteField(File(), "Actor", 0);
            WriteField(File(), "Constraint", characters);
            WriteField(File(), "Media", mediaCount);
        }
        if (const RWyxSceneInfo* info = scene.GetSceneInfo()) {
            WriteSceneInfoBlock(*info);
        }
        FieldBlock takesBlock(File(), "Takes");
        WriteField(File(), "Version", kSummaryVersion);
        WriteField(File(), "Current", scene.GetCurrentTakeName());
        for (const RString& name : takes) {
            const RWyxTakeInfo* info = scene.GetTakeInfo(name.Buffer());
            if (info == nullptr || !info->selected) continue;
            FieldBlock take(File(), "Take", name);
            if (!info->description.IsEmptyText()) WriteField(File(), "Comments", info->description);
            WriteTimeSpan(File(), "LocalTime", info->localStart, info->localStop);
            WriteTimeSpan(File(), "ReferenceTime", info->referenceStart, info->referenceStop);
            WriteThumbnailBlock(File(), info->GetThumbnail());
        }
    }
    File().ProjectCloseSection();
    return true;
}

void RWyxWriterWyx::WriteControlPoints(const char* name, const RWyxGeometry& geometry, bool withWeights) {
    const RMatrix& pivot = geometry.GetPivotMatrix();
    const RVector4* points = geometry.GetControlPoints();
    RWyxFile& file = File();
    file.FieldWriteBegin(name);
    for (int i = 0; i < geometry.GetControlPointsCount(); ++i) {
        const RVector4 point = pivot.TransformPoint(points[i]);
        file.FieldWriteDouble(point.x);
        file.FieldWriteDouble(point.y);
        file.FieldWriteDouble(point.z);
        if (withWeights) file.FieldWriteDouble(points[i].w > 0.0 && std::isfinite(points[i].w) ? points[i].w : 1.0);
    }
    file.FieldWriteEnd();
}

RWyxWriterWyx::ClusterMatrices RWyxWriterWyx::ComputeClusterMatrices(const RWyxSkinLink& data, const RString& owner) {
    ClusterMatrices matrices;
    matrices.link = Rebuilt(data.GetTransformLink());
    RMatrix invertible = matrices.link;
    if (!InvertibleRows(invertible)) {
        Warn(RString("The link matrix of ") + owner +
             " has an axis of no length: the axis is left out of its transforms");
    }
    matrices.transform = TimesInverse(Rebuilt(data.GetTransform()), invertible);
    matrices.associateModel = TimesInverse(Rebuilt(data.GetTransformAssociateModel()), invertible);
    matrices.parent = Rebuilt(data.GetTransformParent());
    return matrices;
}

bool RWyxWriterWyx::RefuseUnwritablePatches(RWyxScene& scene) {
    if (!Flag(RStreamOptionsWyx::kFlagGeometry)) return true;
    bool sound = true;
    ForEachNodeBelow(*scene.GetRootNode(), [&](RWyxNode& node) {
        const RWyxPatch* patch = node.GetPatch();
        if (!sound || patch == nullptr || patch->GetControlPointsCount() == 0) return;
        for (const int type : {patch->GetUType(), patch->GetVType()}) {
            if (sound && PatchTypeName(type) == nullptr) {
                Refuse(RString("Patch type ") + type + " of " + node.GetName() + " is not one of 0 to 4");
                sound = false;
            }
        }
    });
    return sound;
}

bool RWyxWriterWyx::RefuseNamesakeModels(RWyxScene& scene) {
    std::unordered_set<std::string> seen;
    std::unordered_set<std::string> shared;
    std::vector<RString> names;
    ForEachNodeBelow(*scene.GetRootNode(), [&](RWyxNode& node) {
        const RString& name = node.GetName();
        std::string key(name.Buffer(), static_cast<std::size_t>(name.GetLength()));
        if (seen.insert(key).second || !shared.insert(std::move(key)).second) return;
        names.push_back(name.ControlCharsEscaped());
    });
    if (names.empty()) return true;
    Refuse(RString("Models of one name cannot be told apart in a file; these names are shared: ") +
           ListedNames(names, ", ") +
           ". Make the names unique before writing: rename the nodes, or install a renaming strategy on the "
           "object factory (SetNodeRenamingStrategy) before they are made.");
    return false;
}

bool RWyxWriterWyx::WriteArrangedSurface(RWyxNode& node, RWyxNurb& nurb, const std::function<void(RWyxNurb&)>& write) {
    if (!nurb.GetSwapUVFlag() && !nurb.GetSwapLinksFlag()) {
        write(nurb);
        return true;
    }
    if (converter_ == nullptr) converter_ = GetFactory()->CreateGeometryConverter();
    RWyxNurb* copy = converter_ != nullptr ? converter_->CopyNurbSwapped(&nurb, nurb.GetSwapUVFlag(), nurb.GetSwapLinksFlag())
                                           : nullptr;
    if (copy == nullptr) {
        Refuse(RString("The surface of ") + node.GetName() + " could not be rearranged");
        return false;
    }
    write(*copy);
    RWyxObjectFactory& factory = *GetFactory();
    for (int i = 0; i < copy->GetShapeCount(); ++i) factory.DestroyShape(copy->GetShape(i));
    for (int i = 0; i < copy->GetDeformerCount(); ++i) factory.DestroySkinLink(copy->GetDeformer(i));
    factory.DestroyNodeAttribute(copy);
    return true;
}

void RWyxWriterWyx::ReleaseConverter() {
    if (converter_ == nullptr) return;
    GetFactory()->DestroyGeometryConverter(converter_);
    converter_ = nullptr;
}

void RWyxWriterWyx::WriteNurbSurfaceFields(const RWyxNurb& nurb) {
    RWyxFile& file = File();
    WriteField(file, "NurbVersion", kSurfaceVersion);
    WriteField(file, "SurfaceDisplay", nurb.GetDisplayMode(), nurb.GetUStep(), nurb.GetVStep());
    WriteField(file, "NurbOrder", nurb.GetUOrder(), nurb.GetVOrder());
    WriteField(file, "Dimensions", nurb.GetUCount(), nurb.GetVCount());
    WriteField(file, "Step", nurb.GetUStep(), nurb.GetVStep());
    WriteField(file, "Form", FormName(nurb.GetUType()), FormName(nurb.GetVType()));
    WriteControlPoints("Points", nurb, true);
    WriteInts(file, "MultiplicityU", nurb.GetUMultiplicity(), nurb.GetUMultiplicity() != nullptr ? nurb.GetUCount() : 0);
    WriteInts(file, "MultiplicityV", nurb.GetVMultiplicity(), nurb.GetVMultiplicity() != nullptr ? nurb.GetVCount() : 0);
    WriteDoubles(file, "KnotVectorU", nurb.GetUKnotVector(), static_cast<std::size_t>(nurb.GetUKnotCount()));
    WriteDoubles(file, "KnotVectorV", nurb.GetVKnotVector(), static_cast<std::size_t>(nurb.GetVKnotCount()));
}

void RWyxWriterWyx::WritePatchSurfaceFields(const RWyxPatch& patch) {
    RWyxFile& file = File();
    WriteField(file, "PatchVersion", kSurfaceVersion);
    WriteField(file, "SurfaceDisplay", patch.GetDisplayMode(), patch.GetUStep(), patch.GetVStep());
    WriteField(file, "PatchType", PatchTypeName(patch.GetUType()), PatchTypeName(patch.GetVType()));
    WriteField(file, "Dimensions", patch.GetUCount(), patch.GetVCount());
    WriteField(file, "Step", patch.GetUStep(), patch.GetVStep());
    WriteField(file, "Closed", patch.GetUClosed(), patch.GetVClosed());
    WriteField(file, "UCapped", patch.GetCapped(RWyxPatch::kUCapBottom), patch.GetCapped(RWyxPatch::kUCapTop));
    WriteField(file, "VCapped", patch.GetCapped(RWyxPatch::kVCapBottom), patch.GetCapped(RWyxPatch::kVCapTop));
    WriteControlPoints("Points", patch, false);
}

void RWyxWriterWyx::WritePoseNodes(const RWyxPose& pose) {
    RWyxFile& file = File();
    WriteField(file, "NbPoseNodes", pose.GetCount());
    for (int e = 0; e < pose.GetCount(); ++e) {
        FieldBlock entry(file, "PoseNode");
        WriteField(file, "Node", pose.GetNodeName(e));
        WriteMatrix(file, "Matrix", pose.GetMatrix(e));
        if (!pose.IsBindPose()) WriteField(file, "Local", pose.IsLocalMatrix(e));
    }
}

void RWyxWriterWyx::WriteTakeHead(const RString& take, const RWyxTakeInfo& info) {
    WriteField(File(), "FileName", TakeFileName(take));
    WriteTakeInfoFields(info);
}

const std::vector<RVector4>* RWyxWriterWyx::NormalsByControlPoint(const RWyxLayerContainer& container) {
    const RWyxLayerElementNormal* normals = wyx_layer_normals::ByControlPoint(container);
    return normals != nullptr ? &normals->DirectArray() : nullptr;
}

RMatrix RWyxWriterWyx::PivotRotation(const RWyxGeometry& geometry) {
    RMatrix rotation;
    EulerVectorXYZToMatrix(rotation, geometry.GetPivotMatrix().GetRotation());
    return rotation;
}

std::vector<RVector4> RWyxWriterWyx::TurnedByPivot(const RWyxGeometry& geometry, const std::vector<RVector4>& normals) {
    const RMatrix rotation = PivotRotation(geometry);
    std::vector<RVector4> turned;
    turned.reserve(normals.size());
    for (const RVector4& normal : normals) {
        RVector4 out;
        MatrixTransformVector(out, rotation, normal);
        turned.push_back(out);
    }
    return turned;
}

std::vector<RVector4> RWyxWriterWyx::ShapeDeltas(const RWyxGeometry& geometry, const std::vector<int>& indices,
                                                 const RVector4* to, const RVector4* from, bool points) {
    const RMatrix& pivot = geometry.GetPivotMatrix();
    const RMatrix rotation = PivotRotation(geometry);
    std::vector<RVector4> result;
    result.reserve(indices.size());
    for (const int i : indices) {
        if (to == nullptr || from == nullptr) {
            result.emplace_back();
            continue;
        }
        RVector4 a;
        RVector4 b;
        if (points) {
            a = pivot.TransformPoint(to[i]);
            b = pivot.TransformPoint(from[i]);
        } else {
            MatrixTransformVector(a, rotation, to[i]);
            MatrixTransformVector(b, rotation, from[i]);
        }
        result.emplace_back(a.x - b.x, a.y - b.y, a.z - b.z, 0.0);
    }
    return result;
}

void RWyxWriterWyx::WriteShape(RWyxNode& node, const RWyxGeometry& geometry, const RWyxShape& shape,
                               const char* name) {
    const int count = geometry.GetControlPointsCount();
    const RVector4* base = geometry.GetControlPoints();
    const RVector4* moved = shape.GetControlPoints();
    std::vector<int> indices;
    if (shape.GetControlPointsCount() == count) {
        for (int i = 0; i < count; ++i) {
            if (base[i].x != moved[i].x || base[i].y != moved[i].y || base[i].z != moved[i].z) indices.push_back(i);
        }
    } else {
        Warn(RString("Shape \"") + name + "\" of " + node.GetName() + " has " + shape.GetControlPointsCount() +
             " control points for a geometry of " + count + ": written without change");
    }
    const bool changed = !indices.empty();
    if (!changed) indices.push_back(0);
    RWyxFile& file = File();
    FieldBlock block(file, "Shape", name);
    WriteInts(file, "Indexes", indices);
    WriteVectors3(file, "Vertices",
                  ShapeDeltas(geometry, indices, changed ? shape.GetControlPoints() : nullptr,
                              geometry.GetControlPoints(), true));
    if (geometry.GetAttributeType() == RWyxNodeAttribute::kMesh) {
        const std::vector<RVector4>* baseNormals = NormalsByControlPoint(geometry);
        const std::vector<RVector4>* shapeNormals = NormalsByControlPoint(shape);
        const bool both = changed && baseNormals != nullptr && shapeNormals != nullptr;
        WriteVectors3(file, "Normals", ShapeDeltas(geometry, indices, both ? shapeNormals->data() : nullptr,
                                                   both ? baseNormals->data() : nullptr, false));
    }
}
