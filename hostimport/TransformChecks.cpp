#include "hostimport/TransformChecks.h"

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxMesh.h"
#include "core/RWyxLogFile.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveFilterConstantKeyReducer.h"
#include "hostimport/AxisCorrection.h"
#include "hostimport/ImportNodePasses.h"
#include "hostimport/WyxVexaImportSession.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxScalingChecker.h"
#include "scene/RWyxTakeNode.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

constexpr double kScaleTolerance = 1e-6;
constexpr double kRotationTolerance = 1e-6;
constexpr int kSpheric = 6;
const char* const kPreMark = "__Pre_";
const char* const kPostMark = "__Post_";
const char* const kLimitsDropped =
    "Since the node also has rotation limits, those limits cannot be applied due to the resampling and will be "
    "dropped\\n";

bool Contains(const RString& text, const char* part) { return text.FindText(part) >= 0; }

void AddLogLine(WyxVexaImportSession& session, const RString& line) {
    if (RWyxLogFile* log = session.GetLog()) log->AddLine(line.Buffer());
}

RString NameOf(const RWyxNode* node) { return node->GetNameWithoutPrefix(); }

// The warnings' fixed texts hold the host script's line-break escape (a backslash and n), as
// the log keeps them. The dialog escapes its whole text for the script, so it is given real
// line breaks instead; node names are never converted.
RString DialogLines(const RString& text) {
    RString lines;
    for (int i = 0; i < text.GetLength(); ++i) {
        const bool escape = text.Buffer()[i] == '\\' && i + 1 < text.GetLength() && text.Buffer()[i + 1] == 'n';
        lines += escape ? '\n' : text.Buffer()[i];
        if (escape) ++i;
    }
    return lines;
}

template <typename Visit>
void ForSubtree(RWyxNode* node, Visit visit) {
    if (node != nullptr) VisitSubtree(node, visit);
}

// ---- pre- and post-rotation keys ------------------------------------------------------------------

// A copy of the curve with its constant runs reduced (end keys not kept).
std::unique_ptr<RFCurve, void (*)(RFCurve*)> ReducedCopy(const RFCurve& curve) {
    std::unique_ptr<RFCurve, void (*)(RFCurve*)> copy(RFCurve::Create(), &RFCurve::Destroy);
    copy->CopyFrom(curve, true);
    RFCurveFilterConstantKeyReducer reducer;
    reducer.SetKeepEndKeys(false);
    reducer.Apply(*copy);
    return copy;
}

bool HasKeys(const RFCurve* curve) { return curve != nullptr && curve->GetKeyCount() > 0; }

// True when a rotation curve of the take node moves: some curve has keys, and one that the
// constant-key reducer leaves with more than one key.
bool RotationMoves(RWyxTakeNode& takeNode) {
    RFCurve* curves[3] = {takeNode.GetRotationXCurve(), takeNode.GetRotationYCurve(), takeNode.GetRotationZCurve()};
    if (std::none_of(std::begin(curves), std::end(curves), HasKeys)) return false;
    return std::any_of(std::begin(curves), std::end(curves),
                       [](const RFCurve* curve) { return HasKeys(curve) && ReducedCopy(*curve)->GetKeyCount() > 1; });
}

bool AnyTransformKey(RWyxTakeNode& takeNode) {
    for (int channel = RWyxTakeNode::TranslationX; channel <= RWyxTakeNode::ScalingZ; ++channel) {
        if (HasKeys(takeNode.GetChannelCurve(static_cast<RWyxTakeNode::Channel>(channel)))) return true;
    }
    return false;
}

// The message, its log lines and the dialog of a keyed helper node.
void WarnAboutHelperKeys(WyxVexaImportSession& session, const RString& name, bool post) {
    const char* const head = post ? "KeyFrames found in an animation channel for node: "
                                  : "KeyFrames found in the rotation channel for node: ";
    const char* const tail = post ? " , \\n Keyframing animation in a PostRotation node can lead to undefined behavior."
                                  : " , \\n Keyframing rotation in a PreRotation node can lead to undefined behavior.";
    AddLogLine(session, post ? RString(head) : RString("KeyFrames found in the rotation channel for node"));
    AddLogLine(session, name);
    AddLogLine(session, tail);
    session.ShowDialog("WYX import error", RString(head) + name + DialogLines(tail));
}

// ---- rotation space ----------------------------------------------------------------------------------

RVector4 Xyz(const RVector4* vector) { return vector != nullptr ? RVector4(vector->x, vector->y, vector->z, 0.0) : RVector4(); }

