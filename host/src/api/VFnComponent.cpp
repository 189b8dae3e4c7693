#include <vexa/VFnComponent.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/geometry/DoubleIndexedComponent.h"
#include "host/src/geometry/SingleIndexedComponent.h"

using namespace vexa_host;

namespace {

SingleIndexedComponent* singleOf(const VObject& object) { return SingleIndexedComponent::of(object.record().get()); }
DoubleIndexedComponent* doubleOf(const VObject& object) { return dynamic_cast<DoubleIndexedComponent*>(object.record().get()); }

}  // namespace

VFnComponent::VFnComponent(const VObject& object, VStatus* status) { report(status, VFnComponent::setObject(object)); }

int VFnComponent::elementCount(VStatus* status) const {
    report(status, object_.isNull() ? noObject() : VStatus());
    if (const SingleIndexedComponent* single = singleOf(object_)) return single->elementCount();
    if (const DoubleIndexedComponent* pairs = doubleOf(object_)) return pairs->elementCount();
    return 0;
}

bool VFnComponent::isComplete(VStatus* status) const {
    report(status, object_.isNull() ? noObject() : VStatus());
    if (const SingleIndexedComponent* single = singleOf(object_)) return single->isComplete();
    if (const DoubleIndexedComponent* pairs = doubleOf(object_)) {
        return pairs->completeU() >= 0 && pairs->elementCount() == pairs->completeU() * pairs->completeV();
    }
    return false;
}

VFn::Type VFnComponent::componentType(VStatus* status) const {
    report(status, object_.isNull() ? noObject() : VStatus());
    return object_.apiType();
}
