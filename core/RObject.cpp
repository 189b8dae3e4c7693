#include "core/RObject.h"

#include "core/RClassIdFilter.h"
#include "core/REntityList.h"
#include "core/RGenericObjectList.h"
#include "core/RObjectProperty.h"
#include "core/RReferenceProperty.h"
#include "core/RTypedProperty.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

// Handed out as selection serials; the first one handed out is 2.
std::uint64_t gSelectionCounter = 1;

int ConnectionKind(int plugEventCode) {
    switch (plugEventCode) {
        case kPlugEventSourceAdding:
        case kPlugEventDestinationAdding: return kConnectionAdding;
        case kPlugEventSourceAdded:
        case kPlugEventDestinationAdded: return kConnectionAdded;
        case kPlugEventSourceRemoving:
        case kPlugEventDestinationRemoving: return kConnectionRemoving;
        case kPlugEventSourceRemoved:
        case kPlugEventDestinationRemoved: return kConnectionRemoved;
        default: return 0;
    }
}

bool IsSourceEvent(int code) {
    return code == kPlugEventSourceAdding || code == kPlugEventSourceAdded || code == kPlugEventSourceRemoving ||
           code == kPlugEventSourceRemoved;
}

bool IsObject(const RPlug* plug) { return plug != nullptr && plug->Is(RObject::ClassId()); }

RObject* AsObject(RPlug* plug) { return IsObject(plug) ? static_cast<RObject*>(plug) : nullptr; }

// Cuts `text` at the last occurrence of `separator`: the part before goes to `before`,
// the rest stays in `text`. Without the separator `before` is empty.
void CutAtLast(RString& text, const char* separator, RString& before) {
    const int length = static_cast<int>(std::strlen(separator));
    int found = -1;
    for (int at = text.FindText(separator); at >= 0; at = text.FindText(separator, at + 1)) found = at;
    if (found < 0) {
        before.Clear();
        return;
    }
    before = text.FirstChars(found);
    text = text.SubstringFrom(found + length);
}

}  // namespace

RObject::RObject() = default;

RObject::~RObject() {
    handlers_.reset();
    WalkFromLast([this] { return GetSourceCount(); }, [this](int i) {
        if (IsObject(GetSource(i))) DisconnectSourceAt(i);
    });
    if (RObject* owning = GetOwningObject()) Disconnect(this, owning);
    RemoveAllProperties();
    if (entityList_ != nullptr) entityList_->Remove(this);
    // Blocks adopted after PrepareDestroy get only the plain release.
    ReleaseOwnedBlocks();
}

// ---- plug operations ------------------------------------------------------------------------------

RPlug* RObject::QueryInterface(std::uint32_t interfaceId) {
    return interfaceId == kInterfaceId ? this : RPlug::QueryInterface(interfaceId);
}

void RObject::Destroy() {
    // Already on its way out: a second request changes nothing.
    if (IsDying() || HasObjectFlags(kObjectDestroying)) return;
    RPlug::Destroy();
}

void RObject::Init(RPlug* argument) {
    if (argument != nullptr && argument->Is(REntityList::ClassId())) static_cast<REntityList*>(argument)->Add(this);
}

void RObject::PrepareDestroy() {
    SetObjectFlags(kObjectDestroying, true);
    SetSelectionState(0);
    NotifyObjectEvent(kObjectEventDestroyed, GetRef(), nullptr, -1);
    DisconnectAll();
    RemoveAllProperties();
    if (entityList_ != nullptr) entityList_->Remove(this);
    RPlug::PrepareDestroy();
    ReleaseOwnedBlocks();
}

const RObject::Extras& RObject::ReadExtras() const {
    static const Extras none;
    return extras_ != nullptr ? *extras_ : none;
}

RObject::Extras& RObject::EditExtras() const {
    if (extras_ == nullptr) extras_ = std::make_unique<Extras>();
    return *extras_;
}

void RObject::AdoptBlock(ROwnedBlock block) {
    if (block != nullptr) EditExtras().ownedBlocks.push_back(std::move(block));
}

// A release may adopt further blocks: they are released in their turn.
void RObject::ReleaseOwnedBlocks() {
    while (!ReadExtras().ownedBlocks.empty()) {
        std::vector<ROwnedBlock> blocks = std::move(extras_->ownedBlocks);
        extras_->ownedBlocks.clear();
        for (ROwnedBlock& block : blocks) {
            ReleaseBlock(block.get());
            block.reset();
        }
    }
}

bool RObject::IsReplacing(const RPlug* a, const RPlug* b) const {
    const std::vector<ReplacementRecord>& replacements = ReadExtras().replacements;
    return std::any_of(replacements.begin(), replacements.end(), [a, b](const ReplacementRecord& record) {
        return (record.sender == a && record.other == b) || (record.sender == b && record.other == a);
    });
}

bool RObject::HasOwner(int argument) const {
    if (argument != 0 || GetSourceCount() != 0 || GetDestinationCount() > 1) return false;
    if (GetDestinationCount() == 1 && !owningObject_.IsValid()) return false;
    return std::none_of(properties_.begin(), properties_.end(), [](const RProperty* property) {
        return property->GetSourceCount() != 0 || property->GetDestinationCount() != 0;
    });
}

RObject* RObject::GetOwningObject() const { return AsObject(owningObject_.Get()); }

