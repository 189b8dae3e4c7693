#include "hostexport/SkinExport.h"

#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxSkinLink.h"
#include "core/RWyxLogFile.h"
#include "hostexport/DeformerExportSupport.h"
#include "hostexport/ExportSteps.h"
#include "hostexport/WyxVexaExportSession.h"
#include "hostimport/MatrixPlugs.h"
#include "plugin/HostUtilities.h"
#include "plugin/ProgressDisplay.h"
#include "plugin/VexaNode.h"
#include "plugin/WyxVexaConfirmDialog.h"
#include "plugin/WyxVexaOptions.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"

#include <vexa/VDagPathArray.h>
#include <vexa/VFloatArray.h>
#include <vexa/VFnComponent.h>
#include <vexa/VFnDoubleIndexedComponent.h>
#include <vexa/VFnMesh.h>
#include <vexa/VFnSingleIndexedComponent.h>
#include <vexa/VFnSkinCluster.h>
#include <vexa/VItDependencyNodes.h>
#include <vexa/VObjectArray.h>
#include <vexa/VPlug.h>
#include <vexa/VPlugArray.h>

#include <cstdio>

namespace {

// Compared in the weights' own single precision: a weight of exactly 0.001 is left out.
constexpr float kWeightThreshold = 0.001f;
constexpr const char* kPreMark = "__Pre_";
constexpr const char* kPostMark = "__Post_";
constexpr const char* kQuestionTitle = "WYX Export Question";
constexpr const char* kNoBindPoseText = "Could not retrieve bind pose for object : ";
constexpr const char* kConflictText = "Unable to export bind poses because of conflicting data on these elements : ";

bool Options(int option) { return GetPluginOptions()->GetBoolOption(option); }

const VDagPath* PathOf(RWyxNode& node) { return static_cast<VexaNode&>(node).GetDagPath(); }

bool HasMark(const RString& name) { return name.FindText(kPreMark) >= 0 || name.FindText(kPostMark) >= 0; }

VString Formatted(const char* format, int a, int b, int c = 0, int d = 0) {
    char text[96];
    std::snprintf(text, sizeof(text), format, a, b, c, d);
    return VString(text);
}

// The rotation of a node's default take as a matrix without translation or scaling.
RMatrix DefaultRotationOf(RWyxNode& node) {
    RVector4 rotation;
    node.GetDefaultRotation(rotation);
    return RMatrix::ConstructFromTRS(RVector4(), rotation, RVector4(1.0, 1.0, 1.0, 0.0));
}

RWyxNode* PostChildOf(RWyxNode& node) {
    RWyxNode* child = node.GetChildCount() > 0 ? node.GetChild(0) : nullptr;
    return child != nullptr && child->GetName().FindText(kPostMark) >= 0 ? child : nullptr;
}

// The matrix without the rotation of the node's "__Post_" child: that child turns first.
RMatrix WithoutPostRotation(RWyxNode& node, const RMatrix& matrix) {
    RWyxNode* post = PostChildOf(node);
    if (post == nullptr) return matrix;
    RMatrix inverse;
    MatrixInverseOrthogonal(inverse, DefaultRotationOf(*post));
    RMatrix result;
    MatrixMultiplyAffine(result, matrix, inverse);
    return result;
}

// A component of every point of the geometry, numbered as the SDK numbers its control points:
// NURBS CVs with the host's V running fastest, over the SDK's counts (periodic directions
// without their repeated CVs); mesh vertices in order. Empty for any other geometry.
VObject AllPoints(const VDagPath& shape, RWyxNode& node) {
    VStatus status;
    if (shape.hasFn(VFn::kNurbsSurface)) {
        const RWyxNurb* nurb = node.GetNurb();
        VFnDoubleIndexedComponent component;
        const VObject made = component.create(VFn::kSurfaceCVComponent, &status);
        if (nurb == nullptr || !status) return made;
        for (int u = 0; u < nurb->GetVCount(); ++u) {
            for (int v = 0; v < nurb->GetUCount(); ++v) component.addElement(u, v);
        }
        return made;
    }
    VFnSingleIndexedComponent component;
    const VObject made = component.create(VFn::kMeshVertComponent, &status);
    if (!shape.hasFn(VFn::kMesh) || !status) return made;
    const int count = VFnMesh(shape).numVertices();
    for (int i = 0; i < count; ++i) component.addElement(i);
    component.setCompleteData(count);
    return made;
}


}  // namespace

