#include <vexa/VFnSingleIndexedComponent.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/geometry/SingleIndexedComponent.h"

#include <memory>

using namespace vexa_host;

namespace {

SingleIndexedComponent* singleOf(const VObject& object) { return SingleIndexedComponent::of(object.record().get()); }

VStatus badIndex(int index, int count) {
    return VStatus(VStatus::kInvalidParameter, "element " + std::to_string(index) + " of " + std::to_string(count));
}

}  // namespace

VFnSingleIndexedComponent::VFnSingleIndexedComponent(const VObject& object, VStatus* status) {
    report(status, VFnSingleIndexedComponent::setObject(object));
}

VObject VFnSingleIndexedComponent::create(VFn::Type componentType, VStatus* status) {
    if (!SingleIndexedComponent::isKind(componentType)) {
        report(status, VStatus(VStatus::kInvalidParameter, "not a single-indexed component kind"));
        return VObject();
    }
    object_ = VObject(std::make_shared<SingleIndexedComponent>(componentType));
    report(status, VStatus());
    return object_;
}

VStatus VFnSingleIndexedComponent::addElement(int element) {
    SingleIndexedComponent* component = singleOf(object_);
    return component != nullptr ? component->add(element) : noObject();
}

// One call for the whole array: a plug-in names a material's polygons, thousands at once.
VStatus VFnSingleIndexedComponent::addElements(const VIntArray& elements) {
    SingleIndexedComponent* component = singleOf(object_);
    if (component == nullptr) return elements.length() == 0 && !object_.isNull() ? VStatus() : noObject();
    return elements.length() == 0 ? VStatus() : component->add(&elements[0], elements.length());
}

int VFnSingleIndexedComponent::element(int index, VStatus* status) const {
    const SingleIndexedComponent* component = singleOf(object_);
    if (component == nullptr || index < 0 || index >= component->elementCount()) {
        report(status, component == nullptr ? noObject() : badIndex(index, component->elementCount()));
        return -1;
    }
    report(status, VStatus());
    return component->element(index);
}

VStatus VFnSingleIndexedComponent::getElements(VIntArray& elements) const {
    elements.clear();
    const SingleIndexedComponent* component = singleOf(object_);
    if (component == nullptr) return noObject();
    for (int element : component->elements()) elements.append(element);
    return VStatus();
}

VStatus VFnSingleIndexedComponent::setCompleteData(int count) {
    SingleIndexedComponent* component = singleOf(object_);
    return component != nullptr ? component->setCompleteCount(count) : noObject();
}

VStatus VFnSingleIndexedComponent::getCompleteData(int& count) const {
    const SingleIndexedComponent* component = singleOf(object_);
    if (component == nullptr) return noObject();
    count = component->completeCount();
    return VStatus();
}
