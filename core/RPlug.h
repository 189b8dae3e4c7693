#ifndef WYX_CORE_RPLUG_H
#define WYX_CORE_RPLUG_H

// The root of the object model.
//
// A plug sits in an ownership tree (one owner; its registered children) and holds two
// ordered connection lists, its sources and its destinations, made of weak references.
// Events about connections travel up the owner chain (SendEvent), where objects turn them
// into object events. A registered child mirrors the part of its owner's connections that
// its filter accepts, and is kept current by every connection change of the owner; this is
// how an object lists its connections of one class (GetFilteredSubPlug).
//
// Plugs live on the heap and end through Destroy(). While a plug is locked (it takes part
// in a disconnection), Destroy() only marks it and the last Unlock() destroys it.

#include "core/RClassRegistry.h"
#include "core/RPlugRef.h"
#include "core/RSmallList.h"
#include "core/RString.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

class RPlugFilter;

// Plug event codes.
enum RPlugEventCode {
    kPlugEventMayTakeSource = 0,       // may the receiver take `other` as a source (veto: false)
    kPlugEventMayTakeDestination = 1,  // may the receiver take `other` as a destination
    kPlugEventSourceAdding = 2,
    kPlugEventDestinationAdding = 3,
    kPlugEventSourceAdded = 4,         // `index` is its place
    kPlugEventDestinationAdded = 5,
    kPlugEventSourceRemoving = 6,
    kPlugEventDestinationRemoving = 7,
    kPlugEventSourceRemoved = 8,       // `index` is its former place
    kPlugEventDestinationRemoved = 9,
    kPlugEventSourceReplacing = 10,    // source side of a replacement; `user` is the new plug
    kPlugEventSourceReplaced = 11,
    kPlugEventDestinationReplacing = 12,
    kPlugEventDestinationReplaced = 13,
    kPlugEventNotifyBegin = 14,
    kPlugEventNotifyEnd = 15,
};

// A plug event. `sender` is the plug whose connections change, `other` the plug at the far
// end, `extra` the connection flags.
struct RPlugEvent {
    int code = 0;
    RPlug* sender = nullptr;
    int index = -1;
    RPlug* other = nullptr;
    int extra = 0;
    RPlug* user = nullptr;
};

// The owners an event has climbed through, innermost last.
struct RPlugEventPath {
    const RPlugEventPath* previous;
    RPlug* plug;
};

// Codes of relayed notices.
enum RRelayCode {
    kRelayValueChanging = 18,
    kRelayValueChanged = 19,
    kRelayDestroying = 21,
    kRelaySelectionSet = 22,
    kRelaySelectionCleared = 23,
    kRelaySelectionRenewed = 24,
    kRelayRenaming = 25,
    kRelayRenamed = 26,
    kRelayNameSpaceChanging = 27,
    kRelayRangeChanged = 29,
};

// A relayed notice (destroying, renaming, value changes and the like).
struct RRelayEvent {
    int code = 0;
    RPlug* sender = nullptr;
    const char* newText = nullptr;
    const char* oldText = nullptr;
};

// One entry of a connection list.
struct RConnection {
    RPlugRef ref;
    int flags = 0;

    RPlug* Plug() const { return ref.Get(); }
};

class RPlug {
public:
    // State bits.
    static constexpr std::uint32_t kTakesSources = 1;
    static constexpr std::uint32_t kTakesDestinations = 2;
    static constexpr std::uint32_t kOneWayDestination = 4;  // sources do not record this plug
    static constexpr std::uint32_t kRegisteredChild = 8;
    static constexpr std::uint32_t kOwnedChild = 16;        // destroyed with its owner; events stop here
    static constexpr std::uint32_t kDestroyPending = 0x10000;

    // Connection flag: the source does not record the destination.
    static constexpr int kOneWay = 2;

    static constexpr std::uint32_t kInterfaceId = 0xDE1947F3;
    static constexpr int kMaxLocks = 0x7FFFFFFF;

    RPlug();
    RPlug(const RPlug&) = delete;
    RPlug& operator=(const RPlug&) = delete;