// ---- the pass --------------------------------------------------------------------------------------

void SkinExport::Run() {
    std::vector<VObject> skins;
    for (VItDependencyNodes it(VFn::kSkinClusterFilter); !it.isDone(); it.next()) skins.push_back(it.thisNode());
    abandoned_ = false;
    const int count = static_cast<int>(skins.size());
    for (int k = 0; k < count; ++k) {
        const VObject& skin = skins[static_cast<size_t>(k)];
        RWyxPose* pose = nullptr;
        if (Options(kExportBindPose)) pose = session_.GetFactory().CreatePose(VFnDependencyNode(skin).name().asChar(), true);
        ExportSkinCluster(skin, k + 1, count, pose);
        if (pose != nullptr && pose->GetCount() > 0 && !abandoned_) {
            session_.GetScene()->AddPose(pose);
        } else if (pose != nullptr) {
            session_.GetFactory().DestroyPose(pose);
        }
        ReportConflicts();
    }
}

void SkinExport::ExportSkinCluster(const VObject& skin, int number, int count, RWyxPose* pose) {
    VStatus status;
    const VFnSkinCluster skinCluster(skin, &status);
    if (!status) return;
    VObjectArray shapes;
    PrintStatusError(skinCluster.getOutputGeometry(shapes), "Cannot read the output geometry of a skin");
    Cluster cluster;
    cluster.pose = pose;
    for (unsigned g = 0; g < shapes.length(); ++g) ExportGeometry(skin, shapes[g], number, count, cluster);
}

void SkinExport::ExportGeometry(const VObject& skin, const VObject& shape, int number, int count, Cluster& cluster) {
    const VFnSkinCluster skinCluster(skin);
    VDagPath path;
    if (!VDagPath::getAPathTo(shape, path)) return;
    RWyxNode* node = FindNodeForDagPath(session_, path);
    RWyxGeometry* geometry = node != nullptr ? node->GetGeometry() : nullptr;
    if (geometry == nullptr || static_cast<VexaNode*>(node)->GetExportFlag()) return;
    const RMatrix geometryMatrix = GeometryMatrix(skin, *node);
    if (cluster.pose != nullptr && !abandoned_) AddEntry(cluster, *node, geometryMatrix);
    // The walks up stop at this geometry: another one's walks go past it.
    cluster.walked.clear();
    const VObject component = AllPoints(path, *node);
    if (!VFnComponent(component).isEmpty()) {
        VDagPathArray influences;
        const unsigned m = skinCluster.influenceObjects(influences);
        for (unsigned j = 0; j < m; ++j) {
            const VString progress = Formatted("%d of %d. Processing %d of %d", number, count, static_cast<int>(j) + 1,
                                               static_cast<int>(m));
            ProgressTick(&progress);
            RWyxNode* linked = FindNodeForDagPath(session_, influences[j]);
            if (linked == nullptr) continue;
            VFloatArray weights;
            VStatus status;
            const unsigned index = skinCluster.indexForInfluenceObject(influences[j], &status);
            if (status) status = skinCluster.getWeights(path, component, index, weights);
            if (!status || weights.length() == 0) continue;
            RWyxSkinLink* link = session_.GetFactory().CreateSkinLink();
            if (link == nullptr) continue;
            cluster.links.push_back(link);
            link->SetMode(0);
            link->SetLink(linked);
            geometry->AddDeformer(link);
            for (unsigned w = 0; w < weights.length(); ++w) {
                if (weights[w] > kWeightThreshold) link->AddControlPointIndex(static_cast<int>(w), weights[w]);
            }
            const RMatrix bindMatrix = BindMatrix(*linked);
            if (cluster.pose != nullptr && !abandoned_) AddInfluenceEntries(cluster, *linked, bindMatrix, *node);
            link->SetTransformLinkMatrix(bindMatrix);
            link->SetTransformMatrix(geometryMatrix);
        }
    }
    if (Options(kExportPivotToNull)) AddPrePostEntries(cluster);
    const VString name(node->GetNameWithoutPrefix().Buffer());
    ProgressTick(&name);
}

