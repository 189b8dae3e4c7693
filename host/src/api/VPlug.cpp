#include <vexa/VPlug.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/geometry/GeometryObject.h"
#include "host/src/scene/PlugAccess.h"
#include "host/src/scene/Scene.h"
#include "host/src/scene/TransformNode.h"

#include <vexa/VIntArray.h>
#include <vexa/VPlugArray.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace vexa_host;

namespace {

VStatus nullPlug() { return VStatus(VStatus::kInvalidParameter, "the plug is null"); }

VPlug withPath(const NodePtr& node, PlugPath path) { return VPlug(node, std::make_shared<PlugPath>(std::move(path))); }

VStatus readAny(const VPlug& plug, PlugValue& value) {
    if (plug.isNull()) return nullPlug();
    return readValue(*plug.nodeRecord(), *plug.path(), value);
}

VStatus numberOf(const PlugValue& any, double& value) {
    if (!std::holds_alternative<double>(any)) return VStatus(VStatus::kInvalidParameter, "the plug is not numeric");
    value = std::get<double>(any);
    return VStatus();
}

VStatus readDouble(const VPlug& plug, double& value) {
    PlugValue any;
    VStatus status = readAny(plug, any);
    return status ? numberOf(any, value) : status;
}

VStatus writeAny(const VPlug& plug, const PlugValue& value) {
    if (plug.isNull()) return nullPlug();
    return writeValue(*plug.nodeRecord(), *plug.path(), value);
}

VStatus writeAnyNumber(const VPlug& plug, double value) {
    if (plug.isNull()) return nullPlug();
    return writeNumber(*plug.nodeRecord(), *plug.path(), value);
}

// A number converted to a narrower type, held within the type's range (not a number gives 0).
template <typename T>
T clampedCast(double value) {
    if (std::isnan(value)) return T(0);
    const double low = static_cast<double>(std::numeric_limits<T>::lowest());
    const double high = static_cast<double>(std::numeric_limits<T>::max());
    return static_cast<T>(std::clamp(value, low, high));
}

template <typename T>
T readAs(const VPlug& plug, VStatus* status) {
    double value = 0.0;
    report(status, readDouble(plug, value));
    return clampedCast<T>(value);
}

std::string nodePartialName(Node& node) {
    if (!node.isDag()) return node.name();
    return VDagPath(firstPathLink(node)).partialPathName().str();
}

}  // namespace

VPlug::VPlug(const VObject& node, const VObject& attribute) {
    Node* record = liveNodeOf(node);
    AttributePtr definition = attributeOf(attribute);
    if (record == nullptr || !definition || record->findAttribute(definition->longName) != definition) return;
    node_ = record->self();
    path_ = std::make_shared<PlugPath>(PlugPath::of(definition));
}

VObject VPlug::node(VStatus* status) const {
    report(status, isNull() ? nullPlug() : VStatus());
    return isNull() ? VObject() : VObject(node_);
}

VObject VPlug::attribute(VStatus* status) const {
    report(status, isNull() ? nullPlug() : VStatus());
    return isNull() ? VObject() : VObject(path_->leafPtr());
}

VString VPlug::name(VStatus* status) const {
    report(status, isNull() ? nullPlug() : VStatus());
    return isNull() ? VString() : VString(node_->name() + "." + path_->key());
}

VString VPlug::info(VStatus* status) const {
    report(status, isNull() ? nullPlug() : VStatus());
    return isNull() ? VString() : VString(nodePartialName(*node_) + "." + path_->key());
}

VString VPlug::partialName(bool includeNodeName, bool, bool, bool, bool useFullAttributePath, bool useLongNames,
                           VStatus* status) const {
    report(status, isNull() ? nullPlug() : VStatus());
    if (isNull()) return VString();
    const std::string attributeText = path_->text(useLongNames, useFullAttributePath);
    return VString(includeNodeName ? node_->name() + "." + attributeText : attributeText);
}

