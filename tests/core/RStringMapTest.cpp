#include "core/RStringMap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

TEST(RStringMap, LooksUpWithoutRegardToCaseUnlessCaseSensitive) {
    RStringMap map(4);
    EXPECT_EQ(map.Add("model", 1), 1);
    EXPECT_EQ(map.Add("Camera", 2), 2);
    EXPECT_EQ(map.Lookup("MODEL"), 1);
    EXPECT_EQ(map.Lookup("camera"), 2);

    map.SetCaseSensitive(true);
    EXPECT_EQ(map.Lookup("MODEL"), 0);
    EXPECT_EQ(map.Lookup("model"), 1);
}

TEST(RStringMap, ChangingTheCaseFlagResorts) {
    RStringMap map(4);
    map.Add("b", 1);
    map.Add("A", 2);
    map.Add("C", 3);
    EXPECT_EQ(map.ValueAt(0), 2);  // A, b, C
    EXPECT_EQ(map.ValueAt(1), 1);
    map.SetCaseSensitive(true);  // A, C, b as bytes
    EXPECT_EQ(map.ValueAt(1), 3);
    EXPECT_EQ(map.ValueAt(2), 1);
    EXPECT_EQ(map.Lookup("b"), 1);
}

TEST(RStringMap, CaseFoldingOrdersLikeLowerCase) {
    RStringMap map(4);
    map.Add("a_", 1);  // '_' lies between 'Z' and 'a'
    map.Add("AZ", 2);
    const char* key = nullptr;
    EXPECT_EQ(map.ValueAt(0, &key), 1);
    EXPECT_STREQ(key, "a_");
}

TEST(RStringMap, KeepsItsOwnKeyCopies) {
    RStringMap map(2);
    char key[] = "light";
    map.Add(key, 5);
    std::strcpy(key, "xxxxx");
    EXPECT_EQ(map.Lookup("LIGHT"), 5);
    EXPECT_EQ(map.Add(nullptr, 1), -1);
    EXPECT_EQ(map.Lookup(nullptr), 0);
}

TEST(RStringMap, RemoveAndValueSlots) {
    RStringMap map(2);
    map.Add("one", 1);
    map.Add("two", 2);
    map.Add("three", 3);
    EXPECT_TRUE(map.Remove("THREE"));
    EXPECT_FALSE(map.Remove("three"));
    EXPECT_FALSE(map.RemoveAt(2));
    EXPECT_EQ(map.GetCount(), 2);

    std::intptr_t* slot = map.ValueSlotAt(1);  // one, two
    ASSERT_NE(slot, nullptr);
    *slot = 22;
    EXPECT_EQ(map.Lookup("two"), 22);
    EXPECT_EQ(map.ValueSlotAt(2), nullptr);

    EXPECT_TRUE(map.RemoveAt(0));
    EXPECT_EQ(map.Lookup("one"), 0);
    map.Clear();
    EXPECT_EQ(map.GetCount(), 0);
}
