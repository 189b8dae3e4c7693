#include <vexa/VFnBase.h>

#include "host/src/api/ApiSupport.h"

VFnBase::~VFnBase() = default;

VObject VFnBase::object(VStatus* status) const {
    vexa_host::report(status, object_.isNull() ? vexa_host::noObject() : VStatus());
    return object_;
}

VStatus VFnBase::setObject(const VObject& object) {
    if (!object.hasFn(type())) {
        object_ = VObject();
        return VStatus(VStatus::kInvalidParameter, VString("the object is not of kind ") + static_cast<int>(type()));
    }
    object_ = object;
    return VStatus();
}

bool VFnBase::hasObj(VFn::Type type) const { return object_.hasFn(type); }
