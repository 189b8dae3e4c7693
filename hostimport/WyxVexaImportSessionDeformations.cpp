// The deformations phase of the import: the skin links of each geometry made by this import
// become host deformers. Links of joints (modes 0 and 2, the skin's "normal" and "total")
// become one skin per geometry (WyxVexaImportSessionSkin.cpp); additive links become one
// cluster each, weighted with "percent"; links of other nodes are reported, not bound.
//
// A cluster whose link node was made a cluster handle for another geometry already takes the
// geometry into that cluster. The export writes, beside a cluster that is not relative, a
// compensation link on the cluster's parent that only its own evaluation needs; the host's
// cluster does without, so such links are left out.

#include "hostimport/ImportNodePasses.h"
#include "hostimport/SkinLinkPoints.h"
#include "hostimport/WyxVexaImportSession.h"

#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxSkinLink.h"
#include "core/RWyxLogFile.h"
#include "plugin/HostUtilities.h"
#include "plugin/NodeTreeWalk.h"
#include "plugin/ProgressDisplay.h"
#include "plugin/ScriptText.h"
#include "plugin/VexaNode.h"
#include "scene/RWyxNode.h"

#include <vexa/VFnDoubleIndexedComponent.h>
#include <vexa/VFnGeometryFilter.h>
#include <vexa/VFnSet.h>
#include <vexa/VFnSingleIndexedComponent.h>
#include <vexa/VGlobal.h>
#include <vexa/VSelectionList.h>
#include <vexa/VStringArray.h>

#include <cmath>
#include <cstdio>
#include <strings.h>

namespace {

const char* const kRelativeHint = "WeightedRelativeCluster";
const char* const kCompensationHint = "CompensationCluster";
const VString kPleaseWait = "This may take a while. Please wait!";
// Neighbouring points whose weights differ by less than this share one "percent".
constexpr double kSameWeight = 1e-5;

VexaNode& Vexa(RWyxNode* node) { return *static_cast<VexaNode*>(node); }

bool HintIs(const RWyxSkinLink& link, const char* hint) {
    return strcasecmp(link.GetUserDataValue().Buffer(), hint) == 0;
}

VString Weight(double weight) {
    char text[64];
    std::snprintf(text, sizeof(text), "%f", weight);
    return VString(text);
}

// The node the selection list finds by name; the null object when none.
VObject NodeNamed(const VString& name) {
    VSelectionList list;
    VObject node;
    if (!list.add(name) || !list.getDependNode(0, node)) return VObject();
    return node;
}

// The cluster of a link node that is a handle already (made for another geometry).
VObject ExistingCluster(const VexaNode& handle) {
    std::string name = handle.GetHostName().str();
    for (char& c : name) {
        if (c == ' ') c = '_';
    }
    const VObject cluster = NodeNamed(VString(name.c_str()));
    if (cluster.isNull()) VStatus(VStatus::kNotFound, VString(name.c_str())).perror("Cannot find cluster link.");
    return cluster;
}

// A new cluster whose handle is the link node's host transform (which the link node stays bound
// to); the cluster's name is kept on the link node.
VObject NewCluster(RWyxSkinLink& link, VexaNode& handle) {
    const VString host = handle.GetDagPath()->partialPathName();
    VStringArray made;
    VGlobal::executeCommand("cluster -n " + QuotedScriptText(VString(handle.GetNameWithoutPrefix().Buffer())) +
                                (HintIs(link, kRelativeHint) ? " -rel " : "") + " -bf -bs 1.0  -wn " +
                                QuotedScriptText(host) + "  " + QuotedScriptText(host),
                            made);
    const VObject cluster = made.length() >= 2 ? NodeNamed(made[0]) : VObject();
    if (cluster.isNull()) {
        VStatus(VStatus::kFailure, host).perror("Cannot create the cluster.");
        return VObject();
    }
    handle.SetHostName(made[0]);
    return cluster;
}

}  // namespace

void WyxVexaImportSession::ImportDeformations(RWyxNode* node) {
    // Each node after its children, children last to first.
    WalkNodeTree(node, ChildOrder::kLastToFirst, [](RWyxNode&) {},
                 [this](RWyxNode& each) { ImportNodeDeformations(&each); });
}

