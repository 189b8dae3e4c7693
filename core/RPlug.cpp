#include "core/RPlug.h"

#include "core/RClassIdFilter.h"

#include <algorithm>

// ---- lifetime -------------------------------------------------------------------------------

namespace {

// The table every plug's constructor and destructor reach, without a call per plug.
RPlugHandleTable& HandleTable() {
    static RPlugHandleTable& table = GetHandleTable();
    return table;
}

}  // namespace

RPlug::RPlug() : RPlug(DeferCell()) { GetHandleCell(); }

RPlug::RPlug(DeferCell) {
    EnsureSdkLoaded();
    HandleTable().AddPlug();
}

const RPlugHandleCell* RPlug::GetHandleCell() const {
    if (cell_ == nullptr) cell_ = HandleTable().TakeCell(const_cast<RPlug*>(this));
    return cell_;
}

const RPlug::Links& RPlug::NoLinks() {
    static const Links none;
    return none;
}

RPlug::Links& RPlug::EditLinks() {
    if (links_ == nullptr) links_ = std::make_unique<Links>();
    return *links_;
}

std::vector<RPlug*>& RPlug::MembersWithRoomFor(int count) {
    std::vector<RPlug*>& members = EditLinks().members;
    const size_t needed = members.size() + static_cast<size_t>(std::max(count, 0));
    // Grown as push_back would grow it: many small adoptions stay linear.
    if (needed > members.capacity()) members.reserve(std::max(needed, 2 * members.capacity()));
    return members;
}

void RPlug::ReserveChildren(int count) {
    if (count > 0) EditLinks().members.reserve(static_cast<size_t>(count));
}

const RPlugFilter* RPlug::GetFilter() const {
    const Links& links = ReadLinks();
    return links.filter != nullptr || links.filterCleared ? links.filter : GetClassIdFilter(kNoClassId);
}

RPlug::~RPlug() {
    dying_ = true;
    if (links_ != nullptr) DisconnectAndReleaseChildren();  // most plugs never had links
    if (owner_ != nullptr) RPlug::SetOwner(nullptr);
    // Children that stay (plain children, whoever owns them) must not point at a dead owner.
    if (links_ != nullptr) {
        for (RPlug* child : links_->members) {
            child->owner_ = nullptr;
            child->memberSlot_ = -1;
        }
    }
    RPlugHandleTable& table = HandleTable();
    if (cell_ != nullptr) table.ReleaseCell(cell_, this);
    table.RemovePlug();
}

void RPlug::Destroy() {
    if (dying_) return;
    if (lockCount_ > 0) {
        state_ |= kDestroyPending;
        return;
    }
    lockCount_ = 1;
    PrepareDestroy();
    Dispose();
}

void RPlug::Dispose() { delete this; }

void RPlug::Init(RPlug* /*argument*/) {}

void RPlug::PrepareDestroy() {
    RRelayEvent destroying;
    destroying.code = kRelayDestroying;
    destroying.sender = this;
    RelayB(destroying);
    DisconnectAndReleaseChildren();
}

void RPlug::DisconnectAndReleaseChildren() {
    if (links_ == nullptr) return;  // no connection and no child was ever made
    if (!HasState(kRegisteredChild)) {
        DisconnectAllSources();
        DisconnectAllDestinations();
    }
    while (links_ != nullptr && !links_->children.empty()) {
        RPlug* child = links_->children.back();
        child->LeaveOwner();
        if (child->HasState(kOwnedChild)) child->Destroy();
    }
}

void RPlug::EndPendingDestroy() {
    if (dying_) return;
    state_ &= ~kDestroyPending;
    Destroy();
}

void RPlug::SetState(std::uint32_t mask, bool on) {
    if (on) {
        state_ |= mask;
    } else {
        state_ &= ~mask;
    }
}

// ---- identity and plain virtual behaviour ---------------------------------------------------

RPlug* RPlug::QueryInterface(std::uint32_t interfaceId) {
    return (interfaceId == 0 || interfaceId == 2 || interfaceId == kInterfaceId) ? this : nullptr;
}

