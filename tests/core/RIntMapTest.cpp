#include "core/RIntMap.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(RIntMap, PositionsFollowKeyOrder) {
    RIntMap map(4);
    EXPECT_EQ(map.Add(5, 100), 0);
    EXPECT_EQ(map.Add(1, 200), 0);
    EXPECT_EQ(map.ValueAt(0), 200);
    std::uintptr_t key = 0;
    EXPECT_EQ(map.ValueAt(1, &key), 100);
    EXPECT_EQ(key, 5u);

    int index = -2;
    EXPECT_EQ(map.Lookup(5, &index), 100);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(map.Lookup(3, &index), 0);
    EXPECT_EQ(index, -1);
}

TEST(RIntMap, KeysSortAsUnsignedPointerSizedValues) {
    RIntMap map(2);
    const std::uintptr_t high = UINTPTR_MAX - 1;
    map.Add(high, 1);
    map.Add(0x10, 2);
    map.Add(std::uintptr_t{1} << 40, 3);
    EXPECT_EQ(map.ValueAt(0), 2);
    EXPECT_EQ(map.ValueAt(1), 3);
    EXPECT_EQ(map.ValueAt(2), 1);
    EXPECT_EQ(map.Lookup(high), 1);
}

TEST(RIntMap, OutOfRangeAndAddsAfterLookupsResort) {
    RIntMap map(1);
    std::uintptr_t key = 7;
    EXPECT_EQ(map.ValueAt(0, &key), 0);
    EXPECT_EQ(key, 0u);
    map.Add(9, 90);
    EXPECT_EQ(map.Lookup(9), 90);
    map.Add(2, 20);
    EXPECT_EQ(map.ValueAt(0), 20);
    EXPECT_EQ(map.ValueAt(-1), 0);
    EXPECT_EQ(map.ValueAt(2), 0);
}

TEST(RIntMap, DuplicateKeysFindTheFirstAdded) {
    RIntMap map(4);
    map.Add(3, 1);
    map.Add(3, 2);
    map.Add(1, 0);
    EXPECT_EQ(map.GetCount(), 3);
    EXPECT_EQ(map.Lookup(3), 1);
    map.Clear();
    EXPECT_EQ(map.GetCount(), 0);
    EXPECT_EQ(map.Lookup(3), 0);
}