bool IsZero(const RVector4* vector) {
    const RVector4 v = Xyz(vector);
    return std::fabs(v.x) <= kRotationTolerance && std::fabs(v.y) <= kRotationTolerance &&
           std::fabs(v.z) <= kRotationTolerance;
}

void SetVector(RWyxNode& node, void (RWyxNode::*setter)(int, double, double, double, double), int set,
               const RVector4& value) {
    (node.*setter)(set, value.x, value.y, value.z, 1.0);
}

void CorrectLightOrCameraAxis(RWyxNode& node) {
    if (!HasAxisCorrection(node)) return;
    SetVector(node, &RWyxNode::SetPostRotation, 0, WithAxisCorrection(node, Xyz(node.GetPostRotation(0))));
}

bool HasActiveRotationLimits(const RWyxNode& node) {
    return node.GetLimits() != nullptr && node.GetLimits()->GetActive(RWyxNodeLimits::kRotation);
}

void DropRotationLimits(RWyxNode& node) { node.GetLimits()->SetActive(RWyxNodeLimits::kRotation, false); }

// Pivot set 1 as the host can hold it, the file's rotation space applied to the transform.
void PrepareRotationSpace(WyxVexaImportSession& session, RWyxNode& node, bool limits, int order) {
    const bool skeleton = node.GetSkeleton() != nullptr;
    SetVector(node, &RWyxNode::SetPostRotation, 1, Xyz(node.GetPostRotation(0)));
    if (skeleton) {
        // A joint keeps its pre-rotation as its joint orient and turns about its origin.
        SetVector(node, &RWyxNode::SetPreRotation, 1, Xyz(node.GetPreRotation(0)));
        SetVector(node, &RWyxNode::SetRotationPivot, 1, RVector4());
        SetVector(node, &RWyxNode::SetScalingPivot, 1, RVector4());
    } else {
        SetVector(node, &RWyxNode::SetPreRotation, 1, RVector4());
        SetVector(node, &RWyxNode::SetRotationPivot, 1, Xyz(node.GetRotationPivot(0)));
        SetVector(node, &RWyxNode::SetScalingPivot, 1, Xyz(node.GetScalingPivot(0)));
    }
    // Only a rotation that is resampled loses its limits: a joint's pre-rotation stays apart.
    if (limits && !skeleton && !IsZero(node.GetPreRotation(0))) {
        DropRotationLimits(node);
        const RString reason = RString(" has to resample its rotation because it has a PreRotation.\\n") + kLimitsDropped;
        AddLogLine(session, RString("Node  ") + NameOf(&node) + reason);
        session.ShowDialog("WYX import error", RString("Node  ") + NameOf(&node) + DialogLines(reason));
    }
    if (order != kSpheric) {
        node.SetRotationOrder(1, order);
        return;
    }
    node.SetRotationOrder(1, 0);
    if (!limits) return;
    DropRotationLimits(node);
    AddLogLine(session, RString("Node  ") + NameOf(&node) +
                            " has to resample its rotation because it has a Spheric rotation space \\n");
    AddLogLine(session, kLimitsDropped);
    session.ShowDialog("WYX import error", RString("Node ") + NameOf(&node) +
                                               DialogLines(RString(" has to resample its rotation because it has a "
                                                                   "Spheric rotation space\\n") +
                                                           kLimitsDropped));
}

// The file's rotation space serves its limits only: the transform turns plainly.
void DropLimitOnlyRotationSpace(WyxVexaImportSession& session, RWyxNode& node, bool limits, int order) {
    const bool modified = !IsZero(node.GetPreRotation(0)) || !IsZero(node.GetPostRotation(0)) || order != 0;
    if (modified && limits) {
        const RString reason = " has the option UseLimitsForRotationSpaceOnly enabled and has a modified rotation "
                               "space.\\n This is not supported by Vexa, rotation limits for this node will be dropped \\n";
        AddLogLine(session, RString(" Node ") + NameOf(&node) + reason);
        session.ShowDialog("WYX import error", RString(" Node ") + NameOf(&node) + DialogLines(reason));
        DropRotationLimits(node);
    }
    for (int set = 0; set < 2; ++set) {
        SetVector(node, &RWyxNode::SetPreRotation, set, RVector4());
        SetVector(node, &RWyxNode::SetPostRotation, set, RVector4());
        node.SetRotationOrder(set, 0);
    }
}

// ---- hard edges -------------------------------------------------------------------------------------------