bool RObject::RelayA(const RRelayEvent& event) {
    RPlugLock lock(this);
    if (RObject* owning = GetOwningObject()) {
        if (!owning->ReceiveRelayA(event)) return false;
    }
    return RPlug::RelayA(event);
}

bool RObject::RelayB(const RRelayEvent& event) {
    RPlugLock lock(this);
    if (RObject* owning = GetOwningObject()) {
        if (!owning->ReceiveRelayB(event)) return false;
    }
    return RPlug::RelayB(event);
}

// Turns plug events into object events, then hands them to the owning object and up the
// owner chain.
bool RObject::SendEvent(const RPlugEventPath* path, const RPlugEvent& event) {
    RPlugLock lock(this);
    if (!HandlePlugEventLocally(event)) return false;
    if (RObject* owning = GetOwningObject()) {
        if (!owning->ReceivePlugEvent(path, event)) return false;
    }
    return RPlug::SendEvent(path, event);
}

bool RObject::HandlePlugEventLocally(const RPlugEvent& event) {
    const int code = event.code;
    if (code == kPlugEventSourceReplacing || code == kPlugEventDestinationReplacing) {
        EditExtras().replacements.push_back({event.sender, event.other, event.extra, code == kPlugEventSourceReplacing});
    } else if ((code == kPlugEventSourceReplaced || code == kPlugEventDestinationReplaced) && extras_ != nullptr) {
        const bool sourceSide = code == kPlugEventSourceReplaced;
        std::vector<ReplacementRecord>& replacements = extras_->replacements;
        const auto found = std::find_if(replacements.begin(), replacements.end(), [&](const ReplacementRecord& r) {
            return r.sender == event.sender && r.other == event.other && r.sourceSide == sourceSide;
        });
        if (found != replacements.end()) replacements.erase(found);
    }

    if (!IsObject(event.other)) {
        // A reference property whose referenced property is going away leaves its object.
        if (code == kPlugEventSourceRemoving && !IsReplacing(event.sender, event.other) && event.sender != nullptr &&
            event.sender->Is(RProperty::ClassId()) && event.other != nullptr && event.other->Is(RProperty::ClassId())) {
            auto* reference = static_cast<RProperty*>(event.sender);
            if (reference->IsReference() && reference->GetOwnerObject() == this) {
                DestroyPropertyAt(IndexOfProperty(reference));
            }
        }
        if (code == kPlugEventNotifyBegin || code == kPlugEventNotifyEnd) {
            const int objectCode = code == kPlugEventNotifyBegin ? kObjectEventSelectionSet : kObjectEventSelectionCleared;
            return DispatchObjectEvent(event.sender, objectCode, RPlugRef(event.other), event.index);
        }
        return true;
    }

    const int kind = ConnectionKind(code);
    if (kind == 0) return true;
    if (event.sender == this) {
        if (!IsSourceEvent(code)) return OnDestinationConnectionEvent(kind);
        return DispatchObjectEvent(this, kind, RPlugRef(event.other), event.index) && OnOwnConnectionEvent(kind, event);
    }
    if (code == kPlugEventSourceRemoved && HasObjectFlags(kObjectDestroying)) return true;
    if (IsSourceEvent(code)) return DispatchObjectEvent(event.sender, kind, RPlugRef(event.other), event.index);
    return true;
}

// ---- names ------------------------------------------------------------------------------------------

bool RObject::ChangeName(const char* newName, int eventBefore, int eventAfter, int relayBefore, int relayAfter,
                         RString* target, RString* storedCopy) {
    RPlugLock lock(this);
    // Copies: the handlers below may change the strings the arguments point into.
    const RString newText(newName);
    const char* const text = newText.Buffer();
    const RString oldText = *target;
    NotifyObjectEvent(eventBefore, GetRef(), text, -1);
    RRelayEvent relay;
    relay.code = relayBefore;
    relay.sender = this;
    relay.newText = text;
    relay.oldText = oldText.Buffer();
    RelayB(relay);
    *target = text;
    if (storedCopy != nullptr) *storedCopy = text;
    InvalidateFullName(false);
    NotifyObjectEvent(eventAfter, GetRef(), text, -1);
    relay.code = relayAfter;
    RelayB(relay);
    return true;
}

bool RObject::SetName(const char* text) {
    if (text == nullptr) text = "";
    if (name_ == text) return false;
    const RString blankless = RString(text).Trimmed(2);
    const RString name = blankless.IsEmptyText() ? RString("1") : RString(text);
    return ChangeName(name.Buffer(), kObjectEventNameChanging, kObjectEventNameChanged, kRelayRenaming, kRelayRenamed,
                      &name_, nullptr);
}

bool RObject::SetNameOnly(const char* text) {
    if (text == nullptr) text = "";
    if (name_ == text) return false;
    const RString name = RString(text).Trimmed(2).IsEmptyText() ? RString("1") : RString(text);
    return ChangeName(name.Buffer(), kObjectEventNameOnlyChanging, kObjectEventNameOnlyChanged, kRelayRenaming,
                      kRelayRenamed, &name_, nullptr);
}

