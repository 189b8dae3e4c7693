#ifndef VEXA_HOST_INDEXLIST_H
#define VEXA_HOST_INDEXLIST_H

// The element indices of a component, in the order they were added. The first few stay in
// place and a heap block is taken only past them: a set edit names one polygon or one run per
// command, and the component it makes for that should not cost an allocation.

#include <cstddef>
#include <vector>

namespace vexa_host {

class IndexList {
public:
    bool empty() const { return size_ == 0; }
    size_t size() const { return size_; }
    const int* begin() const { return data(); }
    const int* end() const { return data() + size_; }
    int operator[](size_t position) const { return data()[position]; }

    void push_back(int index) {
        if (size_ < kInPlace) {
            inPlace_[size_++] = index;
            return;
        }
        if (size_ == kInPlace) spilled_.assign(inPlace_, inPlace_ + kInPlace);
        spilled_.push_back(index);
        ++size_;
    }

    std::vector<int> toVector() const { return std::vector<int>(begin(), end()); }

    // Empty again, keeping the heap block for indices to come.
    void clear() {
        size_ = 0;
        spilled_.clear();
    }

private:
    static constexpr size_t kInPlace = 4;
    const int* data() const { return size_ > kInPlace ? spilled_.data() : inPlace_; }

    int inPlace_[kInPlace] = {};
    size_t size_ = 0;
    std::vector<int> spilled_;  // every index once there are more than kInPlace
};

}  // namespace vexa_host

#endif