bool VPlug::isArray(VStatus* status) const {
    report(status, isNull() ? nullPlug() : VStatus());
    return !isNull() && path_->isArrayPlug();
}

bool VPlug::isElement(VStatus* status) const {
    report(status, isNull() ? nullPlug() : VStatus());
    return !isNull() && path_->leaf().array && path_->steps.back().index >= 0;
}

unsigned VPlug::logicalIndex(VStatus* status) const {
    if (!isElement()) {
        report(status, VStatus(VStatus::kInvalidParameter, "the plug is not an element"));
        return 0;
    }
    report(status, VStatus());
    return static_cast<unsigned>(path_->steps.back().index);
}

VPlug VPlug::elementByLogicalIndex(unsigned index, VStatus* status) const {
    if (!isArray() || index > 0x7fffffffu) {
        report(status, VStatus(VStatus::kInvalidParameter, "the plug is not an array"));
        return VPlug();
    }
    report(status, VStatus());
    PlugPath path = *path_;
    path.steps.back().index = static_cast<int>(index);
    return withPath(node_, std::move(path));
}

VPlug VPlug::elementByPhysicalIndex(unsigned index, VStatus* status) const {
    if (!isArray()) {
        report(status, VStatus(VStatus::kInvalidParameter, "the plug is not an array"));
        return VPlug();
    }
    const std::vector<int> indices = existingIndices(*node_, *path_);
    if (index >= indices.size()) {
        report(status, VStatus(VStatus::kInvalidParameter, "element index out of range"));
        return VPlug();
    }
    return elementByLogicalIndex(static_cast<unsigned>(indices[index]), status);
}

unsigned VPlug::numElements(VStatus* status) const {
    if (!isArray()) {
        report(status, VStatus(VStatus::kInvalidParameter, "the plug is not an array"));
        return 0;
    }
    report(status, VStatus());
    return static_cast<unsigned>(existingIndices(*node_, *path_).size());
}

int VPlug::getExistingArrayAttributeIndices(VIntArray& indices, VStatus* status) const {
    indices.clear();
    if (!isArray()) {
        report(status, VStatus(VStatus::kInvalidParameter, "the plug is not an array"));
        return 0;
    }
    report(status, VStatus());
    for (int index : existingIndices(*node_, *path_)) indices.append(index);
    return static_cast<int>(indices.length());
}

VPlug VPlug::array(VStatus* status) const {
    if (!isElement()) {
        report(status, VStatus(VStatus::kInvalidParameter, "the plug is not an element"));
        return VPlug();
    }
    report(status, VStatus());
    PlugPath path = *path_;
    path.steps.back().index = -1;
    return withPath(node_, std::move(path));
}

VStatus VPlug::selectAncestorLogicalIndex(unsigned index, const VObject& attribute) {
    if (isNull()) return nullPlug();
    if (index > 0x7fffffffu) return VStatus(VStatus::kInvalidParameter, "index out of range");
    AttributePtr wanted = attribute.isNull() ? nullptr : attributeOf(attribute);
    if (!attribute.isNull() && !wanted) return VStatus(VStatus::kInvalidParameter, "not an attribute");
    PlugPath path = *path_;
    for (auto step = path.steps.rbegin(); step != path.steps.rend(); ++step) {
        if (!step->attribute->array) continue;
        if (wanted && step->attribute != wanted) continue;
        step->index = static_cast<int>(index);
        path_ = std::make_shared<PlugPath>(std::move(path));
        return VStatus();
    }
    return VStatus(VStatus::kInvalidParameter, "no such array above the plug");
}

bool VPlug::isCompound(VStatus* status) const {
    report(status, isNull() ? nullPlug() : VStatus());
    return !isNull() && path_->leaf().isCompound();
}

bool VPlug::isChild(VStatus* status) const {
    report(status, isNull() ? nullPlug() : VStatus());
    return !isNull() && path_->leaf().parent != nullptr;
}

