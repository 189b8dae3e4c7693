#ifndef VEXA_HOST_HANDLES_H
#define VEXA_HOST_HANDLES_H

// The records behind the interface's handles: a VObject holds a node or an attribute of the
// database, and a node answers the handle that stands for it.

#include "host/src/scene/AttributeDef.h"
#include "host/src/scene/Node.h"
#include "host/src/scene/PathLink.h"

#include <vexa/VDagPath.h>
#include <vexa/VObject.h>

namespace vexa_host {

inline Node* nodeOf(const VObject& object) { return object.isNull() ? nullptr : object.record()->asNode(); }
inline Node* liveNodeOf(const VObject& object) {
    Node* node = nodeOf(object);
    return node != nullptr && node->alive() ? node : nullptr;
}
// The live node at the end of a path, read without making a handle to it (null for an empty
// path): set edits ask it for every member they name.
inline Node* liveEndOf(const VDagPath& path) {
    Node* node = path.tail() ? &path.tail()->node() : nullptr;
    return node != nullptr && node->alive() ? node : nullptr;
}
inline AttributePtr attributeOf(const VObject& object) {
    AttributeDef* attribute = object.isNull() ? nullptr : object.record()->asAttribute();
    return attribute != nullptr ? AttributePtr(object.record(), attribute) : nullptr;
}
inline VObject objectOf(Node& node) { return VObject(node.self()); }

}  // namespace vexa_host

#endif
