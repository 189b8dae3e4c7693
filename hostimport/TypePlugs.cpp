#include "hostimport/TypePlugs.h"

#include <vexa/VFnDependencyNode.h>

#include <utility>

TypePlugs::TypePlugs(std::vector<const char*> names) : names_(std::move(names)) {}

void TypePlugs::Use(const VFnDependencyNode& node) {
    const char* const typeName = node.object().apiTypeStr();
    if (current_ < types_.size() && types_[current_].typeName == typeName) return;
    for (current_ = 0; current_ < types_.size(); ++current_) {
        if (types_[current_].typeName == typeName) return;
    }
    types_.push_back(Learn(node, typeName));
}

TypePlugs::TypeEntry TypePlugs::Learn(const VFnDependencyNode& node, const char* typeName) const {
    TypeEntry entry;
    entry.typeName = typeName;
    // A node lists its type's attributes first, then its own.
    entry.typeAttributes = node.attributeCount();
    while (entry.typeAttributes > 0 &&
           node.attributeClass(node.attribute(entry.typeAttributes - 1)) != VFnDependencyNode::kNormalAttr) {
        --entry.typeAttributes;
    }
    for (const char* name : names_) {
        VStatus status;
        const VObject attribute = node.attribute(name, &status);
        const bool typeOwn = status && node.attributeClass(attribute) == VFnDependencyNode::kNormalAttr;
        entry.attributes.push_back(typeOwn ? attribute : VObject());
    }
    return entry;
}

VPlug TypePlugs::Find(const VFnDependencyNode& node, std::size_t index) const {
    const TypeEntry& entry = types_[current_];
    const VObject& attribute = entry.attributes[index];
    if (!attribute.isNull()) return node.findPlug(attribute);
    // Without attributes of its own the node has none of the name.
    if (node.attributeCount() == entry.typeAttributes) return VPlug();
    return node.findPlug(names_[index]);
}
