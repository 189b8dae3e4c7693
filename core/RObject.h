#ifndef WYX_CORE_ROBJECT_H
#define WYX_CORE_ROBJECT_H

// The plug that carries a name and a list of properties.
//
// An object turns the plug events of its own connections and of its properties'
// connections into object events, which it hands to its owning object, to the objects
// connected to it as destinations, and to the handlers registered in its event handler list.
// Names have a name space; the full name joins the class description, the name-space path
// and the name.

#include "core/REventHandlerList.h"
#include "core/RPlug.h"
#include "core/RProperty.h"
#include "core/RPropertyNameIndex.h"
#include "core/RString.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

class REntityList;
class RGenericObjectList;

// Object event codes.
enum RObjectEventCode {
    kObjectEventDestroyed = 1,
    kObjectEventSourceAboutToBeAdded = 2,
    kObjectEventConnected = 4,
    kObjectEventDisconnected = 5,
    kObjectEventSelectionSet = 6,
    kObjectEventSelectionCleared = 7,
    kObjectEventNameChanging = 8,
    kObjectEventNameSpaceAndCopyChanging = 9,
    kObjectEventNameOnlyChanging = 10,
    kObjectEventNameSpaceChanging = 11,
    kObjectEventNameChanged = 12,
    kObjectEventNameSpaceAndCopyChanged = 13,
    kObjectEventNameOnlyChanged = 14,
    kObjectEventNameSpaceChanged = 15,
    kObjectEventSecondSelectionSet = 16,
    kObjectEventSecondSelectionCleared = 17,
    kObjectEventSelected = 19,
    kObjectEventUnselected = 20,
    kObjectEvent23 = 23,
    kObjectEvent24 = 24,
    kObjectEventSelectionRenewed = 25,
    kObjectEventConnecting = 28,
    kObjectEventDisconnecting = 29,
    kObjectEventConnectionsChanged = 31,
};

// Connection kinds of object events: about to be added, added, about to be removed, removed.
enum RConnectionKind {
    kConnectionAdding = 1,
    kConnectionRemoving = 2,
    kConnectionAdded = 4,
    kConnectionRemoved = 5,
};

// The record handed to an object's event handlers.
struct RObjectEventRecord : REventRecord {
    static constexpr int kEventId = 0x52362;

    RPlug* sender = nullptr;  // the object or property whose connections changed
    RPlugRef object;          // the object dispatching
    RPlugRef subject;         // the plug at the far end
    int code = 0;             // a connection kind or an object event code
    int index = -1;
};

// A memory block allocated with std::malloc, owned by an object (RObject::AdoptBlock).
struct RBlockFreer {
    void operator()(void* block) const { std::free(block); }
};
using ROwnedBlock = std::unique_ptr<void, RBlockFreer>;

class RObject : public RPlug {
    WYX_DECLARE_CLASS(RObject)

public:
    static constexpr std::uint32_t kInterfaceId = 0x98ABD146;
    // Object flags.
    static constexpr std::uint32_t kObjectDestroying = 8;
    // CopyFrom flags.
    static constexpr int kCopyValues = 2;
    static constexpr int kCopyDestinations = 4;
    static constexpr int kCopySources = 8;
    static constexpr int kCopyNames = 64;

    RObject();

    // ---- plug operations ------------------------------------------------------------------------
    RPlug* QueryInterface(std::uint32_t interfaceId) override;
    // Like a plug's: at once, unless the object is locked (then when the last lock goes).
    void Destroy() override;
    // An entity list as argument takes the object in.
    void Init(RPlug* argument) override;
    // Marks the object as being destroyed, clears its selection, sends object event 1,
    // disconnects all, removes all properties and leaves its entity list.
    void PrepareDestroy() override;
    int GetKind() const override { return 1; }
    bool IsReplacing(const RPlug* a, const RPlug* b) const override;
    // True only for argument 0, no source, at most one destination (the owning object) and no
    // connection on any property.
    bool HasOwner(int argument = 0) const override;
    bool RelayA(const RRelayEvent& event) override;
    bool RelayB(const RRelayEvent& event) override;
    bool SendEvent(const RPlugEventPath* path, const RPlugEvent& event) override;
    int GetSubPlugCount() const override { return GetPropertyCount(); }
    RPlug* GetSubPlug(int index) const override { return GetProperty(index); }

