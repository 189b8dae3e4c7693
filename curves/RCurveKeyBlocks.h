#ifndef WYX_CURVES_RCURVEKEYBLOCKS_H
#define WYX_CURVES_RCURVEKEYBLOCKS_H

// The key storage of a function curve: keys live in zero-filled blocks of 1024 bytes holding
// 25 keys each, reached through a table of block pointers that grows in steps of 64 pointers
// (1600 keys). Key i is entry i mod 25 of block i / 25. Blocks are allocated up to the highest
// key reserved and kept until the storage is compacted or released, so an insertion moves at
// most the keys after it and never reallocates the keys themselves.
//
// The storage does not know the key count: its owner does, and only asks for keys inside the
// blocks it reserved.

#include <cstdlib>
#include <memory>

#include "curves/RCurveKey.h"

class RCurveKeyBlocks {
public:
    static constexpr int kKeysPerBlock = 25;
    static constexpr int kBlockBytes = 1024;
    static constexpr int kTableStep = 64;
    static constexpr int kKeysPerTableStep = kKeysPerBlock * kTableStep;

    RCurveKeyBlocks() = default;
    ~RCurveKeyBlocks();
    RCurveKeyBlocks(const RCurveKeyBlocks&) = delete;
    RCurveKeyBlocks& operator=(const RCurveKeyBlocks&) = delete;

    // Makes keys 0..count-1 addressable: grows the table to ceil(count / 1600) steps when it
    // is too small and allocates the missing blocks. False when memory runs out (the storage
    // then keeps what it had, possibly with some of the new blocks).
    bool Reserve(int count) { return count <= GetAllocatedKeys() || ReserveBlocks(count, true); }
    // Frees the blocks past the one holding key keyCount-1 and shrinks an oversized table;
    // with no keys frees everything.
    void Compact(int keyCount);
    // Frees every block and the table.
    void Release();

    // Key i, which must lie inside the reserved blocks.
    RCurveKey& Key(int index) { return block(index)->keys[index % kKeysPerBlock]; }
    const RCurveKey& Key(int index) const { return block(index)->keys[index % kKeysPerBlock]; }

    // Keys addressable through the table (pointers x 25).
    int GetCapacity() const { return tableSize_ * kKeysPerBlock; }
    int GetTableSize() const { return tableSize_; }
    int GetLastAllocatedBlock() const { return lastAllocated_; }
    // Keys inside the allocated blocks.
    int GetAllocatedKeys() const { return (lastAllocated_ + 1) * kKeysPerBlock; }

    // Moves count keys from index from to index to; the ranges may overlap.
    void MoveKeys(int to, int from, int count);
    // Makes this storage hold the whole blocks that hold keys 0..keyCount-1 of another one,
    // reusing the blocks it has. False when memory runs out (the new blocks are then zeroed).
    bool CopyBlocksFrom(const RCurveKeyBlocks& other, int keyCount);
    // Copies count keys of another storage from index from to index to; this storage must
    // have reserved them.
    void CopyKeysFrom(const RCurveKeyBlocks& other, int to, int from, int count);

private:
    struct Block {
        RCurveKey keys[kKeysPerBlock];
    };
    static_assert(sizeof(Block) <= kBlockBytes, "25 keys fit a 1024-byte block");

    struct FreeDeleter {
        void operator()(Block** table) const { std::free(table); }
    };

    Block* block(int index) const { return table_.get()[index / kKeysPerBlock]; }
    bool GrowTable(int pointers);
    // Reserve, with the new blocks zero-filled or left for the caller to fill whole.
    bool ReserveBlocks(int count, bool zeroFill);
    void FreeBlocksFrom(int firstBlock);

    std::unique_ptr<Block*, FreeDeleter> table_;
    int tableSize_ = 0;
    int lastAllocated_ = -1;
};

#endif
