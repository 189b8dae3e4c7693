#include "curves/RFCurveNode.h"

#include <algorithm>
#include <utility>

#include "core/RDataType.h"
#include "core/RProperty.h"
#include "curves/LayerCombination.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNodeNameIndex.h"
#include "platform/RCriticalSection.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

// The names of a node, shared by the node and its shallow copies.
struct RFCurveNode::NameRecord {
    RString channelName;
    RString userName;
    const RDataType* dataType = nullptr;
    RProperty* property = nullptr;
    bool common = false;  // in the table of common names: never changed, copied instead
};

struct RFCurveNode::ListenerRecord {
    struct Registration {
        Listener listener;
        void* userData;
        // Tells registrations of the same pair apart while a delivery runs.
        uint64_t serial;
    };
    ChangeRecord changes;
    std::vector<Registration> registrations;
    uint64_t nextSerial = 0;
    bool enabled = true;

    bool IsRegistered(uint64_t serial) const {
        return std::any_of(registrations.begin(), registrations.end(),
                           [serial](const Registration& entry) { return entry.serial == serial; });
    }
};

namespace {

bool IsTimeWarpType(const RDataType* dataType) {
    return dataType != nullptr && dataType == RDataType::FindByName("TimeWarp");
}

// The node's name is its property's, or its channel name without one (GetName).
int CompareNameIgnoringCase(const RFCurveNode& node, const char* text) {
    return RString::CompareIgnoringCase(node.GetName(), text);
}

char UpperFirst(const char* text) {
    const char first = text != nullptr ? text[0] : '\0';
    return first >= 'a' && first <= 'z' ? static_cast<char>(first - 'a' + 'A') : first;
}

// A name whose first letter differs is told apart without the whole comparison: most of the
// nodes a lookup passes are.
bool HasNameIgnoringCase(const RFCurveNode& node, const char* text) {
    const char* name = node.GetName();
    return UpperFirst(name) == UpperFirst(text) && RString::CompareIgnoringCase(name, text) == 0;
}

bool MatchesSegment(const RFCurveNode& node, const char* segment, const RDataType* letterType) {
    return HasNameIgnoringCase(node, segment) || (letterType != nullptr && node.GetDataType() == letterType);
}

}  // namespace

// ---- Name records ---------------------------------------------------------------------------

namespace {

// The table of common names holds at most this many (name, data type) pairs, so that files
// with ever new channel names cannot make it grow without end; later pairs get records of
// their own.
constexpr std::size_t kMaxCommonNames = 512;
constexpr std::size_t kMaxCommonNameLength = 64;

}  // namespace

std::shared_ptr<RFCurveNode::NameRecord> RFCurveNode::NewNameRecord(const char* name, const RDataType* dataType) {
    const auto make = [name, dataType] {
        auto record = std::make_shared<NameRecord>();
        record->channelName = name;
        record->userName = IsTimeWarpType(dataType) ? RString(static_cast<const char*>(nullptr)) : RString(name);
        record->dataType = dataType;
        return record;
    };
    if (name == nullptr) return make();
    // The common records this thread asked for last, by the address of the text: callers
    // mostly pass the same literals. A hit is confirmed on the text, so another text at a
    // former address is looked up as usual. Each address may sit in either of a pair of
    // places, the one asked for last first: a node's tree asks for a score of names, and two
    // of them sharing one place would push each other out on every tree.
    struct Recent {
        const char* name = nullptr;
        const RDataType* dataType = nullptr;
        std::shared_ptr<NameRecord> record;
        bool Holds(const char* text, const RDataType* type) const {
            return name == text && dataType == type && std::strcmp(record->channelName.Buffer(), text) == 0;
        }
    };
    constexpr std::uintptr_t kRecentPairs = 64;
    thread_local Recent recent[2 * kRecentPairs];
    const auto pair = (reinterpret_cast<std::uintptr_t>(name) ^ (reinterpret_cast<std::uintptr_t>(dataType) >> 4)) %
                      kRecentPairs;
    Recent& last = recent[2 * pair];
    Recent& before = recent[2 * pair + 1];
    if (last.Holds(name, dataType)) return last.record;
    if (before.Holds(name, dataType)) {
        std::swap(last, before);
        return last.record;
    }
    // The record about to be remembered takes the first place; the one there moves to the second.
    const auto remember = [&last, &before](Recent entry) {
        before = std::move(last);
        last = std::move(entry);
    };
    if (std::strlen(name) > kMaxCommonNameLength) return make();
    // A common record is never changed and kept for the process's life, so the table's key
    // can view its channel name: a lookup builds no key text.
    struct Key {
        std::string_view name;
        const RDataType* dataType;
        bool operator==(const Key& other) const { return name == other.name && dataType == other.dataType; }
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const {
            return std::hash<std::string_view>()(key.name) ^ std::hash<const RDataType*>()(key.dataType);
        }
    };
    struct CommonNames {
        RCriticalSection lock;
        std::unordered_map<Key, std::shared_ptr<NameRecord>, KeyHash> records;
    };
    static auto* const common = new CommonNames();  // for the process's life
    RCriticalSectionGuard guard(common->lock);
    const auto found = common->records.find(Key{name, dataType});
    if (found != common->records.end()) {
        remember(Recent{name, dataType, found->second});
        return found->second;
    }
    std::shared_ptr<NameRecord> record = make();
    if (common->records.size() < kMaxCommonNames) {
        record->common = true;
        common->records.emplace(Key{record->channelName.Buffer(), dataType}, record);
        remember(Recent{name, dataType, record});
    }
    return record;
}