bool RObject::SetNameSpaceAndCopy(const char* text) {
    const RString stripped = StripNameSpacePath(text != nullptr ? text : "");
    if (ReadExtras().nameSpace == stripped && ReadExtras().storedNameSpace == stripped) return false;
    return ChangeName(stripped.Buffer(), kObjectEventNameSpaceAndCopyChanging, kObjectEventNameSpaceAndCopyChanged,
                      kRelayNameSpaceChanging, kRelayRenamed, &EditExtras().nameSpace, &EditExtras().storedNameSpace);
}

bool RObject::SetNameSpace(const char* text) {
    if (text == nullptr) text = "";
    if (ReadExtras().nameSpace == text) return false;
    return ChangeName(text, kObjectEventNameSpaceChanging, kObjectEventNameSpaceChanged, kRelayNameSpaceChanging,
                      kRelayNameSpaceChanging, &EditExtras().nameSpace, nullptr);
}

bool RObject::SetFullName(const char* text) {
    RString first;
    RString second;
    RString third;
    RString rest;
    SplitObjectName(text, first, second, third, rest);
    SetNameSpaceAndCopy(third.Buffer());
    return SetName(rest.Buffer());
}

void RObject::SplitObjectName(const char* text, RString& first, RString& second, RString& third, RString& rest) {
    rest = text != nullptr ? text : "";
    CutAtLast(rest, ":::", first);
    CutAtLast(rest, "::", second);
    CutAtLast(rest, ":", third);
}

RString RObject::JoinObjectName(const char* first, const char* second, const char* name) {
    RString result;
    if (first != nullptr && *first != '\0') (result += first) += "::";
    if (second != nullptr && *second != '\0') (result += second) += ":";
    result += name != nullptr ? name : "";
    return result;
}

RString RObject::JoinPrefixAndName(const char* prefix, const char* name) {
    const RString tail(name != nullptr ? name : "");
    if (prefix == nullptr || *prefix == '\0') return tail;
    RString result(prefix);
    if (tail[0] != ':') result += ':';
    result += tail;
    if (result.GetLength() > 0 && result[static_cast<unsigned>(result.GetLength() - 1)] == ':') {
        result = result.FirstChars(result.GetLength() - 1);
    }
    return result;
}

// The first live object of the name-space class among this object's destinations: an
// object is connected as a source of the object that gives it its name space.
RObject* RObject::NameSpaceOwner() const {
    const int classId = GetNameSpaceClassId();
    if (classId == kNoClassId) return nullptr;
    for (int i = 0; i < GetDestinationCount(); ++i) {
        RPlug* destination = GetDestination(i);
        if (destination != nullptr && destination != this && destination->Is(classId)) return AsObject(destination);
    }
    return nullptr;
}

// The name spaces of the chain of name-space owners, outermost first. A chain that comes
// back to an object already in it ends there.
RString RObject::NameSpacePath() const {
    std::vector<const RObject*> chain{this};
    for (const RObject* owner = NameSpaceOwner(); owner != nullptr; owner = owner->NameSpaceOwner()) {
        if (std::find(chain.begin(), chain.end(), owner) != chain.end()) break;
        chain.push_back(owner);
    }
    RString path = chain.back()->GetNameSpace();
    for (auto it = chain.rbegin() + 1; it != chain.rend(); ++it) {
        path = JoinPrefixAndName(path.Buffer(), (*it)->GetNameSpace());
    }
    return path;
}

RString RObject::StripNameSpacePath(const char* text) const {
    const RObject* owner = NameSpaceOwner();
    if (owner == nullptr) return RString(text);
    const RString path = owner->NameSpacePath();
    RString stripped(text);
    if (!path.IsEmptyText() && stripped.FindText(path.Buffer()) == 0) {
        int cut = path.GetLength();
        while (stripped[static_cast<unsigned>(cut)] == ':') ++cut;
        stripped = stripped.SubstringFrom(cut);
    }
    return stripped;
}

const RString& RObject::GetFullName() const {
    if (fullNameStale_) {
        RString full;
        const RString& description = GetDescription();
        if (!description.IsEmptyText()) (full += description) += "::";
        const RString path = NameSpacePath();
        if (!path.IsEmptyText()) (full += path) += ":";
        full += GetName();
        EditExtras().fullName = full;
        fullNameStale_ = false;
    }
    return ReadExtras().fullName;
}

// Marks the object and, when asked, every object reachable through destinations; each is
// visited once, so connection cycles end.
void RObject::InvalidateFullName(bool propagate) {
    fullNameStale_ = true;
    if (!propagate) return;
    std::vector<RObject*> visited{this};
    for (size_t next = 0; next < visited.size(); ++next) {
        RObject* object = visited[next];
        object->fullNameStale_ = true;
        for (int i = 0; i < object->GetDestinationCount(); ++i) {
            RObject* destination = AsObject(object->GetDestination(i));
            if (destination != nullptr && std::find(visited.begin(), visited.end(), destination) == visited.end()) {
                visited.push_back(destination);
            }
        }
    }
}

// ---- object events and selection ------------------------------------------------------------------

