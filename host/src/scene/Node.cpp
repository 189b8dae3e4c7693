#include "host/src/scene/Node.h"

#include <algorithm>

namespace vexa_host {

namespace {

// A node that stores one value mostly stores several (a transform's parts).
constexpr size_t kFirstValueRoom = 8;
// A type's nodes take at most this room at their first value, whatever one of them came to hold.
constexpr size_t kMostValueRoom = 64;

}  // namespace

std::uint64_t Node::structureStamp_ = 1;
std::uint64_t Node::layoutStamp_ = 1;
// Read only through nodes, and no node is made while the library's statics are set up.
const Node::Extras Node::noExtras_;

Node::Node(const NodeType& type, std::uint64_t id) : type_(&type), id_(id) {
    if (type.makePayload) payload_ = type.makePayload();
    if (payload_) payload_->attach(*this);
}

Node::~Node() = default;

Node::Extras& Node::extras() {
    if (!extras_) extras_ = std::make_unique<Extras>();
    return *extras_;
}

Node* Node::child(size_t index) const {
    if (index >= liveChildren_) return nullptr;
    if (childSlots_.size() != liveChildren_) squeezeChildren();
    return childSlots_[index];
}

std::vector<Node*> Node::children() const {
    std::vector<Node*> result;
    result.reserve(liveChildren_);
    for (Node* child : childSlots_) {
        if (child != nullptr) result.push_back(child);
    }
    return result;
}

bool Node::hasParent(const Node* parent) const {
    return std::any_of(parents_.begin(), parents_.end(), [parent](const ParentLink& link) { return link.parent == parent; });
}

bool Node::isAncestorOf(const Node* node) const {
    for (const ParentLink& link : node->parents()) {
        if (link.parent == this || isAncestorOf(link.parent)) return true;
    }
    return false;
}

void Node::linkChild(Node* child, size_t index) {
    noteStructureChange();
    // A new node's first link changes no path anyone holds; any other link may.
    if (!child->parents_.empty() || child->liveChildren_ > 0 || !child->firstPath_.expired()) ++layoutStamp_;
    if (childSlots_.size() != liveChildren_) squeezeChildren();
    if (index >= childSlots_.size()) {
        child->parents_.push_back({this, childSlots_.size()});
        childSlots_.push_back(child);
    } else {
        childSlots_.insert(childSlots_.begin() + static_cast<std::ptrdiff_t>(index), child);
        child->parents_.push_back({this, index});
        for (size_t slot = index + 1; slot < childSlots_.size(); ++slot) {
            for (ParentLink& link : childSlots_[slot]->parents_) {
                if (link.parent == this && link.slot == slot - 1) {
                    link.slot = slot;
                    break;
                }
            }
        }
    }
    ++liveChildren_;
}

void Node::unlinkChild(Node* child) {
    auto link = std::find_if(child->parents_.begin(), child->parents_.end(),
                             [this](const ParentLink& candidate) { return candidate.parent == this; });
    if (link == child->parents_.end()) return;
    noteStructureChange();
    ++layoutStamp_;
    childSlots_[link->slot] = nullptr;
    child->parents_.erase(link);
    --liveChildren_;
    const size_t emptied = childSlots_.size() - liveChildren_;
    if (emptied > 16 && emptied > liveChildren_) squeezeChildren();
}

void Node::squeezeChildren() const {
    size_t next = 0;
    for (size_t slot = 0; slot < childSlots_.size(); ++slot) {
        Node* child = childSlots_[slot];
        if (child == nullptr) continue;
        for (ParentLink& link : child->parents_) {
            if (link.parent == this && link.slot == slot) {
                link.slot = next;
                break;
            }
        }
        childSlots_[next++] = child;
    }
    childSlots_.resize(next);
}

const Connection* Node::incomingAbove(const PlugPath& path) const {
    const size_t place = incomingIndex_.above(incoming_, path);
    return place != IncomingIndex::kNone ? &incoming_[place] : nullptr;
}

void Node::addIncoming(Connection connection) {
    ++incomingEdits_;
    incomingIndex_.add(connection.local, incoming_.size());
    incoming_.push_back(std::move(connection));
}

bool Node::eraseIncoming(const Node* source, const PlugPath& local, const PlugPath& remote) {
    auto it = std::find_if(incoming_.begin(), incoming_.end(), [&](const Connection& c) {
        return c.other == source && c.local == local && c.remote == remote;
    });
    if (it == incoming_.end()) return false;
    ++incomingEdits_;
    incomingIndex_.erase(static_cast<size_t>(it - incoming_.begin()));
    incoming_.erase(it);
    return true;
}

void Node::clearIncoming() {
    ++incomingEdits_;
    incoming_.clear();
    incomingIndex_.clear();
}

AttributePtr Node::findAttribute(const std::string& name) const {
    auto it = type_->byName.find(name);
    if (it != type_->byName.end()) return it->second;
    const Extras& own = extrasOrNone();
    auto found = own.dynamicByName.find(name);
    return found != own.dynamicByName.end() ? own.dynamicFlat[found->second] : nullptr;
}

void Node::indexDynamicNames(size_t from) {
    Extras& own = extras();
    for (size_t place = from; place < own.dynamicFlat.size(); ++place) {
        const AttributeDef& attribute = *own.dynamicFlat[place];
        own.dynamicByName.emplace(attribute.longName, place);
        own.dynamicByName.emplace(attribute.shortName, place);
    }
}

std::shared_ptr<const PlugPath> Node::typePlugPath(const std::string& name) const {
    auto it = type_->pathByName.find(name);
    return it == type_->pathByName.end() ? nullptr : it->second;
}

const Node::SlotValue* Node::slotEntry(int slot) const {
    if (slot < 0 || static_cast<size_t>(slot) >= slotPlaces_.size()) return nullptr;
    const std::uint16_t place = slotPlaces_[static_cast<size_t>(slot)];
    return place != 0 ? &slotValues_[place - 1u] : nullptr;
}

bool Node::hasSlotValue(int slot) const { return slotEntry(slot) != nullptr; }

const double* Node::slotNumber(int slot) const {
    const SlotValue* entry = slotEntry(slot);
    return entry != nullptr && !entry->other ? &entry->number : nullptr;
}

const PlugValue* Node::slotOther(int slot) const {
    const SlotValue* entry = slotEntry(slot);
    return entry != nullptr ? entry->other.get() : nullptr;
}

PlugValue Node::SlotValue::value() const { return other ? *other : PlugValue(number); }

std::optional<PlugValue> Node::slotValue(int slot) const {
    const SlotValue* entry = slotEntry(slot);
    if (entry == nullptr) return std::nullopt;
    return entry->value();
}

Node::SlotValue& Node::slotEntryToWrite(int slot) {
    const size_t index = static_cast<size_t>(slot);
    if (index < slotPlaces_.size() && slotPlaces_[index] != 0) return slotValues_[slotPlaces_[index] - 1u];
    if (slotPlaces_.empty()) {
        slotPlaces_.assign(type_->attributes.size(), 0);
        slotValues_.reserve(std::max(kFirstValueRoom, type_->valueRoom));
    }
    slotValues_.emplace_back();
    slotPlaces_[index] = static_cast<std::uint16_t>(slotValues_.size());
    if (slotValues_.size() > type_->valueRoom && slotValues_.size() <= kMostValueRoom) {
        type_->valueRoom = slotValues_.size();
    }
    return slotValues_.back();
}

void Node::setSlotValue(int slot, PlugValue&& value) {
    SlotValue& entry = slotEntryToWrite(slot);
    if (const double* number = std::get_if<double>(&value)) {
        entry.number = *number;
        entry.other.reset();
    } else if (entry.other) {
        *entry.other = std::move(value);
    } else {
        entry.other = std::make_unique<PlugValue>(std::move(value));
    }
}

void Node::setSlotNumber(int slot, double number) {
    SlotValue& entry = slotEntryToWrite(slot);
    entry.number = number;
    entry.other.reset();
}

const Node::ValueMap Node::values() const {
    ValueMap all = keyedValues();
    for (size_t slot = 0; slot < slotPlaces_.size(); ++slot) {
        if (slotPlaces_[slot] == 0) continue;
        all.emplace(type_->attributes[slot]->longName, slotValues_[slotPlaces_[slot] - 1u].value());
    }
    return all;
}

std::optional<PlugValue> Node::storedValue(const std::string& key) const {
    auto named = type_->byName.find(key);
    if (named != type_->byName.end() && named->second->longName == key) {
        const int slot = valueSlot(*named->second);
        if (slot >= 0) return slotValue(slot);
    }
    const ValueMap& keyed = keyedValues();
    auto stored = keyed.find(key);
    if (stored == keyed.end()) return std::nullopt;
    return stored->second;
}

std::vector<AttributePtr> Node::attributes() const {
    std::vector<AttributePtr> result = type_->attributes;
    const std::vector<AttributePtr>& dynamicFlat = extrasOrNone().dynamicFlat;
    result.insert(result.end(), dynamicFlat.begin(), dynamicFlat.end());
    return result;
}

AttributePtr Node::attributeAt(size_t index) const {
    const std::vector<AttributePtr>& own = type_->attributes;
    if (index < own.size()) return own[index];
    index -= own.size();
    const std::vector<AttributePtr>& dynamicFlat = extrasOrNone().dynamicFlat;
    return index < dynamicFlat.size() ? dynamicFlat[index] : nullptr;
}

namespace {

// Appends the attribute and its descendants, each parent before its children.
void flatten(const AttributePtr& attribute, std::vector<AttributePtr>& out) {
    out.push_back(attribute);
    for (const AttributePtr& child : attribute->children) flatten(child, out);
}

bool anyNameIn(const Node& node, const AttributeDef& attribute) {
    if (node.findAttribute(attribute.longName) || node.findAttribute(attribute.shortName)) return true;
    return std::any_of(attribute.children.begin(), attribute.children.end(),
                       [&node](const AttributePtr& child) { return anyNameIn(node, *child); });
}

}  // namespace

bool Node::addDynamicAttribute(const AttributePtr& attribute) {
    if (attribute->parent != nullptr || anyNameIn(*this, *attribute)) return false;
    std::function<void(AttributeDef&)> markDynamic = [&markDynamic](AttributeDef& a) {
        a.dynamic = true;
        for (const AttributePtr& child : a.children) markDynamic(*child);
    };
    markDynamic(*attribute);
    Extras& own = extras();
    own.dynamicAttributes.push_back(attribute);
    const size_t first = own.dynamicFlat.size();
    flatten(attribute, own.dynamicFlat);
    indexDynamicNames(first);
    return true;
}

bool Node::removeDynamicAttribute(const AttributeDef* attribute) {
    if (!extras_) return false;
    std::vector<AttributePtr>& own = extras_->dynamicAttributes;
    auto it = std::find_if(own.begin(), own.end(),
                           [attribute](const AttributePtr& candidate) { return candidate.get() == attribute; });
    if (it == own.end()) return false;
    own.erase(it);
    extras_->dynamicFlat.clear();
    for (const AttributePtr& kept : own) flatten(kept, extras_->dynamicFlat);
    extras_->dynamicByName.clear();
    indexDynamicNames(0);
    return true;
}

int Node::highestConnectedIndex(const PlugPath& arrayPath) const {
    const std::vector<int>& indices = connectedIndices(arrayPath);
    return indices.empty() ? -1 : indices.back();
}

const std::vector<int>& Node::connectedIndices(const PlugPath& arrayPath) const {
    for (const auto& known : connectedIndices_) {
        if (known.first == arrayPath) return known.second;
    }
    std::vector<int> found;
    for (const auto* list : {&incoming_, &outgoing_}) {
        for (const Connection& connection : *list) {
            const int index = connection.local.elementIndexIn(arrayPath);
            if (index >= 0) found.push_back(index);
        }
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    connectedIndices_.emplace_back(arrayPath, std::move(found));
    return connectedIndices_.back().second;
}

void Node::noteConnection(const PlugPath& local) {
    for (auto& known : connectedIndices_) {
        const int index = local.elementIndexIn(known.first);
        if (index < 0) continue;
        // New elements mostly go last: the search starts there.
        std::vector<int>& indices = known.second;
        if (indices.empty() || indices.back() < index) {
            indices.push_back(index);
            continue;
        }
        auto place = std::lower_bound(indices.begin(), indices.end(), index);
        if (*place != index) indices.insert(place, index);
    }
}

}  // namespace vexa_host