unsigned VPlug::numChildren(VStatus* status) const {
    report(status, isNull() ? nullPlug() : VStatus());
    return isNull() ? 0u : static_cast<unsigned>(path_->leaf().children.size());
}

VPlug VPlug::child(unsigned index, VStatus* status) const {
    if (isNull() || index >= path_->leaf().children.size()) {
        report(status, VStatus(VStatus::kInvalidParameter, "child index out of range"));
        return VPlug();
    }
    report(status, VStatus());
    PlugPath path = *path_;
    path.steps.push_back({path_->leaf().children[index], -1});
    return withPath(node_, std::move(path));
}

VPlug VPlug::child(const VObject& attribute, VStatus* status) const {
    AttributePtr wanted = attributeOf(attribute);
    if (!isNull() && wanted) {
        const int index = path_->leaf().childIndex(wanted.get());
        if (index >= 0) return child(static_cast<unsigned>(index), status);
    }
    report(status, VStatus(VStatus::kInvalidParameter, "not a child of the plug"));
    return VPlug();
}

VPlug VPlug::parent(VStatus* status) const {
    if (!isChild()) {
        report(status, VStatus(VStatus::kInvalidParameter, "the plug has no parent"));
        return VPlug();
    }
    report(status, VStatus());
    PlugPath path = *path_;
    path.steps.pop_back();
    return withPath(node_, std::move(path));
}

bool VPlug::isConnected(VStatus* status) const { return isDestination(status) || isSource(); }

bool VPlug::isDestination(VStatus* status) const {
    report(status, isNull() ? nullPlug() : VStatus());
    if (isNull()) return false;
    return std::any_of(node_->incoming().begin(), node_->incoming().end(),
                       [this](const Connection& c) { return c.local == *path_; });
}

bool VPlug::isSource(VStatus* status) const {
    report(status, isNull() ? nullPlug() : VStatus());
    if (isNull()) return false;
    return std::any_of(node_->outgoing().begin(), node_->outgoing().end(),
                       [this](const Connection& c) { return c.local == *path_; });
}

bool VPlug::connectedTo(VPlugArray& plugs, bool asDestination, bool asSource, VStatus* status) const {
    plugs.clear();
    report(status, isNull() ? nullPlug() : VStatus());
    if (isNull()) return false;
    if (asDestination) {
        for (const Connection& c : node_->incoming()) {
            if (c.local == *path_) plugs.append(withPath(c.other->self(), c.remote));
        }
    }
    if (asSource) {
        for (const Connection& c : node_->outgoing()) {
            if (c.local == *path_) plugs.append(withPath(c.other->self(), c.remote));
        }
    }
    return plugs.length() > 0;
}

bool VPlug::isDynamic(VStatus* status) const {
    report(status, isNull() ? nullPlug() : VStatus());
    return !isNull() && path_->leaf().dynamic;
}

bool VPlug::isKeyable(VStatus* status) const {
    report(status, isNull() ? nullPlug() : VStatus());
    return !isNull() && path_->leaf().keyable;
}

bool VPlug::isLocked(VStatus* status) const {
    report(status, isNull() ? nullPlug() : VStatus());
    return !isNull() && vexa_host::isLocked(*node_, *path_);
}

VStatus VPlug::setLocked(bool locked) {
    if (isNull()) return nullPlug();
    if (!node_->alive()) return deletedNode();
    vexa_host::setLocked(*node_, *path_, locked);
    return VStatus();
}