bool RObject::NotifyObjectEvent(int code, const RPlugRef& ref, const char* text, int index) {
    RPlugLock lock(this);
    if (code == kObjectEventDestroyed) {
        RRelayEvent relay;
        relay.code = kRelayDestroying;
        relay.sender = this;
        RelayB(relay);
    }
    if (RObject* owning = GetOwningObject()) owning->ReceiveObjectEvent(this, code, ref, text, index);
    const auto tell = [&](const RPlugRef& destination) {
        RPlug* plug = destination.Get();
        if (plug == nullptr) return false;
        if (RObject* object = AsObject(plug)) object->OnOwnedObjectEvent(this, code, ref, text, index);
        return true;
    };
    // The destinations as they stand now: a handler that disconnects one must not make the
    // walk skip the next. The usual single destination is held without a heap block.
    if (GetDestinationCount() == 1) {
        tell(RPlugRef(GetDestination(0)));
        return true;
    }
    std::vector<RPlugRef> destinations;
    for (int i = 0; i < GetDestinationCount(); ++i) destinations.push_back(RPlugRef(GetDestination(i)));
    for (const RPlugRef& destination : destinations) {
        if (!tell(destination)) break;
    }
    return true;
}

void RObject::SendObjectEvent23() { NotifyObjectEvent(kObjectEvent23, GetRef(), nullptr, -1); }

void RObject::SendObjectEvent24() { NotifyObjectEvent(kObjectEvent24, GetRef(), nullptr, -1); }

void RObject::SetSelected(bool selected) {
    if (selected == selected_) return;
    selected_ = selected;
    NotifyObjectEvent(selected ? kObjectEventSelected : kObjectEventUnselected, GetRef(), nullptr, -1);
}

bool RObject::SetSelectionState(std::uint32_t bits) {
    RPlugLock lock(this);
    RRelayEvent relay;
    relay.sender = this;
    if (bits == selectionState_) {
        if ((bits & 1) != 0) {
            NotifyObjectEvent(kObjectEventSelectionRenewed, GetRef(), nullptr, -1);
            relay.code = kRelaySelectionRenewed;
            RelayB(relay);
        }
        return false;
    }
    const std::uint32_t old = selectionState_;
    selectionState_ = bits;
    const bool wasSet = (old & 1) != 0;
    const bool isSet = (bits & 1) != 0;
    if (isSet && !wasSet) {
        selectionSerial_ = ++gSelectionCounter;
        NotifyObjectEvent(kObjectEventSelectionSet, GetRef(), nullptr, -1);
        relay.code = kRelaySelectionSet;
        RelayB(relay);
    } else if (!isSet && wasSet) {
        NotifyObjectEvent(kObjectEventSelectionCleared, GetRef(), nullptr, -1);
        relay.code = kRelaySelectionCleared;
        RelayB(relay);
    } else if (isSet) {
        selectionSerial_ = ++gSelectionCounter;
        NotifyObjectEvent(kObjectEventSelectionRenewed, GetRef(), nullptr, -1);
        relay.code = kRelaySelectionRenewed;
        RelayB(relay);
    }
    if (((old ^ bits) & 2) != 0) {
        const int code = (bits & 2) != 0 ? kObjectEventSecondSelectionSet : kObjectEventSecondSelectionCleared;
        NotifyObjectEvent(code, GetRef(), nullptr, -1);
    }
    return true;
}

void RObject::SetObjectFlags(std::uint32_t mask, bool on) {
    if (on) {
        objectFlags_ |= mask;
    } else {
        objectFlags_ &= ~mask;
    }
}

REventHandlerList& RObject::GetEventHandlers() {
    if (handlers_ == nullptr) handlers_ = std::make_unique<REventHandlerList>();
    return *handlers_;
}

bool RObject::DispatchObjectEvent(RPlug* sender, int code, const RPlugRef& subject, int index) {
    if (handlers_ == nullptr) return true;
    if (sender != this && (sender == nullptr || sender->GetOwner() != this)) return true;
    RPlugLock lock(this);
    RObjectEventRecord record;
    record.eventId = RObjectEventRecord::kEventId;
    record.sender = sender;
    record.object = GetRef();
    record.subject = subject;
    record.code = code;
    record.index = index;
    handlers_->Dispatch(code, record);
    return true;
}

bool RObject::OnOwnConnectionEvent(int kind, const RPlugEvent& event) {
    RObject* other = AsObject(event.other);
    const RPlugRef ref(event.other);
    switch (kind) {
        case kConnectionAdding:
            if (other != nullptr) NotifyObjectEvent(kObjectEventConnecting, ref, nullptr, event.index);
            break;
        case kConnectionRemoving:
            if (other != nullptr) NotifyObjectEvent(kObjectEventDisconnecting, ref, nullptr, event.index);
            break;
        case kConnectionAdded:
            NotifyObjectEvent(kObjectEventConnected, ref, nullptr, event.index);
            // The new source takes its name space relative to this object's path.
            if (other != nullptr && ref.IsValid()) {
                const int classId = other->GetNameSpaceClassId();
                if (classId != kNoClassId && Is(classId) && *other->GetNameSpace() != '\0') {
                    const RString nameSpace = other->GetNameSpace();
                    other->SetNameSpaceAndCopy(nameSpace.Buffer());
                }
            }
            NotifyObjectEvent(kObjectEventConnectionsChanged, ref, nullptr, event.index);
            break;
        case kConnectionRemoved:
            NotifyObjectEvent(kObjectEventDisconnected, ref, nullptr, event.index);
            NotifyObjectEvent(kObjectEventConnectionsChanged, ref, nullptr, event.index);
            break;
        default: break;
    }
    return true;
}

// ---- properties --------------------------------------------------------------------------------------