bool RPlug::Is(int classId) const {
    for (const RClassInfo* info = GetClassInfo(); info != nullptr; info = info->parent) {
        if (info->classId == classId) return true;
    }
    return false;
}

const RString& RPlug::GetDescription() const { return EmptyString(); }

RPlug* RPlug::CreatePlug(const RPlugFilter* /*filter*/) { return CreatePlugObject<RPlug>(nullptr); }

bool RPlug::IsReplacing(const RPlug* a, const RPlug* b) const {
    return owner_ != nullptr && owner_->IsReplacing(a, b);
}

bool RPlug::HasOwner(int /*argument*/) const { return owner_ != nullptr; }

bool RPlug::RelayA(const RRelayEvent& event) {
    return owner_ != nullptr && !HasState(kOwnedChild) ? owner_->RelayA(event) : true;
}

bool RPlug::RelayB(const RRelayEvent& event) {
    return owner_ != nullptr && !HasState(kOwnedChild) ? owner_->RelayB(event) : true;
}

// Events climb the owner chain, each level adding itself to the path; they stop at a plug
// without owner or at an owned child.
bool RPlug::SendEvent(const RPlugEventPath* path, const RPlugEvent& event) {
    if (owner_ == nullptr || HasState(kOwnedChild)) return true;
    const RPlugEventPath step{path, this};
    return owner_->SendEvent(&step, event);
}

bool RPlug::NotifyBegin() {
    RPlugEvent event;
    event.code = kPlugEventNotifyBegin;
    event.sender = this;
    return SendEvent(nullptr, event);
}

bool RPlug::NotifyEnd() {
    RPlugEvent event;
    event.code = kPlugEventNotifyEnd;
    event.sender = this;
    return SendEvent(nullptr, event);
}

void RPlug::SendConnectionEvent(int code, RPlug* other, int index, int flags) {
    RPlugEvent event;
    event.code = code;
    event.sender = this;
    event.index = index;
    event.other = other;
    event.extra = flags;
    SendEvent(nullptr, event);
}

// ---- ownership, children and filters --------------------------------------------------------

bool RPlug::SetOwner(RPlug* owner) {
    if (owner == owner_) return false;
    // An owner chain that reaches back to this plug would make events climb forever.
    for (const RPlug* up = owner; up != nullptr; up = up->owner_) {
        if (up == this) return false;
    }
    LeaveOwner();
    if (owner != nullptr) JoinOwner(owner);
    return true;
}

// The owner's list of registered children, which the owner keeps in order.
void RPlug::LeaveRegisteredChildren() {
    std::vector<RPlug*>& children = owner_->links_->children;
    children.erase(std::remove(children.begin(), children.end(), this), children.end());
}

// Puts this plug in the owner's lists; a registered child also copies the owner's
// connections that its filter accepts.
void RPlug::JoinOwner(RPlug* owner) {
    owner_ = owner;
    Links& links = owner->EditLinks();
    memberSlot_ = static_cast<int>(links.members.size());
    links.members.push_back(this);
    if (HasState(kRegisteredChild)) {
        links.children.push_back(this);
        CopyAcceptedConnectionsOf(owner);
    }
}

bool RPlug::AddChild(RPlug* child) {
    if (child == nullptr || child->owner_ == this) return false;
    return child->SetOwner(this);
}

bool RPlug::RemoveChild(RPlug* child) {
    if (child == nullptr || child->owner_ != this) return false;
    child->SetOwner(nullptr);
    return true;
}

RPlug* RPlug::GetChild(int index) const {
    return index >= 0 && index < GetChildCount() ? Children()[static_cast<size_t>(index)] : nullptr;
}

void RPlug::CopyAcceptedConnectionsOf(const RPlug* owner) {
    for (const RConnection& entry : owner->Sources()) {
        const RPlug* plug = entry.Plug();
        if (plug != nullptr && AcceptsSource(plug)) EditLinks().sources.Append(entry);
    }
    for (const RConnection& entry : owner->Destinations()) {
        const RPlug* plug = entry.Plug();
        if (plug != nullptr && AcceptsDestination(plug)) EditLinks().destinations.Append(entry);
    }
}

