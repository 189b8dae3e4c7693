#include "core/RPropertyObjectList.h"

#include "core/RClassIdFilter.h"
#include "core/RPropertyBlock.h"

namespace {

constexpr std::uint32_t kSideBits = RPlug::kTakesSources | RPlug::kTakesDestinations | RPlug::kOneWayDestination;

}  // namespace

RPropertyObjectList::RPropertyObjectList() {
    SetTypeCode(kPropertyTypeObject);
    SetFlag(kListFlag | kObjectList, true);
}

RPropertyObjectList::RPropertyObjectList(const RPropertyInfo& description) : RProperty(description) {}

RPropertyObjectList* RPropertyObjectList::CreateObjectListProperty(RObject* owner, const char* name,
                                                                   bool registeredFlag, int classId, int argument,
                                                                   std::uint32_t sideBits, std::uint32_t state) {
    if (owner == nullptr) return nullptr;
    auto* property = CreatePlugObject<RPropertyObjectList>(nullptr);
    property->SetStateFlags(state, true);
    property->Declare(name, owner);
    property->Place(registeredFlag, classId, argument, sideBits);
    property->SetNameAndTypeCode(name, kPropertyTypeObject);
    property->SetFlag(kOwnedName | kOwnedByObject, true);
    owner->AddProperty(property);
    return property;
}

RPropertyObjectList* RPropertyObjectList::CreateObjectListProperty(RObject* owner, const RPropertyInfo& description,
                                                                   bool registeredFlag, int classId, int argument,
                                                                   std::uint32_t sideBits, std::uint32_t state,
                                                                   RPropertyBlock* block) {
    if (owner == nullptr) return nullptr;
    RPropertyObjectList* property = block != nullptr ? block->Make<RPropertyObjectList>(description) : nullptr;
    if (property == nullptr) property = CreatePlugObject<RPropertyObjectList>(nullptr, description);
    property->SetStateFlags(state, true);
    property->Declare(description.GetName(), owner);
    property->Place(registeredFlag, classId, argument, sideBits);
    owner->AddProperty(property);
    return property;
}

void RPropertyObjectList::Place(bool registeredFlag, int classId, int argument, std::uint32_t sideBits) {
    classId_ = classId;
    second_ = argument;
    // The side first: registering copies the owner's connections of that side only.
    SetState(kSideBits, false);
    SetState(sideBits & kSideBits, true);
    SetFilter(GetClassIdFilter(classId), registeredFlag);
}

int RPropertyObjectList::GetCount() const { return ListsSources() ? GetSourceCount() : GetDestinationCount(); }

RObject* RPropertyObjectList::GetObject(int index) const {
    RPlug* plug = ListsSources() ? GetSource(index) : GetDestination(index);
    return plug != nullptr && plug->Is(RObject::ClassId()) ? static_cast<RObject*>(plug) : nullptr;
}

int RPropertyObjectList::IndexOf(const RObject* object) const {
    if (object == nullptr) return -1;
    for (int i = 0; i < GetCount(); ++i) {
        if (GetObject(i) == object) return i;
    }
    return -1;
}

bool RPropertyObjectList::Add(RObject* object) {
    OnChange();
    return ListsSources() ? ConnectSource(object) : ConnectDestination(object);
}

bool RPropertyObjectList::InsertAt(int index, RObject* object) {
    OnChange();
    return ListsSources() ? ConnectSourceAt(index, object) : ConnectDestinationAt(index, object);
}

bool RPropertyObjectList::ReplaceAt(int index, RObject* object) {
    OnChange();
    return ListsSources() ? ReplaceSourceAt(index, object) : ReplaceDestinationAt(index, object);
}

bool RPropertyObjectList::RemoveAt(int index) {
    OnChange();
    return ListsSources() ? DisconnectSourceAt(index) : DisconnectDestinationAt(index);
}

bool RPropertyObjectList::Remove(RObject* object) {
    OnChange();
    return ListsSources() ? DisconnectSource(object) : DisconnectDestination(object);
}

void RPropertyObjectList::Clear() {
    OnChange();
    if (ListsSources()) {
        DisconnectAllSources();
    } else {
        DisconnectAllDestinations();
    }
}

void RPropertyObjectList::SetClass(int classId, int second) {
    classId_ = classId;
    second_ = second;
    SetFilter(GetClassIdFilter(classId), HasState(kRegisteredChild));
}

void RPropertyObjectList::GetClass(int& classId, int& second) const {
    classId = classId_;
    second = second_;
}

bool RPropertyObjectList::SendEvent(const RPlugEventPath* path, const RPlugEvent& event) {
    if (event.sender == this) {
        const bool added = event.code == (ListsSources() ? kPlugEventSourceAdded : kPlugEventDestinationAdded);
        const bool removed = event.code == (ListsSources() ? kPlugEventSourceRemoved : kPlugEventDestinationRemoved);
        if (added || removed) OnChange();
    }
    return RProperty::SendEvent(path, event);
}