RFCurveNode::NameRecord& RFCurveNode::EditName() {
    if (name_->common) {
        name_ = std::make_shared<NameRecord>(*name_);
        name_->common = false;
    }
    return *name_;
}

const std::shared_ptr<RFCurveNode::NameRecord>& RFCurveNode::NameToShare() const {
    if (name_->common) {
        name_ = std::make_shared<NameRecord>(*name_);
        name_->common = false;
    }
    return name_;
}

// ---- Construction and destruction --------------------------------------------------------

RFCurveNode::RFCurveNode(const char* name, const RDataType* dataType)
    : name_(NewNameRecord(name, dataType)), layerOwner_(this) {}

RFCurveNode::RFCurveNode(const RFCurveNode& source)
    : name_(source.NameToShare()),
      layerOwner_(this),
      sourceNode_(&source),
      layerType_(source.layerType_),
      rotationOrder_(source.rotationOrder_),
      cache_(source.cache_ != nullptr ? std::make_unique<EvaluationCache>(*source.cache_) : nullptr),
      quaternionInterpolation_(source.quaternionInterpolation_) {}

RFCurveNode::~RFCurveNode() {
    Notify(ChangeDestroyed);
    listeners_.reset();
    RFCurveNode::Clear();
    // A child its parent's Clear deletes has left the parent already.
    if (parent_ == nullptr && holder_ == nullptr) {
        return;
    }
    for (RFCurveNode* holder : {parent_, holder_ != parent_ ? holder_ : nullptr}) {
        if (holder != nullptr) {
            holder->ForgetChildNames();
            holder->TellHoldersOfChange();
            auto& siblings = holder->children_;
            siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
        }
    }
}

RFCurveNode* RFCurveNode::Create(const char* name, const RDataType* dataType, int layerType,
                                 int layerID) {
    RFCurveNode* node = new RFCurveNode(name, dataType);
    node->SetLayerType(layerType, nullptr);
    node->layerID_ = layerID;
    return node;
}

void RFCurveNode::Destroy(RFCurveNode* node) {
    delete node;
}

void RFCurveNode::Release(RFCurveNode* node) {
    if (node != nullptr && --node->referenceCount_ <= 0) {
        delete node;
    }
}

void RFCurveNode::Adopt(RFCurveNode* child) {
    if (RFCurveNode* previous = child->holder_ != nullptr ? child->holder_ : child->parent_) {
        previous->ForgetChildNames();
        previous->TellHoldersOfChange();
        auto& siblings = previous->children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), child), siblings.end());
    }
    child->holder_ = this;
    // A reference the previous parent held passes to this one.
    if (!child->heldByParent_) {
        child->AddReference();
        child->heldByParent_ = true;
    }
    child->parent_ = this;
}

void RFCurveNode::Disown(RFCurveNode* child) {
    child->parent_ = nullptr;
    child->holder_ = nullptr;
    if (child->heldByParent_) {
        child->heldByParent_ = false;
        --child->referenceCount_;
    }
}

void RFCurveNode::Clear() {
    ForgetChildNames();
    if (!children_.empty()) {
        TellHoldersOfChange();
    }
    while (!children_.empty()) {
        RFCurveNode* child = children_.back();
        children_.pop_back();
        if (child->holder_ == this) {
            child->holder_ = nullptr;
        }
        if (!IsNonOwning()) {
            // A child that time warps still use outlives its parent until they let it go.
            if (child->parent_ == this) {
                Disown(child);
            }
            if (child->referenceCount_ <= 0) {
                delete child;
            }
        }
    }
    children_.shrink_to_fit();
    RFCurve::Destroy(std::exchange(curve_, nullptr));
    // Most nodes have neither.
    if (nextLayer_ != nullptr) {
        ReleaseNextLayer();
    }
    if (timeWarp_ != nullptr) {
        ReleaseTimeWarp();
    }
    layerOwner_ = this;
}