// Searched from both ends at once: removals mostly happen at one end or the other.
int RObject::IndexOfProperty(const RProperty* property) const {
    for (int front = 0, back = GetPropertyCount() - 1; front <= back; ++front, --back) {
        if (properties_[static_cast<size_t>(front)] == property) return front;
        if (properties_[static_cast<size_t>(back)] == property) return back;
    }
    return -1;
}

void RObject::ReserveProperties(int count) {
    if (count > 0) properties_.reserve(static_cast<size_t>(count));
    ReserveChildren(count);
    // A deferred index is made whole afterwards (and may need no table of its own).
    if (!nameIndexSuspended_) nameIndex_.Reserve(count);
}

RProperty* RObject::FindProperty(const char* name) const {
    return name != nullptr ? FindProperty(std::string_view(name)) : nullptr;
}

RProperty* RObject::FindProperty(std::string_view name) const {
    if (nameIndexSuspended_) {
        const auto named = [name](const RProperty* property) { return property->GetName() == name; };
        const auto found = std::find_if(properties_.begin(), properties_.end(), named);
        return found != properties_.end() ? *found : nullptr;
    }
    RProperty* found = nullptr;
    int foundAt = -1;
    nameIndex_.ForEachNamed(name, [&](RProperty* property) {
        if (found == nullptr) {
            found = property;
            return;
        }
        // Same-named properties are rare: only then are their list places looked up.
        if (foundAt < 0) foundAt = IndexOfProperty(found);
        const int at = IndexOfProperty(property);
        if (at < foundAt) {
            found = property;
            foundAt = at;
        }
    });
    return found;
}

// The guess stands for the lookup only where the lookup could find nothing else: the guessed
// property is in the name index and no two properties there ever shared a name.
RProperty* RObject::FindPropertyFrom(std::string_view name, int& hint) const {
    RProperty* guess = GetProperty(hint);
    if (guess != nullptr && StandsForItsName(*guess) && guess->GetInfo().GetNameView() == name) {
        ++hint;
        return guess;
    }
    RProperty* found = FindProperty(name);
    if (found != nullptr) hint = IndexOfProperty(found) + 1;
    return found;
}

// Only the properties the object owns are indexed, each once: a property leaves the index
// before its name changes or it changes owner.
void RObject::IndexPropertyName(RProperty* property) {
    if (nameIndexSuspended_ || property->nameIndexed_ || property->GetOwner() != this) return;
    nameIndex_.Add(property);
    property->nameIndexed_ = true;
}

void RObject::UnindexPropertyName(RProperty* property) {
    if (!property->nameIndexed_) return;
    property->nameIndexed_ = false;
    if (nameIndexSuspended_) return;
    nameIndex_.Remove(property);
    LowerCounterFloor(property->GetName());
}

// The requested name when it is free, else the name, a blank and the lowest free counter
// from 0 on. The search starts at the counter floor of the name (every counter below it is
// taken), so that many properties of one name do not search from 0 each time.
RString RObject::UniquePropertyName(const char* name) {
    const RString requested(name != nullptr ? name : "");
    if (FindProperty(requested.Buffer()) == nullptr) return requested;
    int& floor = EditExtras().counterFloors[requested.Buffer()];
    RString candidate = requested + " " + floor;
    while (FindProperty(candidate.Buffer()) != nullptr && floor < INT_MAX) {
        ++floor;
        candidate = requested + " " + floor;
    }
    return candidate;
}

// A name "stem <digits>" that leaves the object frees that counter of the stem.
void RObject::LowerCounterFloor(const char* leavingName) {
    if (ReadExtras().counterFloors.empty()) return;
    const char* blank = std::strrchr(leavingName, ' ');
    if (blank == nullptr || blank[1] == '\0') return;
    long long counter = 0;
    for (const char* digit = blank + 1; *digit != '\0'; ++digit) {
        if (*digit < '0' || *digit > '9') return;
        counter = std::min<long long>(counter * 10 + (*digit - '0'), INT_MAX);
    }
    std::unordered_map<std::string, int>& floors = extras_->counterFloors;
    const auto found = floors.find(std::string(leavingName, static_cast<size_t>(blank - leavingName)));
    if (found != floors.end() && counter < found->second) found->second = static_cast<int>(counter);
}