    static const RClassInfo& StaticClassInfo() { return ClassInfoAt(RClassTableIndex::RPlug); }
    static int ClassId() { return StaticClassInfo().classId; }

    // ---- the virtual operations ------------------------------------------------------------
    // This plug for the interface ids 0, 2 and kInterfaceId; else null.
    virtual RPlug* QueryInterface(std::uint32_t interfaceId);
    // Ends the plug: PrepareDestroy() and deletion, or, while locked, a pending mark that
    // the last Unlock() acts on.
    virtual void Destroy();
    // Called with the creator's argument right after construction by the create operations.
    virtual void Init(RPlug* argument);
    // Relays kPlugEventDestroying, then disconnects everything and releases the children.
    virtual void PrepareDestroy();
    virtual const RClassInfo* GetClassInfo() const { return &StaticClassInfo(); }
    virtual int GetKind() const { return 2; }
    virtual const RString& GetDescription() const;
    // A new plain plug (the argument is ignored), already initialised.
    virtual RPlug* CreatePlug(const RPlugFilter* filter);
    virtual bool IsReplacing(const RPlug* a, const RPlug* b) const;
    virtual bool HasOwner(int argument = 0) const;
    virtual bool RelayA(const RRelayEvent& event);
    virtual bool RelayB(const RRelayEvent& event);
    virtual bool SendEvent(const RPlugEventPath* path, const RPlugEvent& event);
    virtual bool SetOwner(RPlug* owner);
    virtual int GetSubPlugCount() const { return 0; }
    virtual RPlug* GetSubPlug(int /*index*/) const { return nullptr; }
    virtual bool AddChild(RPlug* child);
    virtual bool RemoveChild(RPlug* child);
    virtual bool NotifyBegin();
    virtual bool NotifyEnd();
    virtual void BeginDisconnect() {}
    virtual void EndDisconnect() {}
    virtual bool IsValid() const { return true; }

    // ---- class identity ---------------------------------------------------------------------
    // True for the class's own id and the ids of all its ancestors.
    bool Is(int classId) const;
    int GetClassId() const { return GetClassInfo()->classId; }
    const char* GetClassName() const { return GetClassInfo()->name; }

    // ---- connections ------------------------------------------------------------------------
    // Connects src as a source of dst: before dstBefore in dst's sources and before srcBefore
    // in src's destinations (at the end when those are null or absent). Flag kOneWay: the
    // source does not record the destination.
    static bool Connect(RPlug* src, RPlug* srcBefore, RPlug* dst, RPlug* dstBefore, int flags);
    static bool Disconnect(RPlug* src, RPlug* dst);

    bool ConnectSource(RPlug* src, int flags = 0) { return Connect(src, nullptr, this, nullptr, flags); }
    bool ConnectDestination(RPlug* dst, int flags = 0) { return Connect(this, nullptr, dst, nullptr, flags); }
    // Insert before the plug now at that index (at the end when the index is out of range).
    bool ConnectSourceAt(int index, RPlug* src, int flags = 0);
    bool ConnectDestinationAt(int index, RPlug* dst, int flags = 0);

    bool DisconnectSource(RPlug* src) { return Disconnect(src, this); }
    bool DisconnectDestination(RPlug* dst) { return Disconnect(this, dst); }
    bool DisconnectSourceAt(int index) { return Disconnect(GetSource(index), this); }
    bool DisconnectDestinationAt(int index) { return Disconnect(this, GetDestination(index)); }
    void DisconnectAllSources();
    void DisconnectAllDestinations();

    // Replaces the connection with `oldPlug` by one with `newPlug` in the same place of this
    // plug's list; the new plug's own list place is `index` (-1 for the end).
    bool ReplaceSource(RPlug* oldPlug, RPlug* newPlug, int index = -1);
    bool ReplaceDestination(RPlug* oldPlug, RPlug* newPlug, int index = -1);
    bool ReplaceSourceAt(int index, RPlug* newPlug);
    bool ReplaceDestinationAt(int index, RPlug* newPlug);