void RFCurveNode::ReleaseNextLayer() {
    Release(std::exchange(nextLayer_, nullptr));
}

void RFCurveNode::ReleaseTimeWarp() {
    Release(std::exchange(timeWarp_, nullptr));
}

// ---- Tree ----------------------------------------------------------------------------------

bool RFCurveNode::Reaches(const RFCurveNode* target) const {
    if (this != target && children_.empty() && nextLayer_ == nullptr && timeWarp_ == nullptr) {
        return false;  // the usual case of a new node: nothing to walk
    }
    // Children and layers are owned once, so only nodes that time warps hold besides their
    // parent can be met twice.
    std::vector<const RFCurveNode*> pending{this};
    std::vector<const RFCurveNode*> sharedSeen;
    while (!pending.empty()) {
        const RFCurveNode* node = pending.back();
        pending.pop_back();
        if (node == target) {
            return true;
        }
        if (node->referenceCount_ > (node->heldByParent_ ? 1 : 0)) {
            if (std::find(sharedSeen.begin(), sharedSeen.end(), node) != sharedSeen.end()) {
                continue;
            }
            sharedSeen.push_back(node);
        }
        pending.insert(pending.end(), node->children_.begin(), node->children_.end());
        if (node->nextLayer_ != nullptr) {
            pending.push_back(node->nextLayer_);
        }
        if (node->timeWarp_ != nullptr) {
            pending.push_back(node->timeWarp_);
        }
    }
    return false;
}

bool RFCurveNode::HoldsChild(const RFCurveNode* child) const {
    // An owning node knows the children it holds; only children it took while it did not own
    // them have to be looked for (which, for the children of a file, would cost their square).
    if (!IsNonOwning() && !holdsLooseChildren_) {
        return child->holder_ == this;
    }
    return GetChildIndex(child) >= 0;
}

int RFCurveNode::InsertChildAt(int index, RFCurveNode* child) {
    if (child == nullptr || child == this || HoldsChild(child) || child->Reaches(this)) {
        return -1;
    }
    if (!IsNonOwning()) {
        Adopt(child);
    } else {
        holdsLooseChildren_ = true;
    }
    // An appended child is taken in by the index at its next lookup; one put before others
    // moves them.
    if (index != GetChildCount()) {
        ForgetChildNames();
    }
    children_.insert(children_.begin() + index, child);
    TellHoldersOfChange();
    RFCurve::CountEditOfAllCurves();
    return index;
}

int RFCurveNode::AddChild(RFCurveNode* child) {
    return InsertChildAt(GetChildCount(), child);
}

int RFCurveNode::InsertChildSorted(RFCurveNode* child) {
    if (child == nullptr) {
        return -1;
    }
    const RString name(child->GetName());
    int index = 0;
    while (index < GetChildCount() && CompareNameIgnoringCase(*children_[index], name.Buffer()) < 0) {
        ++index;
    }
    return InsertChildAt(index, child);
}

void RFCurveNode::RemoveChild(int index) {
    RFCurveNode* child = GetChild(index);
    if (child == nullptr) {
        return;
    }
    if (!IsNonOwning() && child->parent_ == this) {
        Disown(child);
    }
    if (child->holder_ == this) {
        child->holder_ = nullptr;
    }
    // The index of the names takes the child out rather than being made again for each.
    if (namesIndexed_.load(std::memory_order_relaxed) && !RFCurveNodeNameIndex::Removing(*this, index)) {
        namesIndexed_.store(false, std::memory_order_relaxed);
    }
    TellHoldersOfChange();
    children_.erase(children_.begin() + index);
    RFCurve::CountEditOfAllCurves();
}

void RFCurveNode::DeleteChild(int index) {
    RFCurveNode* child = GetChild(index);
    if (child == nullptr) {
        return;
    }
    RemoveChild(index);
    // Time warps that still use the child keep it until they release it.
    if (child->referenceCount_ <= 0) {
        delete child;
    }
}

void RFCurveNode::RemoveAndDeleteChild(RFCurveNode* node) {
    const int index = GetChildIndex(node);
    if (node != nullptr && index >= 0) {
        DeleteChild(index);
    }
}

