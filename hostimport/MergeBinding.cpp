#include "hostimport/MergeBinding.h"

#include "core/RWyxUserProperty.h"
#include "curves/RFCurveFilterMatrixConverter.h"
#include "hostimport/ImportNodePasses.h"
#include "hostimport/UserAttributes.h"
#include "hostimport/WyxVexaImportSession.h"
#include "plugin/VexaNode.h"
#include "plugin/VexaObjectFactory.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxTakeNode.h"

#include <vexa/VDagPathArray.h>
#include <vexa/VFnCamera.h>
#include <vexa/VFnDagNode.h>
#include <vexa/VFnLight.h>
#include <vexa/VItDag.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

// The file's nodes by their names (without "Model::"), in byte order.
using NameIndex = std::map<std::string, std::vector<RWyxNode*>>;

NameIndex BuildNameIndex(RWyxNode* root) {
    NameIndex index;
    std::vector<RWyxNode*> nodes;
    CollectSubtreePreOrder(root, nodes);
    for (size_t i = 1; i < nodes.size(); ++i) index[nodes[i]->GetNameWithoutPrefix().Buffer()].push_back(nodes[i]);
    return index;
}

// A host name without its namespaces (everything up to the last ":").
std::string LeafName(const VString& hostName) {
    const std::string text = hostName.str();
    const size_t colon = text.rfind(':');
    return colon == std::string::npos ? text : text.substr(colon + 1);
}

// A host name split at its first ":" into namespace and name.
void SplitHostName(const VString& hostName, std::string& nameSpace, std::string& name) {
    const std::string text = hostName.str();
    const size_t colon = text.find(':');
    nameSpace = colon == std::string::npos ? std::string() : text.substr(0, colon);
    name = colon == std::string::npos ? text : text.substr(colon + 1);
}

std::string NamespaceOf(const RWyxNode* node) {
    RString name;
    bool starts = false;
    static_cast<const VexaNode*>(node)->GetNamespace(name, starts);
    return name.Buffer();
}

VexaNode& Vexa(RWyxNode* node) { return *static_cast<VexaNode*>(node); }

void Bind(RWyxNode* node, const VDagPath& path) {
    VexaNode& vexa = Vexa(node);
    vexa.SetDagPath(&path);
    vexa.SetMerged(true);
    VStatus status;
    if (node->GetCamera() != nullptr) {
        const VObject camera = VFnCamera(path, &status).object();
        if (status) vexa.SetObject(&camera);
    } else if (node->GetLight() != nullptr) {
        const VObject light = VFnLight(path, &status).object();
        if (status) vexa.SetObject(&light);
    }
    if (node->GetNodeAttribute() != nullptr) BindCustomAttributes(node);
}

bool HasFittingAttribute(const VFnDependencyNode& host, const RWyxUserProperty& property, const std::string& name) {
    const VString hostName(name.c_str());
    return host.hasAttribute(hostName) && IsCompatibleAttribute(property, host.attribute(hostName));
}

void BakeRootMatrix(RWyxNode* child, const RMatrix& rootMatrix) {
    RWyxTakeNode* take = child->GetCurrentTakeNode();
    RFCurveNode* curves = take != nullptr ? take->GetRootCurveNode() : nullptr;
    if (curves == nullptr) return;
    RFCurveFilterMatrixConverter converter;
    RTime frame;
    frame.FromSeconds(1.0 / WyxVexaImportSession::GetSamplingRate());
    converter.SetResamplingPeriod(frame);
    converter.SetKeyTimesFromSource(true);
    converter.SetResampleAfter(false);
    converter.SetExtraOutput(false);
    converter.SetReduceConstantKeysAfter(true);
    converter.SetMatrix(7, rootMatrix);
    converter.Apply(*curves, true);
}

}  // namespace

void WalkCamerasAndLights(VexaMergeBinding& binding, VStatus& status, RWyxNode* root, VFn::Type filter) {
    status = VStatus();
    if (root == nullptr || binding.factory == nullptr || binding.session == nullptr) return;
    // The index is made at the first host node met: a scene without DAG nodes needs none.
    std::optional<NameIndex> made;
    VStatus walking;
    for (VItDag it(VItDag::kDepthFirst, filter, &walking); walking && !it.isDone(); it.next()) {
        VDagPath path;
        if (!it.getPath(path)) continue;
        if (!made) made = BuildNameIndex(root);
        const NameIndex& index = *made;
        std::string nameSpace;
        std::string name;
        SplitHostName(VFnDagNode(path).name(), nameSpace, name);
        RWyxNode* found = nullptr;
        const auto entry = index.find(name);
        if (entry != index.end()) {
            for (RWyxNode* candidate : entry->second) {
                if (NamespaceOf(candidate) == nameSpace && PathMatchesHierarchy(candidate, path)) {
                    found = candidate;
                    break;
                }
            }
        } else {
            found = binding.factory->FindNode(name.c_str(), 0);
            if (found != nullptr && (NamespaceOf(found) != nameSpace || Vexa(found).GetDagPath() != nullptr)) {
                found = nullptr;
            }
        }
        if (found != nullptr && !IsUnmatchedReferenceRoot(path, found, *binding.session)) Bind(found, path);
    }
}

