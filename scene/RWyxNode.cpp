#include "scene/RWyxNode.h"

#include "core/RProperty.h"
#include "core/RWyxUserProperty.h"
#include "scene/RWyxNodeAttribute.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNode.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

const char* const kNodeMessages[] = {
    "Take node error",
    "Node name clash",
    "Material name clash",
    "Texture name clash",
    "Gobo name clash",
    "Target node is not a child of this object",
    "Operation with a target of the entity would generate a cyclic graph",
    "Index out of range",
    "Sampling rate out of range",
};
constexpr int kNodeMessageCount = static_cast<int>(sizeof(kNodeMessages) / sizeof(kNodeMessages[0]));

const char* const kNullTypeName = "Null";
const char* const kLookAtList = "LookAtProperty";
const char* const kUpVectorList = "UpVectorProperty";

RWyxNode* NodeOf(RPlug* plug) {
    if (plug == nullptr || !plug->Is(RWyxNodeProperties::ClassId())) return nullptr;
    return static_cast<RWyxNodeProperties*>(plug)->GetNode();
}

// Calls visit(node) for the node and every node below it, depth first in child order (a
// node before its children), on an explicit stack; stops when visit answers true and
// answers that node.
template <typename Node, typename Visit>
Node* WalkSubtree(Node* top, Visit visit) {
    std::vector<Node*> pending{top};
    while (!pending.empty()) {
        Node* node = pending.back();
        pending.pop_back();
        if (visit(node)) return node;
        // Pushed last to first, so that the first child comes out first.
        for (int i = node->GetChildCount() - 1; i >= 0; --i) {
            if (Node* child = node->GetChild(i)) pending.push_back(child);
        }
    }
    return nullptr;
}

}  // namespace

void RWyxNode::MatrixCache::Reset() {
    std::fill(std::begin(curveHints), std::end(curveHints), 0);
    localValid = false;
    globalValid = false;
}

// ---- construction and destruction -------------------------------------------------------------

RWyxNode::RWyxNode(RWyxObjectFactory* factory, const RString& name)
    : RWyxTakeNodeContainer(factory, name, error_), error_(kNodeMessages, kNodeMessageCount), factory_(factory) {
    properties_ = RWyxNodeProperties::Create(this);
    limits_ = std::make_unique<RWyxNodeLimits>(this);
    CreateDefaultTakeNode();
    SetVisibility(true);
    shadingMode_ = 3;
    AddUserPropertyWrappers(*properties_, factory_);
}

RWyxNode::~RWyxNode() {
    // Its container must not keep listing a node that is gone.
    SetEntity(nullptr, false);
    ReleaseCharacterSlots();
    // The attribute stays with the factory; it must not keep pointing at this node.
    if (RWyxNodeAttribute* attribute = std::exchange(attribute_, nullptr)) attribute->Detach();
    limits_.reset();
    if (RWyxNodeProperties* properties = std::exchange(properties_, nullptr)) {
        ForgetWrapperSource();
        properties->SetWrapperList(nullptr);
        properties->ForgetNode();
        properties->Destroy();
    }
    pendingChildNames_.clear();
    characterLinks_.clear();
}

// The properties object itself is ended by the destructor: ending it here would leave the
// node without one, and an object once prepared for destruction takes no Destroy() after.
void RWyxNode::PrepareDestroy() {
    if (RWyxNodeAttribute* attribute = std::exchange(attribute_, nullptr)) attribute->Detach();
    properties_->DisconnectAll();
}

void RWyxNode::OnUserPropertyAdded(RWyxUserProperty& userProperty) {
    // A record (as read from a file) becomes a property of the properties object; a
    // wrapper is refused there and stays as it is.
    properties_->CreateUserProperty(&userProperty);
    RWyxTakeNodeContainer::OnUserPropertyAdded(userProperty);
}

void RWyxNode::OnUserPropertyRemoved(RWyxUserProperty& userProperty) {
    RWyxTakeNodeContainer::OnUserPropertyRemoved(userProperty);
    RProperty* property = userProperty.GetProperty();
    if (property != nullptr && !properties_->IsStandardProperty(property)) properties_->ReleaseAndClear(property);
}

void RWyxNode::OnNameChanging() {
    if (factory_ != nullptr) factory_->OnNodeNameChanging(this);
}

// ---- type names and properties ----------------------------------------------------------------

RString RWyxNode::GetTypeName() const {
    return attribute_ != nullptr ? attribute_->GetTypeName() : RString(kNullTypeName);
}

std::unique_ptr<RWyxStringList> RWyxNode::GetTypeNameList() const {
    if (attribute_ != nullptr) return attribute_->GetTypeNameList();
    auto list = std::make_unique<RWyxStringList>();
    list->InsertAt(0, kNullTypeName, 0);
    return list;
}

