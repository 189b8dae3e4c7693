#include "core/RNamePair.h"
#include "core/RUniqueNameList.h"

#include <gtest/gtest.h>

TEST(RNamePair, KeepsTheInitialNameWhenTheCurrentChanges) {
    RNamePair name("Cube");
    name.SetCurrent("Cube1");
    EXPECT_EQ(name.GetInitial(), "Cube");
    EXPECT_EQ(name.GetCurrent(), "Cube1");
    name.SetBoth("Sphere");
    EXPECT_EQ(name.GetInitial(), "Sphere");
    EXPECT_EQ(name.GetCurrent(), "Sphere");
}

TEST(RUniqueNameList, NumbersRepeatedNames) {
    RUniqueNameList list;
    RNamePair first("n");
    RNamePair second("n");
    RNamePair third("n");
    EXPECT_FALSE(list.MakeUnique(first));
    EXPECT_TRUE(list.MakeUnique(second));
    EXPECT_TRUE(list.MakeUnique(third));
    EXPECT_EQ(first.GetCurrent(), "n");
    EXPECT_EQ(second.GetCurrent(), "n1");
    EXPECT_EQ(third.GetCurrent(), "n2");
    EXPECT_EQ(third.GetInitial(), "n");
    EXPECT_EQ(list.GetCount(), 1);
}

TEST(RUniqueNameList, ComparesCaseSensitivelyAndDoesNotListMadeNames) {
    RUniqueNameList list;
    RNamePair lower("n");
    RNamePair upper("N");
    RNamePair repeat("n");
    RNamePair made("n1");
    list.MakeUnique(lower);
    EXPECT_FALSE(list.MakeUnique(upper));
    EXPECT_TRUE(list.MakeUnique(repeat));
    EXPECT_FALSE(list.MakeUnique(made));
    EXPECT_EQ(made.GetCurrent(), "n1");
}

TEST(RUniqueNameList, ClearForgetsAndCreateGivesAnEmptyList) {
    RUniqueNameList list;
    RNamePair name("a");
    list.MakeUnique(name);
    std::unique_ptr<RNameUniquifier> fresh = list.Create();
    ASSERT_NE(fresh, nullptr);
    RNamePair again("a");
    EXPECT_FALSE(fresh->MakeUnique(again));
    list.Clear();
    EXPECT_FALSE(list.MakeUnique(again));
    EXPECT_EQ(again.GetCurrent(), "a");
}
