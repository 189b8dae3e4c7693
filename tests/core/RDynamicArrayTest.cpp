#include "core/RDynamicArray.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> Contents(const RDynamicArray& array) {
    return std::vector<int>(array.DataAs<int>(), array.DataAs<int>() + array.GetCount());
}

void AppendInts(RDynamicArray& array, std::initializer_list<int> values) {
    for (int value : values) array.Append(&value);
}

}  // namespace

TEST(RDynamicArray, BlockSizeZeroBehavesAsOneAndGrowsOneBlockAtATime) {
    RDynamicArray array(0, sizeof(int));
    EXPECT_EQ(array.GetBlockSize(), 1);
    AppendInts(array, {1, 2, 3});
    EXPECT_EQ(array.GetBlockCount(), 3);
    EXPECT_EQ(array.GetCapacity(), 3);
    EXPECT_EQ(Contents(array), (std::vector<int>{1, 2, 3}));
}

TEST(RDynamicArray, InsertClampsToCountAndShiftsTheTail) {
    RDynamicArray array(4, sizeof(int));
    AppendInts(array, {1, 2, 3});
    const int value = 9;
    EXPECT_EQ(array.InsertAt(100, &value), 3);
    EXPECT_EQ(array.InsertAt(1, &value), 1);
    EXPECT_EQ(Contents(array), (std::vector<int>{1, 9, 2, 3, 9}));
    EXPECT_EQ(array.GetBlockCount(), 2);
    EXPECT_EQ(array.InsertAt(-1, &value), -1);
    EXPECT_EQ(array.InsertAt(0, nullptr), 0);
    EXPECT_EQ(array.At<int>(0), 0);
}

TEST(RDynamicArray, InsertingOneOfItsOwnElementsSurvivesGrowthAndShift) {
    RDynamicArray array(1, sizeof(int));
    AppendInts(array, {1, 2, 3});
    // Full array: the insertion reallocates, then shifts the element's own slot.
    EXPECT_EQ(array.InsertAt(0, &array.At<int>(0)), 0);
    EXPECT_EQ(array.InsertAt(1, &array.At<int>(3)), 1);
    EXPECT_EQ(Contents(array), (std::vector<int>{1, 3, 1, 2, 3}));
}

TEST(RDynamicArray, RemoveAtClosesTheGapAndIgnoresIndexesOutOfRange) {
    RDynamicArray array(2, sizeof(int));
    AppendInts(array, {1, 2, 3});
    EXPECT_EQ(array.RemoveAt(3), 3);
    EXPECT_EQ(array.RemoveAt(-1), 3);
    EXPECT_EQ(Contents(array), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(array.RemoveAt(0), 2);
    EXPECT_EQ(Contents(array), (std::vector<int>{2, 3}));
}

TEST(RDynamicArray, ResizeAppendZeroedAndSetCountZeroFill) {
    RDynamicArray array(4, sizeof(int));
    AppendInts(array, {7, 7, 7});
    ASSERT_TRUE(array.Resize(1));
    EXPECT_EQ(array.GetBlockCount(), 1);
    ASSERT_TRUE(array.Resize(6));
    EXPECT_EQ(array.GetBlockCount(), 2);
    EXPECT_EQ(Contents(array), (std::vector<int>{7, 0, 0, 0, 0, 0}));

    EXPECT_EQ(array.AppendZeroed(0), 0);
    EXPECT_EQ(array.AppendZeroed(3), 3);
    EXPECT_EQ(array.GetCount(), 9);
    EXPECT_EQ(array.GetBlockCount(), 3);
    EXPECT_EQ(array.AppendZeroed(-1), -1);

    ASSERT_TRUE(array.SetCount(2));
    array.At<int>(1) = 5;
    ASSERT_TRUE(array.SetCount(4));
    EXPECT_EQ(Contents(array), (std::vector<int>{7, 5, 0, 0}));
    EXPECT_FALSE(array.SetCount(-2));
    EXPECT_FALSE(array.Resize(-2));
    EXPECT_EQ(array.GetCount(), 4);
}

TEST(RDynamicArray, ResizeToZeroKeepsOneBlock) {
    RDynamicArray array(8, sizeof(int));
    ASSERT_TRUE(array.Resize(0));
    EXPECT_EQ(array.GetCount(), 0);
    EXPECT_EQ(array.GetBlockCount(), 1);
    array.Clear();
    EXPECT_EQ(array.GetBlockCount(), 0);
    EXPECT_EQ(array.Data(), nullptr);
}

TEST(RDynamicArray, CopyPointersTakesTheOtherBlockSizeAndElements) {
    int a = 1;
    int b = 2;
    RDynamicArray source(3, sizeof(void*));
    void* pointers[] = {&a, &b};
    source.Append(&pointers[0]);
    source.Append(&pointers[1]);
    RDynamicArray copy(16, sizeof(void*));
    void* stale = &b;
    copy.Append(&stale);
    ASSERT_TRUE(copy.CopyPointers(source));
    EXPECT_EQ(copy.GetBlockSize(), 3);
    ASSERT_EQ(copy.GetCount(), 2);
    EXPECT_EQ(copy.At<void*>(0), &a);
    EXPECT_EQ(copy.At<void*>(1), &b);

    RDynamicArray ints(4, sizeof(int));
    EXPECT_FALSE(copy.CopyPointers(ints));
    EXPECT_EQ(copy.GetCount(), 2);
}
