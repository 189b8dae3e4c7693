#include "curves/RCurveKeyBlocks.h"

#include "platform/SystemServices.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

int TableStepsFor(int keyCount) {
    return (keyCount + RCurveKeyBlocks::kKeysPerTableStep - 1) / RCurveKeyBlocks::kKeysPerTableStep;
}

// Calls copy(target, source, run) for the runs, from the first key on, that stay inside one
// block both where count keys are read from and where they go.
template <typename Copy>
void ForEachRunForwards(int to, int from, int count, Copy copy) {
    constexpr int kBlock = RCurveKeyBlocks::kKeysPerBlock;
    int done = 0;
    while (done < count) {
        const int source = from + done;
        const int target = to + done;
        const int run = std::min({count - done, kBlock - source % kBlock, kBlock - target % kBlock});
        copy(target, source, run);
        done += run;
    }
}

}  // namespace

// Most curves of a scene never had a key: they have nothing to free.
RCurveKeyBlocks::~RCurveKeyBlocks() {
    if (table_ != nullptr) {
        Release();
    }
}

bool RCurveKeyBlocks::GrowTable(int pointers) {
    void* grown = std::realloc(table_.get(), static_cast<std::size_t>(pointers) * sizeof(Block*));
    if (grown == nullptr) {
        return false;
    }
    table_.release();
    table_.reset(static_cast<Block**>(grown));
    std::fill(table_.get() + tableSize_, table_.get() + pointers, nullptr);
    tableSize_ = pointers;
    return true;
}

void* RCurveKeyBlocks::NextBlockMemory(int index, int lastNeeded, bool zeroFill, Run& run, bool& zeroed) {
    if (index > 0) {
        Block* previous = table_.get()[index - 1];
        if (index < previous->run.first + previous->run.blocks) {
            run = previous->run;
            zeroed = false;
            return previous + 1;
        }
    }
    // Half the blocks so far: a curve growing key by key leaves at most a third of its last
    // run unused.
    const int grown = std::clamp(index / 2, 1, kMaxRunBlocks);
    run = Run{index, std::max(lastNeeded - index + 1, grown)};
    // A new run to be zero-filled comes zeroed from calloc, which writes nothing on memory
    // fresh from the system: its pages are first touched where the keys are written.
    zeroed = zeroFill;
    const std::size_t bytes = static_cast<std::size_t>(run.blocks) * kBlockBytes;
    void* memory = zeroFill ? std::calloc(1, bytes) : std::malloc(bytes);
    // A run this long is a reservation the caller fills at once: its pages are backed in one
    // call instead of faulting in one by one as the keys are written.
    if (memory != nullptr && run.blocks >= kPreparedRunBlocks) {
        platform::PrepareForWriting(memory, bytes);
    }
    return memory;
}

bool RCurveKeyBlocks::ReserveBlocks(int count, bool zeroFill) {
    if (count <= 0) {
        return true;
    }
    if (count > GetCapacity() && !GrowTable(TableStepsFor(count) * kTableStep)) {
        return false;
    }
    const int lastNeeded = (count - 1) / kKeysPerBlock;
    // Blocks below this one lie in a run calloc gave during this call and are still zero.
    int zeroedEnd = 0;
    while (lastAllocated_ < lastNeeded) {
        const int index = lastAllocated_ + 1;
        Run run{};
        bool zeroed = false;
        void* memory = NextBlockMemory(index, lastNeeded, zeroFill, run, zeroed);
        if (memory == nullptr) {
            return false;
        }
        zeroedEnd = zeroed ? run.first + run.blocks : zeroedEnd;
        // The keys are zeroed here or written whole by the caller, so they are not
        // constructed one by one: zero bytes are the key a new record starts as.
        Block* block = static_cast<Block*>(memory);
        if (zeroFill && index >= zeroedEnd) {
            std::memset(static_cast<void*>(block->keys), 0, sizeof(Block::keys));
        }
        block->run = run;
        table_.get()[index] = block;
        ++lastAllocated_;
    }
    return true;
}

