// The skin of one geometry: the joints and the geometry selected, "newSkinCluster" binds them,
// the bind matrices are set from the file, every weight the host guessed is pruned, the file's
// weights are set exactly, and the host normalises once at the end.
//
// Every joint is selected once ("select -tgl" of a joint selected before would take it off
// again), so a joint with two links is still one influence.

#include "hostimport/SkinLinkPoints.h"
#include "hostimport/WyxVexaImportSession.h"

#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxSkinLink.h"
#include "core/RWyxLogFile.h"
#include "plugin/HostUtilities.h"
#include "plugin/ProgressDisplay.h"
#include "plugin/ScriptText.h"
#include "plugin/VexaNode.h"
#include "plugin/WyxVexaOptions.h"
#include "scene/RRenamingStrategy.h"
#include "scene/RWyxNode.h"

#include <vexa/VDagPathArray.h>
#include <vexa/VFloatArray.h>
#include <vexa/VFnDoubleIndexedComponent.h>
#include <vexa/VFnSingleIndexedComponent.h>
#include <vexa/VFnSkinCluster.h>
#include <vexa/VGlobal.h>
#include <vexa/VStringArray.h>

#include <cmath>
#include <string>
#include <unordered_map>

namespace {

const VString kPleaseWait = "This may take a while. Please wait!";

VexaNode& Vexa(RWyxNode* node) { return *static_cast<VexaNode*>(node); }

void Run(const VString& command) { VGlobal::executeCommand(command); }

// The node's matrix in the first bind pose that holds it (by its name in the file), else its
// global transform.
RMatrix BindMatrixOf(const RWyxNode& node, const VexaObjectFactory& factory) {
    std::vector<RWyxPose*> poses;
    std::vector<int> members;
    const RString name = node.GetInitialName();
    if (RWyxPose::FindBindPoses(&factory, name.Buffer(), poses, members) ||
        RWyxPose::FindBindPoses(&factory, RRenamingStrategy::NameWithoutPrefix(name).Buffer(), poses, members)) {
        return poses.front()->GetMatrix(members.front());
    }
    return node.GetGlobalMatrix();
}

// The distinct joints of the links in link order, the first link to each, and the place of each.
struct JointList {
    std::vector<RWyxNode*> joints;
    std::vector<const RWyxSkinLink*> firstLinks;
    std::unordered_map<const RWyxNode*, size_t> places;
};

JointList JointsOf(const std::vector<RWyxSkinLink*>& links) {
    JointList list;
    for (const RWyxSkinLink* link : links) {
        if (!list.places.emplace(link->GetLink(), list.joints.size()).second) continue;
        list.joints.push_back(link->GetLink());
        list.firstLinks.push_back(link);
    }
    return list;
}

// The host component of the link's points on the shape, and one weight per element.
VObject WeightComponent(const RWyxGeometry& geometry, const VexaNode& node, const LinkWeights& weights,
                        VFloatArray& values) {
    values.clear();
    if (weights.points.empty()) return VObject();
    if (const RWyxNurb* nurb = node.GetNurb()) {
        HostCvLayout layout;
        if (!layout.Read(*nurb, node)) return VObject();
        VFnDoubleIndexedComponent component;
        const VObject made = component.create(VFn::kSurfaceCVComponent);
        component.setCompleteData(layout.HostFirstCount(), layout.HostSecondCount());
        std::vector<std::pair<int, int>> cvs;
        for (size_t i = 0; i < weights.points.size(); ++i) {
            layout.CvsOf(weights.points[i], cvs);
            for (const auto& cv : cvs) {
                if (!component.addElement(cv.first, cv.second)) continue;
                values.append(static_cast<float>(weights.weights[i]));
            }
        }
        return made;
    }
    VFnSingleIndexedComponent component;
    const VObject made = component.create(VFn::kMeshVertComponent);
    component.setCompleteData(geometry.GetControlPointsCount());
    for (size_t i = 0; i < weights.points.size(); ++i) {
        if (!component.addElement(weights.points[i])) continue;
        values.append(static_cast<float>(weights.weights[i]));
    }
    return made;
}

// The geometry's influenced points as host component texts, a run to a text.
std::vector<VString> ComponentTexts(const VString& shape, const VexaNode& node, const std::vector<int>& points) {
    std::vector<VString> texts;
    const RWyxNurb* nurb = node.GetNurb();
    if (nurb == nullptr) {
        for (const auto& run : PointRuns(points)) texts.push_back(shape + ".vtx" + RunText(run).c_str());
        return texts;
    }
    HostCvLayout layout;
    if (!layout.Read(*nurb, node)) return texts;
    std::vector<std::pair<int, int>> cvs;
    for (const int point : points) {
        layout.CvsOf(point, cvs);
        for (const auto& cv : cvs) texts.push_back(shape + ".cv[" + cv.first + "][" + cv.second + "]");
    }
    return texts;
}

}  // namespace