int RFCurveNode::GetChildCount() const {
    return static_cast<int>(children_.size());
}

RFCurveNode* RFCurveNode::GetChild(int index) const {
    return index >= 0 && index < GetChildCount() ? children_[index] : nullptr;
}

bool RFCurveNode::IsChild(const RFCurveNode* node, bool recursive) const {
    for (const RFCurveNode* child : children_) {
        if (child == node || (recursive && child->IsChild(node, true))) {
            return true;
        }
    }
    return false;
}

RFCurveNode* RFCurveNode::FindChildByDataType(const RDataType* dataType) const {
    for (RFCurveNode* child : children_) {
        if (child->GetDataType() == dataType) {
            return child;
        }
    }
    return nullptr;
}

int RFCurveNode::GetChildIndex(const RFCurveNode* node) const {
    const auto found = std::find(children_.begin(), children_.end(), node);
    return found == children_.end() ? -1 : static_cast<int>(found - children_.begin());
}

int RFCurveNode::GetChildIndexByName(const char* name) const {
    // Only an owning node whose children all point back to it hears of their name changes.
    if (children_.size() >= static_cast<std::size_t>(RFCurveNodeNameIndex::kMinChildren) && TellsOfChildChanges()) {
        namesIndexed_.store(true, std::memory_order_relaxed);
        return RFCurveNodeNameIndex::Find(*this, name);
    }
    for (int i = 0; i < GetChildCount(); ++i) {
        if (HasNameIgnoringCase(*children_[i], name)) {
            return i;
        }
    }
    return -1;
}

void RFCurveNode::ForgetChildNames() {
    // Most nodes never had an index: a plain load tells.
    if (namesIndexed_.load(std::memory_order_relaxed)) {
        namesIndexed_.store(false, std::memory_order_relaxed);
        RFCurveNodeNameIndex::Forget(*this);
    }
}

void RFCurveNode::NameChanged(bool recordShared) {
    if (recordShared) {
        RFCurveNodeNameIndex::NamesChanged();
    } else if (holder_ != nullptr) {
        holder_->ForgetChildNames();
        holder_->TellHoldersOfChange();
    }
}

void RFCurveNode::TellHoldersOfChange() const {
    for (const RFCurveNode *child = this, *holder = holder_; holder != nullptr; child = holder, holder = holder->holder_) {
        if (holder->namesIndexed_.load(std::memory_order_relaxed)) {
            RFCurveNodeNameIndex::SubtreeChanged(*holder, *child);
        }
    }
}

void RFCurveNode::SetParent(RFCurveNode* parent) {
    parent_ = parent;
}

RFCurveNode* RFCurveNode::GetParent() const {
    return parent_;
}

RFCurveNode* RFCurveNode::FindByDataType(const RDataType* dataType) const {
    for (RFCurveNode* child : children_) {
        if (child->GetDataType() == dataType) {
            return child;
        }
        if (RFCurveNode* deeper = child->FindByDataType(dataType)) {
            return deeper;
        }
    }
    return nullptr;
}

// A node with many children asks its index which child to start from: no child before it
// matches or has a match below it.
RFCurveNode* RFCurveNode::FindSegment(const char* segment, const RDataType* letterType) const {
    int start = 0;
    if (children_.size() >= static_cast<std::size_t>(RFCurveNodeNameIndex::kMinChildren) && TellsOfChildChanges()) {
        namesIndexed_.store(true, std::memory_order_relaxed);
        start = RFCurveNodeNameIndex::FindInTree(*this, segment, letterType);
        if (start == -1) {
            return nullptr;
        }
        start = std::max(start, 0);
    }
    for (int i = start; i < GetChildCount(); ++i) {
        RFCurveNode* child = children_[i];
        if (MatchesSegment(*child, segment, letterType)) {
            return child;
        }
        if (RFCurveNode* deeper = child->FindSegment(segment, letterType)) {
            return deeper;
        }
    }
    return nullptr;
}

RFCurveNode* RFCurveNode::FindByPath(const char* path) const {
    if (path == nullptr) {
        return nullptr;
    }
    // A name without '/' (the common case) is looked up as it stands; a longer path is cut
    // into copies of its segments.
    const RFCurveNode* node = this;
    const char* start = path;
    for (;;) {
        const char* end = std::strchr(start, '/');
        if (end == nullptr) {
            return node->FindSegment(start, TransformTypeOfLetter(start));
        }
        const RString segment(start, static_cast<int>(end - start));
        node = node->FindSegment(segment.Buffer(), TransformTypeOfLetter(segment.Buffer()));
        if (node == nullptr) {
            return nullptr;
        }
        start = end + 1;
    }
}