bool IsUnmatchedReferenceRoot(const VDagPath& path, RWyxNode* node, const WyxVexaImportSession& session) {
    if (!session.IsRootNode(node)) return false;
    for (int i = 0; i < node->GetChildCount(); ++i) {
        const std::string childName = node->GetChild(i)->GetNameWithoutPrefix().Buffer();
        for (unsigned h = 0; h < path.childCount(); ++h) {
            if (LeafName(VFnDagNode(path.child(h)).name()) == childName) return false;
        }
    }
    return true;
}

bool PathMatchesHierarchy(const RWyxNode* node, const VDagPath& path) {
    // The node and its ancestors below the scene's root, which the host has no node for.
    std::vector<const RWyxNode*> chain;
    for (const RWyxNode* each = node; each != nullptr && each->GetParent() != nullptr; each = each->GetParent()) {
        chain.push_back(each);
    }
    VDagPathArray paths;
    VDagPath::getAllPathsTo(path.node(), paths);
    for (unsigned p = 0; p < paths.length(); ++p) {
        VDagPath hostPath = paths[p];
        if (hostPath.length() != chain.size()) continue;
        bool same = true;
        for (size_t level = 0; same && level < chain.size(); ++level) {
            same = LeafName(VFnDagNode(hostPath.node()).name()) == chain[level]->GetNameWithoutPrefix().Buffer();
            hostPath.pop();
        }
        if (same) return true;
    }
    return false;
}

void BindCustomAttributes(RWyxNode* node) {
    const VDagPath* path = Vexa(node).GetDagPath();
    if (path == nullptr) return;
    const VFnDependencyNode host(path->node());
    std::vector<const RWyxUserProperty*> secondPass;
    for (int i = 0; i < node->GetUserPropertyCount(); ++i) {
        const RWyxUserProperty* property = node->GetUserProperty(i);
        if (property == nullptr || !property->GetFlag(RWyxUserProperty::kFlagUserProperty)) continue;
        const std::string name = UserAttributeBaseName(*property);
        if (name.empty()) continue;
        if (!host.hasAttribute(VString(name.c_str()))) {
            secondPass.push_back(property);
        } else if (HasFittingAttribute(host, *property, name)) {
            Vexa(node).AddAttributeName(UserAttributeKey(*property), RString(name.c_str()));
        }
    }
    for (const RWyxUserProperty* property : secondPass) {
        const std::string name = UserAttributeBaseName(*property);
        for (int attempt = 1; attempt < kUserAttributeAttempts; ++attempt) {
            const std::string numbered = UserAttributeCandidate(name, attempt);
            if (!HasFittingAttribute(host, *property, numbered)) continue;
            Vexa(node).AddAttributeName(UserAttributeKey(*property), RString(numbered.c_str()));
            break;
        }
    }
}

void ReinsertRootNode(WyxVexaImportSession& session, RWyxNode* root) {
    const RMatrix* rootMatrix = session.GetRootMatrix();
    if (rootMatrix == nullptr || root == nullptr) return;
    VexaNode* inserted = nullptr;
    std::vector<RWyxNode*> moved;
    for (int i = 0; i < root->GetChildCount(); ++i) {
        RWyxNode* child = root->GetChild(i);
        if (session.IsConvertibleRoot(child)) {
            if (inserted == nullptr) {
                inserted = session.GetFactory().CreateNodeForDagPath(session.GetRootName().Buffer(), nullptr);
                if (inserted == nullptr) return;
                inserted->SetDefaultTranslation(rootMatrix->GetTranslation());
                inserted->SetDefaultRotation(rootMatrix->GetRotation());
                inserted->SetDefaultScaling(rootMatrix->GetScaling());
            }
            moved.push_back(child);
        } else if (session.IsRootNode(child)) {
            BakeRootMatrix(child, *rootMatrix);
        }
    }
    // The inserted node joins the scene before the children move under it: a subtree that
    // joins a scene from outside is refused when two of its nodes share a name (the host
    // lets nodes of one name live under different parents), while a move within the scene
    // is not.
    if (inserted == nullptr || !root->AddChild(inserted)) return;
    for (RWyxNode* child : moved) inserted->AddChild(child);
}