void WyxVexaImportSession::ImportSkin(RWyxNode* node, const std::vector<RWyxSkinLink*>& jointLinks) {
    RWyxGeometry& geometry = *node->GetGeometry();
    VDagPath shape = *Vexa(node).GetDagPath();
    VStatus status = shape.extendToShape();
    PrintStatusError(status, "Cannot find the shape of a skin");
    if (!status) return;
    ProgressTick(&kPleaseWait);
    for (RWyxSkinLink* link : jointLinks) SortSkinLinkByIndex(*link);
    const std::vector<int> points = InfluencedPoints(jointLinks, geometry.GetControlPointsCount());
    if (GetPluginOptions()->GetBoolOption(kImportForceWeightNormalize)) NormalizeSkinWeights(geometry);

    const JointList jointList = JointsOf(jointLinks);
    const std::vector<RWyxNode*>& joints = jointList.joints;
    RWyxNode* parent = node->GetParent();
    if (jointList.places.count(parent) > 0) {
        const RString warning = RString("The skin is parented to the deforming bone (") + parent->GetNameWithoutPrefix() +
                                "). Inconsistent behaviour may occur.";
        if (log_ != nullptr) log_->AddLine((RString("Warning: ") + warning).Buffer());
        ShowDialog("WYX import warning", warning);
    }

    Run("select -cl");
    std::vector<VDagPath> jointPaths;
    for (RWyxNode* joint : joints) {
        const VDagPath* path = Vexa(joint).GetDagPath();
        jointPaths.push_back(path != nullptr ? *path : VDagPath());
        // The shortest path that names the joint alone: a full path is as long as the joint is deep.
        if (path != nullptr) Run("select -tgl " + QuotedScriptText(path->partialPathName()));
    }
    for (const VString& text : ComponentTexts(shape.partialPathName(), Vexa(node), points)) {
        Run("select -tgl " + QuotedScriptText(text));
    }
    VStringArray made;
    VGlobal::executeCommand("newSkinCluster \"-toSelectedBones -mi 5 -dr 4\"", made);
    Run("select -cl");
    VObject skinObject;
    if (!FindConnectedNodeOfType(shape.node(), VFn::kSkinClusterFilter, skinObject, VItDependencyGraph::kUpstream,
                                 VItDependencyGraph::kNodeLevel)) {
        VStatus(VStatus::kNotFound).perror("Cannot find smooth binding node.");
        return;
    }
    VFnSkinCluster skin(skinObject);
    const VString skinName = skin.name();
    // One bind matrix per joint, or the host bound other joints than those of the file.
    const VPlug bindPreMatrix = skin.findPlug("bindPreMatrix", &status);
    if (!status || bindPreMatrix.numElements() != joints.size()) {
        if (made.length() > 0) Run("delete " + QuotedScriptText(made[0]));
        return;
    }
    SetMatrixPlug(skin.findPlug("geomMatrix"), BindMatrixOf(*node, factory_), "geomMatrix");
    std::vector<unsigned> influences;
    for (size_t j = 0; j < joints.size(); ++j) {
        const unsigned influence = skin.indexForInfluenceObject(jointPaths[j], &status);
        influences.push_back(status ? influence : ~0u);
        if (!status) continue;
        // The joint's world matrix at the bind: its first link's transform-link matrix.
        const RMatrix jointBind = jointList.firstLinks[j]->GetTransformLinkMatrix();
        SetMatrixPlug(bindPreMatrix.elementByLogicalIndex(influence), jointBind.Inverse(), "bindPreMatrix");
        SetMatrixPlug(VFnDependencyNode(jointPaths[j].node()).findPlug("bindPose"), jointBind, "bindPose");
    }

    const VString shapeText = QuotedScriptText(shape.partialPathName());
    Run("skinPercent -prw 10000 -normalize off " + QuotedScriptText(skinName) + " " + shapeText);
    Run("setAttr " + QuotedScriptText(skinName + ".normalizeWeights") + " 0");
    const int count = static_cast<int>(jointLinks.size());
    for (int k = 0; k < count; ++k) {
        const RWyxSkinLink& link = *jointLinks[static_cast<size_t>(k)];
        const VString pass = VString(node->GetNameWithoutPrefix().Buffer()) + " : Pass " + (k + 1) + " of " + count;
        ProgressTick(&pass);
        const size_t j = jointList.places.at(link.GetLink());
        if (influences[j] == ~0u) continue;
        PrintStatusError(SetInfluenceWeights(skin, shape, node, link, influences[j]), "Cannot set the skin weights");
    }
    Run("setAttr " + QuotedScriptText(skinName + ".normalizeWeights") + " 1");
    Run("skinPercent -normalize true " + QuotedScriptText(skinName) + " " + shapeText);
    Run("setAttr " + QuotedScriptText(skinName + ".normalizeWeights") + " 0");
    Run("select -cl");
}

