#ifndef VEXA_HOST_APISUPPORT_H
#define VEXA_HOST_APISUPPORT_H

// Small helpers the interface classes share: reaching the records behind handles and
// reporting statuses through optional out-parameters.

#include "host/src/AttributeDef.h"
#include "host/src/Node.h"

#include <vexa/VObject.h>
#include <vexa/VStatus.h>

namespace vexa_host {

inline Node* nodeOf(const VObject& object) { return dynamic_cast<Node*>(object.record().get()); }
inline Node* liveNodeOf(const VObject& object) {
    Node* node = nodeOf(object);
    return node != nullptr && node->alive() ? node : nullptr;
}
inline AttributePtr attributeOf(const VObject& object) {
    return std::dynamic_pointer_cast<AttributeDef>(object.record());
}
inline VObject objectOf(Node& node) { return VObject(node.self()); }

// Stores the status when the caller asked for it, and passes it on.
inline VStatus report(VStatus* out, const VStatus& status) {
    if (out != nullptr) *out = status;
    return status;
}

inline VStatus deletedNode() { return VStatus(VStatus::kInvalidParameter, "the node was deleted"); }
inline VStatus noObject() { return VStatus(VStatus::kInvalidParameter, "the function set has no object"); }

}  // namespace vexa_host

#endif
