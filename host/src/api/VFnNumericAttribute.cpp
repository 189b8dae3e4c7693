#include <vexa/VFnNumericAttribute.h>

#include "host/src/api/ApiSupport.h"

#include <optional>

using namespace vexa_host;

namespace {

bool validType(VFnNumericAttribute::NumericType type) {
    return type > VFnNumericAttribute::kInvalid && type < VFnNumericAttribute::kLast;
}

VStatus readOptional(const VObject& object, std::optional<double> AttributeDef::*field, double& value) {
    AttributePtr attribute = attributeOf(object);
    if (!attribute) return noObject();
    const std::optional<double>& stored = (*attribute).*field;
    if (!stored) return VStatus(VStatus::kNotFound, "the attribute has no such limit");
    value = *stored;
    return VStatus();
}

VStatus writeOptional(const VObject& object, std::optional<double> AttributeDef::*field, double value) {
    AttributePtr attribute = attributeOf(object);
    if (!attribute) return noObject();
    (*attribute).*field = value;
    for (const AttributePtr& child : attribute->children) (*child).*field = value;
    return VStatus();
}

bool hasOptional(const VObject& object, std::optional<double> AttributeDef::*field, VStatus* status) {
    AttributePtr attribute = attributeOf(object);
    report(status, attribute ? VStatus() : noObject());
    return attribute && ((*attribute).*field).has_value();
}

}  // namespace

VFnNumericAttribute::VFnNumericAttribute(const VObject& object, VStatus* status) {
    report(status, VFnNumericAttribute::setObject(object));
}

VStatus VFnNumericAttribute::setObject(const VObject& object) { return VFnBase::setObject(object); }

VObject VFnNumericAttribute::create(const VString& longName, const VString& shortName, NumericType type,
                                    double defaultValue, VStatus* status) {
    if (longName.isEmpty() || !validType(type)) {
        report(status, VStatus(VStatus::kInvalidParameter, "a numeric attribute needs a name and a type"));
        return VObject();
    }
    const std::string shortText = shortName.isEmpty() ? longName.str() : shortName.str();
    AttributePtr attribute = componentCount(type) == 1
                                 ? makeNumeric(longName.str(), shortText, type, defaultValue)
                                 : makeNumericCompound(longName.str(), shortText, type,
                                                       componentCount(type) == 2 ? std::vector<std::string>{"X", "Y"}
                                                                                 : std::vector<std::string>{"X", "Y", "Z"},
                                                       defaultValue);
    report(status, VStatus());
    object_ = VObject(attribute);
    return object_;
}

VObject VFnNumericAttribute::createColor(const VString& longName, const VString& shortName, VStatus* status) {
    if (longName.isEmpty()) {
        report(status, VStatus(VStatus::kInvalidParameter, "a colour attribute needs a name"));
        return VObject();
    }
    const std::string shortText = shortName.isEmpty() ? longName.str() : shortName.str();
    AttributePtr attribute = makeNumericCompound(longName.str(), shortText, k3Float, {"R", "G", "B"});
    attribute->usedAsColor = true;
    report(status, VStatus());
    object_ = VObject(attribute);
    return object_;
}

VObject VFnNumericAttribute::createPoint(const VString& longName, const VString& shortName, VStatus* status) {
    return create(longName, shortName, k3Double, 0.0, status);
}

VFnNumericAttribute::NumericType VFnNumericAttribute::unitType(VStatus* status) const {
    AttributePtr attribute = attributeOf(object_);
    report(status, attribute ? VStatus() : noObject());
    return attribute ? static_cast<NumericType>(attribute->numericType) : kInvalid;
}

VStatus VFnNumericAttribute::getDefault(double& value) const {
    AttributePtr attribute = attributeOf(object_);
    if (!attribute) return noObject();
    value = attribute->defaultValue;
    return VStatus();
}

VStatus VFnNumericAttribute::getDefault(double& x, double& y, double& z) const {
    AttributePtr attribute = attributeOf(object_);
    if (!attribute) return noObject();
    if (attribute->children.size() < 2) return VStatus(VStatus::kInvalidParameter, "not a compound of numbers");
    double* out[3] = {&x, &y, &z};
    for (size_t i = 0; i < 3; ++i) *out[i] = i < attribute->children.size() ? attribute->children[i]->defaultValue : 0.0;
    return VStatus();
}

VStatus VFnNumericAttribute::setDefault(double value) {
    AttributePtr attribute = attributeOf(object_);
    if (!attribute) return noObject();
    attribute->defaultValue = value;
    for (const AttributePtr& child : attribute->children) child->defaultValue = value;
    return VStatus();
}

VStatus VFnNumericAttribute::setDefault(double x, double y, double z) {
    AttributePtr attribute = attributeOf(object_);
    if (!attribute) return noObject();
    if (attribute->children.size() < 2) return VStatus(VStatus::kInvalidParameter, "not a compound of numbers");
    const double values[3] = {x, y, z};
    for (size_t i = 0; i < attribute->children.size() && i < 3; ++i) attribute->children[i]->defaultValue = values[i];
    return VStatus();
}

bool VFnNumericAttribute::hasMin(VStatus* status) const { return hasOptional(object_, &AttributeDef::minimum, status); }
bool VFnNumericAttribute::hasMax(VStatus* status) const { return hasOptional(object_, &AttributeDef::maximum, status); }
bool VFnNumericAttribute::hasSoftMin(VStatus* status) const {
    return hasOptional(object_, &AttributeDef::softMinimum, status);
}
bool VFnNumericAttribute::hasSoftMax(VStatus* status) const {
    return hasOptional(object_, &AttributeDef::softMaximum, status);
}
VStatus VFnNumericAttribute::getMin(double& value) const { return readOptional(object_, &AttributeDef::minimum, value); }
VStatus VFnNumericAttribute::getMax(double& value) const { return readOptional(object_, &AttributeDef::maximum, value); }
VStatus VFnNumericAttribute::getSoftMin(double& value) const {
    return readOptional(object_, &AttributeDef::softMinimum, value);
}
VStatus VFnNumericAttribute::getSoftMax(double& value) const {
    return readOptional(object_, &AttributeDef::softMaximum, value);
}
VStatus VFnNumericAttribute::setMin(double value) { return writeOptional(object_, &AttributeDef::minimum, value); }
VStatus VFnNumericAttribute::setMax(double value) { return writeOptional(object_, &AttributeDef::maximum, value); }
VStatus VFnNumericAttribute::setSoftMin(double value) {
    return writeOptional(object_, &AttributeDef::softMinimum, value);
}
VStatus VFnNumericAttribute::setSoftMax(double value) {
    return writeOptional(object_, &AttributeDef::softMaximum, value);
}