void RPlug::SetFilter(const RPlugFilter* filter, bool registered) {
    Links& links = EditLinks();
    links.filter = filter;
    links.filterCleared = filter == nullptr;
    if (registered == HasState(kRegisteredChild)) return;
    RPlug* const owner = owner_;
    LeaveOwner();
    SetState(kRegisteredChild, registered);
    if (owner != nullptr) JoinOwner(owner);
}

// The filters of class id -1 and of RPlug take every plug.
bool RPlug::IsAcceptAllFilter(const RPlugFilter* filter) const {
    if (filter == nullptr) return true;
    if (!filter->Is(RClassIdFilter::ClassId())) return false;
    const int classId = static_cast<const RClassIdFilter*>(filter)->GetFilterClassId();
    return classId == kNoClassId || classId == ClassId();
}

RPlug* RPlug::FindFilteredSubPlug(const RPlugFilter* filter) {
    if (IsAcceptAllFilter(filter)) return this;
    const std::vector<RPlug*>& children = Children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        const RPlugFilter* childFilter = (*it)->GetFilter();
        if (childFilter == filter || filter->IsEqual(childFilter)) return *it;
    }
    return nullptr;
}

RPlug* RPlug::GetFilteredSubPlug(const RPlugFilter* filter) {
    if (RPlug* found = FindFilteredSubPlug(filter)) return found;
    RPlug* child = CreatePlug(filter);
    AddChild(child);
    child->SetFilter(filter, true);
    child->SetState(kOwnedChild, true);
    return child;
}

// ---- connection tests -------------------------------------------------------------------------

bool RPlug::AcceptsSource(const RPlug* plug) const {
    const RPlugFilter* filter = ReadLinks().filter;
    return HasState(kTakesSources) && (filter == nullptr || filter->Accept(plug));
}

bool RPlug::AcceptsDestination(const RPlug* plug) const {
    const RPlugFilter* filter = ReadLinks().filter;
    return HasState(kTakesDestinations) && (filter == nullptr || filter->Accept(plug));
}

bool RPlug::AcceptsSourceChecked(RPlug* plug) {
    if (!AcceptsSource(plug)) return false;
    RPlugEvent event;
    event.code = kPlugEventMayTakeSource;
    event.sender = this;
    event.other = plug;
    return SendEvent(nullptr, event);
}

bool RPlug::AcceptsDestinationChecked(RPlug* plug) {
    if (!AcceptsDestination(plug)) return false;
    RPlugEvent event;
    event.code = kPlugEventMayTakeDestination;
    event.sender = this;
    event.other = plug;
    return SendEvent(nullptr, event);
}

// ---- connection lists -------------------------------------------------------------------------

namespace {

// How many entries leave the front half of a list that may hold a plug twice before it is
// looked over for such plugs: a look costs a sort, some ten times a search over the list, and
// a search from the end alone took half the list at least for each.
constexpr std::uint8_t kFrontLeavesPerLook = 32;

}  // namespace

void RPlug::ConnectionList::Insert(size_t place, const RConnection& entry) {
    if (!empty()) single_ = false;  // the plug may have had an entry already
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(head_ + place), entry);
}

void RPlug::ConnectionList::Erase(size_t place) {
    const size_t count = size();
    const auto first = items_.begin() + static_cast<std::ptrdiff_t>(head_);
    const auto at = first + static_cast<std::ptrdiff_t>(place);
    if (2 * place < count) {
        // The entries before it move up one, and the list starts one later.
        std::move_backward(first, at, at + 1);
        *first = RConnection();
        ++head_;
        if (!single_) ++frontLeaves_;
    } else {
        items_.erase(at);
    }
    // The room at the front is given back once it outgrows the entries: each entry moves
    // once for as many that left.
    if (head_ > size()) {
        items_.erase(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(head_));
        head_ = 0;
    }
    if (size() <= 1 || frontLeaves_ >= kFrontLeavesPerLook) {
        single_ = size() <= 1 || HoldsEachPlugOnce();
        frontLeaves_ = 0;
    }
}