// The skin's "geomMatrix"; the geometry's global transform when the host does not give one.
RMatrix SkinExport::GeometryMatrix(const VObject& skin, RWyxNode& geometry) const {
    VStatus status;
    const VPlug plug = VFnDependencyNode(skin).findPlug("geomMatrix", &status);
    RMatrix matrix;
    if (status && ReadMatrixByScript(plug, matrix)) return matrix;
    PrintStatusError(VStatus(VStatus::kFailure, "no matrix"), "Cannot read the skin's geomMatrix");
    return GlobalTransformOf(geometry);
}

// ---- bind matrices and the question --------------------------------------------------------------

bool SkinExport::HostBindMatrix(RWyxNode& node, RMatrix& matrix) {
    // Read as the import reads it: the node's own "bindPose", else its bind pose's element.
    double values[16];
    if (!GetBindPoseMatrix(node, values)) return false;
    for (int i = 0; i < 16; ++i) matrix[i / 4][i % 4] = values[i];
    return true;
}

RMatrix SkinExport::BindMatrix(RWyxNode& node) {
    RMatrix matrix;
    if (HostBindMatrix(node, matrix)) return matrix;
    // Asked once per node: a node met again keeps the answer given (a "No" stays a "No").
    if (asked_.insert(&node).second) {
        abandoned_ = true;
        const VDagPath* path = PathOf(node);
        if (path != nullptr) AskBindPoseFallback(*path);
    }
    return GlobalTransformOf(node);
}

void SkinExport::AskBindPoseFallback(const VDagPath& path) {
    RWyxLogFile* log = session_.GetLog();
    const RString name = GetShortPathName(&path);
    const RString line = RString(WyxVexaExportSession::kWarningTitle) + ": " + kNoBindPoseText + name;
    if (Options(kExportShowUI)) {
        WyxVexaConfirmDialog dialog;
        dialog.SetTitle(kQuestionTitle);
        dialog.SetMessage((RString(kNoBindPoseText) + "\n" + name +
                           "\n\nUse the current transform instead?\n\n(If you answer No, no bind poses in the hierarchy "
                           "containing the object will be exported)")
                              .Buffer());
        dialog.SetButtonLabel(0, "Yes");
        dialog.SetButtonLabel(1, "No");
        const int answer = dialog.Show();
        if (answer == 0) abandoned_ = false;
        if (log != nullptr) {
            log->AddLine(line.Buffer());
            if (answer == WyxVexaConfirmDialog::kDismissed) log->AddLine("The question was dismissed: taken as No.");
            log->AddLine(abandoned_ ? "User aborted the export of bind poses." : "Used the DAG node current transform.");
        }
    } else if (log != nullptr) {
        log->AddLine((line + " No bind poses in the hierarchy containing the object will be exported.").Buffer());
    }
    if (log != nullptr) log->AddLine("");
}

// ---- pose entries ------------------------------------------------------------------------------------

bool SkinExport::AddEntry(Cluster& cluster, RWyxNode& node, const RMatrix& matrix) {
    if (cluster.pose->Add(node.GetName().Buffer(), WithoutPostRotation(node, matrix), false) >= 0) return true;
    abandoned_ = true;
    conflicts_[node.GetName().Buffer()] = &node;
    return false;
}

bool SkinExport::AddVisitedEntry(Cluster& cluster, RWyxNode& node, const RMatrix& matrix) {
    if (!AddEntry(cluster, node, matrix)) return false;
    cluster.visited.push_back(&node);
    cluster.visitedSet.insert(&node);
    return true;
}