    int GetSourceCount() const { return links_ != nullptr ? static_cast<int>(links_->sources.size()) : 0; }
    int GetDestinationCount() const {
        return links_ != nullptr ? static_cast<int>(links_->destinations.size()) : 0;
    }
    // The plug of an entry; null out of range or when it is gone.
    RPlug* GetSource(int index) const { return PlugAt(Sources(), index); }
    RPlug* GetDestination(int index) const { return PlugAt(Destinations(), index); }
    const RConnection* GetSourceConnection(int index) const { return EntryAt(Sources(), index); }
    const RConnection* GetDestinationConnection(int index) const { return EntryAt(Destinations(), index); }
    // The place of the plug's last entry; -1 when absent.
    int IndexOfSource(const RPlug* plug) const { return IndexOf(Sources(), plug); }
    int IndexOfDestination(const RPlug* plug) const { return IndexOf(Destinations(), plug); }
    bool HasSourceConnection(const RPlug* plug) const { return IndexOfSource(plug) >= 0; }
    bool HasDestinationConnection(const RPlug* plug) const { return IndexOfDestination(plug) >= 0; }

    // Takes a plug as source (bit kTakesSources and the filter) / as destination.
    bool AcceptsSource(const RPlug* plug) const;
    bool AcceptsDestination(const RPlug* plug) const;
    // The same, also asking the plug itself with event 0 / 1.
    bool AcceptsSourceChecked(RPlug* plug);
    bool AcceptsDestinationChecked(RPlug* plug);

    // ---- ownership, children and filters -----------------------------------------------------
    RPlug* GetOwner() const { return owner_; }
    // True while the plug has a source or a destination.
    bool HasConnections() const {
        return links_ != nullptr && (!links_->sources.empty() || !links_->destinations.empty());
    }
    int GetChildCount() const { return links_ != nullptr ? static_cast<int>(links_->children.size()) : 0; }
    RPlug* GetChild(int index) const;
    // Stores the filter (null: the accept-all filter of class id -1). When the registered
    // flag turns on and the plug has an owner, the plug joins its owner's children and
    // copies the owner's accepted connections.
    void SetFilter(const RPlugFilter* filter, bool registered);
    const RPlugFilter* GetFilter() const;
    // This plug for the accept-all filters, else the last registered child with an equal
    // filter; null when none.
    RPlug* FindFilteredSubPlug(const RPlugFilter* filter);
    // As FindFilteredSubPlug, creating the owned registered child when it is missing.
    RPlug* GetFilteredSubPlug(const RPlugFilter* filter);

    // ---- state and lock ----------------------------------------------------------------------
    std::uint32_t GetState() const { return state_; }
    bool HasState(std::uint32_t mask) const { return (state_ & mask) != 0; }
    void SetState(std::uint32_t mask, bool on);
    void Lock() {
        if (lockCount_ < kMaxLocks) ++lockCount_;
    }
    // The last unlock of a plug marked for destruction destroys it.
    void Unlock() {
        if (lockCount_ > 0 && --lockCount_ == 0 && HasState(kDestroyPending)) EndPendingDestroy();
    }
    int GetLockCount() const { return lockCount_; }

    // The plug's cell of the handle table (taken at the first call by a plug made with
    // DeferCell).
    const RPlugHandleCell* GetHandleCell() const;
    RPlugRef GetRef() const { return RPlugRef(this); }

protected:
    // For plugs of which there are many and which are seldom referred to (the properties of
    // objects): the cell of the handle table is taken at the first reference only.
    struct DeferCell {};
    explicit RPlug(DeferCell);

    // Plugs end through Destroy(); the destructor disconnects whatever is still connected.
    virtual ~RPlug();
    // Ends the prepared plug and gives its memory back (Destroy's last step): deletes it,
    // unless its class keeps plugs elsewhere.
    virtual void Dispose();

    // Room for that many children, for a plug that knows how many it will have.
    void ReserveChildren(int count);

