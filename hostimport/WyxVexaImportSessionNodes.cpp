// The import session's passes over its name table: which nodes are made in the host, and in
// which namespace each is made.

#include "hostimport/ImportNodePasses.h"
#include "hostimport/WyxVexaImportSession.h"

#include "attributes/RWyxCamera.h"
#include "plugin/HostUtilities.h"
#include "plugin/ProgressDisplay.h"
#include "plugin/ScriptText.h"
#include "plugin/VexaNode.h"
#include "plugin/WyxVexaOptions.h"
#include "scene/RWyxNode.h"

#include <vexa/VGlobal.h>
#include <vexa/VStringArray.h>

#include <unordered_set>

namespace {

using NodeSet = std::unordered_set<const RWyxNode*>;

// Removes every entry whose node is in the set. From the last entry back, so that a removal
// never moves an entry not yet looked at.
void RemoveNodesFromTable(RStringMap& table, const NodeSet& nodes) {
    if (nodes.empty()) return;
    for (int i = table.GetCount() - 1; i >= 0; --i) {
        if (nodes.count(reinterpret_cast<const RWyxNode*>(table.ValueAt(i))) != 0) table.RemoveAt(i);
    }
}

RWyxNode* NodeAt(const RStringMap& table, int index) { return reinterpret_cast<RWyxNode*>(table.ValueAt(index)); }

bool HasHostNode(const RWyxNode* node) { return static_cast<const VexaNode*>(node)->GetDagPath() != nullptr; }

void RunScript(const VString& script) {
    VStringArray ignored;
    VGlobal::executeCommand(script, ignored);
}

// The script that makes the root namespace current, made once: it runs for every node.
const VString& RootNamespaceScript() {
    static const VString script("namespace -set \":\"");
    return script;
}

VStringArray ScriptAnswer(const VString& script) {
    VStringArray answer;
    VGlobal::executeCommand(script, answer);
    return answer;
}

// Makes the namespace current, adding it below the root namespace when the host lacks it.
// The listing and the adding both act below the current namespace, so the root namespace is
// made current first: otherwise a second namespace would be made inside the first one.
void EnterNamespace(const RString& name) {
    const VString wanted(name.Buffer());
    const VStringArray current = ScriptAnswer("namespaceInfo -currentNamespace");
    if (current.length() > 0 && current[0] == wanted) return;
    RunScript(RootNamespaceScript());
    const VStringArray existing = ScriptAnswer("namespaceInfo -lon");
    bool found = false;
    for (unsigned i = 0; i < existing.length() && !found; ++i) found = existing[i] == wanted;
    // Added whenever it is missing, not only at the node that starts the namespace: nodes are
    // made in name order, which need not put that node first.
    if (!found) RunScript("namespace -add " + QuotedScriptText(wanted));
    RunScript("namespace -set " + QuotedScriptText(wanted));
}

}  // namespace

void WyxVexaImportSession::BuildNameTable(RWyxNode* root) {
    nameTable_.Clear();
    if (root == nullptr) return;
    std::vector<RWyxNode*> nodes;
    CollectSubtreePreOrder(root, nodes);
    for (size_t i = 1; i < nodes.size(); ++i) {
        nameTable_.Add(nodes[i]->GetName().Buffer(), reinterpret_cast<std::intptr_t>(nodes[i]));
    }
    RemoveDefaultCameras(root);
    RemoveCameraTargets();
}

void WyxVexaImportSession::RemoveDefaultCameras(RWyxNode* root) {
    std::vector<RWyxNode*> defaultCameras;
    for (int i = 0; i < root->GetChildCount(); ++i) {
        RWyxNode* child = root->GetChild(i);
        if (child->GetCamera() != nullptr && IsDefaultCameraName(child->GetNameWithoutPrefix().Buffer())) {
            defaultCameras.push_back(child);
        }
    }
    for (RWyxNode* camera : defaultCameras) {
        // The camera's subtree goes with it: no entry may point at a node destroyed here.
        std::vector<RWyxNode*> subtree;
        CollectSubtreePreOrder(camera, subtree);
        RemoveNodesFromTable(nameTable_, NodeSet(subtree.begin(), subtree.end()));
        root->RemoveChild(camera);
        factory_.DestroyNode(camera, true);
    }
}

void WyxVexaImportSession::RemoveCameraTargets() {
    NodeSet targets;
    for (int i = 0; i < nameTable_.GetCount(); ++i) {
        const RWyxNode* node = NodeAt(nameTable_, i);
        if (node->GetCamera() != nullptr && node->GetTarget() != nullptr) targets.insert(node->GetTarget());
    }
    RemoveNodesFromTable(nameTable_, targets);
}

void WyxVexaImportSession::CreateNodesInNamespaces() {
    rootNamespaceCurrent_ = false;
    if (GetPluginOptions()->GetImportMode() != WyxPluginOptions::kExclusiveMerge) {
        for (int i = 0; i < nameTable_.GetCount(); ++i) {
            RWyxNode* node = NodeAt(nameTable_, i);
            ProgressTickWith([node] { return VString(node->GetNameWithoutPrefix().Buffer()); });
            CreateNodeInNamespace(node);
        }
    }
    RunScript(RootNamespaceScript());
}

void WyxVexaImportSession::CreateNodeInNamespace(RWyxNode* node) {
    // The scene's root never becomes a host node.
    const auto waiting = [this](RWyxNode* each) { return each != nullptr && each != rootNode_ && !HasHostNode(each); };
    if (!waiting(node)) return;
    // Mostly the parent has its host node already: the node is made alone.
    if (!waiting(node->GetParent())) {
        CreateNodeInItsNamespace(node);
        return;
    }
    // The node and its ancestors that have no host node yet, the topmost made first; a loop
    // rather than recursion, so that a hierarchy of any depth is safe.
    std::vector<RWyxNode*> chain;
    for (RWyxNode* each = node; waiting(each); each = each->GetParent()) chain.push_back(each);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) CreateNodeInItsNamespace(*it);
}

void WyxVexaImportSession::CreateNodeInItsNamespace(RWyxNode* node) {
    RString name;
    bool starts = false;
    static_cast<VexaNode*>(node)->GetNamespace(name, starts);
    // Only the namespace commands below change the current namespace: the root, once made
    // current, stays so for the nodes after it until another namespace is entered.
    if (!name.IsEmptyText()) {
        EnterNamespace(name);
        rootNamespaceCurrent_ = false;
    } else if (!rootNamespaceCurrent_) {
        RunScript(RootNamespaceScript());
        rootNamespaceCurrent_ = true;
    }
    // Roots the root conversion recognised stand for the file's axes, not for host nodes.
    if (IsRootNode(node)) return;
    CreateHostNode(node);
}
