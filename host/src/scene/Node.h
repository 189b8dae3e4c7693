#ifndef VEXA_HOST_NODE_H
#define VEXA_HOST_NODE_H

// One node of the scene: its type, name, dynamic attributes, stored plug values, locks,
// connections, DAG links and the data its type keeps beside the plugs.
//
// DAG links: a node lists its parents; a parent keeps its children in slots, and each parent
// link remembers the slot it occupies, so unlinking is constant time. Emptied slots are
// squeezed out once they outnumber the live ones.

#include "host/src/scene/AttributeDef.h"
#include "host/src/scene/IncomingIndex.h"
#include "host/src/scene/NodeType.h"
#include "host/src/scene/ObjectRecord.h"
#include "host/src/scene/PlugPath.h"
#include "host/src/scene/PlugValue.h"

#include <vexa/VexaExport.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vexa_host {

class Node;
using NodePtr = std::shared_ptr<Node>;
class PathLink;

// One end of a connection, kept by both nodes: on the destination as incoming (other = the
// source), on the source as outgoing (other = the destination).
struct Connection {
    Node* other = nullptr;
    PlugPath local;
    PlugPath remote;
};

struct ParentLink {
    Node* parent = nullptr;
    size_t slot = 0;
};

class VEXA_API Node : public ObjectRecord {
public:
    Node(const NodeType& type, std::uint64_t id);
    ~Node() override;

    VFn::Type apiType() const override { return type_->fnType; }
    bool hasFn(VFn::Type type) const override { return type_->hasFn(type); }
    const char* apiTypeName() const override { return type_->name.c_str(); }
    Node* asNode() final { return this; }

    const NodeType& type() const { return *type_; }
    std::uint64_t id() const { return id_; }
    const std::string& name() const { return name_; }
    bool alive() const { return alive_; }
    bool isDag() const { return type_->dag; }
    bool isTransform() const { return type_->transform; }
    bool isWorld() const { return type_->fnType == VFn::kWorld; }
    NodePtr self() { return std::static_pointer_cast<Node>(shared_from_this()); }

    // DAG.
    const std::vector<ParentLink>& parents() const { return parents_; }
    size_t childCount() const { return liveChildren_; }
    Node* child(size_t index) const;  // in order; null past the end
    std::vector<Node*> children() const;
    bool hasParent(const Node* parent) const;
    bool isAncestorOf(const Node* node) const;
    // Moves on (from 1) whenever a node is named, renamed or unnamed, or a parent link is made
    // or broken (a deletion does both): what a plain name resolves to, and a node's first
    // path, hold while it stays the same.
    static std::uint64_t structureStamp() { return structureStamp_; }
    static void noteStructureChange() { ++structureStamp_; }
    // Moves on (from 1) whenever a parent link is made or broken that may change a node's first
    // path or the number of its paths: every link but a new node's first, made before the node
    // has children or a kept path.
    static std::uint64_t layoutStamp() { return layoutStamp_; }
    // The steps of the node's first path kept by firstPathLink (PathLink.h), while the layout
    // holds and something else still holds them; null otherwise.
    std::shared_ptr<const PathLink> keptFirstPath() const {
        return firstPathStamp_ == layoutStamp_ ? firstPath_.lock() : nullptr;
    }
    void keepFirstPath(const std::shared_ptr<const PathLink>& steps) const {
        firstPath_ = steps;
        firstPathStamp_ = layoutStamp_;
    }

