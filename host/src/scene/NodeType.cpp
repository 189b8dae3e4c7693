#include "host/src/scene/NodeType.h"

#include <algorithm>

namespace vexa_host {

NodePayload::~NodePayload() = default;
DataValue::~DataValue() = default;

MatrixValue identityMatrixValue() {
    MatrixValue value{};
    for (int i = 0; i < 4; ++i) value[static_cast<size_t>(i * 5)] = 1.0;
    return value;
}

bool NodeType::hasFn(VFn::Type type) const {
    if (type == VFn::kBase) return true;
    return std::find(fnTypes.begin(), fnTypes.end(), type) != fnTypes.end();
}

bool NodeType::isA(const std::string& typeName) const {
    for (const NodeType* type = this; type != nullptr; type = type->parent) {
        if (type->name == typeName) return true;
    }
    return false;
}

NodeTypeRegistry& NodeTypeRegistry::instance() {
    static NodeTypeRegistry registry;
    return registry;
}

NodeTypeRegistry::NodeTypeRegistry() {
    registerBuiltinTypes(*this);
    registerShapeTypes(*this);
    registerShadingTypes(*this);
    registerDeformerTypes(*this);
}

namespace {

void addFlattened(NodeType& type, const AttributePtr& attribute) {
    if (attribute->typeIndex < 0) attribute->typeIndex = static_cast<int>(type.attributes.size());
    type.attributes.push_back(attribute);
    type.byName[attribute->longName] = attribute;
    type.byName[attribute->shortName] = attribute;
    const auto path = std::make_shared<const PlugPath>(PlugPath::of(attribute));
    type.pathByName[attribute->longName] = path;
    type.pathByName[attribute->shortName] = path;
    type.pathByIndex.push_back(path);
    for (const AttributePtr& child : attribute->children) addFlattened(type, child);
}

bool namesFree(const NodeType& type, const AttributePtr& attribute) {
    if (type.byName.count(attribute->longName) != 0 || type.byName.count(attribute->shortName) != 0) return false;
    for (const AttributePtr& child : attribute->children) {
        if (!namesFree(type, child)) return false;
    }
    return true;
}

}  // namespace

const NodeType* NodeTypeRegistry::registerType(NodeTypeDescription description) {
    if (description.name.empty() || types_.count(description.name) != 0) return nullptr;
    auto type = std::make_unique<NodeType>();
    type->name = description.name;
    type->fnType = description.fnType;
    type->abstract = description.abstract;
    if (!description.parent.empty()) {
        const NodeType* parent = find(description.parent);
        if (parent == nullptr) return nullptr;
        type->parent = parent;
        type->fnTypes = parent->fnTypes;
        type->attributes = parent->attributes;
        type->byName = parent->byName;
        type->pathByName = parent->pathByName;
        type->pathByIndex = parent->pathByIndex;
        type->computes = parent->computes;
        type->makePayload = parent->makePayload;
    }
    type->fnTypes.push_back(description.fnType);
    for (VFn::Type extra : description.extraFnTypes) type->fnTypes.push_back(extra);
    for (const AttributePtr& attribute : description.attributes) {
        if (!namesFree(*type, attribute)) return nullptr;
        addFlattened(*type, attribute);
    }
    if (description.compute) type->computes.insert(type->computes.begin(), description.compute);
    if (description.makePayload) type->makePayload = description.makePayload;
    type->dag = type->hasFn(VFn::kDagNode);
    type->transform = type->hasFn(VFn::kAnyTransform);
    const NodeType* result = type.get();
    types_[description.name] = std::move(type);
    return result;
}

const NodeType* NodeTypeRegistry::find(const std::string& name) const {
    for (const NodeType* type : recent_) {
        if (type != nullptr && type->name == name) return type;
    }
    auto it = types_.find(name);
    if (it == types_.end()) return nullptr;
    const NodeType* found = it->second.get();
    for (size_t i = kRecentTypes - 1; i > 0; --i) recent_[i] = recent_[i - 1];
    recent_[0] = found;
    return found;
}

std::vector<const NodeType*> NodeTypeRegistry::types() const {
    std::vector<const NodeType*> result;
    for (const auto& entry : types_) result.push_back(entry.second.get());
    return result;
}

}  // namespace vexa_host
