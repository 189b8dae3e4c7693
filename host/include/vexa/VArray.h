#ifndef VEXA_VARRAY_H
#define VEXA_VARRAY_H

// The template behind the host's value arrays (VIntArray, VStringArray, VDagPathArray, ...):
// a growable array with unsigned indices. Entirely inline, so each module instantiates its
// own copy and no template symbol crosses the library boundary.

#include <vexa/VStatus.h>

#include <utility>
#include <vector>

template <typename T>
class VArray {
public:
    VArray() = default;
    VArray(unsigned count, const T& value) : items_(count, value) {}
    VArray(const T* values, unsigned count) : items_(values, values + count) {}

    unsigned length() const { return static_cast<unsigned>(items_.size()); }
    void setLength(unsigned count) { items_.resize(count); }
    void clear() { items_.clear(); }
    void append(const T& value) { items_.push_back(value); }
    void append(T&& value) { items_.push_back(std::move(value)); }
    VStatus insert(const T& value, unsigned index) {
        if (index > items_.size()) return VStatus(VStatus::kInvalidParameter);
        items_.insert(items_.begin() + index, value);
        return VStatus();
    }
    VStatus remove(unsigned index) {
        if (index >= items_.size()) return VStatus(VStatus::kInvalidParameter);
        items_.erase(items_.begin() + index);
        return VStatus();
    }
    VStatus set(const T& value, unsigned index) {
        if (index >= items_.size()) return VStatus(VStatus::kInvalidParameter);
        items_[index] = value;
        return VStatus();
    }
    // Unchecked, like a plain array.
    T& operator[](unsigned index) { return items_[index]; }
    const T& operator[](unsigned index) const { return items_[index]; }

    const std::vector<T>& items() const { return items_; }
    typename std::vector<T>::const_iterator begin() const { return items_.begin(); }
    typename std::vector<T>::const_iterator end() const { return items_.end(); }

    bool operator==(const VArray& other) const { return items_ == other.items_; }

private:
    std::vector<T> items_;
};

#endif