VStatus VPlug::getValue(double& value) const { return readDouble(*this, value); }
VStatus VPlug::getOwnValue(double& value) const {
    if (isNull()) return nullPlug();
    PlugValue own;
    VStatus status = readOwnValue(*node_, *path_, own);
    return status ? numberOf(own, value) : status;
}
VStatus VPlug::getValue(float& value) const {
    double number = 0.0;
    VStatus status = readDouble(*this, number);
    value = static_cast<float>(number);
    return status;
}
VStatus VPlug::getValue(int& value) const {
    VStatus status;
    value = readAs<int>(*this, &status);
    return status;
}
VStatus VPlug::getValue(short& value) const {
    VStatus status;
    value = readAs<short>(*this, &status);
    return status;
}
VStatus VPlug::getValue(bool& value) const {
    double number = 0.0;
    VStatus status = readDouble(*this, number);
    value = number != 0.0;
    return status;
}
VStatus VPlug::getValue(char& value) const {
    VStatus status;
    value = readAs<char>(*this, &status);
    return status;
}
VStatus VPlug::getValue(VString& value) const {
    PlugValue any;
    VStatus status = readAny(*this, any);
    if (!status) return status;
    if (!std::holds_alternative<std::string>(any)) return VStatus(VStatus::kInvalidParameter, "the plug holds no text");
    value = VString(std::get<std::string>(any));
    return VStatus();
}
VStatus VPlug::getValue(VMatrix& value) const {
    PlugValue any;
    VStatus status = readAny(*this, any);
    if (!status) return status;
    if (!std::holds_alternative<MatrixValue>(any)) return VStatus(VStatus::kInvalidParameter, "the plug holds no matrix");
    value = fromMatrixValue(std::get<MatrixValue>(any));
    return VStatus();
}

VStatus VPlug::getValue(VObject& data) const {
    PlugValue any;
    VStatus status = readAny(*this, any);
    if (!status) return status;
    const auto* value = std::get_if<std::shared_ptr<const DataValue>>(&any);
    if (value == nullptr) return VStatus(VStatus::kInvalidParameter, "the plug holds no data");
    data = *value ? geometryObject(*value) : VObject();
    return VStatus();
}

VStatus VPlug::setValue(const VObject& data) {
    const GeometryObject* geometry = geometryObjectOf(data);
    if (geometry == nullptr) return VStatus(VStatus::kInvalidParameter, "the object holds no data");
    return writeAny(*this, geometry->data());
}

VStatus VPlug::setValue(double value) { return writeAnyNumber(*this, value); }
VStatus VPlug::setValue(float value) { return writeAnyNumber(*this, static_cast<double>(value)); }
VStatus VPlug::setValue(int value) { return writeAnyNumber(*this, static_cast<double>(value)); }
VStatus VPlug::setValue(short value) { return writeAnyNumber(*this, static_cast<double>(value)); }
VStatus VPlug::setValue(bool value) { return writeAnyNumber(*this, value ? 1.0 : 0.0); }
VStatus VPlug::setValue(char value) { return writeAnyNumber(*this, static_cast<double>(value)); }
VStatus VPlug::setValue(const VString& value) { return writeAny(*this, value.str()); }
VStatus VPlug::setValue(const char* value) { return writeAny(*this, std::string(value != nullptr ? value : "")); }
VStatus VPlug::setValue(const VMatrix& value) { return writeAny(*this, toMatrixValue(value)); }

double VPlug::asDouble(VStatus* status) const { return readAs<double>(*this, status); }
float VPlug::asFloat(VStatus* status) const { return readAs<float>(*this, status); }
int VPlug::asInt(VStatus* status) const { return readAs<int>(*this, status); }
short VPlug::asShort(VStatus* status) const { return readAs<short>(*this, status); }
bool VPlug::asBool(VStatus* status) const { return readAs<double>(*this, status) != 0.0; }
char VPlug::asChar(VStatus* status) const { return readAs<char>(*this, status); }
VString VPlug::asString(VStatus* status) const {
    VString value;
    report(status, getValue(value));
    return value;
}

bool VPlug::operator==(const VPlug& other) const {
    if (isNull() || other.isNull()) return isNull() == other.isNull();
    return node_ == other.node_ && *path_ == *other.path_;
}
