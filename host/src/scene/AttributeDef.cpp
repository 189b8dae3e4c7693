#include "host/src/scene/AttributeDef.h"

#include <vexa/VFnNumericAttribute.h>

#include <cctype>

namespace vexa_host {

AttributeDef::AttributeDef(std::string longName, std::string shortName, AttributeKind kind)
    : longName(std::move(longName)), shortName(std::move(shortName)), kind(kind) {}

VFn::Type AttributeDef::apiType() const {
    switch (kind) {
    case AttributeKind::Numeric: return VFn::kNumericAttribute;
    case AttributeKind::Compound:
        switch (numericType) {
        case VFnNumericAttribute::k2Double: return VFn::kAttribute2Double;
        case VFnNumericAttribute::k2Float: return VFn::kAttribute2Float;
        case VFnNumericAttribute::k3Double: return VFn::kAttribute3Double;
        case VFnNumericAttribute::k3Float: return VFn::kAttribute3Float;
        case VFnNumericAttribute::k3Short:
        case VFnNumericAttribute::k3Long: return VFn::kAttribute3Int;
        default: return VFn::kCompoundAttribute;
        }
    case AttributeKind::String:
    case AttributeKind::Data: return VFn::kTypedAttribute;
    case AttributeKind::Matrix: return VFn::kMatrixAttribute;
    case AttributeKind::Message: return VFn::kMessageAttribute;
    }
    return VFn::kAttribute;
}

bool AttributeDef::hasFn(VFn::Type type) const {
    if (type == VFn::kBase || type == VFn::kAttribute || type == apiType()) return true;
    // Numeric compounds work with both the numeric and the compound function sets.
    const bool numericCompound = kind == AttributeKind::Compound && numericType != 0;
    return numericCompound && (type == VFn::kNumericAttribute || type == VFn::kCompoundAttribute);
}

const char* AttributeDef::apiTypeName() const {
    switch (kind) {
    case AttributeKind::Numeric: return "numericAttribute";
    case AttributeKind::Compound: return numericType != 0 ? "numericCompoundAttribute" : "compoundAttribute";
    case AttributeKind::String: return "stringAttribute";
    case AttributeKind::Matrix: return "matrixAttribute";
    case AttributeKind::Message: return "messageAttribute";
    case AttributeKind::Data: return "dataAttribute";
    }
    return "attribute";
}



AttributePtr AttributeDef::findDescendant(const std::string& name) const {
    for (const AttributePtr& child : children) {
        if (child->isNamed(name)) return child;
        if (AttributePtr found = child->findDescendant(name)) return found;
    }
    return nullptr;
}

int AttributeDef::childIndex(const AttributeDef* child) const {
    for (size_t i = 0; i < children.size(); ++i) {
        if (children[i].get() == child) return static_cast<int>(i);
    }
    return -1;
}

AttributePtr makeNumeric(const std::string& longName, const std::string& shortName, int numericType,
                         double defaultValue, UnitKind unit) {
    auto attribute = std::make_shared<AttributeDef>(longName, shortName, AttributeKind::Numeric);
    attribute->numericType = numericType;
    attribute->defaultValue = defaultValue;
    attribute->unit = unit;
    return attribute;
}

AttributePtr makeNumericCompound(const std::string& longName, const std::string& shortName, int numericType,
                                 const std::vector<std::string>& suffixes, double defaultValue, UnitKind unit) {
    std::vector<AttributePtr> children;
    for (const std::string& suffix : suffixes) {
        std::string shortSuffix = suffix;
        for (char& c : shortSuffix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        children.push_back(makeNumeric(longName + suffix, shortName + shortSuffix, childNumericType(numericType),
                                       defaultValue, unit));
    }
    AttributePtr compound = makeCompound(longName, shortName, std::move(children));
    compound->numericType = numericType;
    compound->unit = unit;
    compound->defaultValue = defaultValue;
    return compound;
}

AttributePtr makeCompound(const std::string& longName, const std::string& shortName,
                          std::vector<AttributePtr> children) {
    auto compound = std::make_shared<AttributeDef>(longName, shortName, AttributeKind::Compound);
    compound->children = std::move(children);
    for (const AttributePtr& child : compound->children) child->parent = compound.get();
    return compound;
}

AttributePtr makeTyped(const std::string& longName, const std::string& shortName, AttributeKind kind,
                       const std::string& dataType) {
    auto attribute = std::make_shared<AttributeDef>(longName, shortName, kind);
    attribute->dataType = dataType;
    return attribute;
}

int childNumericType(int compoundType) {
    switch (compoundType) {
    case VFnNumericAttribute::k2Short:
    case VFnNumericAttribute::k3Short: return VFnNumericAttribute::kShort;
    case VFnNumericAttribute::k2Long:
    case VFnNumericAttribute::k3Long: return VFnNumericAttribute::kLong;
    case VFnNumericAttribute::k2Float:
    case VFnNumericAttribute::k3Float: return VFnNumericAttribute::kFloat;
    case VFnNumericAttribute::k2Double:
    case VFnNumericAttribute::k3Double: return VFnNumericAttribute::kDouble;
    default: return compoundType;
    }
}

int componentCount(int numericType) {
    switch (numericType) {
    case VFnNumericAttribute::k2Short:
    case VFnNumericAttribute::k2Long:
    case VFnNumericAttribute::k2Float:
    case VFnNumericAttribute::k2Double: return 2;
    case VFnNumericAttribute::k3Short:
    case VFnNumericAttribute::k3Long:
    case VFnNumericAttribute::k3Float:
    case VFnNumericAttribute::k3Double: return 3;
    default: return 1;
    }
}

}  // namespace vexa_host