    // ---- what an owning object receives from the objects it owns --------------------------------
    virtual bool ReceiveRelayB(const RRelayEvent& /*event*/) { return true; }
    virtual bool ReceiveRelayA(const RRelayEvent& /*event*/) { return true; }
    virtual bool ReceivePlugEvent(const RPlugEventPath* /*path*/, const RPlugEvent& /*event*/) { return true; }
    virtual bool ReceiveObjectEvent(RObject* /*object*/, int /*code*/, const RPlugRef& /*ref*/,
                                    const char* /*text*/, int /*index*/) {
        return true;
    }

    // ---- names ------------------------------------------------------------------------------
    // The class id of the objects that give this one its name space; -1 for none.
    virtual int GetNameSpaceClassId() const { return kNoClassId; }
    // Names the object; a blank text names it "1". Nothing happens for the current name.
    virtual bool SetName(const char* text);
    virtual const char* GetName() const { return name_.Buffer(); }
    virtual bool SetNameSpaceAndCopy(const char* text);
    virtual bool SetNameOnly(const char* text);
    virtual bool SetNameSpace(const char* text);
    // Splits a full name and sets the name space and the name.
    virtual bool SetFullName(const char* text);
    // Marks the cached full name stale; with propagate, also that of every object this one
    // reaches as a destination.
    virtual void InvalidateFullName(bool propagate);
    const char* GetNameSpace() const { return ReadExtras().nameSpace.Buffer(); }
    // Description "::", name-space path ":", name; the empty text when all are empty.
    const RString& GetFullName() const;

    // Cuts a full name at the last ":::", then the last "::", then the last ":".
    static void SplitObjectName(const char* text, RString& first, RString& second, RString& third, RString& rest);
    // "first::second:name", leaving out empty parts.
    static RString JoinObjectName(const char* first, const char* second, const char* name);
    // "prefix:name"; a name beginning with ':' takes no extra ':', a trailing ':' is dropped.
    static RString JoinPrefixAndName(const char* prefix, const char* name);

    // ---- object events and selection ---------------------------------------------------------
    // Tells the owning object and the objects connected as destinations.
    virtual bool NotifyObjectEvent(int code, const RPlugRef& ref, const char* text, int index);
    virtual bool OnOwnedObjectEvent(RObject* /*object*/, int /*code*/, const RPlugRef& /*ref*/,
                                    const char* /*text*/, int /*index*/) {
        return false;
    }
    virtual void SendObjectEvent23();
    virtual void SendObjectEvent24();
    virtual void SetSelected(bool selected);
    virtual bool SetSelectionState(std::uint32_t bits);
    // Asked before (codes 0, 1, 2: a false answer vetoes) and told after (4, 5) every change
    // of a list this object watches.
    virtual bool OnListChange(RGenericObjectList* /*list*/, int /*code*/, const RPlugRef& /*entry*/,
                              int /*index*/) {
        return true;
    }
    // Dispatches an object event record to the handlers, when the sender is this object or
    // one of its properties.
    virtual bool DispatchObjectEvent(RPlug* sender, int code, const RPlugRef& subject, int index);
    virtual bool OnOwnConnectionEvent(int kind, const RPlugEvent& event);
    virtual bool OnDestinationConnectionEvent(int /*kind*/) { return true; }
    // Codes 8 and 11 around adding, 9 and 12 around removing a property.
    virtual bool OnPropertyEvent(int /*code*/, RProperty* /*property*/, const char* /*name*/) { return true; }
    // Told right before a property of this object changes its name, info flags, type code or
    // data type (what decides how the property is animated).
    virtual void OnPropertyDescriptionChanging(RProperty& /*property*/) {}
    // Asked before a value is stored in one of this object's properties (by the property's
    // Set or SetValue), when the object checks values (ChecksPropertyValues): false refuses
    // it, and the write answers false with nothing stored and nothing relayed. An object
    // whose values have rules keeps them this way whoever writes.
    virtual bool AcceptsPropertyValue(const RProperty& /*property*/, const RPropertyValue& /*value*/) const {
        return true;
    }
    bool ChecksPropertyValues() const { return checksPropertyValues_; }
    // True when the value relays of this object's properties that are not animatable reach
    // no one: its class's relay handling adds nothing to them (SetIgnoresPlainValueRelays),
    // and it has neither an owner to pass them up to nor an owning object to tell. Writes
    // then leave them out.
    bool HearsNoPlainValueRelays() const {
        return ignoresPlainValueRelays_ && (GetOwner() == nullptr || HasState(kOwnedChild)) &&
               !owningObject_.IsValid();
    }

