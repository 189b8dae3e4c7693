#include "hostimport/UserAttributes.h"

#include "core/RWyxUserProperty.h"
#include "plugin/HostNodeTag.h"
#include "plugin/VexaNode.h"

#include <vexa/VFnDependencyNode.h>
#include <vexa/VFnNumericAttribute.h>

#include <cctype>
#include <cmath>

namespace {

bool IsIdentifierCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

// A new host attribute for the property's type under the name; the null object when the host
// makes none. `softLimits` tells whether the type takes the property's range.
VObject NewAttribute(const RWyxUserProperty& property, const VString& name, VFnNumericAttribute& numeric,
                     bool& softLimits) {
    softLimits = false;
    VStatus status;
    VObject made;
    switch (property.GetType()) {
        case kUserPropertyBool:
            made = numeric.create(name, name, VFnNumericAttribute::kBoolean, 0.0, &status);
            break;
        case kUserPropertyReal:
            made = numeric.create(name, name, VFnNumericAttribute::kDouble, 0.0, &status);
            softLimits = true;
            break;
        case kUserPropertyColor:
            made = numeric.createColor(name, name, &status);
            break;
        case kUserPropertyInteger:
            made = numeric.create(name, name, VFnNumericAttribute::kLong, 0.0, &status);
            softLimits = true;
            break;
        case kUserPropertyVector:
            made = numeric.create(name, name, VFnNumericAttribute::k3Double, 0.0, &status);
            break;
        default:
            made = numeric.create(name, name, VFnNumericAttribute::kDouble, 0.0, &status);
            break;
    }
    return status ? made : VObject();
}

void SetFlags(const RWyxUserProperty& property, VFnNumericAttribute& numeric, bool softLimits) {
    numeric.setHidden(false);
    numeric.setKeyable(true);
    numeric.setInternal(true);
    if (!softLimits) return;
    if (property.GetMin() > -HUGE_VAL) numeric.setSoftMin(property.GetMin());
    if (property.GetMax() < HUGE_VAL) numeric.setSoftMax(property.GetMax());
}

}  // namespace

const char* UserAttributeKey(const RWyxUserProperty& property) { return property.GetLabel(true); }

std::string UserAttributeBaseName(const RWyxUserProperty& property) {
    const char* key = UserAttributeKey(property);
    std::string name = key != nullptr ? key : "";
    for (char& c : name) {
        if (!IsIdentifierCharacter(c)) c = '_';
    }
    if (!name.empty() && std::isdigit(static_cast<unsigned char>(name.front())) != 0) name.insert(0, "_");
    return name;
}

std::string UserAttributeCandidate(const std::string& baseName, int attempt) {
    return attempt == 0 ? baseName : baseName + std::to_string(attempt);
}

bool IsCompatibleAttribute(const RWyxUserProperty& property, const VObject& attribute) {
    VStatus status;
    const VFnNumericAttribute numeric(attribute, &status);
    if (!status) return false;
    switch (numeric.unitType()) {
        case VFnNumericAttribute::kBoolean:
            return property.GetType() == kUserPropertyBool;
        case VFnNumericAttribute::kByte:
        case VFnNumericAttribute::kChar:
        case VFnNumericAttribute::kShort:
        case VFnNumericAttribute::kLong:
            return property.GetType() == kUserPropertyInteger;
        case VFnNumericAttribute::kFloat:
        case VFnNumericAttribute::kDouble:
            return property.GetType() == kUserPropertyReal || property.GetType() == kUserPropertyUnidentified;
        case VFnNumericAttribute::k3Float:
        case VFnNumericAttribute::k3Double:
            return property.GetType() == kUserPropertyColor || property.GetType() == kUserPropertyVector;
        default:
            return false;
    }
}

bool IsTypeTagProperty(const RWyxUserProperty& property) { return IsLumtraxIDName(UserAttributeKey(property)); }

bool CreateUserAttribute(const RWyxUserProperty& property, VFnDependencyNode& host, VexaNode& node) {
    const std::string base = UserAttributeBaseName(property);
    if (base.empty() || IsTypeTagProperty(property)) return false;
    // Any refusal (a name in use is the usual one) tries the next name.
    for (int attempt = 0; attempt < kUserAttributeAttempts; ++attempt) {
        const std::string name = UserAttributeCandidate(base, attempt);
        VFnNumericAttribute numeric;
        bool softLimits = false;
        const VObject attribute = NewAttribute(property, VString(name.c_str()), numeric, softLimits);
        if (attribute.isNull()) return false;
        SetFlags(property, numeric, softLimits);
        if (host.addAttribute(attribute, VFnDependencyNode::kLocalDynamicAttr)) {
            node.AddAttributeName(UserAttributeKey(property), RString(name.c_str()));
            return true;
        }
    }
    return false;
}

void ImportUserProperties(VFnDependencyNode& host, VexaNode& node) {
    if (node.GetNodeAttribute() == nullptr) return;
    for (int i = 0; i < node.GetUserPropertyCount(); ++i) {
        const RWyxUserProperty* property = node.GetUserProperty(i);
        if (property == nullptr || !property->GetFlag(RWyxUserProperty::kFlagUserProperty)) continue;
        if (IsTypeTagProperty(*property)) {
            LVSetLumtraxID(host.object(), property->GetInteger());
        } else {
            CreateUserAttribute(*property, host, node);
        }
    }
}
