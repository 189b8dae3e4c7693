#include "host/src/scene/PlugAccess.h"

#include "host/src/scene/AnimCurveData.h"
#include "host/src/scene/Scene.h"

#include <vexa/VFnNumericAttribute.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string_view>
#include <utility>

namespace vexa_host {

namespace {

constexpr int kMaxChainLength = 64;

VStatus checkReadable(const PlugPath& path) {
    if (path.empty() || !path.indicesResolved() || path.isArrayPlug()) {
        return VStatus(VStatus::kInvalidParameter, "the plug lacks an element index");
    }
    if (!path.leaf().hasValue()) return VStatus(VStatus::kInvalidParameter, "the plug holds no value of its own");
    return VStatus();
}

// A plug's key as a text view: most plugs sit below no chosen index and are keyed by their
// attribute's long name, which needs no new text; the others build theirs.
class KeyText {
public:
    explicit KeyText(const PlugPath& path) {
        if (path.keyIsLeafName()) {
            view_ = path.leaf().longName;
        } else {
            built_ = path.key();
            view_ = built_;
        }
    }
    KeyText(const KeyText&) = delete;
    KeyText& operator=(const KeyText&) = delete;
    std::string_view view() const { return view_; }

private:
    std::string built_;
    std::string_view view_;
};

bool isTimeCurve(const Node& node) {
    return node.hasFn(VFn::kAnimCurve) && isTimeInputType(animCurveTypeOf(node.type().name));
}

// A value set on a plug that a time curve drives holds until the current time changes.
bool holdsSetValue(const Node& node, const PlugPath& path) {
    if (node.heldPlugs().empty()) return false;
    auto held = node.heldPlugs().find(KeyText(path).view());
    return held != node.heldPlugs().end() && held->second == Scene::instance().timeStamp();
}

// The place of the plug's value in the node's table; -1 for a plug kept by key.
int valueSlotOf(const Node& node, const PlugPath& path) {
    return path.keyIsLeafName() ? node.valueSlot(path.leaf()) : -1;
}

PlugValue storedValue(const Node& node, const PlugPath& path) {
    const int slot = valueSlotOf(node, path);
    if (slot >= 0) {
        if (const double* number = node.slotNumber(slot)) return *number;
        const PlugValue* other = node.slotOther(slot);
        return other != nullptr ? *other : defaultValue(path.leaf());
    }
    auto stored = node.keyedValues().find(KeyText(path).view());
    return stored != node.keyedValues().end() ? stored->second : defaultValue(path.leaf());
}

VStatus read(const Node& node, const PlugPath& path, PlugValue& value, int depth) {
    if (depth > kMaxChainLength) return VStatus(VStatus::kFailure, "the connections make a loop");
    if (VStatus status = checkReadable(path); !status) return status;
    PlugPath sourcePath;
    if (const Connection* connection = drivingConnection(node, path, &sourcePath)) {
        if (!holdsSetValue(node, path)) return read(*connection->other, sourcePath, value, depth + 1);
    } else {
        for (const ComputeFunction& compute : node.type().computes) {
            if (compute(node, path, value)) return VStatus();
        }
    }
    value = storedValue(node, path);
    return VStatus();
}

double conformNumber(const AttributeDef& attribute, double number) {
    if (attribute.minimum && number < *attribute.minimum) number = *attribute.minimum;
    if (attribute.maximum && number > *attribute.maximum) number = *attribute.maximum;
    if (attribute.numericType == VFnNumericAttribute::kBoolean) return number != 0.0 ? 1.0 : 0.0;
    if (attribute.isIntegral()) return std::trunc(number);
    if (attribute.numericType == VFnNumericAttribute::kFloat) return static_cast<double>(static_cast<float>(number));
    return number;
}

bool valueFits(const AttributeDef& attribute, const PlugValue& value) {
    switch (attribute.kind) {
    case AttributeKind::Numeric: return std::holds_alternative<double>(value);
    case AttributeKind::String: return std::holds_alternative<std::string>(value);
    case AttributeKind::Matrix: return std::holds_alternative<MatrixValue>(value);
    case AttributeKind::Data: return std::holds_alternative<std::shared_ptr<const DataValue>>(value);
    default: return false;
    }
}

// The plug of an attribute that is no array and lies below none, so it needs no index.
bool indexFree(const AttributeDef& attribute) {
    for (const AttributeDef* each = &attribute; each != nullptr; each = each->parent) {
        if (each->array) return false;
    }
    return attribute.hasValue();
}

// The end of a write to a plug that may take a value: the value must fit the attribute; it is
// converted to the attribute's type and stored in the plug's place in the node's table
// (`slot`), or else under the plug's key. The write holds against a time curve that drives the
// plug (`driver`), and otherwise ends any value held before.
VStatus assign(Node& node, const AttributeDef& attribute, int slot, std::string_view key, const PlugValue& value,
               const Connection* driver) {
    if (!valueFits(attribute, value)) return VStatus(VStatus::kInvalidParameter, "the value does not fit the attribute");
    PlugValue stored =
        attribute.kind == AttributeKind::Numeric ? PlugValue(conformNumber(attribute, std::get<double>(value))) : value;
    if (slot >= 0) {
        node.setSlotValue(slot, std::move(stored));
    } else {
        Node::ValueMap& values = node.keyedValues();
        auto place = values.lower_bound(key);
        if (place != values.end() && place->first == key) {
            place->second = std::move(stored);
        } else {
            values.emplace_hint(place, std::string(key), std::move(stored));
        }
    }
    if (driver != nullptr && isTimeCurve(*driver->other)) {
        node.heldPlugs()[std::string(key)] = Scene::instance().timeStamp();
    } else if (!std::as_const(node).heldPlugs().empty()) {
        Node::HeldMap& held = node.heldPlugs();
        auto holding = held.find(key);
        if (holding != held.end()) held.erase(holding);
    }
    return VStatus();
}

}  // namespace

PlugValue defaultValue(const AttributeDef& attribute) {
    switch (attribute.kind) {
    case AttributeKind::String: return attribute.defaultText;
    case AttributeKind::Matrix: return identityMatrixValue();
    case AttributeKind::Data: return std::shared_ptr<const DataValue>();
    default: return attribute.defaultValue;
    }
}

const Connection* drivingConnection(const Node& node, const PlugPath& path, PlugPath* sourcePath) {
    const Connection* connection = node.incomingAbove(path);
    if (connection == nullptr || sourcePath == nullptr) return connection;
    // Below the connected plug, follow the same children and indices on the source.
    *sourcePath = connection->remote;
    const AttributeDef* destinationParent = connection->local.steps.back().attribute.get();
    for (size_t i = connection->local.steps.size(); i < path.steps.size(); ++i) {
        const int childIndex = destinationParent->childIndex(path.steps[i].attribute.get());
        const AttributeDef& sourceParent = sourcePath->leaf();
        if (childIndex < 0 || childIndex >= static_cast<int>(sourceParent.children.size())) return nullptr;
        sourcePath->steps.push_back({sourceParent.children[static_cast<size_t>(childIndex)], path.steps[i].index});
        destinationParent = path.steps[i].attribute.get();
    }
    return connection;
}

VStatus readValue(const Node& node, const PlugPath& path, PlugValue& value) {
    if (!node.alive()) return VStatus(VStatus::kInvalidParameter, "the node was deleted");
    return read(node, path, value, 0);
}

VStatus readOwnValue(const Node& node, const PlugPath& path, PlugValue& value) {
    if (!node.alive()) return VStatus(VStatus::kInvalidParameter, "the node was deleted");
    if (VStatus status = checkReadable(path); !status) return status;
    value = storedValue(node, path);
    return VStatus();
}

namespace {

// The number of a numeric table plug on a live node that nothing drives, read in place: what
// the general read gives (the stored number, else the default) without its copies of the
// value. False when the read needs the general steps: a connection, a value kept by key, a
// value that is no number, or a plug one of the type's computes works out.
bool readTableNumber(const Node& node, const PlugPath& path, double& value) {
    if (!node.alive() || !node.incoming().empty() || !path.keyIsLeafName()) return false;
    const AttributeDef& attribute = path.leaf();
    if (!attribute.isNumericLeaf()) return false;
    const int slot = node.valueSlot(attribute);
    if (slot < 0) return false;
    if (!node.type().computes.empty()) {
        PlugValue computed;
        for (const ComputeFunction& compute : node.type().computes) {
            if (compute(node, path, computed)) return false;
        }
    }
    if (const double* number = node.slotNumber(slot)) {
        value = *number;
        return true;
    }
    if (node.hasSlotValue(slot)) return false;
    value = attribute.defaultValue;
    return true;
}

}  // namespace

VStatus readNumber(const Node& node, const PlugPath& path, double& value) {
    if (readTableNumber(node, path, value)) return VStatus();
    PlugValue any;
    VStatus status = readValue(node, path, any);
    if (!status) return status;
    if (!std::holds_alternative<double>(any)) return VStatus(VStatus::kInvalidParameter, "the plug is not numeric");
    value = std::get<double>(any);
    return VStatus();
}

double readNumber(const Node& node, const std::string& attributeName, double fallback) {
    double value = fallback;
    // A type attribute's name has the type's path made once: no path is built per read. The
    // type holds the path as long as the node lives.
    const auto& paths = node.type().pathByName;
    const auto typePath = paths.find(attributeName);
    if (typePath != paths.end() && typePath->second) {
        return readNumber(node, *typePath->second, value) ? value : fallback;
    }
    AttributePtr attribute = node.findAttribute(attributeName);
    if (!attribute) return fallback;
    return readNumber(node, PlugPath::of(attribute), value) ? value : fallback;
}

VStatus writeNumber(Node& node, const std::string& attributeName, double value) {
    const AttributePtr attribute = node.findAttribute(attributeName);
    if (!attribute) return VStatus(VStatus::kNotFound, "no attribute " + attributeName);
    return writeNumber(node, attribute, value);
}

namespace {

bool tableWritable(const Node& node) {
    return node.alive() && node.incoming().empty() && node.lockedPlugs().empty() && node.heldPlugs().empty();
}

// The number stored in place on a node that tableWritable accepts; false when the plug is not
// a writable number of the node's table.
bool storeTableNumber(Node& node, const AttributeDef& attribute, double value) {
    if (attribute.kind != AttributeKind::Numeric || !attribute.writable) return false;
    const int slot = node.valueSlot(attribute);
    if (slot < 0) return false;
    node.setSlotNumber(slot, conformNumber(attribute, value));
    return true;
}

}  // namespace

// A number written to a plug kept in the node's table, on a node with no connections, locks or
// held values: nothing drives, locks or holds the plug, so the number (conformed to the
// attribute) is stored in place without the general write's steps. False when the write needs
// them (the plug, or the node, is of another kind).
bool writeTableNumber(Node& node, const AttributeDef& attribute, double value) {
    return tableWritable(node) && storeTableNumber(node, attribute, value);
}

VStatus writeNumbers(Node& node, const AttributePtr* attributes, const double* values, size_t count) {
    // A table number written in place leaves the node as tableWritable found it.
    const bool table = tableWritable(node);
    for (size_t i = 0; i < count; ++i) {
        if (table && storeTableNumber(node, *attributes[i], values[i])) continue;
        if (VStatus status = writeNumber(node, attributes[i], values[i]); !status) return status;
    }
    return VStatus();
}

VStatus writeNumber(Node& node, const AttributePtr& attribute, double value) {
    if (writeTableNumber(node, *attribute, value)) return VStatus();
    // Nothing drives or locks a plug of a node without connections and locks, and an index-free
    // plug is keyed by its long name: such a write needs no path.
    if (node.alive() && node.incoming().empty() && std::as_const(node).lockedPlugs().empty() && indexFree(*attribute)) {
        if (!attribute->writable) return VStatus(VStatus::kFailure, "the attribute is not writable");
        return assign(node, *attribute, node.valueSlot(*attribute), attribute->longName, value, nullptr);
    }
    return writeValue(node, PlugPath::of(attribute), value);
}

VStatus writeNumber(Node& node, const PlugPath& path, double value) {
    // A plug below no chosen index is its attribute's table plug when it has one.
    if (path.keyIsLeafName() && writeTableNumber(node, path.leaf(), value)) return VStatus();
    return writeValue(node, path, value);
}

VStatus writeValue(Node& node, const PlugPath& path, const PlugValue& value) {
    if (!node.alive()) return VStatus(VStatus::kInvalidParameter, "the node was deleted");
    if (VStatus status = checkReadable(path); !status) return status;
    const AttributeDef& attribute = path.leaf();
    if (!attribute.writable) return VStatus(VStatus::kFailure, "the attribute is not writable");
    if (isLocked(node, path)) return VStatus(VStatus::kFailure, "the plug is locked");
    const KeyText key(path);
    return assign(node, attribute, valueSlotOf(node, path), key.view(), value, drivingConnection(node, path));
}

bool isLocked(const Node& node, const PlugPath& path) {
    if (node.lockedPlugs().empty()) return false;
    PlugPath prefix;
    for (const PlugStep& step : path.steps) {
        prefix.steps.push_back(step);
        if (node.lockedPlugs().count(prefix.key()) != 0) return true;
    }
    return false;
}

void setLocked(Node& node, const PlugPath& path, bool locked) {
    if (locked) {
        node.lockedPlugs().insert(path.key());
    } else {
        node.lockedPlugs().erase(path.key());
    }
}

namespace {

// The logical indices of the array's elements that hold a value of their own.
std::set<int> storedIndices(const Node& node, const PlugPath& arrayPath) {
    std::set<int> indices;
    const std::string prefix = arrayPath.key() + "[";
    for (auto it = node.keyedValues().lower_bound(prefix); it != node.keyedValues().end(); ++it) {
        if (it->first.compare(0, prefix.size(), prefix) != 0) break;
        indices.insert(std::atoi(it->first.c_str() + prefix.size()));
    }
    return indices;
}

}  // namespace

std::vector<int> existingIndices(const Node& node, const PlugPath& arrayPath) {
    std::set<int> indices = storedIndices(node, arrayPath);
    auto collect = [&](const std::vector<Connection>& list) {
        for (const Connection& connection : list) {
            const int index = connection.local.elementIndexIn(arrayPath);
            if (index >= 0) indices.insert(index);
        }
    };
    collect(node.incoming());
    collect(node.outgoing());
    return {indices.begin(), indices.end()};
}

std::vector<int> keptExistingIndices(const Node& node, const PlugPath& arrayPath) {
    std::set<int> indices = storedIndices(node, arrayPath);
    const std::vector<int>& connected = node.connectedIndices(arrayPath);
    indices.insert(connected.begin(), connected.end());
    return {indices.begin(), indices.end()};
}

int nextFreeIndex(const Node& node, const PlugPath& arrayPath) {
    bool found = false;
    int highest = 0;
    const std::string prefix = arrayPath.key() + "[";
    for (auto it = node.keyedValues().lower_bound(prefix); it != node.keyedValues().end(); ++it) {
        if (it->first.compare(0, prefix.size(), prefix) != 0) break;
        const int index = std::atoi(it->first.c_str() + prefix.size());
        highest = found ? std::max(highest, index) : index;
        found = true;
    }
    const int connected = node.highestConnectedIndex(arrayPath);
    if (connected >= 0) highest = found ? std::max(highest, connected) : connected;
    return found || connected >= 0 ? highest + 1 : 0;
}

}  // namespace vexa_host
