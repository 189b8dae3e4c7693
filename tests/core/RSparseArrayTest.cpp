#include "core/RSparseArray.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <vector>

namespace {

RSparseArray SetOf(std::initializer_list<int> integers) {
    RSparseArray set;
    for (int n : integers) EXPECT_TRUE(set.SetBit(n)) << n;
    return set;
}

}  // namespace

TEST(RSparseArray, SetsTestsAndClearsAcrossPagesAndRefusesNegatives) {
    const std::initializer_list<int> integers = {0, 31, 32, 33, 1000, 40000, 5000000, INT_MAX};
    RSparseArray set = SetOf(integers);
    for (int n : integers) EXPECT_TRUE(set.TestBit(n)) << n;
    for (int n : {30, 999, INT_MAX - 1, -1}) EXPECT_FALSE(set.TestBit(n)) << n;
    EXPECT_EQ(set.HighestSet(), INT_MAX);
    EXPECT_TRUE(set.ClearBit(INT_MAX));
    EXPECT_TRUE(set.ClearBit(32));
    EXPECT_TRUE(set.ClearBit(12345));  // never set
    EXPECT_FALSE(set.TestBit(32));
    EXPECT_TRUE(set.TestBit(33));
    EXPECT_EQ(set.HighestSet(), 5000000);

    RSparseArray empty;
    EXPECT_FALSE(empty.SetBit(-1));
    EXPECT_FALSE(empty.ClearBit(-1));
    EXPECT_TRUE(empty.IsEmpty());
    int index = 0;
    EXPECT_FALSE(empty.Search(index, -5));
    EXPECT_EQ(index, -1);
}

TEST(RSparseArray, MatchesAReferenceSetUnderRandomEdits) {
    RSparseArray set;
    std::set<int> reference;
    unsigned seed = 12345;
    for (int step = 0; step < 20000; ++step) {
        seed = seed * 1103515245u + 12345u;
        const int n = static_cast<int>((seed >> 8) % 6000);
        if ((seed >> 4) % 3 == 0) {
            set.ClearBit(n);
            reference.erase(n);
        } else {
            set.SetBit(n);
            reference.insert(n);
        }
    }
    for (int n = 0; n < 6100; ++n) ASSERT_EQ(set.TestBit(n), reference.count(n) == 1) << n;
    EXPECT_EQ(set.HighestSet(), *reference.rbegin());
}

TEST(RSparseArray, CopiesAreIndependentAndUnionAddsTheOtherSetsBits) {
    RSparseArray original;
    for (int n = 0; n < 200; n += 3) original.SetBit(n);
    RSparseArray copy(original);
    RSparseArray assigned;
    assigned = original;
    copy.SetBit(1);
    copy.ClearBit(3);
    assigned.SetBit(100000);
    EXPECT_EQ((std::vector<bool>{original.TestBit(1), original.TestBit(3), original.TestBit(100000)}),
              (std::vector<bool>{false, true, false}));
    EXPECT_EQ((std::vector<bool>{copy.TestBit(1), copy.TestBit(3), copy.TestBit(100000)}),
              (std::vector<bool>{true, false, false}));
    EXPECT_TRUE(assigned.TestBit(3));
    original = RSparseArray();
    EXPECT_TRUE(original.IsEmpty());
    EXPECT_TRUE(copy.TestBit(6) && assigned.TestBit(6));

    RSparseArray left = SetOf({1, 5000});
    const RSparseArray right = SetOf({2, 5001, 70000});
    const RSparseArray before(left);
    ASSERT_TRUE(left.Union(right));
    for (int n : {1, 2, 5000, 5001, 70000}) EXPECT_TRUE(left.TestBit(n)) << n;
    EXPECT_FALSE(before.TestBit(2));
    EXPECT_FALSE(right.TestBit(1));
    ASSERT_TRUE(left.Union(left));
    EXPECT_EQ(left.HighestSet(), 70000);
}

TEST(RSparseArray, SearchTable) {
    struct Case {
        std::vector<int> bits;
        int start;
        std::optional<int> end;
        std::optional<bool> wanted;
        int expected;
    };
    std::vector<int> fullPage;  // the first page, every bit set; then without bit 5
    for (int n = 0; n < 32; ++n) fullPage.push_back(n);
    std::vector<int> firstPage = fullPage;
    firstPage.erase(firstPage.begin() + 5);
    const Case cases[] = {
        // Clear bits: no page at all, or past the last page, there is none.
        {{}, 0, std::nullopt, false, -1},
        {fullPage, 0, std::nullopt, false, -1},
        {fullPage, 0, std::nullopt, std::nullopt, 0},
        {firstPage, 0, std::nullopt, false, 5},
        {firstPage, 6, std::nullopt, false, -1},
        // A start before the first page is clear; no wanted value counts as clear.
        {{1000}, 10, std::nullopt, false, 10},
        {{1000}, 10, std::nullopt, std::nullopt, 10},
        {{1000}, 10, std::nullopt, true, 1000},
        {{1000}, 1000, std::nullopt, false, 1001},
        {{1000}, 1001, std::nullopt, true, -1},
        // Set bits are found page by page, and never at or past the end.
        {{70, 90000, 5}, 0, std::nullopt, true, 5},
        {{70, 90000, 5}, 6, std::nullopt, true, 70},
        {{70, 90000, 5}, 71, std::nullopt, true, 90000},
        {{70, 90000, 5}, 90001, std::nullopt, true, -1},
        {{70, 90000, 5}, 6, 70, true, -1},
        {{70, 90000, 5}, 6, 71, true, 70},
        {{70, 90000, 5}, 71, 90000, true, -1},
        {{70, 90000, 5}, 70, 71, false, -1},
        {{70, 90000, 5}, 64, 66, false, 64},
        {{70, 90000, 5}, 5, 5, false, -1},
    };
    for (const Case& c : cases) {
        RSparseArray set;
        for (int n : c.bits) set.SetBit(n);
        int index = 7;
        const bool found = set.Search(index, c.start, c.end, c.wanted);
        EXPECT_EQ(index, c.expected) << "start " << c.start << " case " << &c - cases;
        EXPECT_EQ(found, index >= 0);
    }
}

TEST(RSparseArray, FreeIndexRuleOfTheEntityLists) {
    // The first clear index, or one past the highest set one when every index is used.
    RSparseArray used;
    auto nextFree = [&used] {
        int index = -1;
        return used.Search(index, 0, std::nullopt, false) ? index : used.HighestSet() + 1;
    };
    for (int expected = 0; expected < 100; ++expected) {
        ASSERT_EQ(nextFree(), expected);
        used.SetBit(expected);
    }
    used.ClearBit(42);
    EXPECT_EQ(nextFree(), 42);
}
