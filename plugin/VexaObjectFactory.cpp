#include "plugin/VexaObjectFactory.h"

#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxTexture.h"
#include "plugin/VexaNode.h"
#include "plugin/VexaRenamingStrategy.h"

#include <new>

namespace {

constexpr int kModelPrefixLength = 7;  // "Model::"

// Restores and cleans a scene object's name: initial name the type prefix and the file's
// name, current name the type prefix and the host name. Answers the namespace found.
RString RenameObjectForHost(VexaRenamingStrategy& strategy, RWyxSceneObject& object) {
    RNamePair pair(object.GetNameWithoutPrefix());
    strategy.Rename(pair);
    object.ResetName(object.GetNamePrefix() + pair.GetInitial());
    // Mostly the host takes the file's name as it is: the reset has given it already.
    if (pair.GetCurrent() != pair.GetInitial()) object.SetName(pair.GetCurrent());
    return strategy.GetNamespace();
}

// Makes a node's full name unique among the names seen so far.
void RenameNodeForFile(RRenamingStrategy& strategy, RWyxNode& node) {
    RNamePair pair(node.GetName());
    strategy.Rename(pair);
    node.ResetName(pair.GetInitial());
    node.GetNamePair().SetCurrent(pair.GetCurrent());  // the current name carries its prefix already
}

}  // namespace

VexaObjectFactory::VexaObjectFactory(int hostContext) : hostContext_(hostContext) {}

VexaObjectFactory::~VexaObjectFactory() { ReleaseMergeBindingObject(); }

RWyxNode* VexaObjectFactory::NewNode(const RString& fullName) { return new (std::nothrow) VexaNode(this, fullName); }

VexaNode* VexaObjectFactory::CreateNodeForDagPath(const char* name, const VDagPath* path) {
    auto* node = static_cast<VexaNode*>(CreateNode(name));
    if (node != nullptr) node->SetDagPath(path);
    return node;
}

VexaMergeBinding* VexaObjectFactory::GetMergeBindingObject() {
    if (!mergeBinding_) {
        mergeBinding_ = std::make_unique<VexaMergeBinding>();
        mergeBinding_->factory = this;
    }
    return mergeBinding_.get();
}

bool VexaObjectFactory::ReleaseMergeBindingObject() {
    if (!mergeBinding_) return false;
    mergeBinding_.reset();
    return true;
}

void VexaObjectFactory::RenameNodesForHost() {
    if (hostContext_ == kExportContext) {
        RenameForExport();
    } else {
        RenameForImport();
    }
    ReleaseNodeRenamingStrategy();
}

void VexaObjectFactory::RenameForImport() {
    SetNodeRenamingStrategy(std::make_unique<VexaRenamingStrategy>(hostContext_, false));
    auto& strategy = static_cast<VexaRenamingStrategy&>(*GetNodeRenamingStrategy());
    RString currentNamespace("");
    for (int i = 0; i < GetNodeCount(); ++i) {
        auto* node = static_cast<VexaNode*>(GetNode(i));
        const RString found = RenameObjectForHost(strategy, *node);
        if (found.IsEmptyText()) continue;
        if (found == currentNamespace) {
            node->SetNamespace(found, false);
            continue;
        }
        currentNamespace = found;
        // A node named like the namespace right before the run is the namespace's group.
        auto* previous = i >= 1 ? static_cast<VexaNode*>(GetNode(i - 1)) : nullptr;
        const bool groupBefore = previous != nullptr && previous->GetNameWithoutPrefix() == found;
        if (groupBefore) previous->SetNamespace(found, true);
        node->SetNamespace(found, !groupBefore);
    }
    for (int i = 0; i < GetMaterialCount(); ++i) RenameObjectForHost(strategy, *GetMaterial(i));
    for (int i = 0; i < GetTextureCount(); ++i) RenameObjectForHost(strategy, *GetTexture(i));
    for (int p = 0; p < GetPoseCount(); ++p) {
        RWyxPose& pose = *GetPose(p);
        for (int member = 0; member < pose.GetCount(); ++member) {
            RNamePair pair(RRenamingStrategy::NameWithoutPrefix(pose.GetNodeName(member)));
            strategy.Rename(pair);
            pose.SetNodeName(member, pair.GetInitial().Buffer());
        }
    }
}

void VexaObjectFactory::RenameForExport() {
    SetNodeRenamingStrategy(std::make_unique<VexaRenamingStrategy>(kExportContext, false));
    RRenamingStrategy& strategy = *GetNodeRenamingStrategy();
    strategy.SetCaseMode(RRenamingStrategy::kCaseDifferencesOnly);
    for (int i = 0; i < GetNodeCount(); ++i) {
        auto* node = static_cast<VexaNode*>(GetNode(i));
        const RString& name = node->GetName();
        const int colon = name.FindChar(':', kModelPrefixLength);
        if (colon > kModelPrefixLength) {
            node->SetNamespace(name.Substring(kModelPrefixLength, colon - kModelPrefixLength), true);
        }
        RenameNodeForFile(strategy, *node);
    }
    strategy.SetCaseMode(RRenamingStrategy::kExactRepeatsOnly);
    for (int i = 0; i < GetNodeCount(); ++i) RenameNodeForFile(strategy, *GetNode(i));
}