void RWyxNode::CollectProperties(std::vector<RProperty*>& properties) const {
    for (int i = 0; i < properties_->GetPropertyCount(); ++i) properties.push_back(properties_->GetProperty(i));
    if (attribute_ != nullptr) attribute_->CollectProperties(properties);
}

// ---- take selection and animation -------------------------------------------------------------

RWyxNode::Evaluated& RWyxNode::Evaluation() {
    if (evaluation_ == nullptr) evaluation_ = std::make_unique<Evaluated>();
    return *evaluation_;
}

const RWyxNode::Evaluated& RWyxNode::ReadEvaluation() const {
    static const Evaluated none;
    return evaluation_ != nullptr ? *evaluation_ : none;
}

void RWyxNode::InvalidateMatrixCaches() {
    if (evaluation_ != nullptr) {
        evaluation_->currentTake.Reset();
        evaluation_->defaultTake.Reset();
    }
    // The global matrices of the subtree depend on this node's take as well.
    InvalidateTransformCaches();
}

bool RWyxNode::SetCurrentTakeNodeByName(const char* name) {
    InvalidateMatrixCaches();
    return RWyxTakeNodeContainer::SetCurrentTakeNodeByName(name);
}

bool RWyxNode::SetCurrentTakeNodeByIndex(int index) {
    InvalidateMatrixCaches();
    return RWyxTakeNodeContainer::SetCurrentTakeNodeByIndex(index);
}

bool RWyxNode::GetAnimationInterval(RTime& start, RTime& stop) {
    RTime first(RTime::kInfinitelyLate);
    RTime last(RTime::kInfinitelyEarly);
    bool found = false;
    WalkSubtree(this, [&](RWyxNode* node) {
        // The container's own interval: each node's override would walk its subtree again.
        if (node->GetCurrentTakeNodeIndex() >= 0 && node->RWyxTakeNodeContainer::GetAnimationInterval(first, last)) {
            found = true;
        }
        return false;
    });
    if (!found) return false;
    if (first.GetTicks() < start.GetTicks()) start = first;
    if (last.GetTicks() > stop.GetTicks()) stop = last;
    return true;
}

// ---- hierarchy --------------------------------------------------------------------------------

RWyxNode* RWyxNode::GetParent() const {
    const RWyxNodeProperties* parent = properties_->GetParentProperties();
    return parent != nullptr ? parent->GetNode() : nullptr;
}

int RWyxNode::GetChildCount(int /*ignored*/) const { return properties_->GetChildPropertiesCount(); }

RWyxNode* RWyxNode::GetChild(int index) const {
    const RWyxNodeProperties* child = properties_->GetChildProperties(index);
    return child != nullptr ? child->GetNode() : nullptr;
}

bool RWyxNode::AddChild(RWyxNode* node) {
    if (node == nullptr) return false;
    // Refused before the node leaves its present parent, so that a refusal changes nothing.
    if (RWyxNodeProperties::WouldCloseCycle(properties_, node->properties_)) {
        error_.SetErrorCode(kErrorCyclicGraph);
        return false;
    }
    RWyxNode* parent = node->GetParent();
    if (parent != nullptr) {
        // Whether the subtree may join this node's container is decided before it leaves
        // its present parent as well.
        const int clash = node->FindEntityClash(entity_, false);
        if (clash >= 0) {
            error_.SetErrorCode(clash);
            return false;
        }
        parent->RemoveChild(node);
    }
    // Leaving changes nothing the check looked at (the subtree's own names, gobos named as
    // other gobos of the container): the link takes its answer.
    node->joinChecked_ = parent != nullptr;
    const bool linked = properties_->ConnectSource(node->properties_);
    node->joinChecked_ = false;
    return linked;
}

RWyxNode* RWyxNode::RemoveChild(RWyxNode* node) {
    if (node != nullptr) properties_->DisconnectSource(node->properties_);
    return node;
}

RWyxNode* RWyxNode::FindChild(const char* name, bool recursive, bool byInitialName) const {
    const RString wanted = BuildPrefixedName("Model::", name);
    // (node, next child index): each child is compared, then its subtree is searched before
    // the next child.
    std::vector<std::pair<const RWyxNode*, int>> stack{{this, 0}};
    while (!stack.empty()) {
        auto& [node, next] = stack.back();
        if (next >= node->GetChildCount()) {
            stack.pop_back();
            continue;
        }
        RWyxNode* child = node->GetChild(next++);
        if (child == nullptr) continue;
        const RString& childName = byInitialName ? child->GetInitialName() : child->GetName();
        if (childName == wanted) return child;
        if (recursive) stack.emplace_back(child, 0);
    }
    return nullptr;
}

// ---- targets ----------------------------------------------------------------------------------

RWyxNode* RWyxNode::FindTarget(const char* listName) const {
    const RProperty* list = properties_->FindProperty(listName);
    if (list == nullptr) return nullptr;
    for (int i = 0; i < list->GetSourceCount(); ++i) {
        if (RWyxNode* target = NodeOf(list->GetSource(i))) return target;
    }
    return nullptr;
}

