#include "core/RPropertyBlock.h"

#include <cstdint>
#include <cstdlib>

namespace {

constexpr std::size_t kSlotAlignment = 8;

std::size_t RoundUp(std::size_t size, std::size_t alignment) { return (size + alignment - 1) / alignment * alignment; }

}  // namespace

RPropertyBlock* RPropertyBlock::Create(int slots, std::size_t slotSize, bool tracksEnds) {
    slotSize = RoundUp(slotSize, kSlotAlignment);
    if (slots <= 0 || slots > kMaxSlots || slotSize == 0 || slotSize > kMaxSlotSize) return nullptr;
    void* memory = std::malloc(HeaderSize() + static_cast<std::size_t>(slots) * slotSize);
    return memory != nullptr ? new (memory) RPropertyBlock(slots, slotSize, tracksEnds) : nullptr;
}

void* RPropertyBlock::NextSlot() {
    if (used_ >= capacity_) return nullptr;
    return reinterpret_cast<unsigned char*>(this) + HeaderSize() + static_cast<std::size_t>(used_) * slotSize_;
}

bool RPropertyBlock::HoldsPlacedAt(const void* address) const {
    const auto first = reinterpret_cast<std::uintptr_t>(this) + HeaderSize();
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    return at >= first && at - first < static_cast<std::size_t>(used_) * slotSize_;
}

int RPropertyBlock::SlotAt(const void* address) const {
    if (!HoldsPlacedAt(address)) return -1;
    const auto offset = reinterpret_cast<std::uintptr_t>(address) - reinterpret_cast<std::uintptr_t>(this) - HeaderSize();
    return offset % slotSize_ == 0 ? static_cast<int>(offset / slotSize_) : -1;
}

void RPropertyBlock::Placed(RProperty& property) {
    property.blockSlot_ = static_cast<std::uint8_t>(used_);
    property.blockSlotUnits_ = static_cast<std::uint8_t>(slotSize_ / kSlotAlignment);
    ++used_;
    ++live_;
}
