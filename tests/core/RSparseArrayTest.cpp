#include "core/RSparseArray.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

namespace {

int Found(const RSparseArray& set, std::optional<int> start = std::nullopt, std::optional<int> end = std::nullopt,
          std::optional<bool> wanted = std::nullopt) {
    int index = 7;
    const bool found = set.Search(index, start, end, wanted);
    EXPECT_EQ(found, index >= 0);
    return index;
}

}  // namespace

TEST(RSparseArray, SetsTestsAndClearsAcrossPages) {
    RSparseArray set;
    const int integers[] = {0, 31, 32, 33, 1000, 40000, 5000000, INT_MAX};
    for (int n : integers) {
        ASSERT_TRUE(set.SetBit(n)) << n;
    }
    for (int n : integers) {
        EXPECT_TRUE(set.TestBit(n)) << n;
    }
    EXPECT_FALSE(set.TestBit(30));
    EXPECT_FALSE(set.TestBit(999));
    EXPECT_FALSE(set.TestBit(INT_MAX - 1));
    EXPECT_EQ(set.HighestSet(), INT_MAX);

    EXPECT_TRUE(set.ClearBit(INT_MAX));
    EXPECT_TRUE(set.ClearBit(32));
    EXPECT_TRUE(set.ClearBit(12345));  // never set
    EXPECT_FALSE(set.TestBit(32));
    EXPECT_TRUE(set.TestBit(33));
    EXPECT_EQ(set.HighestSet(), 5000000);
}

TEST(RSparseArray, RefusesNegativeIntegers) {
    RSparseArray set;
    EXPECT_FALSE(set.SetBit(-1));
    EXPECT_FALSE(set.ClearBit(-1));
    EXPECT_FALSE(set.TestBit(-1));
    EXPECT_TRUE(set.IsEmpty());
    int index = 0;
    EXPECT_FALSE(set.Search(index, -5));
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
    for (int n = 0; n < 6100; ++n) {
        ASSERT_EQ(set.TestBit(n), reference.count(n) == 1) << n;
    }
    EXPECT_EQ(set.HighestSet(), *reference.rbegin());
}

TEST(RSparseArray, CopiesAreIndependent) {
    RSparseArray original;
    for (int n = 0; n < 200; n += 3) {
        original.SetBit(n);
    }
    RSparseArray copy(original);
    RSparseArray assigned;
    assigned = original;
    copy.SetBit(1);
    copy.ClearBit(3);
    assigned.SetBit(100000);
    EXPECT_FALSE(original.TestBit(1));
    EXPECT_TRUE(original.TestBit(3));
    EXPECT_FALSE(original.TestBit(100000));
    EXPECT_TRUE(copy.TestBit(1));
    EXPECT_FALSE(copy.TestBit(3));
    EXPECT_FALSE(copy.TestBit(100000));
    EXPECT_TRUE(assigned.TestBit(3));

    original = RSparseArray();
    EXPECT_TRUE(original.IsEmpty());
    EXPECT_TRUE(copy.TestBit(6));
    EXPECT_TRUE(assigned.TestBit(6));
}

TEST(RSparseArray, SearchForClearBitsStopsAtTheLastPage) {
    RSparseArray set;
    EXPECT_EQ(Found(set, 0, std::nullopt, false), -1);  // no page at all
    for (int n = 0; n < 32; ++n) {
        set.SetBit(n);
    }
    EXPECT_EQ(Found(set, 0, std::nullopt, false), -1);  // past the last page
    EXPECT_EQ(Found(set), 0);
    set.ClearBit(5);
    EXPECT_EQ(Found(set, 0, std::nullopt, false), 5);
    EXPECT_EQ(Found(set, 6, std::nullopt, false), -1);
}

TEST(RSparseArray, SearchAnswersStartBeforeAPageForClearBits) {
    RSparseArray set;
    set.SetBit(1000);
    EXPECT_EQ(Found(set, 10, std::nullopt, false), 10);
    EXPECT_EQ(Found(set, 10), 10);  // no wanted value counts as clear
    EXPECT_EQ(Found(set, 10, std::nullopt, true), 1000);
    EXPECT_EQ(Found(set, 1000, std::nullopt, false), 1001);
    EXPECT_EQ(Found(set, 1001, std::nullopt, true), -1);
}

TEST(RSparseArray, SearchForSetBitsVisitsPagesInOrderAndStopsBeforeTheEnd) {
    RSparseArray set;
    set.SetBit(70);
    set.SetBit(90000);
    set.SetBit(5);
    EXPECT_EQ(Found(set, 0, std::nullopt, true), 5);
    EXPECT_EQ(Found(set, 6, std::nullopt, true), 70);
    EXPECT_EQ(Found(set, 71, std::nullopt, true), 90000);
    EXPECT_EQ(Found(set, 90001, std::nullopt, true), -1);

    EXPECT_EQ(Found(set, 6, 70, true), -1);
    EXPECT_EQ(Found(set, 6, 71, true), 70);
    EXPECT_EQ(Found(set, 71, 90000, true), -1);
    EXPECT_EQ(Found(set, 70, 71, false), -1);
    EXPECT_EQ(Found(set, 64, 66, false), 64);
    EXPECT_EQ(Found(set, 5, 5, false), -1);
}

TEST(RSparseArray, UnionAddsTheOtherSetsBits) {
    RSparseArray left;
    RSparseArray right;
    left.SetBit(1);
    left.SetBit(5000);
    right.SetBit(2);
    right.SetBit(5001);
    right.SetBit(70000);
    RSparseArray before(left);
    ASSERT_TRUE(left.Union(right));
    for (int n : {1, 2, 5000, 5001, 70000}) {
        EXPECT_TRUE(left.TestBit(n)) << n;
    }
    EXPECT_FALSE(before.TestBit(2));
    EXPECT_FALSE(right.TestBit(1));
    ASSERT_TRUE(left.Union(left));
    EXPECT_EQ(left.HighestSet(), 70000);
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