void WyxVexaImportSession::ImportNodeDeformations(RWyxNode* node) {
    RWyxGeometry* geometry = node->GetGeometry();
    const VDagPath* path = Vexa(node).GetDagPath();
    if (geometry == nullptr || Vexa(node).IsMerged() || geometry->GetDeformerCount() == 0 || path == nullptr ||
        !path->isValid()) {
        return;
    }
    const VString name(node->GetNameWithoutPrefix().Buffer());
    ProgressTick(&name);
    ProgressTick(&kPleaseWait);
    std::vector<RWyxSkinLink*> joints;
    std::vector<RWyxSkinLink*> others;
    std::vector<RWyxSkinLink*> clusters;
    for (int d = 0; d < geometry->GetDeformerCount(); ++d) {
        RWyxSkinLink* link = geometry->GetDeformer(d);
        if (link == nullptr || link->GetLink() == nullptr) continue;
        switch (link->GetMode()) {
            case RWyxSkinLink::kNormal:
            case RWyxSkinLink::kTotal1:
                (IsSkeletonNode(link->GetLink()) ? joints : others).push_back(link);
                break;
            case RWyxSkinLink::kAdditive:
                if (!HintIs(*link, kCompensationHint)) clusters.push_back(link);
                break;
            default:
                break;
        }
    }
    for (size_t k = 0; k < clusters.size(); ++k) {
        ImportCluster(node, *clusters[k], static_cast<int>(k + 1), static_cast<int>(clusters.size()));
    }
    if (!joints.empty()) ImportSkin(node, joints);
    if (others.empty()) return;
    std::vector<RString> names;
    for (const RWyxSkinLink* link : others) names.push_back(link->GetLink()->GetNameWithoutPrefix());
    ReportNames("WYX import error",
                "The following DAG nodes influence the skin in the source WYX file but because they are not of "
                "type Joint, they are ignored:",
                names, {"The resulting skin operation may produce errors."});
}

void WyxVexaImportSession::ImportCluster(RWyxNode* node, RWyxSkinLink& link, int number, int count) {
    VGlobal::executeCommand("select -cl");
    VexaNode& handle = Vexa(link.GetLink());
    const VDagPath* handlePath = handle.GetDagPath();
    if (handlePath == nullptr || !handlePath->isValid()) {
        VStatus(VStatus::kNotFound, VString(handle.GetNameWithoutPrefix().Buffer())).perror("Cannot create the cluster.");
        return;
    }
    const VObject cluster =
        handlePath->hasFn(VFn::kClusterHandle) ? ExistingCluster(handle) : NewCluster(link, handle);
    if (cluster.isNull()) return;
    VStatus status;
    const VFnGeometryFilter deformer(cluster, &status);
    const VObject set = deformer.deformerSet(&status);
    PrintStatusError(status, "Cannot find the cluster's set");
    SetMatrixPlug(deformer.findPlug("bindPreMatrix"), link.GetTransformLinkMatrix().Inverse(), "bindPreMatrix");
    const VString pass = VString("Pass ") + number + " of " + count;
    ProgressTick(&pass);

    VDagPath shape = *Vexa(node).GetDagPath();
    if (!shape.extendToShape()) return;
    const VString shapeName = shape.partialPathName();
    const RWyxGeometry& geometry = *node->GetGeometry();
    SortSkinLinkByIndex(link);
    const LinkWeights weights = CheckedLinkWeights(link, geometry.GetControlPointsCount());
    const VString clusterName = VFnDependencyNode(cluster).name();
    VSelectionList members;
    if (const RWyxNurb* nurb = node->GetNurb()) {
        HostCvLayout layout;
        if (!layout.Read(*nurb, Vexa(node))) {
            VStatus(VStatus::kInvalidParameter).perror("Cannot find NURBS.");
            return;
        }
        VFnDoubleIndexedComponent component;
        const VObject cvs = component.create(VFn::kSurfaceCVComponent);
        std::vector<std::pair<int, int>> hostCvs;
        std::vector<VString> commands;
        for (size_t i = 0; i < weights.points.size(); ++i) {
            layout.CvsOf(weights.points[i], hostCvs);
            for (const auto& cv : hostCvs) {
                component.addElement(cv.first, cv.second);
                commands.push_back("percent -v " + Weight(weights.weights[i]) + "  " + QuotedScriptText(clusterName) +
                                   "  " +
                                   QuotedScriptText(shapeName + ".cv[" + cv.first + "][" + cv.second + "]"));
            }
        }
        if (!weights.points.empty()) status = members.add(shape, cvs);
        if (status && !weights.points.empty()) status = VFnSet(set).addMembers(members);
        PrintStatusError(status, "Cannot add deformed vertex in Cluster deformation list.");
        for (const VString& command : commands) {
            PrintStatusError(VGlobal::executeCommand(command), "Cannot create the CV cluster weight.");
        }
        return;
    }
    VFnSingleIndexedComponent component;
    const VObject vertices = component.create(VFn::kMeshVertComponent);
    VIntArray elements;
    for (const int point : weights.points) elements.append(point);
    if (elements.length() > 0) status = component.addElements(elements);
    if (status && elements.length() > 0) status = members.add(shape, vertices);
    if (status && elements.length() > 0) status = VFnSet(set).addMembers(members);
    PrintStatusError(status, "Cannot add deformed vertex in Cluster deformation list.");
    // One "percent" per run of neighbouring points of (nearly) one weight.
    for (size_t start = 0; start < weights.points.size();) {
        size_t end = start;
        while (end + 1 < weights.points.size() && weights.points[end + 1] == weights.points[end] + 1 &&
               std::fabs(weights.weights[end + 1] - weights.weights[end]) < kSameWeight) {
            ++end;
        }
        const std::pair<int, int> run(weights.points[start], weights.points[end]);
        VGlobal::executeCommand("percent -v " + Weight(weights.weights[start]) + " " + QuotedScriptText(clusterName) +
                                "  " + QuotedScriptText(shapeName + ".vtx" + RunText(run).c_str()));
        start = end + 1;
    }
}