RProperty* RObject::CreateProperty(const char* name, int typeCode, const RDataType* dataType, bool animatable,
                                   bool userFlag, RPlug* argument) {
    RProperty* property = nullptr;
    switch (typeCode) {
        case kPropertyTypeInt:
        case kPropertyTypeEnum: property = CreatePlugObject<RIntegerProperty>(nullptr, typeCode, 0); break;
        case kPropertyTypeBool:
        case kPropertyTypeAction: property = CreatePlugObject<RBoolProperty>(nullptr, typeCode, false); break;
        case kPropertyTypeDouble: property = CreatePlugObject<RNumberProperty>(nullptr, typeCode, 0.0); break;
        case kPropertyTypeTime: property = CreatePlugObject<RTimeProperty>(nullptr, typeCode, RTime()); break;
        case kPropertyTypeVector3:
        case kPropertyTypeColorRGB:
            property = CreatePlugObject<RVectorProperty>(nullptr, typeCode, RVector4(0.0, 0.0, 0.0, 1.0));
            break;
        case kPropertyTypeColorRGBA:
            property = CreatePlugObject<RVectorProperty>(nullptr, typeCode, RVector4(0.0, 0.0, 0.0, 0.0));
            break;
        case kPropertyTypeString: property = CreatePlugObject<RStringProperty>(nullptr, typeCode, RString()); break;
        case kPropertyTypeObject: property = CreatePlugObject<RObjectProperty>(nullptr); break;
        case kPropertyTypeReference: property = CreatePlugObject<RReferenceProperty>(nullptr); break;
        default: return nullptr;
    }
    RPlugLock lock(this);
    RPlugLock lockProperty(property);
    property->RProperty::Declare(UniquePropertyName(name).Buffer(), this);
    property->SetTypeCode(typeCode);
    property->SetFlag(RProperty::kUserProperty, userFlag);
    property->SetFlag(RProperty::kOwnedByObject, true);
    property->SetDataType(dataType);
    AddProperty(property);
    const bool takesArgument =
        typeCode == kPropertyTypeString || typeCode == kPropertyTypeObject || typeCode == kPropertyTypeReference;
    if (takesArgument && argument != nullptr) property->ConnectSource(argument);
    property->SetMinMax(0.0, 100.0);
    if (animatable) property->SetFlag(RProperty::kAnimatable, true);
    return property;
}

void RObject::AddProperty(RProperty* property) {
    if (property == nullptr) return;
    RPlugLock lock(this);
    OnPropertyEvent(8, property, property->GetName());
    properties_.push_back(property);
    IndexPropertyName(property);
    OnPropertyEvent(11, property, property->GetName());
}

void RObject::AddNewProperty(RProperty* property) {
    AdoptNewChild(property);
    AddProperty(property);
}

void RObject::AdoptMadeProperties(RProperty* const* properties, int count) {
    if (count <= 0) return;
    AdoptNewChildren(properties, count);
    properties_.insert(properties_.end(), properties, properties + count);
    if (nameIndexSuspended_) return;  // indexed as a whole afterwards
    for (int i = 0; i < count; ++i) IndexPropertyName(properties[i]);
}

void RObject::DeferPropertyNameIndex() {
    if (GetPropertyCount() == 0) nameIndexSuspended_ = true;
}

void RObject::IndexDeferredPropertyNames(const RPropertyNameIndex::Layout& layout) {
    if (!nameIndexSuspended_) return;
    nameIndexSuspended_ = false;
    const auto owned = [this](const RProperty* property) { return property->GetOwner() == this; };
    if (nameIndex_.GetCount() == 0 && std::all_of(properties_.begin(), properties_.end(), owned) &&
        nameIndex_.FollowLayout(layout, properties_)) {
        for (RProperty* property : properties_) property->nameIndexed_ = true;
        return;
    }
    nameIndex_.Reserve(GetPropertyCount());
    for (RProperty* property : properties_) IndexPropertyName(property);
}

int RObject::RemoveProperty(int index) {
    RProperty* property = GetProperty(index);
    if (property == nullptr) return 1;
    RPlugLock lock(this);
    OnPropertyEvent(9, property, property->GetName());
    ReleaseProperty(property);
    TakeOutProperty(property, index);
    return 0;
}

// Takes the property out of the list (it was at `index` before the leaving event, whose
// handlers, or the release, may have moved or removed it), tells the object it has left,
// and cuts it from this object: a property outside the list must not keep pointing at it
// (the object may die first).
inline void RObject::TakeOutProperty(RProperty* property, int index, bool quietly) {
    const bool inPlace = index < GetPropertyCount() && properties_[static_cast<size_t>(index)] == property;
    const int current = inPlace ? index : IndexOfProperty(property);
    if (current >= 0) {
        // An index that follows the list as laid out needs its own table before the list changes.
        nameIndex_.OwnTable();
        if (current == GetPropertyCount() - 1) {
            properties_.pop_back();
        } else {
            properties_.erase(properties_.begin() + current);
        }
        if (nameIndexSuspended_) {
            property->nameIndexed_ = false;  // the index is made again afterwards
        } else {
            UnindexPropertyName(property);
        }
    }
    OnPropertyEvent(12, property, property->GetName());
    if (quietly && !property->nameIndexed_) {
        DropChild(property);
    } else {
        RemoveChild(property);
    }
}

bool RObject::RemoveProperty(RProperty* property) { return RemoveProperty(IndexOfProperty(property)) == 0; }

void RObject::DestroyPropertyAt(int index) {
    RProperty* property = GetProperty(index);
    if (property == nullptr) return;
    // An object being destroyed lets a property nothing else reaches leave the short way.
    if (HasObjectFlags(kObjectDestroying) && DestroyUnreachedProperty(index)) return;
    RPlugLock lockObject(this);
    RPlugLock lockProperty(property);
    if (RemoveProperty(index) != 0) return;
    EndRemovedProperty(property);
}

// The caller holds a lock on the property: an owned one goes when that lock does.
inline void RObject::EndRemovedProperty(RProperty* property) {
    if (property->IsOwnedByObject()) {
        property->Destroy();
    } else if (property->HasConnections()) {
        property->DisconnectAllSources();
        property->DisconnectAllDestinations();
    }
}