bool RWyxNode::ConnectTarget(const char* listName, RWyxNode* node) {
    if (node == nullptr || node->properties_ == nullptr) return false;
    RProperty* list = properties_->FindProperty(listName);
    if (list == nullptr) return false;
    if (list->HasSourceConnection(node->properties_)) return true;
    return list->ConnectSource(node->properties_);
}

bool RWyxNode::SetTarget(RWyxNode* node) { return ConnectTarget(kLookAtList, node); }

RWyxNode* RWyxNode::GetTarget() const { return FindTarget(kLookAtList); }

bool RWyxNode::SetTargetUp(RWyxNode* node) { return ConnectTarget(kUpVectorList, node); }

RWyxNode* RWyxNode::GetTargetUp() const { return FindTarget(kUpVectorList); }

// ---- visibility and flags -----------------------------------------------------------------------

void RWyxNode::SetVisibility(bool visible) {
    properties_->SetShow(visible ? 1 : 0);
    RProperty* visibility = properties_->FindProperty("Visibility");
    if (visibility == nullptr) return;
    visibility->SetDouble(visible ? 1.0 : 0.0);
}

bool RWyxNode::GetVisibility() const {
    const RProperty* visibility = properties_->FindProperty("Visibility");
    return visibility != nullptr && visibility->GetDouble() != 0.0;
}

void RWyxNode::SetInheritType(int type) { properties_->SetInheritType(type); }

int& RWyxNode::GetInheritType(int& out) const { return out = properties_->GetInheritType(); }

void RWyxNode::SetMarked(int value, bool recursive) {
    if (!recursive) {
        marked_ = value;
        return;
    }
    WalkSubtree(this, [value](RWyxNode* node) {
        node->marked_ = value;
        return false;
    });
}

bool RWyxNode::IsMarked(bool subtree) const {
    if (!subtree) return marked_ != 0;
    return WalkSubtree(this, [](const RWyxNode* node) { return node->marked_ != 0; }) != nullptr;
}

// ---- node attribute -------------------------------------------------------------------------------

RWyxNodeAttribute* RWyxNode::SetNodeAttribute(RWyxNodeAttribute* attribute) {
    if (attribute == attribute_) return nullptr;
    MakeTakeTrees(false);
    RWyxNodeAttribute* previous = attribute_;
    attribute_ = attribute;
    if (previous != nullptr) previous->Detach();
    if (attribute != nullptr) {
        if (RWyxNode* former = attribute->GetNode()) former->SetNodeAttribute(nullptr);
        attribute->Attach(this);
    }
    UpdateAttributeFlags();
    return previous;
}

void RWyxNode::ForgetDeletedAttribute(const RWyxNodeAttribute* attribute) {
    if (attribute == nullptr || attribute != attribute_) return;
    attribute_ = nullptr;
    UpdateAttributeFlags();
}

RWyxNodeAttribute* RWyxNode::AttributeOfType(int typeId) const {
    return attribute_ != nullptr && attribute_->GetAttributeType() == typeId ? attribute_ : nullptr;
}

// ---- character links -------------------------------------------------------------------------------

int RWyxNode::AddCharacterLink(RWyxCharacter* character, int kind, int index, int subIndex) {
    characterLinks_.push_back({character, kind, index, subIndex});
    return GetCharacterLinkCount() - 1;
}

int RWyxNode::FindCharacterLink(RWyxCharacter* character, int kind, int index, int subIndex) const {
    if (character == nullptr) return -1;
    for (int i = 0; i < GetCharacterLinkCount(); ++i) {
        const CharacterLink& link = characterLinks_[static_cast<size_t>(i)];
        if (link.character == character && link.kind == kind && link.index == index && link.subIndex == subIndex) {
            return i;
        }
    }
    return -1;
}

int RWyxNode::RemoveCharacterLink(RWyxCharacter* character, int kind, int index, int subIndex) {
    const int found = FindCharacterLink(character, kind, index, subIndex);
    if (found >= 0) characterLinks_.erase(characterLinks_.begin() + found);
    return found;
}

const RWyxNode::CharacterLink* RWyxNode::GetCharacterLink(int index) const {
    return index >= 0 && index < GetCharacterLinkCount() ? &characterLinks_[static_cast<size_t>(index)] : nullptr;
}

// ---- pending child names ---------------------------------------------------------------------------

void RWyxNode::AddPendingChildName(const char* name) { pendingChildNames_.emplace_back(name != nullptr ? name : ""); }

const char* RWyxNode::GetPendingChildName(int index) const {
    return index >= 0 && index < GetPendingChildNameCount() ? pendingChildNames_[static_cast<size_t>(index)].Buffer()
                                                            : nullptr;
}
