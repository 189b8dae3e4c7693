#include "core/RPropertyBlock.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

std::size_t RoundUp(std::size_t size, std::size_t alignment) { return (size + alignment - 1) / alignment * alignment; }

}  // namespace

RPropertyBlock* RPropertyBlock::Create(int slots, std::size_t slotSize, bool tracksEnds) {
    slotSize = RoundUp(slotSize, kSlotAlignment);
    if (slots <= 0 || slots > kMaxSlots || slotSize == 0 || slotSize > kMaxSlotSize) return nullptr;
    const std::size_t slotBytes = static_cast<std::size_t>(slots) * slotSize;
    void* memory = std::malloc(HeaderSize() + slotBytes + (tracksEnds ? EndedBitsSize(slots) : 0));
    if (memory == nullptr) return nullptr;
    auto* block = new (memory) RPropertyBlock(slots, slotSize, tracksEnds);
    if (tracksEnds) std::memset(block->EndedBits(), 0, EndedBitsSize(slots));
    return block;
}

bool RPropertyBlock::HoldsPlacedAt(const void* address) const {
    const auto first = reinterpret_cast<std::uintptr_t>(this) + HeaderSize();
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    return at >= first && at - first < static_cast<std::size_t>(used_) * slotSize_;
}

int RPropertyBlock::SlotAt(const void* address) const {
    if (!HoldsPlacedAt(address)) return -1;
    const auto first = reinterpret_cast<std::uintptr_t>(this) + HeaderSize();
    const auto offset = reinterpret_cast<std::uintptr_t>(address) - first;
    return offset % slotSize_ == 0 ? static_cast<int>(offset / slotSize_) : -1;
}