// Nothing but this object reaches the property: no connection, no child, nobody holding it.
inline bool RObject::IsUnreachedProperty(const RProperty& property) const {
    return property.GetOwner() == this && property.GetLockCount() == 0 && !property.IsDying() &&
           property.GetSourceCount() == 0 && property.GetDestinationCount() == 0 && property.GetChildCount() == 0;
}

// While this object is being destroyed, a property nothing else reaches leaves without the
// lookups of a removal by index or the search for its referrers; it still gets both leaving
// events (whose handlers may connect it: then its referrers are released as usual). False,
// having done nothing, for any other property.
inline bool RObject::DestroyUnreachedProperty(int index) {
    RProperty* const property = properties_[static_cast<size_t>(index)];
    if (!IsUnreachedProperty(*property)) return false;
    RPlugLock lockProperty(property);
    OnPropertyEvent(9, property, property->GetName());
    if (property->GetDestinationCount() != 0) ReleaseProperty(property);
    TakeOutProperty(property, index, true);
    EndRemovedProperty(property);
    return true;
}

// The properties of a dying object that nothing else reaches, when nobody hears them leave:
// each is cut from the object and ended (or, not owned by it, left to its holder) with the
// frees of the one-by-one path, but without its events, locks and list search. Those that
// something else reaches stay, in their order, for the usual path.
void RObject::DropUnreachedProperties() {
    size_t kept = 0;
    for (RProperty* const property : properties_) {
        if (!IsUnreachedProperty(*property)) {
            properties_[kept++] = property;
            continue;
        }
        property->nameIndexed_ = false;
        DropChild(property);
        if (!property->IsOwnedByObject()) continue;
        // A placed property ends as RProperty does: nothing it would tell is reached. Nothing
        // reaches it (checked above) and it has left this object, so it gives its slot back
        // at once, as DestroyDetached would find.
        if (property->IsPlacedInBlock()) {
            property->Dispose();
        } else {
            property->Destroy();
        }
    }
    properties_.resize(kept);
}

void RObject::ReleaseProperty(RProperty* property) {
    if (property == nullptr || property->IsReference() || property->GetDestinationCount() == 0) return;
    RPlugLock lock(property);
    WalkFromLast([property] { return property->GetDestinationCount(); }, [property](int i) {
        RPlug* destination = property->GetDestination(i);
        if (destination == nullptr || !destination->Is(RProperty::ClassId())) return;
        auto* referrer = static_cast<RProperty*>(destination);
        // A plain property fed by this one is data of its own object: it only loses the
        // connection when this property goes, it is not removed with it.
        if (!referrer->IsReference()) return;
        if (RObject* object = referrer->GetOwnerObject()) object->DestroyPropertyAt(object->IndexOfProperty(referrer));
    });
}

// The name index is dropped whole rather than entry by entry (FindProperty meanwhile scans
// the list) and made again from whatever properties the removals leave.
void RObject::RemoveAllProperties() {
    RPlugLock lock(this);
    const bool outermost = !nameIndexSuspended_;
    nameIndexSuspended_ = true;
    nameIndex_.Clear();
    if (extras_ != nullptr) extras_->counterFloors.clear();  // only lower bounds: the searches find them again
    if (HasObjectFlags(kObjectDestroying) && !HearsPropertyLeaving()) DropUnreachedProperties();
    WalkFromLast([this] { return GetPropertyCount(); }, [this](int i) { DestroyPropertyAt(i); });
    if (!outermost) return;
    nameIndexSuspended_ = false;
    if (extras_ != nullptr) extras_->counterFloors.clear();
    for (RProperty* property : properties_) {
        property->nameIndexed_ = false;
        IndexPropertyName(property);
    }
}

RProperty* RObject::CreateReferenceProperty(RPlug* plug, const char* name) {
    if (plug == nullptr) return nullptr;
    RString defaultName;
    if (name == nullptr || *name == '\0') {
        defaultName = RString(plug->GetClassName()) + ".";
        if (plug->Is(RProperty::ClassId())) {
            defaultName += static_cast<RProperty*>(plug)->GetName();
        } else if (RObject* object = AsObject(plug)) {
            defaultName += object->GetName();
        }
        name = defaultName.Buffer();
    }
    return CreateProperty(name, kPropertyTypeReference, nullptr, false, false, plug);
}

RProperty* RObject::CopyProperty(const RProperty* property) {
    if (property == nullptr) return nullptr;
    RProperty* copy = CreateProperty(property->GetName(), property->GetTypeCode(), property->GetDataType(),
                                     property->IsAnimatable(), property->IsUserProperty(), nullptr);
    if (copy == nullptr) return nullptr;
    copy->SetFlag(~0u, false);
    copy->SetFlag(property->GetFlags() | RProperty::kOwnedByObject, true);
    copy->SetMinMax(property->GetMin(), property->GetMax());
    return copy;
}

bool RObject::RemoveUserProperty(RProperty* property) {
    const int index = IndexOfProperty(property);
    if (index < 0 || !property->IsUserProperty()) return false;
    DestroyPropertyAt(index);
    return true;
}

// ---- copying and moving ---------------------------------------------------------------------------------