    bool IsSelected() const { return selected_; }
    std::uint32_t GetSelectionState() const { return selectionState_; }
    std::uint64_t GetSelectionSerial() const { return selectionSerial_; }
    bool HasObjectFlags(std::uint32_t mask) const { return (objectFlags_ & mask) != 0; }
    void SetObjectFlags(std::uint32_t mask, bool on);

    // The handlers of this object's event records; the list is made on first use.
    REventHandlerList& GetEventHandlers();
    bool HasEventHandlers() const { return handlers_ != nullptr; }

    // ---- properties -------------------------------------------------------------------------------
    // Room for that many properties (and other children), for an object that knows how many it
    // will have: nothing grows while they are added.
    void ReserveProperties(int count);
    int GetPropertyCount() const { return static_cast<int>(properties_.size()); }
    RProperty* GetProperty(int index) const {
        return index >= 0 && index < GetPropertyCount() ? properties_[static_cast<size_t>(index)] : nullptr;
    }
    // -1 when absent.
    int IndexOfProperty(const RProperty* property) const;
    // The first property with exactly that name (looked up by name, not scanned).
    RProperty* FindProperty(const char* name) const;
    // As above, for a name that need not end in a zero byte.
    RProperty* FindProperty(std::string_view name) const;
    // As above, trying first the property at list place `hint` (a reader of properties stored in
    // list order finds each one just after the one before); `hint` is then set just past the
    // property found.
    RProperty* FindPropertyFrom(std::string_view name, int& hint) const;
    // The property at list place `place` when it has that description (so its name) and a lookup
    // by that name would find it; null otherwise. A reader that met the same record at that place
    // before finds the property without its name.
    // Inline: a reader calls it for nearly every record it has met before.
    RProperty* FindPropertyAtPlace(int place, const RPropertyInfo& description) const {
        RProperty* property = GetProperty(place);
        return property != nullptr && &property->GetInfo() == &description && StandsForItsName(*property) ? property
                                                                                                          : nullptr;
    }