const RDataType* RFCurveNode::TransformTypeOfLetter(const char* name) {
    if (name == nullptr || name[0] == '\0' || name[1] != '\0') {
        return nullptr;
    }
    // Built-in types: found once, they stay.
    static const RDataType* const translation = RDataType::FindByName("Lcl Translation");
    static const RDataType* const rotation = RDataType::FindByName("Lcl Rotation");
    static const RDataType* const scaling = RDataType::FindByName("Lcl Scaling");
    switch (name[0]) {
        case 'T':
            return translation;
        case 'R':
            return rotation;
        case 'S':
            return scaling;
        default:
            return nullptr;
    }
}

RFCurveNode* RFCurveNode::FindOrAddChild(const char* name, bool withCurve) {
    RFCurveNode* child = GetChild(GetChildIndexByName(name));
    if (child == nullptr) {
        child = Create(name, nullptr, LayerNormal, 0);
        AddChild(child);
    }
    if (withCurve && child->curve_ == nullptr) {
        child->SetCurve(RFCurve::Create(), true);
    }
    return child;
}

void RFCurveNode::EnsureCurves() {
    if (children_.empty() && curve_ == nullptr) {
        curve_ = RFCurve::Create();
    }
    for (RFCurveNode* child : children_) {
        child->EnsureCurves();
    }
}

bool RFCurveNode::HasLeafChannels(int count) const {
    if (curve_ != nullptr || GetChildCount() != count) {
        return false;
    }
    return std::all_of(children_.begin(), children_.end(), [](const RFCurveNode* child) {
        return child->curve_ != nullptr && child->children_.empty();
    });
}

// ---- Copies --------------------------------------------------------------------------------

RFCurveNode* RFCurveNode::Clone(bool shareName, bool copyCurves, bool newEmptyCurves,
                                int layerID) const {
    const int resolvedID = layerID == -1 ? layerID_ : layerID;
    RFCurveNode* copy = nullptr;
    if (shareName) {
        copy = new RFCurveNode(*this);
    } else {
        copy = new RFCurveNode(nullptr, name_->dataType);
        if (name_->common) {
            copy->name_ = name_;  // copied before either changes it
        } else {
            copy->name_->channelName = name_->channelName;
            copy->name_->userName = name_->userName;
        }
        copy->layerType_ = layerType_;
        copy->layerID_ = resolvedID;
        if (resolvedID != 0) {
            copy->layerOwner_ = layerOwner_;
        }
    }
    copy->ownerPropertyLink_ = ownerPropertyLink_;
    copy->quaternionInterpolation_ = quaternionInterpolation_;
    copy->rotationOrder_ = rotationOrder_;
    copy->SetFlag(FlagCopiedByClone, (flags_ & FlagCopiedByClone) != 0);
    if (curve_ != nullptr && (copyCurves || newEmptyCurves)) {
        copy->curve_ = RFCurve::Create();
        if (copyCurves) {
            copy->curve_->CopyFrom(*curve_, true);
        }
    }
    const int childLayerID = shareName ? layerID : resolvedID;
    for (const RFCurveNode* child : children_) {
        copy->AddChild(child->Clone(shareName, copyCurves, newEmptyCurves, childLayerID));
    }
    return copy;
}

RFCurveNode* RFCurveNode::Duplicate(bool shareName) const {
    return Clone(shareName, true, false, -1);
}

