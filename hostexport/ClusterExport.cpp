// The cluster pass: every cluster handle under an exported transform becomes, on each geometry
// its cluster deforms, an additive skin link of the handle's node with the member points and
// their weights, hinted as a relative cluster or not; a non-relative cluster under a parent gets
// a compensation link of the parent with the same points at weight 1. Control points are
// numbered as the mesh and NURBS exports number them.

#include "hostexport/ExportSteps.h"
#include "hostexport/DeformerExportSupport.h"
#include "hostexport/WyxVexaExportSession.h"

#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxSkinLink.h"
#include "plugin/HostUtilities.h"
#include "plugin/NodeTreeWalk.h"
#include "plugin/ProgressDisplay.h"
#include "plugin/VexaNode.h"
#include "scene/RWyxNode.h"

#include <vexa/VFnGeometryFilter.h>
#include <vexa/VFnSet.h>
#include <vexa/VItMeshVertex.h>
#include <vexa/VItSurfaceCV.h>
#include <vexa/VPlug.h>
#include <vexa/VPlugArray.h>
#include <vexa/VSelectionList.h>

#include <vector>

namespace {

constexpr const char* kHintId = "Vexa_ClusterHint";

struct PointWeights {
    std::vector<int> indices;
    std::vector<double> weights;

    // Kept while the index is a control point and fewer pairs than points are held.
    void Add(int index, double weight, int count) {
        if (index < 0 || index >= count || static_cast<int>(indices.size()) >= count) return;
        indices.push_back(index);
        weights.push_back(weight);
    }
};

PointWeights MeshWeights(const VDagPath& path, const VObject& component, const VPlug& weights, int count) {
    PointWeights points;
    for (VItMeshVertex it(path, component); !it.isDone(); it.next()) {
        const int index = it.index();
        if (index >= 0) points.Add(index, weights.elementByLogicalIndex(static_cast<unsigned>(index)).asDouble(), count);
    }
    return points;
}

// A CV (u, v) of the host is SDK control point u x (SDK U count) + v: the host's V is the SDK's U.
PointWeights SurfaceWeights(const VDagPath& path, const VObject& component, const VPlug& weights, const RWyxNurb& nurb) {
    PointWeights points;
    const int count = nurb.GetUCount() * nurb.GetVCount();
    for (VItSurfaceCV it(path, component); !it.isDone(); it.next()) {
        int u = -1;
        int v = -1;
        if (!it.getIndex(u, v) || u < 0 || v < 0 || v >= nurb.GetUCount() || u >= nurb.GetVCount()) continue;
        const double weight = weights.elementByLogicalIndex(static_cast<unsigned>(it.index())).asDouble();
        points.Add(u * nurb.GetUCount() + v, weight, count);
    }
    return points;
}

// The cluster's weights plug of the geometry's index; false, printed, when the cluster has no
// geometry output, the member's shape is not one it gives out or its input has no group id.
bool WeightsOfGeometry(const VObject& deformer, const VObject& shape, VPlug& weights) {
    const VFnGeometryFilter filter(deformer);
    VStatus status;
    filter.findPlug("outputGeometry", &status);
    if (!status) {
        PrintStatusError(status, "Output geometry plug not found");
        return false;
    }
    const unsigned index = filter.indexForOutputShape(shape, &status);
    if (!status) {
        PrintStatusError(status, "Logical index not found");
        return false;
    }
    const VPlug input = filter.findPlug("input", &status);
    if (!status) {
        PrintStatusError(status, "Input not found");
        return false;
    }
    if (!input.elementByLogicalIndex(index).child(filter.attribute("groupId")).isConnected()) {
        PrintStatusError(VStatus(VStatus::kNotFound, "input without a groupId"), "Group ID not found");
        return false;
    }
    weights = filter.findPlug("weights", &status);
    if (status) status = weights.selectAncestorLogicalIndex(index, filter.attribute("wl"));
    PrintStatusError(status, "Init logical index fail.");
    return static_cast<bool>(status);
}

// The cluster's object set: the one node fed by its "message".
bool ClusterSet(const VObject& deformer, VObject& set) {
    VStatus status;
    const VPlug message = VFnDependencyNode(deformer).findPlug("message", &status);
    VPlugArray destinations;
    if (!status || !message.connectedTo(destinations, false, true) || destinations.length() != 1) return false;
    set = destinations[0].node();
    return set.hasFn(VFn::kObjectSet);
}

RWyxSkinLink* NewClusterLink(WyxVexaExportSession& session, RWyxNode& linkNode, RWyxNode& geometryNode,
                             const PointWeights& points, const char* hint, bool unitWeights) {
    RWyxSkinLink* link = session.GetFactory().CreateSkinLink();
    if (link == nullptr) return nullptr;
    link->SetMode(1);
    link->SetLink(&linkNode);
    for (size_t i = 0; i < points.indices.size(); ++i) {
        link->AddControlPointIndex(points.indices[i], unitWeights ? 1.0 : points.weights[i]);
    }
    link->SetUserData(kHintId, hint);
    geometryNode.GetGeometry()->AddDeformer(link);
    link->SetTransformLinkMatrix(GlobalTransformOf(linkNode));
    link->SetTransformMatrix(GlobalTransformOf(geometryNode));
    return link;
}

void ExportCluster(WyxVexaExportSession& session, const VDagPath& path, unsigned child, RWyxNode& handleNode) {
    const VObject handle = path.child(child);
    VObject deformer;
    const auto found = [&](VFn::Type type) {
        return FindConnectedNodeOfType(handle, type, deformer, VItDependencyGraph::kDownstream,
                                       VItDependencyGraph::kNodeLevel);
    };
    if (!found(VFn::kCluster) && !found(VFn::kJointCluster)) return;
    if (static_cast<VexaNode&>(handleNode).GetExportFlag()) return;
    VObject set;
    if (!ClusterSet(deformer, set)) return;
    VStatus status;
    const bool relative = VFnDependencyNode(deformer).findPlug("relative", &status).asBool();
    VSelectionList members;
    PrintStatusError(VFnSet(set).getMembers(members, false), "Cannot read the cluster's members");
    RWyxNode* parent = handleNode.GetParent();
    const bool associated = path.length() >= 2 && parent != nullptr && parent != session.GetRootNode();
    for (unsigned m = 0; m < members.length(); ++m) {
        VDagPath member;
        VObject component;
        if (!members.getDagPath(m, member, component)) continue;
        const bool cvs = component.hasFn(VFn::kSurfaceCVComponent);
        if (!cvs && !component.hasFn(VFn::kMeshVertComponent)) continue;
        VPlug weights;
        if (!WeightsOfGeometry(deformer, member.node(), weights)) continue;
        RWyxNode* geometryNode = FindNodeForDagPath(session, member);
        RWyxGeometry* geometry = geometryNode != nullptr ? geometryNode->GetGeometry() : nullptr;
        if (geometry == nullptr) continue;
        const RWyxNurb* nurb = geometryNode->GetNurb();
        if (cvs && nurb == nullptr) continue;
        const PointWeights points = cvs ? SurfaceWeights(member, component, weights, *nurb)
                                        : MeshWeights(member, component, weights, geometry->GetControlPointsCount());
        RWyxSkinLink* link = NewClusterLink(session, handleNode, *geometryNode, points,
                                            relative ? "WeightedRelativeCluster" : "WeightedCluster", false);
        if (link == nullptr || !associated) continue;
        link->SetAssociateModel(parent);
        link->SetTransformAssociateModelMatrix(GlobalTransformOf(*parent));
        if (!relative) NewClusterLink(session, *parent, *geometryNode, points, "CompensationCluster", true);
    }
}

}  // namespace

void ExportClustersRecursive(WyxVexaExportSession& session, RWyxNode* node) {
    WalkNodeTree(node, ChildOrder::kLastToFirst, [&session](RWyxNode& each) {
        const VString name(each.GetNameWithoutPrefix().Buffer());
        ProgressTick(&name);
        if (const VDagPath* path = static_cast<VexaNode&>(each).GetDagPath()) {
            for (unsigned i = 0; i < path->childCount(); ++i) {
                if (path->child(i).hasFn(VFn::kClusterHandle)) ExportCluster(session, *path, i, each);
            }
        }
    });
}
