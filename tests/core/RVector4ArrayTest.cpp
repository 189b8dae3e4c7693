#include "core/RVector4Array.h"

#include <gtest/gtest.h>

TEST(RVector4ArrayTest, InsertGetCopyAndRemove) {
    RVector4Array array(2);
    EXPECT_EQ(array.Add(RVector4(1.0, 0.0, 0.0, 0.0)), 0);
    EXPECT_EQ(array.Add(RVector4(3.0, 0.0, 0.0, 0.0)), 1);
    EXPECT_EQ(array.InsertAt(RVector4(2.0, 0.0, 0.0, 5.0), 1), 1);
    EXPECT_EQ(array.InsertAt(RVector4(4.0, 0.0, 0.0, 0.0), 99), 3);  // clamped: appends
    EXPECT_EQ(array.InsertAt(RVector4(), -1), -1);
    ASSERT_EQ(array.GetCount(), 4);
    EXPECT_EQ(array.GetAt(1)->w, 5.0);
    EXPECT_EQ(array.GetAt(4), nullptr);
    EXPECT_EQ(array.GetAt(-1), nullptr);

    RVector4 out(9.0, 9.0, 9.0, 9.0);
    EXPECT_FALSE(array.CopyAt(4, out));
    EXPECT_EQ(out.x, 9.0);
    ASSERT_TRUE(array.CopyAt(2, out));
    EXPECT_EQ(out.x, 3.0);

    ASSERT_TRUE(array.RemoveAt(1, out));
    EXPECT_EQ(out.x, 2.0);
    EXPECT_EQ(array.GetAt(1)->x, 3.0);
    ASSERT_TRUE(array.RemoveLast(out));
    EXPECT_EQ(out.x, 4.0);
    EXPECT_EQ(array.GetCount(), 2);
    EXPECT_FALSE(array.RemoveAt(2, out));

    array.Clear();
    EXPECT_FALSE(array.RemoveLast(out));
}

TEST(RVector4ArrayTest, InsertingOwnElementWhileGrowing) {
    RVector4Array array(1);  // every insertion grows the storage
    array.Add(RVector4(1.0, 2.0, 3.0, 4.0));
    for (int round = 0; round < 8; ++round) array.InsertAt(*array.GetAt(0), 0);
    ASSERT_EQ(array.GetCount(), 9);
    EXPECT_EQ(array.GetAt(8)->w, 4.0);
    EXPECT_EQ(array.GetAt(0)->y, 2.0);
}

TEST(RVector4ArrayTest, AssignTakesBlockSizeAndElements) {
    RVector4Array source(5);
    for (int index = 0; index < 7; ++index) source.Add(RVector4(index, 0.0, 0.0, -index));
    RVector4Array target(3);
    target.Add(RVector4(100.0, 0.0, 0.0, 0.0));
    ASSERT_TRUE(target.Assign(source));
    EXPECT_EQ(target.GetBlockSize(), 5);
    ASSERT_EQ(target.GetCount(), 7);
    EXPECT_EQ(target.GetAt(6)->x, 6.0);
    EXPECT_EQ(target.GetAt(6)->w, -6.0);
    EXPECT_TRUE(target.Assign(target));
    EXPECT_EQ(target.GetCount(), 7);
}