// Entries of one live plug share its reference; empty ones and those of ended plugs match no
// plug searched for (two of an ended plug count as a repeat all the same).
bool RPlug::ConnectionList::HoldsEachPlugOnce() const {
    std::vector<std::uint64_t> serials;
    serials.reserve(size());
    for (const RConnection& entry : *this) {
        if (entry.ref.GetSerial() != 0) serials.push_back(entry.ref.GetSerial());
    }
    std::sort(serials.begin(), serials.end());
    return std::adjacent_find(serials.begin(), serials.end()) == serials.end();
}

// From both ends at once, so that an entry near either end is found in a few steps. One found
// from the front is the last unless the plug may have another entry further on.
int RPlug::ConnectionList::LastIndexOf(const RPlug* plug) const {
    if (plug == nullptr) return -1;
    for (int front = 0, back = static_cast<int>(size()) - 1; front <= back; ++front, --back) {
        if ((*this)[static_cast<size_t>(back)].Plug() == plug) return back;
        if ((*this)[static_cast<size_t>(front)].Plug() == plug) return single_ ? front : LastBetween(front, back, plug);
    }
    return -1;
}

// The plug's last entry from `first`, which is one, to `last`, after which there is none.
int RPlug::ConnectionList::LastBetween(int first, int last, const RPlug* plug) const {
    for (int i = last; i > first; --i) {
        if ((*this)[static_cast<size_t>(i)].Plug() == plug) return i;
    }
    return first;
}

RPlug* RPlug::PlugAt(const ConnectionList& list, int index) {
    const RConnection* entry = EntryAt(list, index);
    return entry != nullptr ? entry->Plug() : nullptr;
}

const RConnection* RPlug::EntryAt(const ConnectionList& list, int index) {
    return index >= 0 && index < static_cast<int>(list.size()) ? &list[static_cast<size_t>(index)] : nullptr;
}

// Before `before` when it is in the list, else at the end.
int RPlug::InsertionPlace(const ConnectionList& list, const RPlug* before) {
    const int index = IndexOf(list, before);
    return index >= 0 ? index : static_cast<int>(list.size());
}

// Where a child mirroring part of its owner's list puts a new entry that goes to
// parentPlace in the owner's list: before its first entry that follows that place there.
int RPlug::MirrorPlace(const ConnectionList& parentList, int parentPlace, const ConnectionList& childList) {
    for (size_t k = static_cast<size_t>(parentPlace); k < parentList.size(); ++k) {
        for (size_t j = 0; j < childList.size(); ++j) {
            if (childList[j].ref.IsEqual(parentList[k].ref)) return static_cast<int>(j);
        }
    }
    return static_cast<int>(childList.size());
}

RPlug::ChildPlaces RPlug::AcceptingChildren(const RPlug* far, bool sourceSide, int parentPlace) const {
    ChildPlaces result;
    for (const RPlug* child : Children()) {
        const bool accepts = sourceSide ? child->AcceptsSource(far) : child->AcceptsDestination(far);
        if (!accepts) continue;
        const int place = sourceSide ? MirrorPlace(Sources(), parentPlace, child->Sources())
                                     : MirrorPlace(Destinations(), parentPlace, child->Destinations());
        result.Append({child->GetRef(), place});
    }
    return result;
}

RPlug::ChildPlaces RPlug::ChildrenHolding(const RPlug* far, bool sourceSide) const {
    ChildPlaces result;
    for (const RPlug* child : Children()) {
        const int index = sourceSide ? child->IndexOfSource(far) : child->IndexOfDestination(far);
        if (index >= 0) result.Append({child->GetRef(), index});
    }
    return result;
}

// Climbs both plugs to the top of their registered-child chains, asking at every level
// whether the pair may connect (the filters and events 0 and 1).
bool RPlug::ClimbToConnectablePair(RPlug*& src, RPlug*& dst, int& flags) {
    for (;;) {
        if (src == nullptr || dst == nullptr || src == dst) return false;
        if (dst->HasState(kOneWayDestination)) flags |= kOneWay;
        if (!dst->AcceptsSourceChecked(src)) return false;
        if ((flags & kOneWay) == 0 && !src->AcceptsDestinationChecked(dst)) return false;
        RPlug* const srcUp = src->RegisteredOwner();
        RPlug* const dstUp = dst->RegisteredOwner();
        if (srcUp == nullptr && dstUp == nullptr) return true;
        if (srcUp != nullptr) src = srcUp;
        if (dstUp != nullptr) dst = dstUp;
    }
}