// The walk stops at a node a finished walk went through: every ancestor above it has its entry.
// A walk that stops short (a conflict, or a "No" to the question) leaves the entries it made,
// but not its nodes as walked: should a later "Yes" clear the flag, the next walk goes past
// them to the ancestors this one did not reach.
void SkinExport::AddInfluenceEntries(Cluster& cluster, RWyxNode& influence, const RMatrix& bindMatrix,
                                     RWyxNode& geometry) {
    if (cluster.walked.count(&influence) > 0) return;
    const auto visited = [&](const RWyxNode* node) { return cluster.visitedSet.count(node) > 0; };
    if (!visited(&influence) && !AddVisitedEntry(cluster, influence, bindMatrix)) return;
    std::vector<const RWyxNode*> walk{&influence};
    for (RWyxNode* ancestor = influence.GetParent(); ancestor != nullptr && !abandoned_;
         ancestor = ancestor->GetParent()) {
        if (session_.IsRootNode(ancestor) || ancestor == &geometry || ancestor == session_.GetRootNode()) break;
        if (cluster.walked.count(ancestor) > 0) break;
        walk.push_back(ancestor);
        if (HasMark(ancestor->GetName()) || visited(ancestor)) continue;
        RMatrix matrix;
        if (!HostBindMatrix(*ancestor, matrix)) {
            // Asked once: an ancestor already asked about keeps its answer.
            if (asked_.insert(ancestor).second) {
                abandoned_ = true;
                const VDagPath* path = PathOf(*ancestor);
                if (path != nullptr) AskBindPoseFallback(*path);
            }
            if (abandoned_) continue;
            matrix = GlobalTransformOf(*ancestor);
        }
        if (!AddVisitedEntry(cluster, *ancestor, matrix)) return;
    }
    if (!abandoned_) cluster.walked.insert(walk.begin(), walk.end());
}

// The "__Pre_" parent and "__Post_" child that the pivot conversion made for a node get the
// global matrices they have in the bind pose, in the pose and in the first link bound to them.
void SkinExport::AddPrePostEntries(Cluster& cluster) {
    if (cluster.pose == nullptr) return;
    const std::vector<RWyxNode*> visited = cluster.visited;
    for (RWyxNode* node : visited) {
        const int index = cluster.pose->Find(node->GetName().Buffer());
        if (index < 0 || abandoned_) continue;
        const RMatrix entry = cluster.pose->GetMatrix(index);
        const RString name = node->GetName();
        RWyxNode* parent = node->GetParent();
        RWyxNode* helper = nullptr;
        RMatrix matrix;
        if (parent != nullptr && parent->GetName() == name + kPreMark) {
            // The pre node is the node's global matrix without the node's own local transform.
            RVector4 t;
            RVector4 r;
            RVector4 s;
            const RMatrix local = RMatrix::ConstructFromTRS(node->GetDefaultTranslation(t), node->GetDefaultRotation(r),
                                                            node->GetDefaultScaling(s));
            RMatrix inverse;
            MatrixInverseOrthogonal(inverse, local);
            MatrixMultiplyAffine(matrix, entry, inverse);
            helper = parent;
        } else if (RWyxNode* post = PostChildOf(*node); post != nullptr && post->GetName() == name + kPostMark) {
            // The post node turns first: its global matrix is the node's with its rotation.
            MatrixMultiplyAffine(matrix, entry, DefaultRotationOf(*post));
            helper = post;
        }
        if (helper == nullptr || !AddEntry(cluster, *helper, matrix)) continue;
        for (auto link = cluster.links.begin(); link != cluster.links.end(); ++link) {
            if ((*link)->GetLink() != nullptr && (*link)->GetLink()->GetName() == helper->GetName()) {
                (*link)->SetTransformLinkMatrix(matrix);
                cluster.links.erase(link);
                break;
            }
        }
    }
}

void SkinExport::ReportConflicts() {
    if (conflicts_.empty()) return;
    RWyxLogFile* log = session_.GetLog();
    RString text = RString(kConflictText) + "\n\n";
    if (log != nullptr) log->AddLine((RString(WyxVexaExportSession::kWarningTitle) + ": ").Buffer());
    for (const auto& conflict : conflicts_) {
        const VDagPath* path = PathOf(*conflict.second);
        const RString name = path != nullptr ? GetShortPathName(path) : conflict.second->GetNameWithoutPrefix();
        text += RString("    ") + name + "\n";
        if (log != nullptr) log->AddLine(name.Buffer());
    }
    if (log != nullptr) log->AddLine("");
    session_.ShowDialog(WyxVexaExportSession::kWarningTitle, text);
    conflicts_.clear();
}

void ExportSkinClusters(WyxVexaExportSession& session) { SkinExport(session).Run(); }

