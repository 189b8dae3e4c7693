#ifndef WYX_CORE_ROWNEDOBJECTSLOTS_H
#define WYX_CORE_ROWNEDOBJECTSLOTS_H

// Seven slots of interface objects, each with a flag saying whether the table owns the
// object. Owned objects are released (release operation with 0) when they are replaced
// and when the table is destroyed.

#include <array>

// An object whose lifetime its holder ends through Release rather than delete.
class RReleasableObject {
public:
    virtual void Release(int mode) = 0;

protected:
    ~RReleasableObject() = default;
};

class ROwnedObjectSlots {
public:
    static constexpr int kSlotCount = 7;

    ROwnedObjectSlots() = default;
    ~ROwnedObjectSlots();
    ROwnedObjectSlots(const ROwnedObjectSlots&) = delete;
    ROwnedObjectSlots& operator=(const ROwnedObjectSlots&) = delete;

    // Puts an object (or null) in a slot, releasing the owned object it held unless it is
    // the same object. False for a slot outside 0 to 6.
    bool Set(int slot, RReleasableObject* object, bool owned);
    // The object of a slot; null when empty or outside 0 to 6.
    RReleasableObject* Get(int slot) const;
    bool IsOwned(int slot) const;

private:
    static bool IsValidSlot(int slot) { return slot >= 0 && slot < kSlotCount; }
    void ReleaseSlot(int slot);

    std::array<RReleasableObject*, kSlotCount> objects_{};
    std::array<bool, kSlotCount> owned_{};
};

#endif