RPlug* RPlug::RegisteredOwner() const { return HasState(kRegisteredChild) ? owner_ : nullptr; }

// The plug whose connections this one mirrors, or the plug itself.
RPlug* RPlug::ConnectionHolder() {
    RPlug* holder = this;
    while (RPlug* up = holder->RegisteredOwner()) holder = up;
    return holder;
}

bool RPlug::Connect(RPlug* src, RPlug* srcBefore, RPlug* dst, RPlug* dstBefore, int flags) {
    // The plugs asked may be destroyed by the handlers asked: that waits for the end.
    const RPlugLock lockSource(src);
    const RPlugLock lockDestination(dst);
    if (!ClimbToConnectablePair(src, dst, flags)) return false;
    const bool oneWay = (flags & kOneWay) != 0;
    // The handlers below may destroy either plug: that waits for the end of the call.
    src->Lock();
    dst->Lock();

    int dstPlace = InsertionPlace(dst->Sources(), dstBefore);
    int srcPlace = InsertionPlace(src->Destinations(), srcBefore);
    auto dstChildren = dst->AcceptingChildren(src, true, dstPlace);
    auto srcChildren = oneWay ? ChildPlaces() : src->AcceptingChildren(dst, false, srcPlace);

    dst->SendConnectionEvent(kPlugEventSourceAdding, src, dstPlace, flags);
    if (!oneWay) src->SendConnectionEvent(kPlugEventDestinationAdding, dst, srcPlace, flags);
    for (const ChildPlace& entry : dstChildren) {
        if (RPlug* child = entry.child.Get()) child->SendConnectionEvent(kPlugEventSourceAdding, src, entry.place, flags);
    }
    for (const ChildPlace& entry : srcChildren) {
        if (RPlug* child = entry.child.Get())
            child->SendConnectionEvent(kPlugEventDestinationAdding, dst, entry.place, flags);
    }

    // The handlers may have changed the lists: the places are taken again.
    const auto insert = [flags](ConnectionList& list, int place, const RPlug* plug) {
        place = std::min(place, static_cast<int>(list.size()));
        list.Insert(static_cast<size_t>(place), RConnection{plug->GetRef(), flags});
        return place;
    };
    dstPlace = insert(dst->EditLinks().sources, InsertionPlace(dst->Sources(), dstBefore), src);
    if (!oneWay) {
        srcPlace = insert(src->EditLinks().destinations, InsertionPlace(src->Destinations(), srcBefore), dst);
    }
    // Each child's entry takes the place it got; a child gone meanwhile gets none (-1).
    for (ChildPlace& entry : dstChildren) {
        RPlug* child = entry.child.Get();
        entry.place = child != nullptr ? insert(child->EditLinks().sources, entry.place, src) : -1;
    }
    for (ChildPlace& entry : srcChildren) {
        RPlug* child = entry.child.Get();
        entry.place = child != nullptr ? insert(child->EditLinks().destinations, entry.place, dst) : -1;
    }

    dst->SendConnectionEvent(kPlugEventSourceAdded, src, dstPlace, flags);
    if (!oneWay) src->SendConnectionEvent(kPlugEventDestinationAdded, dst, srcPlace, flags);
    for (const ChildPlace& entry : dstChildren) {
        RPlug* child = entry.child.Get();
        if (child != nullptr && entry.place >= 0) child->SendConnectionEvent(kPlugEventSourceAdded, src, entry.place, flags);
    }
    for (const ChildPlace& entry : srcChildren) {
        RPlug* child = entry.child.Get();
        if (child != nullptr && entry.place >= 0) child->SendConnectionEvent(kPlugEventDestinationAdded, dst, entry.place, flags);
    }

    dst->Unlock();
    src->Unlock();
    return true;
}

