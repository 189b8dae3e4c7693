#include "core/RSmallList.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
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
bool HeldInPlace(const TwoHeld& list) {
    const auto* first = reinterpret_cast<const char*>(list.begin());
    const auto* self = reinterpret_cast<const char*>(&list);
    return first >= self && first < self + sizeof(TwoHeld);
}

}  // namespace

TEST(RSmallList, GrowsOutOfPlaceAndComesBackInOrder) {
    TwoHeld list = ListOf({1, 2});
    EXPECT_TRUE(HeldInPlace(list));
    list.Append(3);
    EXPECT_FALSE(HeldInPlace(list));
    list.RemoveAt(0);
    EXPECT_TRUE(HeldInPlace(list));
    EXPECT_EQ(Entries(list), (std::vector<int>{2, 3}));
}

// Every place of every length up to a spilled list, against a vector doing the same; places
// beyond the end insert at the end and remove nothing.
TEST(RSmallList, InsertsAndRemovesAtEveryPlaceAsAVectorDoes) {
    for (size_t count = 0; count <= 4; ++count) {
        const std::vector<int> start{10, 11, 12, 13, 14};
        for (size_t place = 0; place <= count + 1; ++place) {
            std::vector<int> expected(start.begin(), start.begin() + static_cast<long>(count));
            TwoHeld list = ListOf(expected);
            list.InsertAt(place, 99);
            expected.insert(expected.begin() + static_cast<long>(std::min(place, count)), 99);
            EXPECT_EQ(Entries(list), expected) << "insert at " << place << " of " << count;
            expected.assign(start.begin(), start.begin() + static_cast<long>(count));
            list = ListOf(expected);
            list.RemoveAt(place);
            if (place < count) expected.erase(expected.begin() + static_cast<long>(place));
            EXPECT_EQ(Entries(list), expected) << "remove at " << place << " of " << count;
        }
    }
}

// An entry appended or inserted from the list itself is copied before the entries move
// (strings, since a string moved from is left empty).
TEST(RSmallList, TakesEntriesOfItsOwn) {
    using Names = RSmallList<std::string, 2>;
    const auto entries = [](const Names& list) { return std::vector<std::string>(list.begin(), list.end()); };
    Names full;
    for (const char* name : {"a", "b"}) full.Append(name);
    Names other = full;
    full.Append(full.At(0));
    EXPECT_EQ(entries(full), (std::vector<std::string>{"a", "b", "a"}));
    other.InsertAt(0, other.At(1));
    EXPECT_EQ(entries(other), (std::vector<std::string>{"b", "a", "b"}));
    Names held;
    held.Append("c");
    held.InsertAt(0, held.At(0));
    EXPECT_EQ(entries(held), (std::vector<std::string>{"c", "c"}));
}

// A copy stands alone, and a list "moved" from keeps its entries.
TEST(RSmallList, CopiesAreIndependentAndMovingCopies) {
    TwoHeld spilled = ListOf({1, 2, 3});
    TwoHeld copy = spilled;
    copy.RemoveAt(1);
    const TwoHeld moved(std::move(spilled));
    EXPECT_EQ(Entries(copy), (std::vector<int>{1, 3}));
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