    // Attributes: the type's, then the node's own (each parent before its children).
    AttributePtr findAttribute(const std::string& name) const;
    // The shared path of the type's attribute of that long or short name; null for any other
    // text (a dynamic attribute, an index, a child path).
    std::shared_ptr<const PlugPath> typePlugPath(const std::string& name) const;
    // The same for the attribute when it is one of the type's; null for any other. Inline: a
    // plug found by its attribute asks it.
    std::shared_ptr<const PlugPath> typePlugPath(const AttributeDef& attribute) const {
        const int index = attribute.typeIndex;
        const std::vector<AttributePtr>& own = type_->attributes;
        if (index < 0 || static_cast<size_t>(index) >= own.size() || own[static_cast<size_t>(index)].get() != &attribute) {
            return nullptr;
        }
        return type_->pathByIndex[static_cast<size_t>(index)];
    }
    std::vector<AttributePtr> attributes() const;
    // The count of attributes() and its element at the index (null past the end), without
    // making the list: a walk over a node's attributes by index stays linear.
    size_t attributeCount() const { return type_->attributes.size() + extrasOrNone().dynamicFlat.size(); }
    AttributePtr attributeAt(size_t index) const;
    const std::vector<AttributePtr>& dynamicAttributes() const { return extrasOrNone().dynamicAttributes; }
    bool addDynamicAttribute(const AttributePtr& attribute);  // false when a name is in use
    bool removeDynamicAttribute(const AttributeDef* attribute);

    // Stored plug values. The plug of one of the type's own attributes that lies below no
    // array keeps its value in a table by the attribute's place in the type, so a write builds
    // and compares no key; every other plug (indexed, dynamic) keeps it in a map by plug key
    // (PlugPath::key), looked up by any text view of a key. No key of a table plug is in the map.
    // The table keeps a number as it is and any other value (a text, a matrix, data) in a box
    // of its own: most table values are numbers, and a full value is many times their size.
    using ValueMap = std::map<std::string, PlugValue, std::less<>>;
    using KeySet = std::set<std::string, std::less<>>;
    using HeldMap = std::map<std::string, std::uint64_t, std::less<>>;
    // The place in the table of the attribute's plug; -1 for a plug kept by key. Inline: every
    // write and read of a table plug asks it.
    int valueSlot(const AttributeDef& attribute) const {
        const int index = attribute.typeIndex;
        const std::vector<AttributePtr>& own = type_->attributes;
        if (index < 0 || index >= kMaxValueSlots || static_cast<size_t>(index) >= own.size() ||
            own[static_cast<size_t>(index)].get() != &attribute) {
            return -1;
        }
        for (const AttributeDef* each = &attribute; each != nullptr; each = each->parent) {
            if (each->array) return -1;
        }
        return attribute.hasValue() ? index : -1;
    }
    bool hasSlotValue(int slot) const;
    // The number stored in the slot; null when none is stored or the value is no number.
    const double* slotNumber(int slot) const;
    // The value stored in the slot when it is no number; null otherwise.
    const PlugValue* slotOther(int slot) const;
    // A copy of the value stored in the slot; none when none is.
    std::optional<PlugValue> slotValue(int slot) const;
    void setSlotValue(int slot, PlugValue&& value);
    // The same for a number.
    void setSlotNumber(int slot, double number);
    // The maps below are made with the first change through a non-const accessor: most nodes
    // have no dynamic attribute, keyed value, lock or held value.
    ValueMap& keyedValues() { return extras().values; }
    const ValueMap& keyedValues() const { return extrasOrNone().values; }
    // Every stored value by its plug key, in key order: a copy, table and map together.
    const ValueMap values() const;
    // A copy of the value stored for the plug of that key; none when none is.
    std::optional<PlugValue> storedValue(const std::string& key) const;
    KeySet& lockedPlugs() { return extras().locked; }
    const KeySet& lockedPlugs() const { return extrasOrNone().locked; }
    // Plugs driven by a time curve whose set value holds: plug key -> the scene's time stamp
    // when it was set.
    HeldMap& heldPlugs() { return extras().held; }
    const HeldMap& heldPlugs() const { return extrasOrNone().held; }
    // Connections in the order they were made; the scene adds and removes them.
    const std::vector<Connection>& incoming() const { return incoming_; }
    // Moves on whenever a connection into the node is made or broken: what is read from
    // incoming() holds while it stays the same.
    std::uint64_t incomingEdits() const { return incomingEdits_; }
    // The first incoming connection whose destination is the plug or one above it; null for none.
    const Connection* incomingAbove(const PlugPath& path) const;
    // Whether an incoming connection's destination is the plug, lies above it or below it.
    bool incomingOverlaps(const PlugPath& path) const { return incomingIndex_.overlaps(incoming_, path); }
    std::vector<Connection>& outgoing() { return outgoing_; }
    const std::vector<Connection>& outgoing() const { return outgoing_; }
    NodePayload* payload() const { return payload_.get(); }
    // The highest index of an element of the array plug that a connection of the node's
    // (either way) is on or below; -1 for none. Kept per array once asked, raised as
    // connections are made and forgotten when one is broken: every new shader joins one list.
    int highestConnectedIndex(const PlugPath& arrayPath) const;
    // The indices of those elements, ascending, kept the same way: a geometry's index among a
    // deformer's is asked once per target.
    const std::vector<int>& connectedIndices(const PlugPath& arrayPath) const;

private:
    friend class Scene;
    void linkChild(Node* child, size_t index);  // index past the end appends
    void unlinkChild(Node* child);
    void squeezeChildren() const;
    void addIncoming(Connection connection);
    // Removes the first incoming connection from that source plug to that plug; false for none.
    bool eraseIncoming(const Node* source, const PlugPath& local, const PlugPath& remote);
    void clearIncoming();
    // What Scene tells of the node's connections, for highestConnectedIndex.
    void noteConnection(const PlugPath& local);
    void forgetConnectedIndices() { connectedIndices_.clear(); }

