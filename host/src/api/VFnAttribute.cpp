#include <vexa/VFnAttribute.h>

#include "host/src/api/ApiSupport.h"

using namespace vexa_host;

namespace {

// Reads a flag of the attribute, or answers false with a status when there is none.
template <typename Read>
bool readFlag(const VObject& object, VStatus* status, Read read) {
    AttributePtr attribute = attributeOf(object);
    report(status, attribute ? VStatus() : noObject());
    return attribute ? read(*attribute) : false;
}

template <typename Write>
VStatus writeFlag(const VObject& object, Write write) {
    AttributePtr attribute = attributeOf(object);
    if (!attribute) return noObject();
    write(*attribute);
    return VStatus();
}

}  // namespace

VFnAttribute::VFnAttribute(const VObject& object, VStatus* status) { report(status, VFnAttribute::setObject(object)); }

VStatus VFnAttribute::setObject(const VObject& object) { return VFnBase::setObject(object); }

VString VFnAttribute::name(VStatus* status) const {
    AttributePtr attribute = attributeOf(object_);
    report(status, attribute ? VStatus() : noObject());
    return attribute ? VString(attribute->longName) : VString();
}

VString VFnAttribute::shortName(VStatus* status) const {
    AttributePtr attribute = attributeOf(object_);
    report(status, attribute ? VStatus() : noObject());
    return attribute ? VString(attribute->shortName) : VString();
}

VObject VFnAttribute::parent(VStatus* status) const {
    AttributePtr attribute = attributeOf(object_);
    report(status, attribute ? VStatus() : noObject());
    if (!attribute || attribute->parent == nullptr) return VObject();
    return VObject(attribute->parent->shared_from_this());
}

unsigned VFnAttribute::numChildren(VStatus* status) const {
    AttributePtr attribute = attributeOf(object_);
    report(status, attribute ? VStatus() : noObject());
    return attribute ? static_cast<unsigned>(attribute->children.size()) : 0u;
}

VObject VFnAttribute::child(unsigned index, VStatus* status) const {
    AttributePtr attribute = attributeOf(object_);
    if (!attribute || index >= attribute->children.size()) {
        report(status, VStatus(VStatus::kInvalidParameter, "child index out of range"));
        return VObject();
    }
    report(status, VStatus());
    return VObject(attribute->children[index]);
}

bool VFnAttribute::isDynamic(VStatus* status) const {
    return readFlag(object_, status, [](const AttributeDef& a) { return a.dynamic; });
}
bool VFnAttribute::isKeyable(VStatus* status) const {
    return readFlag(object_, status, [](const AttributeDef& a) { return a.keyable; });
}
VStatus VFnAttribute::setKeyable(bool on) {
    return writeFlag(object_, [on](AttributeDef& a) { a.keyable = on; });
}
bool VFnAttribute::isStorable(VStatus* status) const {
    return readFlag(object_, status, [](const AttributeDef& a) { return a.storable; });
}
VStatus VFnAttribute::setStorable(bool on) {
    return writeFlag(object_, [on](AttributeDef& a) { a.storable = on; });
}
bool VFnAttribute::isHidden(VStatus* status) const {
    return readFlag(object_, status, [](const AttributeDef& a) { return a.hidden; });
}
VStatus VFnAttribute::setHidden(bool on) {
    return writeFlag(object_, [on](AttributeDef& a) { a.hidden = on; });
}
bool VFnAttribute::isConnectable(VStatus* status) const {
    return readFlag(object_, status, [](const AttributeDef& a) { return a.connectable; });
}
VStatus VFnAttribute::setConnectable(bool on) {
    return writeFlag(object_, [on](AttributeDef& a) { a.connectable = on; });
}
bool VFnAttribute::isReadable(VStatus* status) const {
    return readFlag(object_, status, [](const AttributeDef& a) { return a.readable; });
}
VStatus VFnAttribute::setReadable(bool on) {
    return writeFlag(object_, [on](AttributeDef& a) { a.readable = on; });
}
bool VFnAttribute::isWritable(VStatus* status) const {
    return readFlag(object_, status, [](const AttributeDef& a) { return a.writable; });
}
VStatus VFnAttribute::setWritable(bool on) {
    return writeFlag(object_, [on](AttributeDef& a) { a.writable = on; });
}
bool VFnAttribute::isArray(VStatus* status) const {
    return readFlag(object_, status, [](const AttributeDef& a) { return a.array; });
}
VStatus VFnAttribute::setArray(bool on) {
    return writeFlag(object_, [on](AttributeDef& a) { a.array = on; });
}
bool VFnAttribute::isUsedAsColor(VStatus* status) const {
    return readFlag(object_, status, [](const AttributeDef& a) { return a.usedAsColor; });
}
VStatus VFnAttribute::setUsedAsColor(bool on) {
    return writeFlag(object_, [on](AttributeDef& a) { a.usedAsColor = on; });
}
bool VFnAttribute::internal(VStatus* status) const {
    return readFlag(object_, status, [](const AttributeDef& a) { return a.internal; });
}
VStatus VFnAttribute::setInternal(bool on) {
    return writeFlag(object_, [on](AttributeDef& a) { a.internal = on; });
}