    // A new property of a type code (1, 2, 4, 6, 7, 8, 9, 13, 14, 15, 16 or 17; null for any
    // other), owned by the object, with a name made unique ("n", "n 0", "n 1"), range 0 to 100.
    virtual RProperty* CreateProperty(const char* name, int typeCode, const RDataType* dataType, bool animatable,
                                      bool userFlag, RPlug* argument);
    virtual void AddProperty(RProperty* property);
    // For the constructor of an object (or what it calls) that adds properties made for it,
    // named by their descriptions, which nothing else reaches yet: the property joins the
    // object as a child at once (no owner chain can reach back to it), then AddProperty.
    void AddNewProperty(RProperty* property);
    // For an object's constructor (or what it calls) that makes the same named properties in
    // the same order every time: the properties joining between these two calls are indexed
    // by name at once, as `layout` (made from those names) places them, or one by one where
    // the list does not match it. Meanwhile FindProperty scans the list. Nothing happens
    // unless the object has no property yet.
    void DeferPropertyNameIndex();
    void IndexDeferredPropertyNames(const RPropertyNameIndex::Layout& layout);
    // Joins properties a derived class's constructor made (or had made for it), new and
    // already named, as AddProperty joins each (owner, list, name index), in their order, but
    // without the joining events (8 and 11): while the object is being made its own handler of
    // them is the only one, and it must have nothing to do then.
    void AdoptMadeProperties(RProperty* const* properties, int count);
    // 1 for an index out of range, else 0.
    virtual int RemoveProperty(int index);
    bool RemoveProperty(RProperty* property);
    // Removes the property and destroys it (owned by the object) or disconnects it. While the
    // object is being destroyed, a property nothing else reaches leaves with its two events but
    // without going through RemoveProperty, ReleaseProperty and RemoveChild.
    virtual void DestroyPropertyAt(int index);
    // Removes the reference properties that refer to the property from their objects.
    virtual void ReleaseProperty(RProperty* property);
    virtual void RemoveAllProperties();
    // A reference property (type code 17) referring to the plug; its name defaults to the
    // plug's class name, "." and the plug's name.
    virtual RProperty* CreateReferenceProperty(RPlug* plug, const char* name);
    // A property of the same name, type, data type and flags, with the same range.
    virtual RProperty* CopyProperty(const RProperty* property);
    // Removes a user property of this object; false otherwise.
    bool RemoveUserProperty(RProperty* property);

    // ---- copying and moving --------------------------------------------------------------------
    // With bit 0 of the flags, copies the values of the properties that stand at the same
    // index with the same name and data type in both objects and are not animatable.
    virtual void CopyPropertyValues(const RObject* other, int flags);
    // kCopyValues, kCopyDestinations, kCopySources, kCopyNames; true for values or names.
    virtual bool CopyFrom(RObject* other, int flags);
    // Mode 1 moves this object's sources (and its properties'), mode 2 its destinations, to
    // the other object. Far plugs whose root object's full name is in one of the lists are
    // only disconnected.
    virtual void MoveConnections(int mode, RObject* other, RGenericObjectList* const lists[2]);
    virtual bool AcceptsConnectionCopy(const RPlug* /*plug*/) const { return true; }
    bool CanCopyConnections() const;

    // ---- connections --------------------------------------------------------------------------------
    // Disconnects every property (last first), then the object's sources, then its
    // destinations except the owning object.
    virtual void DisconnectAll();
    // The source at an index among the object's connections of a class (all for -1).
    RObject* GetConnectedObject(int index, int classId);
    // The top of a plug's owner chain when it is an object.
    static RObject* GetRootObject(RPlug* plug);

    // ---- owned memory blocks ---------------------------------------------------------------------
    // Takes a block (null is ignored). When the object is destroyed each block, oldest first,
    // goes through ReleaseBlock and is then freed.
    void AdoptBlock(ROwnedBlock block);
    int GetOwnedBlockCount() const { return static_cast<int>(ReadExtras().ownedBlocks.size()); }
    // Releases what a block refers to, right before the object frees it. The blocks are
    // released while the object is whole (in PrepareDestroy), so that a subclass's override
    // is the one called. The block is freed whatever the answer.
    virtual bool ReleaseBlock(void* /*block*/) { return true; }

    // ---- owning object and entity list -------------------------------------------------------------
    void SetOwningObject(const RPlugRef& ref) { owningObject_ = ref; }
    RObject* GetOwningObject() const;
    REntityList* GetEntityList() const { return entityList_; }
    int GetEntityIndex() const { return entityIndex_; }
    void SetEntityMembership(REntityList* list, int index) {
        entityList_ = list;
        entityIndex_ = index;
    }

protected:
    ~RObject() override;

    // Whether AcceptsPropertyValue is asked (off: no write pays for it).
    void SetChecksPropertyValues(bool on) { checksPropertyValues_ = on; }
    // For a class whose RelayA adds nothing of its own (beyond RObject's) to the value relays
    // of its properties that are not animatable, and no derived class of which adds any.
    void SetIgnoresPlainValueRelays(bool on) { ignoresPlainValueRelays_ = on; }