    // Places in the table are kept in 16 bits; attributes of a type past them are kept by key.
    static constexpr int kMaxValueSlots = 0xFFFF;
    static std::uint64_t structureStamp_;
    static std::uint64_t layoutStamp_;
    const NodeType* type_;
    std::uint64_t id_;
    std::string name_;
    bool alive_ = true;
    std::vector<ParentLink> parents_;
    mutable std::vector<Node*> childSlots_;
    size_t liveChildren_ = 0;
    // Held weakly: the steps hold the node.
    mutable std::weak_ptr<const PathLink> firstPath_;
    mutable std::uint64_t firstPathStamp_ = 0;
    // One value of the table: the number, or the box of a value that is no number.
    struct SlotValue {
        double number = 0.0;
        std::unique_ptr<PlugValue> other;
        // A copy of what the entry holds, as a plug value.
        PlugValue value() const;
    };
    // The table's entry of the slot; null when none is stored.
    const SlotValue* slotEntry(int slot) const;
    // The slot's entry, added (holding 0) when it has none.
    SlotValue& slotEntryToWrite(int slot);
    std::vector<std::uint16_t> slotPlaces_;  // by type attribute: 1 + the place of its value, 0 for none
    std::vector<SlotValue> slotValues_;
    // What few nodes have, made when first changed.
    struct Extras {
        std::vector<AttributePtr> dynamicAttributes;
        std::vector<AttributePtr> dynamicFlat;  // the dynamic attributes with their children, in attributes() order
        // Long and short name -> place in dynamicFlat of the first attribute of that name: a
        // lookup by name stays constant time however many attributes a node was given.
        std::unordered_map<std::string, size_t> dynamicByName;
        ValueMap values;
        KeySet locked;
        HeldMap held;
    };
    Extras& extras();
    // Names the attributes of dynamicFlat from the place given on (the first of a name keeps it).
    void indexDynamicNames(size_t from);
    // The node's extras, or the empty ones every node without its own reads.
    const Extras& extrasOrNone() const { return extras_ ? *extras_ : noExtras_; }
    static const Extras noExtras_;
    std::unique_ptr<Extras> extras_;
    std::vector<Connection> incoming_;
    IncomingIndex incomingIndex_;  // of incoming_
    std::vector<Connection> outgoing_;
    std::unique_ptr<NodePayload> payload_;
    std::uint64_t incomingEdits_ = 0;
    // The arrays asked of connectedIndices (or highestConnectedIndex), each with its answer.
    mutable std::vector<std::pair<PlugPath, std::vector<int>>> connectedIndices_;
};

}  // namespace vexa_host

#endif
