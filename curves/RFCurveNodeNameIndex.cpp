#include "curves/RFCurveNodeNameIndex.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/RString.h"
#include "curves/RFCurveNode.h"
#include "platform/RCriticalSection.h"

namespace {

// Bumped by a name change that may touch the children of any node.
std::atomic<std::uint64_t> nameEpoch{0};

// Names compare with only the ASCII letters folded, as RString::CompareIgnoringCase does;
// null is the empty name.
std::string Folded(const char* name) {
    std::string folded(name != nullptr ? name : "");
    for (char& c : folded) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return folded;
}

int Lookup(const std::unordered_map<std::string, int>& map, const std::string& key, int none) {
    const auto found = map.find(key);
    return found != map.end() ? found->second : none;
}

// The maps hold ordinals: the children taken in are numbered in turn, and a removed child's
// number is set aside (removed) rather than every later child's renumbered, so that the index
// follows a removal without being made again.
struct ChildNames {
    std::uint64_t epoch = 0;
    int indexed = 0;  // ordinals handed out, to the removed children too
    // The ordinals of the children removed since the index was made, in order.
    std::vector<int> removed;
    // The first child of each folded name among those named by their channel name.
    std::unordered_map<std::string, int> first;
    // Whether two of those share a folded name: `first` cannot tell the second.
    bool namesakes = false;
    // Children named by their property, in child order.
    std::vector<int> byProperty;
    // For the nodes below the children: the first child with one of each folded name below it.
    std::unordered_map<std::string, int> below;
    // The children that have, or have below them, a node of each data type, in child order:
    // removing the first leaves the next one first.
    std::unordered_map<const RDataType*, std::vector<int>> types;
    // Whether every node below names itself by its channel name and hears of its children's
    // changes, so that `below` and `types` hold.
    bool treeIndexed = true;

    // The children taken in and still there.
    int Live() const { return indexed - static_cast<int>(removed.size()); }
    // The place among the children of a child still there.
    int PositionOf(int ordinal) const {
        return ordinal - static_cast<int>(std::lower_bound(removed.begin(), removed.end(), ordinal) - removed.begin());
    }
    // The ordinal of the child at a place among those taken in: the ordinal less the removed
    // ones before it is the place.
    int OrdinalAt(int position) const {
        int low = 0;
        int high = static_cast<int>(removed.size());
        while (low < high) {
            const int middle = (low + high) / 2;
            if (removed[static_cast<std::size_t>(middle)] - middle <= position) {
                low = middle + 1;
            } else {
                high = middle;
            }
        }
        return position + low;
    }

    void CatchUp(const RFCurveNode& parent) {
        const int count = parent.GetChildCount();
        const std::uint64_t now = nameEpoch.load(std::memory_order_relaxed);
        if (epoch != now || Live() > count) {
            *this = ChildNames();
            epoch = now;
        }
        for (int position = Live(); position < count; ++position, ++indexed) {
            const RFCurveNode& child = *parent.GetChild(position);
            if (child.GetProperty() != nullptr) {
                byProperty.push_back(indexed);
            } else if (!first.emplace(Folded(child.GetName()), indexed).second) {
                namesakes = true;
            }
            TakeInType(child.GetDataType(), indexed);
            if (treeIndexed && child.GetChildCount() > 0) TakeInBelow(child, indexed);
        }
    }

    // The names and types of the nodes below the child at the index.
    void TakeInBelow(const RFCurveNode& child, int index) {
        std::vector<const RFCurveNode*> pending{&child};
        while (!pending.empty() && treeIndexed) {
            const RFCurveNode& node = *pending.back();
            pending.pop_back();
            treeIndexed = node.TellsOfChildChanges();
            for (int i = 0; i < node.GetChildCount() && treeIndexed; ++i) {
                const RFCurveNode& inner = *node.GetChild(i);
                treeIndexed = inner.GetProperty() == nullptr;
                below.emplace(Folded(inner.GetName()), index);
                TakeInType(inner.GetDataType(), index);
                if (inner.GetChildCount() > 0) pending.push_back(&inner);
            }
        }
    }

    // The child at the ordinal has, or has below it, a node of the type.
    void TakeInType(const RDataType* dataType, int ordinal) {
        if (dataType == nullptr) return;
        std::vector<int>& holders = types[dataType];
        if (holders.empty() || holders.back() != ordinal) holders.push_back(ordinal);
    }

    void TakeOutType(const RDataType* dataType, int ordinal) {
        const auto found = types.find(dataType);
        if (found == types.end()) return;
        std::vector<int>& holders = found->second;
        const auto held = std::lower_bound(holders.begin(), holders.end(), ordinal);
        if (held != holders.end() && *held == ordinal) holders.erase(held);
    }

    // Takes out the child at the place, about to be removed; false when the index cannot tell
    // what it would answer then (the child was the first of a name that others share, or held
    // a name below it first).
    bool Remove(const RFCurveNode& parent, int position) {
        if (epoch != nameEpoch.load(std::memory_order_relaxed)) return false;
        if (position >= Live()) return true;  // not taken in yet
        const int ordinal = OrdinalAt(position);
        const RFCurveNode& child = *parent.GetChild(position);
        if (child.GetProperty() != nullptr) {
            const auto held = std::find(byProperty.begin(), byProperty.end(), ordinal);
            if (held == byProperty.end()) return false;
            byProperty.erase(held);
        } else {
            const auto named = first.find(Folded(child.GetName()));
            if (named != first.end() && named->second == ordinal) {
                if (namesakes) return false;
                first.erase(named);
            }
        }
        if (treeIndexed && child.GetChildCount() > 0 && !BelowHeldElsewhere(child, ordinal)) return false;
        TakeOutTypes(child, ordinal);
        removed.insert(std::upper_bound(removed.begin(), removed.end(), ordinal), ordinal);
        // Once most of it is gone, it is made again smaller.
        return static_cast<int>(removed.size()) <= Live();
    }