VStatus WyxVexaImportSession::SetInfluenceWeights(VFnSkinCluster& skin, const VDagPath& shape, RWyxNode* node,
                                                  const RWyxSkinLink& link, unsigned influence) {
    const RWyxGeometry& geometry = *node->GetGeometry();
    VFloatArray values;
    const VObject component =
        WeightComponent(geometry, Vexa(node), CheckedLinkWeights(link, geometry.GetControlPointsCount()), values);
    if (component.isNull() || values.length() == 0) return VStatus();
    VIntArray influences;
    influences.append(static_cast<int>(influence));
    return skin.setWeights(shape, component, influences, values, false);
}

void WyxVexaImportSession::NormalizeSkinWeights(RWyxGeometry& geometry) {
    const int count = geometry.GetControlPointsCount();
    if (count <= 0) return;
    // The weights of each point over the links of modes 0 and 2, gathered in one pass.
    std::vector<std::vector<double*>> byPoint(static_cast<size_t>(count));
    for (int d = 0; d < geometry.GetDeformerCount(); ++d) {
        RWyxSkinLink* link = geometry.GetDeformer(d);
        if (link == nullptr || (link->GetMode() != RWyxSkinLink::kNormal && link->GetMode() != RWyxSkinLink::kTotal1)) {
            continue;
        }
        int* indices = link->GetControlPointIndices();
        double* weights = link->GetControlPointWeights();
        for (int i = 0; i < link->GetControlPointIndicesCount(); ++i) {
            if (indices[i] >= 0 && indices[i] < count) byPoint[static_cast<size_t>(indices[i])].push_back(&weights[i]);
        }
    }
    int zeroSums = 0;
    int shown = -1;
    for (int c = 0; c < count; ++c) {
        const int percent = static_cast<int>(100.0 * c / count) + 1;
        if (percent != shown) {
            shown = percent;
            const VString text = VString("Preparing...") + percent + " %";
            ProgressTick(&text);
        }
        std::vector<double*>& weights = byPoint[static_cast<size_t>(c)];
        if (weights.size() == 1) {
            if (*weights[0] > 0.0 && *weights[0] < 1.0) *weights[0] = 1.0;
            continue;
        }
        if (weights.size() < 2) continue;
        double sum = 0.0;
        for (const double* weight : weights) sum += *weight;
        if (sum == 0.0 || !std::isfinite(sum)) {
            ++zeroSums;
            continue;
        }
        for (double* weight : weights) *weight /= sum;
    }
    if (zeroSums > 0 && log_ != nullptr) {
        const RWyxNode* owner = geometry.GetNode();
        const RString name = owner != nullptr ? owner->GetNameWithoutPrefix() : RString();
        log_->AddLine((RString("Skin weights of ") + name + ": " + RString(std::to_string(zeroSums).c_str()) +
                       " control points have weights that add up to 0; they were left as they are.")
                          .Buffer());
    }
}
