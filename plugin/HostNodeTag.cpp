#include "plugin/HostNodeTag.h"

#include "plugin/HostUtilities.h"

#include <vexa/VFnDependencyNode.h>
#include <vexa/VFnNumericAttribute.h>

#include <cstring>

namespace {

const char* const kTagName = "lumtraxTypeID";
const char* const kTagShortName = "wyxID";

// The tag attribute as the node gets it; null when it cannot be made.
VObject MakeTagAttribute() {
    VFnNumericAttribute numeric;
    VStatus status;
    const VObject attribute = numeric.create(kTagName, kTagShortName, VFnNumericAttribute::kShort, 0.0, &status);
    if (!status) {
        PrintStatusError(status, "LVGetLumtraxAttribute : Create attribute fail.");
        return VObject();
    }
    PrintStatusError(numeric.setConnectable(false), "LVGetLumtraxAttribute");
    PrintStatusError(numeric.setStorable(true), "LVGetLumtraxAttribute");
    PrintStatusError(numeric.setHidden(true), "LVGetLumtraxAttribute");
    return attribute;
}

}  // namespace

void LVSetLumtraxID(const VObject& node, int id) {
    VStatus status;
    VFnDependencyNode dependencyNode(node, &status);
    if (!status) {
        PrintStatusError(status, "LVSetLumtraxID : find Dependency node of object");
        return;
    }
    if (!dependencyNode.hasAttribute(kTagName)) {
        const VObject attribute = MakeTagAttribute();
        status = attribute.isNull() ? VStatus(VStatus::kFailure, "no attribute")
                                    : dependencyNode.addAttribute(attribute, VFnDependencyNode::kLocalDynamicAttr);
        if (!status) {
            PrintStatusError(status, "LVSetLumtraxID : Add Lumtrax attribute fail.");
            return;
        }
    }
    VPlug plug = dependencyNode.findPlug(kTagName, &status);
    if (status) status = plug.setValue(id);
    PrintStatusError(status, "LVSetLumtraxID : Set value fail.");
}

int LVGetLumtraxID(const VObject& node) {
    VStatus status;
    const VFnDependencyNode dependencyNode(node, &status);
    if (!status || !dependencyNode.hasAttribute(kTagName)) return 0;
    const VPlug plug = dependencyNode.findPlug(kTagName, &status);
    int id = 0;
    return status && plug.getValue(id) ? id : 0;
}

bool IsLumtraxIDName(const char* name) { return name != nullptr && std::strcmp(name, kTagShortName) == 0; }