// Only the entries decide: a connection stays removable whatever the filters or the side
// flags of either plug have become since it was made.
bool RPlug::Disconnect(RPlug* src, RPlug* dst) {
    if (src == nullptr || dst == nullptr) return false;
    src = src->ConnectionHolder();
    dst = dst->ConnectionHolder();
    if (src == dst) return false;
    int flags = 0;
    const int dstIndex = dst->IndexOfSource(src);
    const int srcIndex = src->IndexOfDestination(dst);
    if (dstIndex < 0 && srcIndex < 0) return false;
    if (dstIndex >= 0) flags = dst->Sources()[static_cast<size_t>(dstIndex)].flags;

    auto dstChildren = dstIndex >= 0 ? dst->ChildrenHolding(src, true) : ChildPlaces();
    auto srcChildren = srcIndex >= 0 ? src->ChildrenHolding(dst, false) : ChildPlaces();

    dst->BeginDisconnect();
    src->BeginDisconnect();
    dst->Lock();
    src->Lock();

    if (dstIndex >= 0) dst->SendConnectionEvent(kPlugEventSourceRemoving, src, dstIndex, flags);
    if (srcIndex >= 0) src->SendConnectionEvent(kPlugEventDestinationRemoving, dst, srcIndex, flags);
    for (const ChildPlace& entry : dstChildren) {
        if (RPlug* child = entry.child.Get())
            child->SendConnectionEvent(kPlugEventSourceRemoving, src, child->IndexOfSource(src), flags);
    }
    for (const ChildPlace& entry : srcChildren) {
        if (RPlug* child = entry.child.Get())
            child->SendConnectionEvent(kPlugEventDestinationRemoving, dst, child->IndexOfDestination(dst), flags);
    }

    // The handlers may have changed the lists: each entry is found again.
    const auto remove = [](RPlug* holder, bool sourceSide, const RPlug* plug) {
        const int index = sourceSide ? holder->IndexOfSource(plug) : holder->IndexOfDestination(plug);
        if (index < 0) return index;
        ConnectionList& list = sourceSide ? holder->EditLinks().sources : holder->EditLinks().destinations;
        list.Erase(static_cast<size_t>(index));
        return index;
    };
    const int dstFormer = remove(dst, true, src);
    const int srcFormer = remove(src, false, dst);
    // Each child's entry takes the place it left; a child gone meanwhile, or no longer
    // holding the entry, gets none (-1).
    for (ChildPlace& entry : dstChildren) {
        RPlug* child = entry.child.Get();
        entry.place = child != nullptr ? remove(child, true, src) : -1;
    }
    for (ChildPlace& entry : srcChildren) {
        RPlug* child = entry.child.Get();
        entry.place = child != nullptr ? remove(child, false, dst) : -1;
    }

    if (dstFormer >= 0) dst->SendConnectionEvent(kPlugEventSourceRemoved, src, dstFormer, flags);
    if (srcFormer >= 0) src->SendConnectionEvent(kPlugEventDestinationRemoved, dst, srcFormer, flags);
    for (const ChildPlace& entry : dstChildren) {
        RPlug* child = entry.child.Get();
        if (child != nullptr && entry.place >= 0)
            child->SendConnectionEvent(kPlugEventSourceRemoved, src, entry.place, flags);
    }
    for (const ChildPlace& entry : srcChildren) {
        RPlug* child = entry.child.Get();
        if (child != nullptr && entry.place >= 0)
            child->SendConnectionEvent(kPlugEventDestinationRemoved, dst, entry.place, flags);
    }

    dst->EndDisconnect();
    src->EndDisconnect();
    dst->Unlock();
    src->Unlock();
    return true;
}

bool RPlug::ConnectSourceAt(int index, RPlug* src, int flags) {
    return Connect(src, nullptr, this, GetSource(index), flags);
}

bool RPlug::ConnectDestinationAt(int index, RPlug* dst, int flags) {
    return Connect(this, GetDestination(index), dst, nullptr, flags);
}

