#ifndef WYX_CURVES_RCURVEKEYBLOCKS_H
#define WYX_CURVES_RCURVEKEYBLOCKS_H

// The key storage of a function curve: keys live in zero-filled blocks of 1024 bytes holding
// 25 keys each, reached through a table of block pointers that grows in steps of 64 pointers
// (1600 keys). Key i is entry i mod 25 of block i / 25. Blocks are allocated up to the highest
// key reserved and kept until the storage is compacted or released, so an insertion moves at
// most the keys after it and never reallocates the keys themselves.
//
// The memory of neighbouring blocks is allocated together in runs: a reservation gets at least
// the blocks it asks for in one run, and a curve growing block by block gets runs of half its
// blocks so far, up to kMaxRunBlocks. A long curve's keys thus lie together however its growth
// interleaves with other allocations (a reader fills many curves frame by frame), and whoever
// walks many curves at once touches few pages. Each block is zero-filled when it is handed
// out (but for the keys a caller reserved to overwrite at once) and records, past its keys,
// the run it belongs to. A run is freed with its first block; until then its blocks past the
// highest one in use are kept for the curve to grow into.
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
    // Reserve for a caller that writes every key below count whole before it reads any: the
    // blocks made here are not zero-filled first, only their keys from count on are. False
    // when memory runs out (the blocks made are then zeroed whole).
    bool ReserveToOverwrite(int count);
    // Frees the blocks past the one holding key keyCount-1 (the memory of a run that block
    // shares with them stays until it is freed too) and shrinks an oversized table; with no
    // keys frees everything.
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
    static constexpr int kMaxRunBlocks = 32;
    // New runs of this many blocks or more have their pages backed in one call.
    static constexpr int kPreparedRunBlocks = 64;

    // The run a block's memory belongs to: its first block and its length in blocks.
    struct Run {
        int first;
        int blocks;
    };
    struct Block {
        RCurveKey keys[kKeysPerBlock];
        Run run;
        unsigned char unused[kBlockBytes - kKeysPerBlock * sizeof(RCurveKey) - sizeof(Run)];
    };
    static_assert(sizeof(Block) == kBlockBytes, "25 keys and their run fill a 1024-byte block");

    struct FreeDeleter {
        void operator()(Block** table) const { std::free(table); }
    };

    Block* block(int index) const { return table_.get()[index / kKeysPerBlock]; }
    bool GrowTable(int pointers);
    // Reserve, with the new blocks' keys zero-filled or left for the caller to fill whole.
    bool ReserveBlocks(int count, bool zeroFill);
    // The memory for block index, the next one to hand out, and the run it lies in: the rest
    // of the previous block's run, else a new run reaching at least block lastNeeded, zero-
    // filled when asked (zeroed tells). Null when memory runs out.
    void* NextBlockMemory(int index, int lastNeeded, bool zeroFill, Run& run, bool& zeroed);
    void FreeBlocksFrom(int firstBlock);
    // Zeroes the keys from index first to the end of the allocated blocks.
    void ZeroKeysFrom(int first);

    std::unique_ptr<Block*, FreeDeleter> table_;
    int tableSize_ = 0;
    int lastAllocated_ = -1;
};

#endif
