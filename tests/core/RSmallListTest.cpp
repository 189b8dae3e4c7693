#include "core/RSmallList.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using TwoHeld = RSmallList<int, 2>;

std::vector<int> Entries(const TwoHeld& list) { return std::vector<int>(list.begin(), list.end()); }

TwoHeld ListOf(const std::vector<int>& entries) {
    TwoHeld list;
    for (int entry : entries) list.Append(entry);
    return list;
}

// True while the entries stand in the list itself rather than in a heap block.
template <typename List>
bool HeldInPlace(const List& list) {
    const auto* first = reinterpret_cast<const char*>(list.begin());
    const auto* self = reinterpret_cast<const char*>(&list);
    return first >= self && first < self + sizeof(List);
}

}  // namespace

TEST(RSmallList, GrowsOutOfPlaceAndComesBackInOrder) {
    TwoHeld list = ListOf({1, 2});
    EXPECT_TRUE(HeldInPlace(list));
    list.Append(3);
    EXPECT_FALSE(HeldInPlace(list));
    EXPECT_EQ(Entries(list), (std::vector<int>{1, 2, 3}));
    list.RemoveAt(0);
    EXPECT_TRUE(HeldInPlace(list));
    EXPECT_EQ(Entries(list), (std::vector<int>{2, 3}));
    list.Append(4);
    EXPECT_EQ(Entries(list), (std::vector<int>{2, 3, 4}));
}

// Every place of every length up to a spilled list, against a vector doing the same.
TEST(RSmallList, InsertsAndRemovesAtEveryPlaceAsAVectorDoes) {
    for (int count = 0; count <= 4; ++count) {
        std::vector<int> start;
        for (int i = 0; i < count; ++i) start.push_back(10 + i);
        for (int place = 0; place <= count; ++place) {
            std::vector<int> expected = start;
            expected.insert(expected.begin() + place, 99);
            TwoHeld list = ListOf(start);
            list.InsertAt(place, 99);
            EXPECT_EQ(Entries(list), expected) << "insert at " << place << " of " << count;
            if (place == count) continue;
            expected = start;
            expected.erase(expected.begin() + place);
            list = ListOf(start);
            list.RemoveAt(place);
            EXPECT_EQ(Entries(list), expected) << "remove at " << place << " of " << count;
        }
    }
}

TEST(RSmallList, PlacesOutOfRangeAreClampedOrIgnored) {
    TwoHeld list = ListOf({1, 2});
    list.InsertAt(-3, 0);
    list.InsertAt(50, 3);
    list.RemoveAt(4);
    list.RemoveAt(-1);
    EXPECT_EQ(Entries(list), (std::vector<int>{0, 1, 2, 3}));
}

// An entry appended or inserted from the list itself is copied before the entries move.
TEST(RSmallList, TakesEntriesOfItsOwn) {
    TwoHeld list = ListOf({1, 2});
    list.Append(list.At(0));
    EXPECT_EQ(Entries(list), (std::vector<int>{1, 2, 1}));
    TwoHeld held = ListOf({5});
    held.InsertAt(0, held.At(0));
    EXPECT_EQ(Entries(held), (std::vector<int>{5, 5}));
    TwoHeld full = ListOf({7, 8});
    full.InsertAt(0, full.At(1));
    EXPECT_EQ(Entries(full), (std::vector<int>{8, 7, 8}));
}

// A copy stands alone, and a list "moved" from keeps its entries.
TEST(RSmallList, CopiesAreIndependentAndMovingCopies) {
    TwoHeld spilled = ListOf({1, 2, 3});
    TwoHeld copy = spilled;
    copy.RemoveAt(1);
    EXPECT_EQ(Entries(spilled), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Entries(copy), (std::vector<int>{1, 3}));
    const TwoHeld moved(std::move(spilled));
    EXPECT_EQ(Entries(moved), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Entries(spilled), (std::vector<int>{1, 2, 3}));  // NOLINT(bugprone-use-after-move)
}

// What an entry holds is let go of when the entry leaves, wherever it stood.
TEST(RSmallList, EntriesTakenOutLetGoAtOnce) {
    const auto a = std::make_shared<int>(1);
    const auto b = std::make_shared<int>(2);
    {
        RSmallList<std::shared_ptr<int>, 1> list;
        list.Append(a);
        list.Append(b);
        EXPECT_EQ(a.use_count(), 2);  // only the heap block's copy
        list.RemoveAt(0);
        EXPECT_EQ(a.use_count(), 1);
        EXPECT_EQ(b.use_count(), 2);  // back in place, no copy left behind
        list.RemoveAt(0);
        EXPECT_EQ(b.use_count(), 1);
        list.Append(a);
        list.Append(b);
    }
    EXPECT_EQ(a.use_count(), 1);
    EXPECT_EQ(b.use_count(), 1);
}
