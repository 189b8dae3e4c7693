#include <vexa/VFnDoubleIndexedComponent.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/geometry/DoubleIndexedComponent.h"

#include <memory>

using namespace vexa_host;

namespace {

DoubleIndexedComponent* doubleOf(const VObject& object) { return dynamic_cast<DoubleIndexedComponent*>(object.record().get()); }

VStatus badIndex(int index, int count) {
    return VStatus(VStatus::kInvalidParameter, "element " + std::to_string(index) + " of " + std::to_string(count));
}

}  // namespace

VFnDoubleIndexedComponent::VFnDoubleIndexedComponent(const VObject& object, VStatus* status) {
    report(status, VFnDoubleIndexedComponent::setObject(object));
}

VObject VFnDoubleIndexedComponent::create(VFn::Type componentType, VStatus* status) {
    if (!DoubleIndexedComponent::isKind(componentType)) {
        report(status, VStatus(VStatus::kInvalidParameter, "not a double-indexed component kind"));
        return VObject();
    }
    object_ = VObject(std::make_shared<DoubleIndexedComponent>(componentType));
    report(status, VStatus());
    return object_;
}

VStatus VFnDoubleIndexedComponent::addElement(int u, int v) {
    DoubleIndexedComponent* component = doubleOf(object_);
    return component != nullptr ? component->add(u, v) : noObject();
}

VStatus VFnDoubleIndexedComponent::addElements(const VIntArray& u, const VIntArray& v) {
    if (u.length() != v.length()) return VStatus(VStatus::kInvalidParameter, "the U and V arrays differ in length");
    for (unsigned i = 0; i < u.length(); ++i) {
        if (VStatus status = addElement(u[i], v[i]); !status) return status;
    }
    return object_.isNull() ? noObject() : VStatus();
}

VStatus VFnDoubleIndexedComponent::getElement(int index, int& u, int& v) const {
    const DoubleIndexedComponent* component = doubleOf(object_);
    if (component == nullptr) return noObject();
    const std::vector<DoubleIndexedComponent::Element> elements = component->elements();
    if (index < 0 || static_cast<size_t>(index) >= elements.size()) return badIndex(index, static_cast<int>(elements.size()));
    u = elements[static_cast<size_t>(index)].first;
    v = elements[static_cast<size_t>(index)].second;
    return VStatus();
}

VStatus VFnDoubleIndexedComponent::getElements(VIntArray& u, VIntArray& v) const {
    u.clear();
    v.clear();
    const DoubleIndexedComponent* component = doubleOf(object_);
    if (component == nullptr) return noObject();
    for (const auto& element : component->elements()) {
        u.append(element.first);
        v.append(element.second);
    }
    return VStatus();
}

VStatus VFnDoubleIndexedComponent::setCompleteData(int countU, int countV) {
    DoubleIndexedComponent* component = doubleOf(object_);
    return component != nullptr ? component->setCompleteCounts(countU, countV) : noObject();
}

VStatus VFnDoubleIndexedComponent::getCompleteData(int& countU, int& countV) const {
    const DoubleIndexedComponent* component = doubleOf(object_);
    if (component == nullptr) return noObject();
    countU = component->completeU();
    countV = component->completeV();
    return VStatus();
}