void RFCurveNode::CopyFrom(RFCurveNode& source, bool move) {
    if (&source == this) {
        return;
    }
    if (source.cache_ != nullptr) {
        cache_ = std::make_unique<EvaluationCache>(*source.cache_);
    } else {
        cache_.reset();
    }
    if (source.curve_ != nullptr) {
        if (move) {
            RFCurve::Destroy(std::exchange(curve_, std::exchange(source.curve_, nullptr)));
        } else if (curve_ == nullptr) {
            curve_ = source.curve_->Clone(RTime(RTime::kInfinitelyEarly), RTime(RTime::kInfinitelyLate));
        } else {
            curve_->CopyFrom(*source.curve_, true);
        }
    }
    SetLayerType(source.layerType_, nullptr);
    const int pairs = std::min(GetChildCount(), source.GetChildCount());
    for (int i = 0; i < pairs; ++i) {
        children_[i]->CopyFrom(*source.children_[i], move);
    }

    // The layer chain: only the first layers are matched here; deeper ones are matched when
    // that layer is copied in turn.
    RFCurveNode* sourceLayer = source.nextLayer_;
    if (sourceLayer == nullptr) {
        if (nextLayer_ != nullptr) {
            ReleaseNextLayer();
            layerOwner_->Notify(ChangeLayersChanged);
        }
        return;
    }
    const int wanted = sourceLayer->layerID_;
    while (nextLayer_ == nullptr || nextLayer_->layerID_ != wanted) {
        if (nextLayer_ == nullptr) {
            if (CreateLayer(wanted, true) == nullptr) {
                return;
            }
        } else if (wanted < nextLayer_->layerID_) {
            RFCurveNode* following = nextLayer_;
            nextLayer_ = nullptr;
            RFCurveNode* created = CreateLayer(wanted, false);
            if (created == nullptr) {
                nextLayer_ = following;
                return;
            }
            created->SetLayer(following, false);
        } else {
            // This layer has no counterpart in the source: cut it out of the chain.
            RFCurveNode* removed = nextLayer_;
            nextLayer_ = std::exchange(removed->nextLayer_, nullptr);
            Release(removed);
            layerOwner_->Notify(ChangeLayersChanged);
        }
    }
    nextLayer_->CopyFrom(*sourceLayer, move);
}

// ---- Names, flags and links ----------------------------------------------------------------

const char* RFCurveNode::GetName() const {
    if (name_->property != nullptr) {
        return name_->property->GetName();
    }
    return name_->channelName.Buffer();
}

const RString& RFCurveNode::GetChannelName() const {
    return name_->channelName;
}

const RString& RFCurveNode::GetUserName() const {
    return name_->userName;
}

void RFCurveNode::SetUserName(const char* name) {
    EditName().userName = name;
}

const RDataType* RFCurveNode::GetDataType() const {
    return name_->dataType;
}

RProperty* RFCurveNode::GetProperty() const {
    return name_->property;
}

void RFCurveNode::SetProperty(RProperty* property) {
    if (name_->property != property) {
        EditName().property = property;
        NameChanged(name_.use_count() > 1);
    }
}

void RFCurveNode::ShareNameOf(const RFCurveNode& other) {
    name_ = other.NameToShare();
    NameChanged(false);
}

void RFCurveNode::SetFlag(uint32_t bits, bool on) {
    flags_ = on ? (flags_ | bits) : (flags_ & ~bits);
    RFCurve::CountEditOfAllCurves();
}

int RFCurveNode::GetEffectiveLayerID(int layerID) const {
    return IsLayeringEnabled() ? layerID : 0;
}

// ---- Curve and time warp -------------------------------------------------------------------

RFCurve* RFCurveNode::SetCurve(RFCurve* curve, bool deleteOld) {
    if (curve == curve_) {
        return nullptr;
    }
    RFCurve* old = std::exchange(curve_, curve);
    if (deleteOld) {
        RFCurve::Destroy(std::exchange(old, nullptr));
    }
    Notify(ChangeCurveReplaced);
    return old;
}

bool RFCurveNode::SetTimeWarp(RFCurveNode* timeWarp) {
    if (timeWarp == timeWarp_) {
        return true;
    }
    if (timeWarp != nullptr && timeWarp->Reaches(this)) {
        return false;
    }
    // Referenced before the old one is released, in case releasing it would free the new one.
    if (timeWarp != nullptr) {
        timeWarp->AddReference();
    }
    ReleaseTimeWarp();
    timeWarp_ = timeWarp;
    Notify(ChangeTimeWarpReplaced);
    return true;
}

bool RFCurveNode::GetTransformCurves(RFCurve* translation[3], RFCurve* rotation[3],
                                     RFCurve* scaling[3]) const {
    struct Channel {
        const char* letter;
        const char* typeName;
        RFCurve** curves;
    };
    const Channel channels[3] = {{"T", "Lcl Translation", translation},
                                 {"R", "Lcl Rotation", rotation},
                                 {"S", "Lcl Scaling", scaling}};
    static const char* const kAxes[3] = {"X", "Y", "Z"};
    for (const Channel& channel : channels) {
        const RFCurveNode* node = FindByPath(channel.letter);
        if (node == nullptr) {
            node = FindByDataType(RDataType::FindByName(channel.typeName));
        }
        if (node == nullptr) {
            return false;
        }
        for (int axis = 0; axis < 3; ++axis) {
            const RFCurveNode* component = node->FindByPath(kAxes[axis]);
            if (component == nullptr || component->curve_ == nullptr) {
                return false;
            }
            channel.curves[axis] = component->curve_;
        }
    }
    return true;
}

