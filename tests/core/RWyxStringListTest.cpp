#include "core/RWyxStringList.h"

#include <gtest/gtest.h>

namespace {

RString Joined(const RWyxStringList& list) {
    RString text;
    list.GetText(text);
    return text;
}

}  // namespace

TEST(RWyxStringList, SetTextSplitsAtEveryTildeButDropsAnEmptyLastPiece) {
    RWyxStringList list;
    ASSERT_TRUE(list.SetText("a~~b~"));
    ASSERT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.GetItem(0)->text, "a");
    EXPECT_EQ(list.GetItem(1)->text, "");
    EXPECT_EQ(list.GetItem(2)->text, "b");
    EXPECT_EQ(list.GetItem(2)->value, 0);
    EXPECT_EQ(Joined(list), "a~~b");

    ASSERT_TRUE(list.SetText("~x"));
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetItem(0)->text, "");
    ASSERT_TRUE(list.SetText(""));
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(RWyxStringList, GetTextAppendsAndAnswersTheCount) {
    RWyxStringList list;
    list.InsertAt(0, "y", 2);
    list.InsertAt(0, "x", 1);
    RString text("pre:");
    EXPECT_EQ(list.GetText(text), 2);
    EXPECT_EQ(text, "pre:x~y");
}

TEST(RWyxStringList, EditsByIndex) {
    RWyxStringList list(2);
    EXPECT_EQ(list.InsertAt(5, "a", 1), 0);
    EXPECT_EQ(list.InsertAt(5, "c", 3), 1);
    EXPECT_EQ(list.InsertAt(1, "b", 2), 1);
    EXPECT_EQ(list.InsertAt(-1, "z", 0), -1);
    EXPECT_EQ(Joined(list), "a~b~c");
    EXPECT_EQ(list.GetItem(1)->value, 2);

    EXPECT_TRUE(list.SetAt(2, "C"));
    EXPECT_FALSE(list.SetAt(3, "D"));
    EXPECT_TRUE(list.RemoveAt(0));
    EXPECT_FALSE(list.RemoveAt(2));
    EXPECT_EQ(Joined(list), "b~C");
    EXPECT_EQ(list.GetItem(2), nullptr);
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
}
