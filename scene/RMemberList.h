#ifndef WYX_SCENE_RMEMBERLIST_H
#define WYX_SCENE_RMEMBERLIST_H

// An ordered list of distinct object pointers that stays fast at the size of a whole scene:
// appending, finding, removing and reaching an entry by its index each cost O(log n), so
// that moving a subtree of n nodes in or out of a scene of N nodes costs n log N, not n N.
//
// Entries keep the order in which they were appended. A removed entry leaves an empty slot;
// a count tree over the slots (a Fenwick tree) turns an index into a slot and back, and the
// slots are compacted when the empty ones outnumber the live ones. The list owns nothing.

#include <cstddef>
#include <unordered_map>
#include <vector>

template <typename T>
class RMemberList {
public:
    int GetCount() const { return live_; }
    bool Contains(const T* object) const { return slotOf_.count(object) != 0; }

    // False, nothing changed, for null or an object already listed.
    bool Append(T* object) {
        if (object == nullptr || Contains(object)) return false;
        // Full: compacted, and grown when more than half the slots are live.
        if (slots_.size() == capacity_) {
            Rebuild(static_cast<std::size_t>(live_) * 2 > capacity_ ? 2 * capacity_ : capacity_);
        }
        slots_.push_back(object);
        slotOf_.emplace(object, static_cast<int>(slots_.size()) - 1);
        AddToTree(slots_.size() - 1, 1);
        ++live_;
        return true;
    }

    // False when the object is not listed.
    bool Remove(const T* object) {
        const auto found = slotOf_.find(object);
        if (found == slotOf_.end()) return false;
        const auto slot = static_cast<std::size_t>(found->second);
        slotOf_.erase(found);
        slots_[slot] = nullptr;
        AddToTree(slot, -1);
        --live_;
        if (slots_.size() - static_cast<std::size_t>(live_) > static_cast<std::size_t>(live_) + kMinCapacity) {
            Rebuild(capacity_);
        }
        return true;
    }

    // Null when the index is negative or not below the count.
    T* At(int index) const {
        if (index < 0 || index >= live_) return nullptr;
        if (slots_.size() == static_cast<std::size_t>(live_)) return slots_[static_cast<std::size_t>(index)];
        const std::size_t slot = SlotOfIndex(index);
        return slot < slots_.size() ? slots_[slot] : nullptr;
    }

    // -1 when the object is not listed.
    int IndexOf(const T* object) const {
        const auto found = slotOf_.find(object);
        return found == slotOf_.end() ? -1 : LiveBefore(static_cast<std::size_t>(found->second));
    }

    void Clear() {
        slots_.clear();
        tree_.clear();
        slotOf_.clear();
        capacity_ = 0;
        live_ = 0;
    }

    // Calls visit(object) for every entry in order; the list must not change meanwhile.
    template <typename Visit>
    void ForEach(Visit visit) const {
        for (T* object : slots_) {
            if (object != nullptr) visit(object);
        }
    }

private:
    static constexpr std::size_t kMinCapacity = 16;

    // The tree is 1-based: tree_[i] counts the live slots i - lowbit(i) + 1 to i.
    static std::size_t LowBit(std::size_t i) { return i & (~i + 1); }

    void AddToTree(std::size_t slot, int delta) {
        for (std::size_t i = slot + 1; i <= capacity_; i += LowBit(i)) tree_[i] += delta;
    }

    // Live slots before `slot`.
    int LiveBefore(std::size_t slot) const {
        int count = 0;
        for (std::size_t i = slot; i > 0; i -= LowBit(i)) count += tree_[i];
        return count;
    }

    // The slot of the index-th live entry: the tree is descended from its highest power of
    // two (capacity_ is always one).
    std::size_t SlotOfIndex(int index) const {
        std::size_t position = 0;
        int remaining = index + 1;
        for (std::size_t step = capacity_; step > 0; step /= 2) {
            const std::size_t next = position + step;
            if (next <= capacity_ && tree_[next] < remaining) {
                position = next;
                remaining -= tree_[next];
            }
        }
        return position;  // the 1-based slot is position + 1
    }

    // Drops the empty slots (keeping the order) and builds the tree for `capacity` slots.
    void Rebuild(std::size_t capacity) {
        std::size_t kept = 0;
        for (T* object : slots_) {
            if (object == nullptr) continue;
            slots_[kept] = object;
            slotOf_[object] = static_cast<int>(kept);
            ++kept;
        }
        slots_.resize(kept);
        if (capacity < kMinCapacity) capacity = kMinCapacity;
        while (capacity < kept + 1) capacity *= 2;
        capacity_ = capacity;
        tree_.assign(capacity_ + 1, 0);
        for (std::size_t i = 1; i <= capacity_; ++i) {
            if (i <= kept) tree_[i] += 1;
            const std::size_t parent = i + LowBit(i);
            if (parent <= capacity_) tree_[parent] += tree_[i];
        }
    }

    std::vector<T*> slots_;
    std::vector<int> tree_;
    std::unordered_map<const T*, int> slotOf_;
    std::size_t capacity_ = 0;
    int live_ = 0;
};

#endif