int RFCurveNode::GetKeyCount(bool withLayers) const {
    int count = curve_ != nullptr ? curve_->GetKeyCount() : 0;
    for (const RFCurveNode* child : children_) {
        count += child->GetKeyCount(false);
    }
    if (withLayers && nextLayer_ != nullptr) {
        count += nextLayer_->GetKeyCount(true);
    }
    return count;
}

double* RFCurveNode::GetDefaultValues(double* out) const {
    if (curve_ != nullptr) {
        *out++ = curve_->GetDefaultValue();
    }
    for (const RFCurveNode* child : children_) {
        out = child->GetDefaultValues(out);
    }
    return out;
}

const double* RFCurveNode::SetDefaultValues(const double* in) {
    if (curve_ != nullptr) {
        curve_->SetDefaultValue(static_cast<float>(*in++));
    }
    for (RFCurveNode* child : children_) {
        in = child->SetDefaultValues(in);
    }
    return in;
}

bool RFCurveNode::GetTimeSpan(RTime& start, RTime& stop) const {
    bool found = false;
    if (curve_ != nullptr && curve_->GetKeyCount() > 0) {
        start = std::min(start, curve_->GetKey(0).GetTime());
        stop = std::max(stop, curve_->GetKey(curve_->GetKeyCount() - 1).GetTime());
        found = true;
    }
    for (const RFCurveNode* child : children_) {
        found = child->GetTimeSpan(start, stop) || found;
    }
    return found;
}

// ---- Layers --------------------------------------------------------------------------------

void RFCurveNode::SetLayerType(int layerType, RFCurveNode* ownerNode) {
    std::vector<RFCurveNode*> layers;
    for (RFCurveNode* layer = nextLayer_; layer != nullptr; layer = layer->nextLayer_) {
        layers.push_back(layer);
    }
    if (layerType == LayerQuaternion) {
        ApplyLayerType(layerType, ownerNode);
        RFCurveNode* w = GetChildCount() == 4 ? children_[3] : nullptr;
        for (RFCurveNode* layer : layers) {
            layer->ApplyLayerType(layerType, w);
        }
        return;
    }
    // The layers drop their "W" before this node drops its own, their layer owner.
    for (auto layer = layers.rbegin(); layer != layers.rend(); ++layer) {
        (*layer)->ApplyLayerType(layerType, nullptr);
    }
    ApplyLayerType(layerType, ownerNode);
}

void RFCurveNode::ApplyLayerType(int layerType, RFCurveNode* ownerNode) {
    if (layerType == layerType_) {
        return;
    }
    if (layerType == LayerQuaternion && GetChildCount() == 3) {
        RFCurveNode* w = Create("W", &RDataType::Number(), LayerNormal, layerID_);
        AddChild(w);
        w->curve_ = RFCurve::Create();
        const RFCurve* first = children_[0]->curve_;
        if (first != nullptr && first->IsCurveSelected()) {
            w->curve_->SetCurveSelected(true);
        }
        if (ownerNode != nullptr) {
            w->layerOwner_ = ownerNode;
        }
    } else if (layerType == LayerRotation && layerType_ == LayerQuaternion && GetChildCount() == 4) {
        DeleteChild(3);
    }
    layerType_ = layerType;
    RFCurve::CountEditOfAllCurves();
}

bool RFCurveNode::SetLayer(RFCurveNode* layer, bool deleteOld) {
    if (layer == nextLayer_) {
        return true;
    }
    if (layer != nullptr && layer->Reaches(this)) {
        return false;
    }
    // Deleting the old layer must not take the new one with it.
    if (deleteOld && layer != nullptr && nextLayer_ != nullptr && nextLayer_->Reaches(layer)) {
        return false;
    }
    RFCurveNode* old = std::exchange(nextLayer_, layer);
    if (deleteOld) {
        Release(old);
    }
    layerOwner_->Notify(ChangeLayersChanged);
    return true;
}

RFCurveNode* RFCurveNode::FindLayer(int layerID) const {
    const RFCurveNode* node = this;
    while (node != nullptr && node->layerID_ < layerID) {
        node = node->nextLayer_;
    }
    return node != nullptr && node->layerID_ == layerID ? const_cast<RFCurveNode*>(node) : nullptr;
}

