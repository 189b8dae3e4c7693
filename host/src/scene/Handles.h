#ifndef VEXA_HOST_HANDLES_H
#define VEXA_HOST_HANDLES_H

// The records behind the interface's handles: a VObject holds a node or an attribute of the
// database, and a node answers the handle that stands for it.

#include "host/src/scene/AttributeDef.h"
#include "host/src/scene/Node.h"

#include <vexa/VObject.h>

namespace vexa_host {

inline Node* nodeOf(const VObject& object) { return object.isNull() ? nullptr : object.record()->asNode(); }
inline Node* liveNodeOf(const VObject& object) {
    Node* node = nodeOf(object);
    return node != nullptr && node->alive() ? node : nullptr;
}
inline AttributePtr attributeOf(const VObject& object) {
    return std::dynamic_pointer_cast<AttributeDef>(object.record());
}
inline VObject objectOf(Node& node) { return VObject(node.self()); }

}  // namespace vexa_host

#endif