    // Whether anything hears this object's properties leave (events 9 and 12, and a
    // DestroyPropertyAt override) while the object is being destroyed. A class answers false
    // only for a state in which its OnPropertyEvent does nothing and it overrides neither
    // DestroyPropertyAt nor RemoveProperty: the properties nothing else reaches then leave in
    // one pass, without the events.
    virtual bool HearsPropertyLeaving() const { return true; }


private:
    friend class RProperty;  // takes itself out of the name index to rename or leave

    struct ReplacementRecord {
        const RPlug* sender;
        const RPlug* other;
        int extra;
        bool sourceSide;
    };

    // A name setter's events and relays; the stored strings are passed in.
    bool ChangeName(const char* text, int eventBefore, int eventAfter, int relayBefore, int relayAfter,
                    RString* target, RString* storedCopy);
    RString NameSpacePath() const;
    RObject* NameSpaceOwner() const;
    RString StripNameSpacePath(const char* text) const;
    bool HandlePlugEventLocally(const RPlugEvent& event);
    void MoveConnectionsOf(RPlug* plug, int mode, RPlug* target, RGenericObjectList* const lists[2]);
    RString UniquePropertyName(const char* name);
    void LowerCounterFloor(const char* leavingName);
    // Whether a lookup by the property's name can find only it: it is in the name index and no
    // two properties there ever shared a name.
    bool StandsForItsName(const RProperty& property) const {
        return property.nameIndexed_ && property.GetOwner() == this && !nameIndexSuspended_ &&
               nameIndex_.NamesAreUnique();
    }
    // The name index of FindProperty (the properties this object owns).
    void IndexPropertyName(RProperty* property);
    void UnindexPropertyName(RProperty* property);
    void ReleaseOwnedBlocks();
    // `quietly`: the property leaves through DropChild (it is out of the name index).
    void TakeOutProperty(RProperty* property, int index, bool quietly = false);
    void EndRemovedProperty(RProperty* property);
    bool IsUnreachedProperty(const RProperty& property) const;
    bool DestroyUnreachedProperty(int index);
    void DropUnreachedProperties();

    // What most objects never use (an object of a scene's properties has no name space, no
    // replacement under way, no owned block), made on first use.
    struct Extras {
        RString nameSpace;
        RString storedNameSpace;
        RString fullName;  // cached; fullNameStale_ tells
        std::vector<ReplacementRecord> replacements;
        std::vector<ROwnedBlock> ownedBlocks;
        std::unordered_map<std::string, int> counterFloors;  // UniquePropertyName
    };
    const Extras& ReadExtras() const;
    Extras& EditExtras() const;

    REntityList* entityList_ = nullptr;
    int entityIndex_ = -2;
    RPlugRef owningObject_;
    RString name_;
    mutable std::unique_ptr<Extras> extras_;
    mutable bool fullNameStale_ = true;
    bool selected_ = false;
    bool nameIndexSuspended_ = false;  // while RemoveAllProperties runs, or a constructor defers it
    bool checksPropertyValues_ = false;
    bool ignoresPlainValueRelays_ = false;
    std::unique_ptr<REventHandlerList> handlers_;
    std::uint32_t objectFlags_ = 0;
    std::uint32_t selectionState_ = 0;
    std::uint64_t selectionSerial_ = 0;
    // Removals at the end move nothing (the object's own removals run from the end); one
    // elsewhere moves the properties behind it.
    std::vector<RProperty*> properties_;
    RPropertyNameIndex nameIndex_;
};

// Here rather than with the property: it asks the owning object, and every value write asks it.
inline RProperty::WriteRoute RProperty::RouteWrite() const {
    RPlug* const plug = GetOwner();
    const auto* owner = plug != nullptr ? static_cast<RObject*>(plug->QueryInterface(RObject::kInterfaceId)) : nullptr;
    if (owner == nullptr) return WriteRoute{nullptr, true};
    const bool heard = IsAnimatable() || !owner->HearsNoPlainValueRelays();
    return WriteRoute{owner->ChecksPropertyValues() ? owner : nullptr, heard};
}

#endif