void RFCurveNode::AddLayer(int layerID) {
    if (!IsLayeringEnabled() || layerID <= layerID_) {
        return;
    }
    RFCurveNode* found = this;
    while (found->nextLayer_ != nullptr && found->nextLayer_->layerID_ < layerID) {
        found = found->nextLayer_;
    }
    RFCurveNode* following = found->nextLayer_;
    if (following != nullptr && following->layerID_ == layerID) {
        return;
    }
    if (following == nullptr) {
        found->CreateLayer(layerID, true);
    } else {
        found->nextLayer_ = nullptr;
        RFCurveNode* created = found->CreateLayer(layerID, false);
        if (created == nullptr) {
            found->nextLayer_ = following;
            return;
        }
        created->SetLayer(following, false);
    }
    layerOwner_->Notify(ChangeLayersChanged);
}

RFCurveNode* RFCurveNode::CreateLayer(int layerID, bool deleteOld) {
    if (!IsLayeringEnabled()) {
        return nullptr;
    }
    RFCurveNode* layer = Clone(false, false, true, layerID);
    if (!SetLayer(layer, deleteOld)) {
        delete layer;
        return nullptr;
    }
    std::vector<double> identity(std::max(GetChildCount(), kMaxCachedValues), 0.0);
    GetLayerIdentity(identity.data());
    if (layer->curve_ != nullptr && curve_ != nullptr) {
        layer->curve_->SetDefaultValue(static_cast<float>(identity[0]));
        layer->curve_->CopyLookFrom(*curve_);
    }
    for (int i = 0; i < GetChildCount(); ++i) {
        RFCurve* target = layer->children_[i]->curve_;
        const RFCurve* model = children_[i]->curve_;
        if (target != nullptr && model != nullptr) {
            target->SetDefaultValue(static_cast<float>(identity[i]));
            target->CopyLookFrom(*model);
        }
    }
    return layer;
}

int RFCurveNode::GetLayerIdentity(double* out) const {
    int count = !children_.empty() ? GetChildCount() : (curve_ != nullptr ? 1 : 0);
    if (layerType_ == LayerQuaternion) {
        count = 4;
    }
    FillLayerIdentity(layerType_, out, count);
    return count;
}

void RFCurveNode::SetQuaternionInterpolation(bool on) {
    for (RFCurveNode* node = this; node != nullptr; node = node->nextLayer_) {
        node->quaternionInterpolation_ = on;
    }
    layerOwner_->InvalidateCache(0, true);
    layerOwner_->Notify(ChangeLayersChanged);
}

void RFCurveNode::SetRotationOrder(int order) {
    for (RFCurveNode* node = this; node != nullptr; node = node->nextLayer_) {
        node->rotationOrder_ = order;
    }
    RFCurve::CountEditOfAllCurves();
}

// ---- Change notification -------------------------------------------------------------------

void RFCurveNode::Notify(uint32_t kind) {
    RFCurve::CountEditOfAllCurves();
    if (!listeners_) {
        return;
    }
    listeners_->changes.kinds |= kind;
    ++listeners_->changes.count;
    ++modificationCount_;
    if (listeners_->enabled) {
        Deliver();
    }
}

void RFCurveNode::Deliver() {
    // The record is handed over before the calls, so a listener that changes the node starts a
    // record of its own. The calls go, last registered first, over the registrations as they
    // were when delivery began: a listener may add or remove listeners, and one removed
    // meanwhile is not called.
    const ChangeRecord changes = listeners_->changes;
    listeners_->changes = ChangeRecord{};
    const std::vector<ListenerRecord::Registration> registered = listeners_->registrations;
    for (auto entry = registered.rbegin(); entry != registered.rend(); ++entry) {
        if (listeners_ && listeners_->IsRegistered(entry->serial)) {
            entry->listener(*this, changes, entry->userData);
        }
    }
}

void RFCurveNode::AddListener(Listener listener, void* userData) {
    if (!listeners_) {
        listeners_ = std::make_unique<ListenerRecord>();
    }
    listeners_->registrations.push_back({listener, userData, listeners_->nextSerial++});
}

void RFCurveNode::RemoveListener(Listener listener, void* userData) {
    if (!listeners_) {
        return;
    }
    auto& registrations = listeners_->registrations;
    for (auto it = registrations.rbegin(); it != registrations.rend(); ++it) {
        if (it->listener == listener && it->userData == userData) {
            registrations.erase(std::next(it).base());
            return;
        }
    }
}

void RFCurveNode::SetNotifyEnabled(bool enabled) {
    if (!listeners_) {
        return;
    }
    listeners_->enabled = enabled;
    if (enabled && listeners_->changes.count > 0) {
        Deliver();
    }
}
