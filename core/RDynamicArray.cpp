#include "core/RDynamicArray.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

RDynamicArray::RDynamicArray(int blockSize, int elementSize)
    : blockSize_(std::max(blockSize, 1)), elementSize_(std::max(elementSize, 1)) {}

RDynamicArray::RDynamicArray(RDynamicArray&& other) noexcept
    : count_(std::exchange(other.count_, 0)),
      blocks_(std::exchange(other.blocks_, 0)),
      blockSize_(other.blockSize_),
      elementSize_(other.elementSize_),
      data_(std::move(other.data_)) {}

RDynamicArray& RDynamicArray::operator=(RDynamicArray&& other) noexcept {
    if (this != &other) {
        count_ = std::exchange(other.count_, 0);
        blocks_ = std::exchange(other.blocks_, 0);
        blockSize_ = other.blockSize_;
        elementSize_ = other.elementSize_;
        data_ = std::move(other.data_);
    }
    return *this;
}

int RDynamicArray::BlocksFor(long long elements, int blockSize) {
    return static_cast<int>(std::min<long long>((elements + blockSize - 1) / blockSize, INT_MAX));
}

// Moves the storage to exactly `blocks` blocks. The capacity in elements must fit an int
// and the byte size a size_t; otherwise, or when realloc fails, nothing changes.
bool RDynamicArray::ReallocateBlocks(int blocks) {
    if (blocks == 0) {
        data_.reset();
        blocks_ = 0;
        return true;
    }
    const long long capacity = static_cast<long long>(blocks) * blockSize_;
    if (blocks < 0 || capacity > INT_MAX ||
        static_cast<unsigned long long>(capacity) > SIZE_MAX / static_cast<unsigned>(elementSize_)) {
        return false;
    }
    const std::size_t bytes = static_cast<std::size_t>(capacity) * static_cast<std::size_t>(elementSize_);
    void* grown = std::realloc(data_.get(), bytes);
    if (grown == nullptr) {
        return false;
    }
    data_.release();
    data_.reset(static_cast<unsigned char*>(grown));
    blocks_ = blocks;
    return true;
}

void RDynamicArray::ZeroFill(int fromElement, int toElement) {
    if (toElement > fromElement) {
        std::memset(ElementAt(fromElement), 0, ByteOffset(toElement - fromElement));
    }
}

bool RDynamicArray::IsInsideStorage(const void* address) const {
    const auto* byte = static_cast<const unsigned char*>(address);
    return data_ && byte >= data_.get() && byte < data_.get() + ByteOffset(GetCapacity());
}

int RDynamicArray::InsertAt(int index, const void* element) {
    if (index < 0 || count_ == INT_MAX) {
        return -1;
    }
    // An element taken from this array's own storage is copied out first: growing may
    // move the storage and shifting the tail may overwrite it.
    std::unique_ptr<unsigned char[]> ownElement;
    if (element != nullptr && IsInsideStorage(element)) {
        ownElement.reset(new (std::nothrow) unsigned char[static_cast<std::size_t>(elementSize_)]);
        if (!ownElement) {
            return -1;
        }
        std::memcpy(ownElement.get(), element, ByteOffset(1));
        element = ownElement.get();
    }
    if (count_ >= GetCapacity() && !ReallocateBlocks(blocks_ + 1)) {
        return -1;
    }
    index = std::min(index, count_);
    if (index < count_) {
        std::memmove(ElementAt(index + 1), ElementAt(index), ByteOffset(count_ - index));
    }
    if (element != nullptr) {
        std::memcpy(ElementAt(index), element, ByteOffset(1));
    } else {
        ZeroFill(index, index + 1);
    }
    ++count_;
    return index;
}

int RDynamicArray::RemoveAt(int index) {
    if (index < 0 || index >= count_) {
        return count_;
    }
    if (index < count_ - 1) {
        std::memmove(ElementAt(index), ElementAt(index + 1), ByteOffset(count_ - index - 1));
    }
    return --count_;
}

void RDynamicArray::Clear() {
    data_.reset();
    count_ = 0;
    blocks_ = 0;
}

bool RDynamicArray::Resize(int n) {
    if (n < 0 || !ReallocateBlocks(std::max(BlocksFor(n, blockSize_), 1))) {
        return false;
    }
    ZeroFill(std::min(count_, n), GetCapacity());
    count_ = n;
    return true;
}

int RDynamicArray::AppendZeroed(int n) {
    if (n < 0 || static_cast<long long>(count_) + n > INT_MAX) {
        return -1;
    }
    if (n == 0) {
        return 0;
    }
    const int needed = BlocksFor(static_cast<long long>(count_) + n, blockSize_);
    if (needed > blocks_ && !ReallocateBlocks(needed)) {
        return -1;
    }
    ZeroFill(count_, GetCapacity());
    count_ += n;
    return n;
}

bool RDynamicArray::SetCount(int n) {
    if (n < 0) {
        return false;
    }
    if (n <= count_) {
        count_ = n;
        return true;
    }
    return AppendZeroed(n - count_) >= 0;
}

bool RDynamicArray::CopyPointers(const RDynamicArray& other) {
    constexpr int kPointerSize = static_cast<int>(sizeof(void*));
    if (elementSize_ != kPointerSize || other.elementSize_ != kPointerSize) {
        return false;
    }
    if (this == &other) {
        return true;
    }
    Clear();
    blockSize_ = other.blockSize_;
    for (int i = 0; i < other.count_; ++i) {
        if (Append(other.ElementAt(i)) < 0) {
            Clear();
            return false;
        }
    }
    return true;
}