    // Whether the names below the child are all first found below an earlier child.
    bool BelowHeldElsewhere(const RFCurveNode& child, int ordinal) const {
        bool elsewhere = true;
        ForEachBelow(child, [&](const RFCurveNode& inner) {
            elsewhere = elsewhere && !HeldBy(below, Folded(inner.GetName()), ordinal);
        });
        return elsewhere;
    }

    // The child no longer holds its own data type nor those below it.
    void TakeOutTypes(const RFCurveNode& child, int ordinal) {
        TakeOutType(child.GetDataType(), ordinal);
        if (!treeIndexed) return;
        ForEachBelow(child, [&](const RFCurveNode& inner) { TakeOutType(inner.GetDataType(), ordinal); });
    }

    template <typename Visit>
    static void ForEachBelow(const RFCurveNode& child, Visit visit) {
        std::vector<const RFCurveNode*> pending{&child};
        while (!pending.empty()) {
            const RFCurveNode& node = *pending.back();
            pending.pop_back();
            for (int i = 0; i < node.GetChildCount(); ++i) {
                const RFCurveNode& inner = *node.GetChild(i);
                visit(inner);
                if (inner.GetChildCount() > 0) pending.push_back(&inner);
            }
        }
    }

    template <typename Map, typename Key>
    static bool HeldBy(const Map& map, const Key& key, int ordinal) {
        const auto found = map.find(key);
        return found != map.end() && found->second == ordinal;
    }

    // The first child named so by its property before `before`, else `before`.
    int FirstByProperty(const RFCurveNode& parent, const char* name, int before) const {
        for (const int ordinal : byProperty) {
            if (ordinal >= before) break;
            if (RString::CompareIgnoringCase(parent.GetChild(PositionOf(ordinal))->GetName(), name) == 0) return ordinal;
        }
        return before;
    }

    int Find(const RFCurveNode& parent, const char* name) const {
        const int best = FirstByProperty(parent, name, Lookup(first, Folded(name), indexed));
        return best < indexed ? PositionOf(best) : -1;
    }

    int FindInTree(const RFCurveNode& parent, const char* name, const RDataType* dataType) const {
        if (!treeIndexed) return RFCurveNodeNameIndex::kNotIndexed;
        const std::string folded = Folded(name);
        int best = std::min(Lookup(first, folded, indexed), Lookup(below, folded, indexed));
        if (dataType != nullptr) {
            const auto typed = types.find(dataType);
            if (typed != types.end() && !typed->second.empty()) best = std::min(best, typed->second.front());
        }
        best = FirstByProperty(parent, name, best);
        return best < indexed ? PositionOf(best) : -1;
    }

    // Whether the child is among the last few appended since the last lookup: a tree is
    // mostly made channel by channel, each filled in right after it is appended. Looking no
    // further keeps this short; a child not seen costs only the index.
    bool IsWaiting(const RFCurveNode& parent, const RFCurveNode& child) const {
        constexpr int kLastLooked = 4;
        const int count = parent.GetChildCount();
        for (int i = count - 1; i >= std::max(Live(), count - kLastLooked); --i) {
            if (parent.GetChild(i) == &child) return true;
        }
        return false;
    }
};

struct Table {
    RCriticalSection lock;
    std::unordered_map<const RFCurveNode*, ChildNames> nodes;
};

Table& TheTable() {
    static auto* const table = new Table();  // for the process's life: nodes die at exit too
    return *table;
}

}  // namespace

int RFCurveNodeNameIndex::Find(const RFCurveNode& parent, const char* name) {
    Table& table = TheTable();
    RCriticalSectionGuard guard(table.lock);
    ChildNames& names = table.nodes[&parent];
    names.CatchUp(parent);
    return names.Find(parent, name);
}

int RFCurveNodeNameIndex::FindInTree(const RFCurveNode& parent, const char* name, const RDataType* dataType) {
    Table& table = TheTable();
    RCriticalSectionGuard guard(table.lock);
    ChildNames& names = table.nodes[&parent];
    names.CatchUp(parent);
    return names.FindInTree(parent, name, dataType);
}

void RFCurveNodeNameIndex::Forget(const RFCurveNode& parent) {
    Table& table = TheTable();
    RCriticalSectionGuard guard(table.lock);
    table.nodes.erase(&parent);
}

bool RFCurveNodeNameIndex::Removing(const RFCurveNode& parent, int index) {
    Table& table = TheTable();
    RCriticalSectionGuard guard(table.lock);
    const auto found = table.nodes.find(&parent);
    if (found == table.nodes.end()) return false;
    if (found->second.Remove(parent, index)) return true;
    table.nodes.erase(found);
    return false;
}

void RFCurveNodeNameIndex::SubtreeChanged(const RFCurveNode& parent, const RFCurveNode& child) {
    Table& table = TheTable();
    RCriticalSectionGuard guard(table.lock);
    const auto found = table.nodes.find(&parent);
    // A child appended since the last lookup is taken in whole at the next one.
    if (found != table.nodes.end() && !found->second.IsWaiting(parent, child)) table.nodes.erase(found);
}

void RFCurveNodeNameIndex::NamesChanged() {
    nameEpoch.fetch_add(1, std::memory_order_relaxed);
}
