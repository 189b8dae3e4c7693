#include "core/ROwnedObjectSlots.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Records its releases; the table is expected to have emptied the slot first.
class Probe : public RReleasableObject {
public:
    Probe(std::vector<int>& log, int id, const ROwnedObjectSlots* table = nullptr, int slot = -1)
        : log_(log), id_(id), table_(table), slot_(slot) {}
    void Release(int mode) override {
        log_.push_back(id_ * 10 + mode);
        if (table_ != nullptr) {
            EXPECT_EQ(table_->Get(slot_), nullptr);
        }
    }

private:
    std::vector<int>& log_;
    int id_;
    const ROwnedObjectSlots* table_;
    int slot_;
};

}  // namespace

TEST(ROwnedObjectSlots, ReleasesOnlyOwnedObjectsOnDestruction) {
    std::vector<int> log;
    auto slots = std::make_unique<ROwnedObjectSlots>();
    Probe owned(log, 1, slots.get(), 0);
    Probe borrowed(log, 2);
    EXPECT_TRUE(slots->Set(0, &owned, true));
    EXPECT_TRUE(slots->Set(6, &borrowed, false));
    EXPECT_FALSE(slots->Set(7, &owned, true));
    EXPECT_TRUE(slots->IsOwned(0));
    EXPECT_FALSE(slots->IsOwned(6));
    EXPECT_EQ(slots->Get(6), &borrowed);
    EXPECT_EQ(slots->Get(-1), nullptr);
    slots.reset();
    EXPECT_EQ(log, (std::vector<int>{10}));
}

TEST(ROwnedObjectSlots, ReplacingAnOwnedObjectReleasesIt) {
    std::vector<int> log;
    Probe first(log, 1);
    Probe second(log, 2);
    {
        ROwnedObjectSlots slots;
        slots.Set(3, &first, true);
        slots.Set(3, &first, true);  // the same object stays
        EXPECT_TRUE(log.empty());
        slots.Set(3, &second, true);
        EXPECT_EQ(log, (std::vector<int>{10}));
        slots.Set(3, nullptr, true);
        EXPECT_FALSE(slots.IsOwned(3));
    }
    EXPECT_EQ(log, (std::vector<int>{10, 20}));
}
