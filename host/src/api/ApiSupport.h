#ifndef VEXA_HOST_APISUPPORT_H
#define VEXA_HOST_APISUPPORT_H

// Small helpers the interface classes share: reaching the records behind handles and
// reporting statuses through optional out-parameters.

#include "host/src/scene/Handles.h"

#include <vexa/VStatus.h>

namespace vexa_host {

// Stores the status when the caller asked for it, and passes it on: the very status given,
// without a copy for callers that drop it (one kept is copied before the statement ends).
inline const VStatus& report(VStatus* out, const VStatus& status) {
    if (out != nullptr) *out = status;
    return status;
}

inline VStatus deletedNode() { return VStatus(VStatus::kInvalidParameter, "the node was deleted"); }
inline VStatus noObject() { return VStatus(VStatus::kInvalidParameter, "the function set has no object"); }

}  // namespace vexa_host

#endif