// Nothing to disconnect takes no lock: the plug cannot end meanwhile.
void RPlug::DisconnectAllSources() {
    if (GetSourceCount() == 0) return;
    RPlugLock lock(this);
    WalkFromLast([this] { return GetSourceCount(); }, [this](int i) { DisconnectSourceAt(i); });
}

void RPlug::DisconnectAllDestinations() {
    if (GetDestinationCount() == 0) return;
    RPlugLock lock(this);
    WalkFromLast([this] { return GetDestinationCount(); }, [this](int i) { DisconnectDestinationAt(i); });
}

// ---- replacement -------------------------------------------------------------------------------

// Sends a replacement event to this plug and to the registered children taken before the
// replacement began (so that the children told "before" are also told "after").
void RPlug::NotifyReplacement(int code, RPlug* other, RPlug* newPlug, const ChildPlaces& children) {
    RPlugEvent event;
    event.code = code;
    event.other = other;
    event.user = newPlug;
    event.sender = this;
    SendEvent(nullptr, event);
    for (const ChildPlace& entry : children) {
        if (RPlug* child = entry.child.Get()) {
            event.sender = child;
            child->SendEvent(nullptr, event);
        }
    }
}

// This plug keeps its list place: the new plug goes where the old one stood.
bool RPlug::Replace(RPlug* oldPlug, RPlug* newPlug, int index, bool sourceSide) {
    const int place = sourceSide ? IndexOfSource(oldPlug) : IndexOfDestination(oldPlug);
    if (place < 0) return false;
    const RPlugRef next(sourceSide ? GetSource(place + 1) : GetDestination(place + 1));
    const int ownBefore = sourceSide ? kPlugEventDestinationReplacing : kPlugEventSourceReplacing;
    const int ownAfter = sourceSide ? kPlugEventDestinationReplaced : kPlugEventSourceReplaced;
    const int oldBefore = sourceSide ? kPlugEventSourceReplacing : kPlugEventDestinationReplacing;
    const int oldAfter = sourceSide ? kPlugEventSourceReplaced : kPlugEventDestinationReplaced;
    const ChildPlaces ownChildren = ChildrenHolding(oldPlug, sourceSide);
    const ChildPlaces oldChildren = oldPlug->ChildrenHolding(this, !sourceSide);

    const RPlugLock lockThis(this);
    const RPlugLock lockOld(oldPlug);
    const RPlugLock lockNew(newPlug);
    NotifyReplacement(ownBefore, oldPlug, newPlug, ownChildren);
    oldPlug->NotifyReplacement(oldBefore, this, newPlug, oldChildren);
    bool connected = false;
    if (sourceSide ? Disconnect(oldPlug, this) : Disconnect(this, oldPlug)) {
        if (newPlug != nullptr) {
            RPlug* newBefore = index >= 0 ? (sourceSide ? newPlug->GetDestination(index) : newPlug->GetSource(index))
                                          : nullptr;
            connected = sourceSide ? Connect(newPlug, newBefore, this, next.Get(), 0)
                                   : Connect(this, next.Get(), newPlug, newBefore, 0);
        }
    }
    NotifyReplacement(ownAfter, oldPlug, newPlug, ownChildren);
    oldPlug->NotifyReplacement(oldAfter, this, newPlug, oldChildren);
    return connected;
}

bool RPlug::ReplaceSource(RPlug* oldPlug, RPlug* newPlug, int index) {
    return Replace(oldPlug, newPlug, index, true);
}

bool RPlug::ReplaceDestination(RPlug* oldPlug, RPlug* newPlug, int index) {
    return Replace(oldPlug, newPlug, index, false);
}

bool RPlug::ReplaceSourceAt(int index, RPlug* newPlug) {
    if (index >= GetSourceCount()) return ConnectSource(newPlug);
    return ReplaceSource(GetSource(index), newPlug);
}

bool RPlug::ReplaceDestinationAt(int index, RPlug* newPlug) {
    if (index >= GetDestinationCount()) return ConnectDestination(newPlug);
    return ReplaceDestination(GetDestination(index), newPlug);
}