void RObject::CopyPropertyValues(const RObject* other, int flags) {
    if ((flags & 1) == 0 || other == nullptr || other == this || !Is(other->GetClassId())) return;
    const int count = std::min(GetPropertyCount(), other->GetPropertyCount());
    for (int i = 0; i < count; ++i) {
        const RProperty* from = other->GetProperty(i);
        RProperty* to = GetProperty(i);
        if (from->IsAnimatable() || to->IsAnimatable()) continue;
        if (std::strcmp(from->GetName(), to->GetName()) != 0) continue;
        if (from->GetTypeCode() != to->GetTypeCode() || from->GetDataType() != to->GetDataType()) continue;
        to->SetValue(from->GetValue());
    }
}

bool RObject::CopyFrom(RObject* other, int flags) {
    if (other == nullptr) return false;
    RPlugLock lock(this);
    if ((flags & kCopyValues) != 0) CopyPropertyValues(other, 1);
    if ((flags & kCopyDestinations) != 0) MoveConnections(2, other, nullptr);
    if ((flags & kCopySources) != 0) MoveConnections(1, other, nullptr);
    if ((flags & kCopyNames) != 0) {
        const RString nameSpace(other->GetNameSpace());
        const RString name(other->GetName());
        SetNameSpaceAndCopy(nameSpace.Buffer());
        SetName(name.Buffer());
    }
    return (flags & (kCopyValues | kCopyNames)) != 0;
}

void RObject::MoveConnections(int mode, RObject* other, RGenericObjectList* const lists[2]) {
    if ((mode != 1 && mode != 2) || other == nullptr || other == this) return;
    RPlugLock lock(this);
    MoveConnectionsOf(this, mode, other, lists);
    for (int i = 0; i < GetPropertyCount(); ++i) {
        RProperty* property = GetProperty(i);
        if (property->HasState(kRegisteredChild)) continue;
        if (RProperty* target = other->FindProperty(property->GetName())) {
            MoveConnectionsOf(property, mode, target, lists);
        }
    }
}

void RObject::MoveConnectionsOf(RPlug* plug, int mode, RPlug* target, RGenericObjectList* const lists[2]) {
    const bool sources = mode == 1;
    const auto count = [&] { return sources ? plug->GetSourceCount() : plug->GetDestinationCount(); };
    const int entityClassId = ClassInfoAt(RClassTableIndex::REntity).classId;
    RObject* const root = GetRootObject(this);
    WalkFromLast(count, [&](int i) {
        RPlug* far = sources ? plug->GetSource(i) : plug->GetDestination(i);
        if (far == nullptr) return;
        if (!sources && far->Is(entityClassId)) return;
        if (sources && root != nullptr && !root->AcceptsConnectionCopy(far)) return;

        bool onlyRemove = sources ? target->HasSourceConnection(far) : target->HasDestinationConnection(far);
        const RObject* farRoot = GetRootObject(far);
        if (farRoot != nullptr && lists != nullptr) {
            for (int k = 0; k < 2 && !onlyRemove; ++k) {
                onlyRemove = lists[k] != nullptr && lists[k]->FindByFullName(farRoot->GetFullName().Buffer()).IsValid();
            }
        }
        if (onlyRemove) {
            sources ? Disconnect(far, plug) : Disconnect(plug, far);
        } else if (sources) {
            far->ReplaceDestination(plug, target, -1);
        } else {
            far->ReplaceSource(plug, target, -1);
        }
    });
}

bool RObject::CanCopyConnections() const {
    const auto refuses = [this](const RPlug* plug) {
        const RObject* object = AsObject(const_cast<RPlug*>(plug));
        return object != nullptr && !object->AcceptsConnectionCopy(this);
    };
    for (int i = 0; i < GetSourceCount(); ++i) {
        if (refuses(GetSource(i))) return false;
    }
    for (int i = 0; i < GetDestinationCount(); ++i) {
        if (refuses(GetDestination(i))) return false;
    }
    return true;
}

// ---- connections -------------------------------------------------------------------------------------------

void RObject::DisconnectAll() {
    RPlugLock lock(this);
    // As WalkFromLast, reading the count again only after a disconnection (which may remove
    // properties): most properties have nothing to disconnect.
    for (int i = GetPropertyCount() - 1; i >= 0; --i) {
        RProperty* property = properties_[static_cast<size_t>(i)];
        if (!property->HasConnections()) continue;
        {
            // A reference property that loses its source is removed and destroyed on the way:
            // the lock keeps it alive until both of its lists are done.
            const RPlugLock lockProperty(property);
            property->DisconnectAllSources();
            property->DisconnectAllDestinations();
        }
        i = std::min(i, GetPropertyCount());
    }
    DisconnectAllSources();
    const RObject* owning = GetOwningObject();
    WalkFromLast([this] { return GetDestinationCount(); }, [this, owning](int i) {
        RPlug* destination = GetDestination(i);
        if (destination != nullptr && destination != owning) DisconnectDestinationAt(i);
    });
}

RObject* RObject::GetConnectedObject(int index, int classId) {
    RPlug* list = this;
    if (classId != kNoClassId && classId != RPlug::ClassId()) {
        const RClassIdFilter* filter = GetClassIdFilter(classId);
        if (filter == nullptr) return nullptr;
        list = GetFilteredSubPlug(filter);
    }
    return AsObject(list->GetSource(index));
}

RObject* RObject::GetRootObject(RPlug* plug) {
    if (plug == nullptr) return nullptr;
    RPlug* top = plug;
    while (top->GetOwner() != nullptr) top = top->GetOwner();
    return AsObject(top);
}