    // Disconnects everything (unless a registered child) and releases the registered
    // children, destroying the owned ones.
    void DisconnectAndReleaseChildren();
    // RemoveChild without its virtual steps, for a plug that knows that neither its own
    // RemoveChild nor the child's SetOwner adds anything to the child's leaving.
    void DropChild(RPlug* child) {
        if (child != nullptr && child->owner_ == this) child->LeaveOwner();
    }
    bool IsDying() const { return dying_; }
    // AddChild for a child that never had an owner, children or connections (one a derived
    // class has just made): nothing to leave and no owner chain that could reach back to it,
    // so it joins the lists at once. Any other child goes through AddChild.
    void AdoptNewChild(RPlug* child) {
        if (child != nullptr && child != this && child->owner_ == nullptr && child->links_ == nullptr) {
            child->JoinOwner(this);
        } else {
            AddChild(child);
        }
    }
    // AdoptNewChild for each of many children, in their order, the member list grown once.
    template <typename Child>
    void AdoptNewChildren(Child* const* children, int count) {
        std::vector<RPlug*>& members = MembersWithRoomFor(count);
        for (int i = 0; i < count; ++i) {
            RPlug* const child = children[i];
            if (child == nullptr || child == this || child->owner_ != nullptr || child->links_ != nullptr ||
                child->HasState(kRegisteredChild)) {
                AdoptNewChild(child);
                continue;
            }
            // JoinOwner for a child that is not registered: it only becomes a member.
            child->owner_ = this;
            child->memberSlot_ = static_cast<int>(members.size());
            members.push_back(child);
        }
    }

private:
    struct ChildPlace {
        RPlugRef child;
        int place = -1;
    };
    // The registered children a connection change tells, each with its place, in their order.
    // A plug has one registered child or none as a rule: up to two are held without a heap
    // block, since every link and unlink of a node makes such lists.
    using ChildPlaces = RSmallList<ChildPlace, 2>;

    // One connection list, in its order. An entry leaving the front half moves the entries
    // before it rather than those after it, the room it leaves at the front kept for a while,
    // and a plug's entry is searched for from both ends: a list emptied from the front (the
    // first children of a parent ending first) takes constant time per entry, as one emptied
    // from the end does.
    class ConnectionList {
    public:
        size_t size() const { return items_.size() - head_; }
        bool empty() const { return items_.size() == head_; }
        const RConnection& operator[](size_t index) const { return items_[head_ + index]; }
        const RConnection* begin() const { return items_.data() + head_; }
        const RConnection* end() const { return items_.data() + items_.size(); }
        void Insert(size_t place, const RConnection& entry);
        void Append(const RConnection& entry) { Insert(size(), entry); }
        void Erase(size_t place);
        // The place of the plug's last entry; -1 when absent.
        int LastIndexOf(const RPlug* plug) const;

    private:
        int LastBetween(int first, int last, const RPlug* plug) const;
        bool HoldsEachPlugOnce() const;

        std::vector<RConnection> items_;
        std::uint32_t head_ = 0;  // the free room before the first entry
        // While a plug may have two entries, an entry found near the front is the last one only
        // after a search of the rest of the list: the entries that left the front half since
        // the list was last looked over for such plugs.
        std::uint8_t frontLeaves_ = 0;
        bool single_ = true;  // known: no plug has two entries
    };

    // The connection lists, the children and the filter, made when a plug first has any: most
    // plugs (the properties of an object) never have.
    struct Links {
        ConnectionList sources;
        ConnectionList destinations;
        std::vector<RPlug*> children;  // registered children, in registration order
        std::vector<RPlug*> members;   // every child, registered or not, in no order
        // Null stands for the accept-all filter of class id -1, unless a null filter was set.
        const RPlugFilter* filter = nullptr;
        bool filterCleared = false;  // SetFilter(nullptr)
    };
    static const Links& NoLinks();
    // The last unlock of a plug whose destruction waited.
    void EndPendingDestroy();
    const Links& ReadLinks() const { return links_ != nullptr ? *links_ : NoLinks(); }
    Links& EditLinks();
    const ConnectionList& Sources() const { return ReadLinks().sources; }
    const ConnectionList& Destinations() const { return ReadLinks().destinations; }
    const std::vector<RPlug*>& Children() const { return ReadLinks().children; }
    const std::vector<RPlug*>& Members() const { return ReadLinks().members; }

