#ifndef WYX_CORE_RPROPERTYBLOCK_H
#define WYX_CORE_RPROPERTYBLOCK_H

// One allocation holding an object's built-in properties side by side, in slots of one size,
// so that the many properties of a scene's objects are made, laid out and freed a block at a
// time rather than one by one.
//
// A property placed in a block ends as any other (Destroy); its slot is given back then. The
// block lives until its owner has let it go (ReleaseOwner) and every property placed in it
// has ended, whatever the order: a property whose end waits for a lock may outlive the
// object that made it.

#include "core/RProperty.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

class RPropertyBlock {
public:
    // Slots are at most 255 and at most 2040 bytes each (the property keeps both in a byte).
    static constexpr int kMaxSlots = 255;
    static constexpr std::size_t kMaxSlotSize = 2040;

    // A block of `slots` slots of `slotSize` bytes (rounded up to 8), owned by the caller
    // until ReleaseOwner; null when the sizes are out of range or memory cannot be had.
    // `tracksEnds`: the block records which of its properties have ended (HoldsLive).
    static RPropertyBlock* Create(int slots, std::size_t slotSize, bool tracksEnds = false);

    // A property of class T made in the next free slot and initialised, as CreatePlugObject
    // makes one; null when the block is full or T does not fit a slot.
    template <typename T, typename... Args>
    T* Make(Args&&... args) {
        // What ends a placed property nothing reaches is RProperty's own (DestroyDetached).
        static_assert(std::is_same<decltype(&T::PrepareDestroy), void (RProperty::*)()>::value &&
                          std::is_same<decltype(&T::RelayB), bool (RPlug::*)(const RRelayEvent&)>::value &&
                          std::is_same<decltype(&T::Destroy), void (RPlug::*)()>::value,
                      "a property placed in a block ends as RProperty does");
        void* slot = sizeof(T) <= slotSize_ ? NextSlot() : nullptr;
        if (slot == nullptr) return nullptr;
        T* property = new (slot) T(std::forward<Args>(args)...);
        Placed(*property);
        property->T::Init(nullptr);  // the property is a T: no virtual call is needed
        return property;
    }

    // The owner is done with the block; it goes once its properties have ended as well.
    void ReleaseOwner() { Release(); }

    // Whether the address lies in a slot a property was placed in: a plug found there is a
    // property, known without a look at its class.
    bool HoldsPlacedAt(const void* address) const;

    // For a block that tracks ends: whether the address is that of a property placed in this
    // block that has not ended. A weak reference to a placed property needs no cell of the
    // handle table then, since the block outlives its holder and never places in a slot twice.
    bool HoldsLive(const void* address) const { return LiveAt(SlotAt(address)) != nullptr; }

    // For a block that tracks ends: the property placed in the slot, while it has not ended;
    // null for any other slot.
    RProperty* LiveAt(int slot) const {
        if (slot < 0 || slot >= used_ || !tracksEnds_ || (EndedBits()[slot / 32] & (1u << (slot % 32))) != 0) {
            return nullptr;
        }
        // A property lies at the start of its slot, as Of takes it.
        return static_cast<RProperty*>(GetSlot(slot));
    }
    // The address of a slot a property was placed in (the property's own, which may have
    // ended since); null for any other slot.
    void* GetSlot(int slot) const {
        if (slot < 0 || slot >= used_) return nullptr;
        auto* first = reinterpret_cast<unsigned char*>(const_cast<RPropertyBlock*>(this)) + HeaderSize();
        return first + static_cast<std::size_t>(slot) * slotSize_;
    }

    int GetUsedSlots() const { return used_; }
    int GetLiveCount() const { return live_ - 1; }  // the owner's hold not counted

private:
    friend class RProperty;

    static constexpr std::size_t kSlotAlignment = 8;  // slot sizes are whole units of this

    RPropertyBlock(int slots, std::size_t slotSize, bool tracksEnds)
        : capacity_(slots), slotSize_(slotSize), tracksEnds_(tracksEnds) {}
    ~RPropertyBlock() = default;

    // The start of the slots: the block's record first, then the slots.
    static std::size_t HeaderSize();
    // Inline, as Make: a scene's every built-in property passes here.
    void* NextSlot() {
        if (used_ >= capacity_) return nullptr;
        return reinterpret_cast<unsigned char*>(this) + HeaderSize() + static_cast<std::size_t>(used_) * slotSize_;
    }
    void Placed(RProperty& property) {
        property.blockSlot_ = static_cast<std::uint8_t>(used_);
        property.blockSlotUnits_ = static_cast<std::uint8_t>(slotSize_ / kSlotAlignment);
        ++used_;
        ++live_;
    }
    // The slot's property has ended (its destructor ran).
    void Ended(int slot) {
        if (tracksEnds_) EndedBits()[slot / 32] |= 1u << (slot % 32);
    }
    // The slot of a property placed at exactly that address; -1 otherwise.
    int SlotAt(const void* address) const;
    // The bits of the ended slots, after the last slot, in a block that tracks ends.
    std::uint32_t* EndedBits() const;
    static std::size_t EndedBitsSize(int slots) { return (static_cast<std::size_t>(slots) + 31) / 32 * 4; }
    void Release();
    // The block a placed property lies in.
    static RPropertyBlock* Of(const RProperty& property, int slot, std::size_t slotSize);

    int capacity_;
    int used_ = 0;
    int live_ = 1;  // the owner's hold and the properties placed that have not ended
    std::size_t slotSize_;
    bool tracksEnds_;  // a bit per slot whose property ended follows the slots
};

// Inline: every property placed in a block passes through both when it ends.
inline std::size_t RPropertyBlock::HeaderSize() {
    constexpr std::size_t alignment = alignof(std::max_align_t);
    return (sizeof(RPropertyBlock) + alignment - 1) / alignment * alignment;
}

inline void RPropertyBlock::Release() {
    if (--live_ > 0) return;
    this->~RPropertyBlock();
    std::free(this);
}

inline std::uint32_t* RPropertyBlock::EndedBits() const {
    auto* end = reinterpret_cast<unsigned char*>(const_cast<RPropertyBlock*>(this)) + HeaderSize() +
                static_cast<std::size_t>(capacity_) * slotSize_;
    return reinterpret_cast<std::uint32_t*>(end);
}

inline RPropertyBlock* RPropertyBlock::Of(const RProperty& property, int slot, std::size_t slotSize) {
    const auto* at = reinterpret_cast<const unsigned char*>(&property) - HeaderSize() -
                     static_cast<std::size_t>(slot) * slotSize;
    return reinterpret_cast<RPropertyBlock*>(const_cast<unsigned char*>(at));
}

// The owner's hold on a block: let go (ReleaseOwner) when the hold ends.
struct RPropertyBlockReleaser {
    void operator()(RPropertyBlock* block) const { block->ReleaseOwner(); }
};
using RPropertyBlockHold = std::unique_ptr<RPropertyBlock, RPropertyBlockReleaser>;

#endif