// True when no control point serves more than one polygon vertex.
bool PolygonsShareNoPoint(const RWyxMesh& mesh) {
    std::vector<bool> used(static_cast<size_t>(std::max(mesh.GetControlPointsCount(), 0)), false);
    for (int p = 0; p < mesh.GetPolygonCount(); ++p) {
        for (int v = 0; v < mesh.GetPolygonSize(p); ++v) {
            const int point = mesh.GetPolygonVertex(p, v);
            if (point < 0 || point >= static_cast<int>(used.size())) continue;
            if (used[static_cast<size_t>(point)]) return false;
            used[static_cast<size_t>(point)] = true;
        }
    }
    return true;
}

// A weld keeps one point of each set of duplicates with that point's layer data. What the points
// of a set hold differently there is lost unless it moves first: normals, UVs and colours move
// to the polygon corners, where every corner keeps its own; materials, textures and polygon
// groups mapped by point cannot, and keep the mesh unwelded. (Shape points and skin weights
// follow the merge's own rule, the kept point's.)

bool CornersCanHold(int kind) {
    return kind == RWyxLayerElement::kNormal || kind == RWyxLayerElement::kUV || kind == RWyxLayerElement::kVertexColor;
}

template <typename Element>
bool SameEntry(const RWyxLayerElement& element, int a, int b) {
    if (element.GetReferenceMode() == RWyxLayerElement::kIndex) return element.GetIndexAt(a) == element.GetIndexAt(b);
    const Element& typed = static_cast<const Element&>(element);
    const auto* first = typed.GetMappedAt(a);
    const auto* second = typed.GetMappedAt(b);
    return first == second || (first != nullptr && second != nullptr && *first == *second);
}

// Whether entries a and b of an element mapped by control point hold the same value.
bool SameEntry(const RWyxLayerElement& element, int a, int b) {
    switch (element.GetKind()) {
        case RWyxLayerElement::kNormal:
            return SameEntry<RWyxLayerElementNormal>(element, a, b);
        case RWyxLayerElement::kMaterial:
            return SameEntry<RWyxLayerElementMaterial>(element, a, b);
        case RWyxLayerElement::kTexture:
            return SameEntry<RWyxLayerElementTexture>(element, a, b);
        case RWyxLayerElement::kPolygonGroup:
            return SameEntry<RWyxLayerElementPolygonGroup>(element, a, b);
        case RWyxLayerElement::kUV:
            return SameEntry<RWyxLayerElementUV>(element, a, b);
        default:
            return SameEntry<RWyxLayerElementVertexColor>(element, a, b);
    }
}

// Whether every point agrees with the point it merges into (so with the whole set).
template <typename Same>
bool DuplicatesAgree(const std::vector<int>& duplicates, const Same& same) {
    for (size_t j = 0; j < duplicates.size(); ++j) {
        if (duplicates[j] != static_cast<int>(j) && !same(duplicates[j], static_cast<int>(j))) return false;
    }
    return true;
}

// The elements mapped by control point (those the merge rearranges) whose duplicates differ;
// false when one of them cannot move to the corners.
bool CollectDifferingElements(const RWyxMesh& mesh, const std::vector<int>& duplicates,
                              std::vector<RWyxLayerElement*>& differing) {
    for (int l = 0; l < mesh.GetLayerCount(); ++l) {
        for (int kind = RWyxLayerElement::kFirstKind; kind <= RWyxLayerElement::kLastKind; ++kind) {
            RWyxLayerElement* element = mesh.GetLayer(l)->GetElement(kind);
            if (element == nullptr || element->GetMappingMode() != RWyxLayerElement::kByControlPoint ||
                element->GetMappedCount() != mesh.GetControlPointsCount() ||
                DuplicatesAgree(duplicates, [element](int a, int b) { return SameEntry(*element, a, b); })) {
                continue;
            }
            if (!CornersCanHold(kind)) return false;
            differing.push_back(element);
        }
    }
    return true;
}

// Merges the duplicate points of a mesh stored with points of its own per polygon vertex,
// keeping what every corner holds; a mesh that would lose data stays as it is.
void WeldMesh(RWyxMesh& mesh) {
    if (mesh.CountBadPolygonVertices() > 0 || !PolygonsShareNoPoint(mesh)) return;
    std::vector<int> duplicates;
    if (!mesh.FindDuplicateControlPoints(duplicates, 0, false)) return;
    std::vector<RWyxLayerElement*> differing;
    if (!CollectDifferingElements(mesh, duplicates, differing)) return;
    // Entry k of an element by corner is the entry of polygon vertex k's point.
    const std::vector<int> corners(mesh.GetPolygonVertices(), mesh.GetPolygonVertices() + mesh.GetPolygonVertexCount());
    for (RWyxLayerElement* element : differing) {
        if (!element->GatherMapped(corners)) return;
        element->SetMappingMode(RWyxLayerElement::kByPolygonVertex);
    }
    mesh.MergeDuplicateControlPoints(duplicates);
}

}  // namespace