bool RCurveKeyBlocks::ReserveToOverwrite(int count) {
    const int firstNew = GetAllocatedKeys();
    if (count <= firstNew) {
        return true;
    }
    const bool reserved = ReserveBlocks(count, false);
    // Keys past those the caller writes read as zeroes, as in every block handed out.
    ZeroKeysFrom(reserved ? count : firstNew);
    return reserved;
}

void RCurveKeyBlocks::ZeroKeysFrom(int first) {
    const int end = GetAllocatedKeys();
    for (int key = first; key < end;) {
        const int run = std::min(end - key, kKeysPerBlock - key % kKeysPerBlock);
        std::memset(static_cast<void*>(&Key(key)), 0, static_cast<std::size_t>(run) * sizeof(RCurveKey));
        key += run;
    }
}

void RCurveKeyBlocks::FreeBlocksFrom(int firstBlock) {
    for (int i = lastAllocated_; i >= firstBlock && i >= 0; --i) {
        Block* block = table_.get()[i];
        if (block->run.first == i) {
            std::free(block);
        }
        table_.get()[i] = nullptr;
    }
    lastAllocated_ = std::min(lastAllocated_, firstBlock - 1);
}

void RCurveKeyBlocks::Compact(int keyCount) {
    if (keyCount <= 0) {
        Release();
        return;
    }
    FreeBlocksFrom((keyCount - 1) / kKeysPerBlock + 1);
    const int steps = TableStepsFor(keyCount);
    if (tableSize_ / kTableStep > keyCount / kKeysPerTableStep + 1) {
        // Shrinking keeps every allocated block: they all lie below the new size.
        void* shrunk = std::realloc(table_.get(), static_cast<std::size_t>(steps) * kTableStep * sizeof(Block*));
        if (shrunk != nullptr) {
            table_.release();
            table_.reset(static_cast<Block**>(shrunk));
            tableSize_ = steps * kTableStep;
        }
    }
}

void RCurveKeyBlocks::Release() {
    FreeBlocksFrom(0);
    table_.reset();
    tableSize_ = 0;
    lastAllocated_ = -1;
}

void RCurveKeyBlocks::MoveKeys(int to, int from, int count) {
    if (count <= 0 || to == from) {
        return;
    }
    // Copy runs that stay inside one block on both sides; go backwards when moving up so an
    // overlapping source is read before it is overwritten.
    if (to > from) {
        int remaining = count;
        while (remaining > 0) {
            const int sourceEnd = from + remaining;
            const int targetEnd = to + remaining;
            const int run = std::min({remaining, (sourceEnd - 1) % kKeysPerBlock + 1,
                                      (targetEnd - 1) % kKeysPerBlock + 1});
            std::memmove(&Key(targetEnd - run), &Key(sourceEnd - run), run * sizeof(RCurveKey));
            remaining -= run;
        }
    } else {
        ForEachRunForwards(to, from, count, [this](int target, int source, int run) {
            std::memmove(&Key(target), &Key(source), run * sizeof(RCurveKey));
        });
    }
}

bool RCurveKeyBlocks::CopyBlocksFrom(const RCurveKeyBlocks& other, int keyCount) {
    const int blocks = (keyCount + kKeysPerBlock - 1) / kKeysPerBlock;
    const int zeroedBefore = GetAllocatedKeys();
    // Blocks made here are overwritten whole, so they are not zero-filled first.
    if (!ReserveBlocks(keyCount, false)) {
        ZeroKeysFrom(zeroedBefore);
        return false;
    }
    // The keys only: each block keeps the run it belongs to.
    for (int i = 0; i < blocks; ++i) {
        std::memcpy(static_cast<void*>(table_.get()[i]->keys), other.table_.get()[i]->keys, sizeof(Block::keys));
    }
    return true;
}

void RCurveKeyBlocks::CopyKeysFrom(const RCurveKeyBlocks& other, int to, int from, int count) {
    ForEachRunForwards(to, from, count, [this, &other](int target, int source, int run) {
        std::memcpy(static_cast<void*>(&Key(target)), &other.Key(source), run * sizeof(RCurveKey));
    });
}
