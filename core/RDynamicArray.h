#ifndef WYX_CORE_RDYNAMICARRAY_H
#define WYX_CORE_RDYNAMICARRAY_H

// A block-grown array of fixed-size raw elements.
//
// Elements are plain bytes copied with memmove: the array never runs constructors or
// destructors, so an array of pointers owns nothing by itself. The capacity is always
// a whole number of blocks (blocks x block size elements). When storage cannot grow,
// the operation reports failure and the array keeps its old storage and contents.

#include <cstdlib>
#include <memory>

class RDynamicArray {
public:
    // A block size below 1 becomes 1; an element size below 1 becomes 1.
    RDynamicArray(int blockSize, int elementSize);
    ~RDynamicArray() = default;
    RDynamicArray(RDynamicArray&& other) noexcept;
    RDynamicArray& operator=(RDynamicArray&& other) noexcept;
    RDynamicArray(const RDynamicArray&) = delete;
    RDynamicArray& operator=(const RDynamicArray&) = delete;

    // Copies one element in at index, clamped to the count (any index at or past the
    // count appends); a null element inserts zero bytes. When the array is full it grows
    // by exactly one block. Answers the index used, or -1 (array unchanged) for a
    // negative index or when the storage cannot grow.
    int InsertAt(int index, const void* element);
    int Append(const void* element) { return InsertAt(count_, element); }

    // Removes the element at index and closes the gap; answers the new count.
    // An index outside 0 to count - 1 changes nothing.
    int RemoveAt(int index);

    // Frees the storage; count and blocks 0.
    void Clear();

    // Reallocates to exactly ceil(n / block size) blocks (at least one), zero-fills the
    // room past the kept elements and sets the count to n. False, array unchanged, for a
    // negative n or when the storage cannot be had.
    bool Resize(int n);

    // Appends n zero-filled elements, growing to the blocks needed. Answers n (0 does
    // nothing), or -1, array unchanged, for a negative n or when the storage cannot grow.
    int AppendZeroed(int n);

    // Truncates to n, or appends zero-filled elements up to n. False, array unchanged,
    // for a negative n or when the storage cannot grow.
    bool SetCount(int n);

    // For arrays of pointer-sized elements: clears, takes the other's block size and
    // appends each of its elements. False when either array does not hold pointer-sized
    // elements or the storage cannot grow (this array is then empty).
    bool CopyPointers(const RDynamicArray& other);

    int GetCount() const { return count_; }
    int GetBlockCount() const { return blocks_; }
    int GetBlockSize() const { return blockSize_; }
    int GetElementSize() const { return elementSize_; }
    int GetCapacity() const { return blocks_ * blockSize_; }

    void* Data() { return data_.get(); }
    const void* Data() const { return data_.get(); }

    // The address of element index, without a range check.
    void* ElementAt(int index) { return data_.get() + ByteOffset(index); }
    const void* ElementAt(int index) const { return data_.get() + ByteOffset(index); }

    // Typed views of the storage, for arrays whose element size is sizeof(T).
    template <typename T>
    T* DataAs() { return static_cast<T*>(Data()); }
    template <typename T>
    const T* DataAs() const { return static_cast<const T*>(Data()); }
    template <typename T>
    T& At(int index) { return DataAs<T>()[index]; }
    template <typename T>
    const T& At(int index) const { return DataAs<T>()[index]; }

private:
    struct FreeDeleter {
        void operator()(unsigned char* block) const { std::free(block); }
    };

    std::size_t ByteOffset(int index) const {
        return static_cast<std::size_t>(index) * static_cast<std::size_t>(elementSize_);
    }
    static int BlocksFor(long long elements, int blockSize);
    bool ReallocateBlocks(int blocks);
    bool IsInsideStorage(const void* address) const;
    void ZeroFill(int fromElement, int toElement);

    int count_ = 0;
    int blocks_ = 0;
    int blockSize_;
    int elementSize_;
    std::unique_ptr<unsigned char, FreeDeleter> data_;
};

#endif