    static RPlug* PlugAt(const ConnectionList& list, int index);
    static const RConnection* EntryAt(const ConnectionList& list, int index);
    static int IndexOf(const ConnectionList& list, const RPlug* plug) { return list.LastIndexOf(plug); }
    static int InsertionPlace(const ConnectionList& list, const RPlug* before);
    static int MirrorPlace(const ConnectionList& parentList, int parentPlace, const ConnectionList& childList);
    static bool ClimbToConnectablePair(RPlug*& src, RPlug*& dst, int& flags);
    RPlug* RegisteredOwner() const;
    RPlug* ConnectionHolder();
    bool IsAcceptAllFilter(const RPlugFilter* filter) const;
    ChildPlaces AcceptingChildren(const RPlug* far, bool sourceSide, int parentPlace) const;
    // The registered children holding the entry of `far`, each with its place there.
    ChildPlaces ChildrenHolding(const RPlug* far, bool sourceSide) const;
    void SendConnectionEvent(int code, RPlug* other, int index, int flags);
    // Takes this plug out of its owner's lists; the plug has no owner afterwards. Inline: every
    // property of a dying object takes this step.
    void LeaveOwner() {
        if (owner_ == nullptr) return;
        // The member list has no order: the last member takes this one's slot. An owner has
        // the lists since this plug joined them.
        std::vector<RPlug*>& members = owner_->links_->members;
        RPlug* const last = members.back();
        members[static_cast<size_t>(memberSlot_)] = last;
        last->memberSlot_ = memberSlot_;
        members.pop_back();
        memberSlot_ = -1;
        if (HasState(kRegisteredChild)) LeaveRegisteredChildren();
        owner_ = nullptr;
    }
    void LeaveRegisteredChildren();
    void JoinOwner(RPlug* owner);
    // The member list, with room for that many more.
    std::vector<RPlug*>& MembersWithRoomFor(int count);
    void CopyAcceptedConnectionsOf(const RPlug* owner);
    bool Replace(RPlug* oldPlug, RPlug* newPlug, int index, bool sourceSide);
    void NotifyReplacement(int code, RPlug* other, RPlug* newPlug, const ChildPlaces& children);

    mutable RPlugHandleCell* cell_ = nullptr;  // see DeferCell
    RPlug* owner_ = nullptr;
    std::unique_ptr<Links> links_;
    int memberSlot_ = -1;  // this plug's place in its owner's members
    std::uint32_t state_ = kTakesSources | kTakesDestinations;
    int lockCount_ = 0;
    bool dying_ = false;  // the destructor runs: nothing may destroy the plug again
};

// Holds a lock on a plug (none for null) for a scope, so that a Destroy() asked for
// meanwhile waits for the end of the scope. Nothing may touch the plug after the guard is
// gone.
class RPlugLock {
public:
    explicit RPlugLock(RPlug* plug) : plug_(plug) {
        if (plug_ != nullptr) plug_->Lock();
    }
    ~RPlugLock() {
        if (plug_ != nullptr) plug_->Unlock();
    }
    RPlugLock(const RPlugLock&) = delete;
    RPlugLock& operator=(const RPlugLock&) = delete;

private:
    RPlug* plug_;
};

// Calls visit(i) for i from count() - 1 down to 0, reading the count again after every
// visit, so that visits which remove entries neither skip nor repeat any.
template <typename Count, typename Visit>
void WalkFromLast(Count count, Visit visit) {
    for (int i = count() - 1; i >= 0; i = std::min(i - 1, count() - 1)) visit(i);
}

// Builds a plug of class T on the heap and initialises it; the plug ends with Destroy().
template <typename T, typename... Args>
T* CreatePlugObject(RPlug* initArgument, Args&&... args) {
    T* plug = new T(std::forward<Args>(args)...);
    plug->Init(initArgument);
    return plug;
}

// For owning a plug in a std::unique_ptr: destroys it through Destroy().
struct RPlugDestroyer {
    void operator()(RPlug* plug) const {
        if (plug != nullptr) plug->Destroy();
    }
};

#endif
