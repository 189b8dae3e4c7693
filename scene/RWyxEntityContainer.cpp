#include "scene/RWyxEntityContainer.h"

#include "core/RWyxSceneObject.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeAttribute.h"
#include "scene/RWyxObjectFactory.h"

namespace {

// Indexed by error code; codes 11 to 16 carry no text.
const char* const kContainerMessages[] = {
    "Node is null.",
    "Node is already owned by the entity.",
    "Node does not belong to the entity.",
    "Parameter is out of range.",
    "Material still in use.",
    "Material not found.",
    "Texture still in use.",
    "Texture not found.",
    "Gobo still in use.",
    "Gobo not found.",
    "Gobo name clash.",
    "",
    "",
    "",
    "",
    "",
    "",
};
constexpr int kContainerMessageCount = static_cast<int>(sizeof(kContainerMessages) / sizeof(kContainerMessages[0]));

}  // namespace

RWyxEntityContainer::RWyxEntityContainer(RWyxObjectFactory* factory)
    : factory_(factory), error_(kContainerMessages, kContainerMessageCount) {
    if (factory_ == nullptr) return;
    if (RWyxNode* root = factory_->CreateNode("RootNode")) root->SetEntity(this, true);
}

RWyxEntityContainer::~RWyxEntityContainer() {
    Clear();
    ReleaseGenericNodes();
    genericNodes_.Clear();
    deformers_.Clear();
    skins_.Clear();
    clusters_.Clear();
}

// ---- nodes ------------------------------------------------------------------------------------

bool RWyxEntityContainer::AddNode(RWyxNode* node) {
    if (node == nullptr) {
        error_.SetErrorCode(kErrorNodeNull);
        return false;
    }
    // A node is recorded by one container at a time, so that its link always names the one
    // list that must forget it.
    if (node->entity_ != nullptr || !nodes_.Append(node)) {
        error_.SetErrorCode(kErrorNodeOwned);
        return false;
    }
    node->entity_ = this;
    return true;
}

bool RWyxEntityContainer::RemoveNode(RWyxNode* node) {
    if (node == nullptr) {
        error_.SetErrorCode(kErrorNodeNull);
        return false;
    }
    if (!nodes_.Remove(node)) {
        error_.SetErrorCode(kErrorNodeNotMember);
        return false;
    }
    if (node == root_) root_ = nullptr;
    node->entity_ = nullptr;
    return true;
}

RWyxNode* RWyxEntityContainer::GetNode(int index) {
    RWyxNode* node = nodes_.At(index);
    if (node == nullptr) error_.SetErrorCode(kErrorOutOfRange);
    return node;
}

void RWyxEntityContainer::CollectNodesByAttributeType(std::vector<RWyxNode*>& nodes, int attributeType,
                                                      bool walkHierarchy) const {
    nodes.clear();
    const auto collect = [&nodes, attributeType](RWyxNode* node) {
        const RWyxNodeAttribute* attribute = node->GetNodeAttribute();
        if (attribute != nullptr && attribute->GetAttributeType() == attributeType) nodes.push_back(node);
    };
    if (!walkHierarchy) {
        nodes_.ForEach(collect);
        return;
    }
    // Depth first on an explicit stack, children pushed last to first so the first comes out
    // first: a hierarchy of any depth is safe.
    std::vector<RWyxNode*> pending;
    if (root_ != nullptr) pending.push_back(root_);
    while (!pending.empty()) {
        RWyxNode* node = pending.back();
        pending.pop_back();
        collect(node);
        for (int i = node->GetChildCount() - 1; i >= 0; --i) {
            if (RWyxNode* child = node->GetChild(i)) pending.push_back(child);
        }
    }
}

void RWyxEntityContainer::Clear() {
    nodes_.ForEach([this](RWyxNode* node) {
        if (node->entity_ == this) node->entity_ = nullptr;
        ReleaseGeometryLinks(*node);
    });
    root_ = nullptr;
    nodes_.Clear();
    materials_.Clear();
    textures_.Clear();
    gobos_.Clear();
}

// ---- use lists ------------------------------------------------------------------------------------

int RWyxEntityContainer::UseList::CountOf(const RWyxSceneObject* object) const {
    const auto found = counts.find(object);
    return found != counts.end() ? found->second : 0;
}

RWyxSceneObject* RWyxEntityContainer::UseList::FindByName(const char* name) const {
    if (name == nullptr) return nullptr;
    RWyxSceneObject* match = nullptr;
    objects.ForEach([&match, name](RWyxSceneObject* object) {
        if (match == nullptr && object->GetName() == name) match = object;
    });
    return match;
}

bool RWyxEntityContainer::AddUse(UseList& list, RWyxSceneObject* object) {
    if (object == nullptr) return false;
    int& count = list.counts[object];
    if (count == 0) list.objects.Append(object);
    ++count;
    return true;
}

bool RWyxEntityContainer::RemoveUse(UseList& list, const RWyxSceneObject* object, int inUseCode, int notFoundCode) {
    const auto found = object != nullptr ? list.counts.find(object) : list.counts.end();
    if (found == list.counts.end()) {
        error_.SetErrorCode(notFoundCode);
        return false;
    }
    if (--found->second > 0) {
        error_.SetErrorCode(inUseCode);
        return false;
    }
    list.counts.erase(found);
    list.objects.Remove(object);
    return true;
}

RWyxSceneObject* RWyxEntityContainer::UseAt(const UseList& list, int index) {
    RWyxSceneObject* object = list.objects.At(index);
    if (object == nullptr) error_.SetErrorCode(kErrorOutOfRange);
    return object;
}
