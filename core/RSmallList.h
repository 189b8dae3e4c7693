#ifndef WYX_CORE_RSMALLLIST_H
#define WYX_CORE_RSMALLLIST_H

// An ordered list for lists that nearly always have one or two entries and are made, grown
// and emptied often (a curve's listeners, the nodes of one name, the children a connection
// change tells): up to `Held` entries stand in the list itself, so such a list never takes a
// heap block. A longer list keeps every entry in its heap block, so the entries are always
// contiguous and in order; when it shrinks back to `Held` they return in place.
//
// A place that holds no entry holds a default or moved-from value: an entry taken out lets
// go of whatever it held at once.

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <vector>

template <typename T, std::size_t Held>
class RSmallList {
    static_assert(Held > 0, "a small list holds at least one entry in place");

public:
    RSmallList() = default;
    // Copied only: a list moved from would keep its count without its heap block, so an
    // rvalue is copied as well.
    RSmallList(const RSmallList&) = default;
    RSmallList& operator=(const RSmallList&) = default;

    std::size_t GetCount() const { return count_; }
    bool IsEmpty() const { return count_ == 0; }

    // Index 0 .. GetCount() - 1.
    T& At(std::size_t index) { return begin()[index]; }
    const T& At(std::size_t index) const { return begin()[index]; }

    T* begin() { return IsSpilled() ? spilled_.data() : held_; }
    T* end() { return begin() + count_; }
    const T* begin() const { return IsSpilled() ? spilled_.data() : held_; }
    const T* end() const { return begin() + count_; }

    void Append(const T& entry) {
        if (count_ < Held) {
            held_[count_++] = entry;
        } else {
            AppendBeyondHeld(entry);
        }
    }

    // Before the entry now at `index` (at the end when beyond it); the later ones move back.
    void InsertAt(std::size_t index, const T& entry) {
        index = std::min(index, count_);
        if (count_ > Held) {
            spilled_.insert(spilled_.begin() + index, entry);
        } else {
            T kept(entry);  // the entry may be one of those about to move
            if (count_ == Held) {
                Spill();
                spilled_.insert(spilled_.begin() + index, std::move(kept));
            } else {
                for (std::size_t i = count_; i > index; --i) held_[i] = std::move(held_[i - 1]);
                held_[index] = std::move(kept);
            }
        }
        ++count_;
    }

    // The entries after it move up one place; an index out of range removes nothing.
    void RemoveAt(std::size_t index) {
        if (index >= count_) return;
        if (count_ > Held) {
            spilled_.erase(spilled_.begin() + index);
            if (--count_ == Held) Unspill();
            return;
        }
        // A loop rather than std::move: for the few entries held, a call to memmove costs more.
        for (std::size_t i = index + 1; i < count_; ++i) held_[i - 1] = std::move(held_[i]);
        held_[--count_] = T();
    }

private:
    bool IsSpilled() const { return count_ > Held; }

    void AppendBeyondHeld(const T& entry) {
        if (count_ == Held) {
            const T kept(entry);  // the entry may be one of those about to move
            Spill();
            spilled_.push_back(kept);
        } else {
            spilled_.push_back(entry);
        }
        ++count_;
    }

    // The entries held in place move to the heap block, leaving moved-from values behind.
    void Spill() {
        spilled_.reserve(2 * Held);
        spilled_.assign(std::make_move_iterator(held_), std::make_move_iterator(held_ + Held));
    }

    // The heap block's entries move back in place; the block keeps its room for the next spill.
    void Unspill() {
        std::move(spilled_.begin(), spilled_.end(), held_);
        spilled_.clear();
    }

    T held_[Held]{};
    std::vector<T> spilled_;  // every entry, while there are more than Held
    std::size_t count_ = 0;
};

#endif