// ---- non-uniform scale -----------------------------------------------------------------------------------

void SortNodesByName(std::vector<RWyxNode*>& nodes) {
    std::stable_sort(nodes.begin(), nodes.end(), [](const RWyxNode* a, const RWyxNode* b) {
        return std::strcmp(a->GetName().Buffer(), b->GetName().Buffer()) < 0;
    });
    nodes.erase(std::unique(nodes.begin(), nodes.end(),
                            [](const RWyxNode* a, const RWyxNode* b) { return a->GetName() == b->GetName(); }),
                nodes.end());
}

void CheckNonUniformScale(WyxVexaImportSession& session, RWyxNode* root) {
    if (root == nullptr) return;
    RWyxScalingChecker checker;
    checker.SetTolerance(kScaleTolerance);
    checker.SetUnitCheck(false);
    checker.SetNegativeCheck(false);
    checker.SetNonUniformCheck(true);
    std::vector<RWyxNode*> nodes = checker.Collect(root);
    SortNodesByName(nodes);
    const RString shearing = " has a Non-uniform scale and one or more child that have a RrSs-type scaling which is not "
                             "supported by Vexa. Some shearing that was not present in Stagewright may appear on a "
                             "child.\\n";
    RString message;
    RString shown;
    for (RWyxNode* node : nodes) {
        for (int i = 0; i < node->GetChildCount(); ++i) {
            int inherit = -1;
            if (node->GetChild(i)->GetInheritType(inherit) != 0) continue;
            message += RString("Node ") + NameOf(node) + shearing;
            shown += RString("Node ") + NameOf(node) + DialogLines(shearing);
            AddLogLine(session, message);
            break;
        }
    }
    if (!message.IsEmptyText()) session.ShowDialog("WYX import Error", shown);
}

// ---- helper nodes --------------------------------------------------------------------------------------------

void CheckPrePostRotationKeys(WyxVexaImportSession& session, RWyxNode* node) {
    ForSubtree(node, [&session](RWyxNode* each) {
        const RString name = NameOf(each);
        const bool pre = Contains(each->GetName(), kPreMark);
        if (!pre && !Contains(each->GetName(), kPostMark)) return;
        for (int t = 0; t < each->GetTakeNodeCount(); ++t) {
            RWyxTakeNode& takeNode = *each->GetTakeNode(t);
            if (pre ? RotationMoves(takeNode) : AnyTransformKey(takeNode)) WarnAboutHelperKeys(session, name, !pre);
        }
    });
}

// ---- rotation space --------------------------------------------------------------------------------------------

void ResampleRotation(WyxVexaImportSession& session, RWyxNode* node) {
    ForSubtree(node, [&session](RWyxNode* each) {
        const bool limits = HasActiveRotationLimits(*each);
        each->SetPivotState(0, 0);
        each->SetPivotState(1, 0);
        int order = 0;
        each->GetRotationOrder(0, order);
        if (!each->GetRotationSpaceForLimitOnly(0)) {
            CorrectLightOrCameraAxis(*each);
            PrepareRotationSpace(session, *each, limits, order);
        } else {
            // The file's rotation space goes, the turn from the file's axis to the host's stays:
            // it is no part of that space.
            DropLimitOnlyRotationSpace(session, *each, limits, order);
            CorrectLightOrCameraAxis(*each);
            SetVector(*each, &RWyxNode::SetPostRotation, 1, Xyz(each->GetPostRotation(0)));
        }
        SetVector(*each, &RWyxNode::SetRotationOffset, 1, Xyz(each->GetRotationOffset(0)));
        SetVector(*each, &RWyxNode::SetScalingOffset, 1, Xyz(each->GetScalingOffset(0)));
    });
}

// ---- hard edges and weights ------------------------------------------------------------------------------------

void WeldHardEdges(WyxVexaImportSession&, RWyxNode* node) {
    ForSubtree(node, [](RWyxNode* each) {
        if (RWyxMesh* mesh = each->GetMesh()) WeldMesh(*mesh);
    });
}

bool IsWeightedCurve(const RFCurve& curve) {
    const int count = curve.GetKeyCount();
    for (int i = 0; i < count; ++i) {
        if (i > 0 && (curve.GetKey(i - 1).GetWeightMode() & RCurveKey::WeightedNextLeft) != 0) return true;
        const RCurveKey& key = curve.GetKey(i);
        if (i + 1 < count && key.IsCubicWithModeBits(RCurveKey::Auto | RCurveKey::User | RCurveKey::Break) &&
            (key.GetWeightMode() & RCurveKey::WeightedRight) != 0) {
            return true;
        }
    }
    return false;
}
