#ifndef VEXA_HOST_OBJECTRECORD_H
#define VEXA_HOST_OBJECTRECORD_H

// What a VObject stands for: a node, an attribute, a plug-in, later components and data.

#include <vexa/VFn.h>
#include <vexa/VexaExport.h>

#include <memory>

namespace vexa_host {

class AttributeDef;
class ComponentRecord;
class Node;

class VEXA_API ObjectRecord : public std::enable_shared_from_this<ObjectRecord> {
public:
    ObjectRecord() = default;
    ObjectRecord(const ObjectRecord&) = delete;
    ObjectRecord& operator=(const ObjectRecord&) = delete;
    virtual ~ObjectRecord();

    virtual VFn::Type apiType() const = 0;
    virtual bool hasFn(VFn::Type type) const = 0;
    virtual const char* apiTypeName() const = 0;
    // The record as a component (faces, vertices, CVs); null for every other kind. Set edits
    // ask it of every member they compare, where a dynamic_cast would cost more than the rest.
    virtual const ComponentRecord* asComponent() const { return nullptr; }
    virtual ComponentRecord* asComponent() { return nullptr; }
    // The record as a node of the scene; null for every other kind. Every command that names a
    // node asks it, where a dynamic_cast would cost more than the look-up.
    virtual Node* asNode() { return nullptr; }
    // The record as an attribute; null for every other kind. Plugs found by attribute ask it.
    virtual AttributeDef* asAttribute() { return nullptr; }
};

}  // namespace vexa_host

#endif
