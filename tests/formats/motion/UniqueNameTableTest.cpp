#include "formats/motion/RUniqueNameTable.h"

#include <gtest/gtest.h>

#include <string>

namespace {

RUniqueNameTable MarkerTable() { return RUniqueNameTable(8, 64); }

TEST(UniqueNameTableTest, RepeatsWithoutRegardToCaseTakeTheNextFreeNumber) {
    RUniqueNameTable table = MarkerTable();
    EXPECT_STREQ(table.MakeUnique("Hip", 0), "Hip");
    EXPECT_STREQ(table.MakeUnique("hip", 1), "hip 1");
    EXPECT_STREQ(table.MakeUnique("HIP", 2), "HIP 2");
    EXPECT_STREQ(table.MakeUnique("Marker12", 3), "Marker12");
    EXPECT_STREQ(table.MakeUnique("Marker12", 4), "Marker13");
    EXPECT_STREQ(table.MakeUnique("Marker12", 5), "Marker14");
    EXPECT_STREQ(table.MakeUnique("ab7", 6), "ab7");
    EXPECT_STREQ(table.MakeUnique("ab7", 7), "ab8");
    EXPECT_EQ(table.GetCount(), 8);
}

TEST(UniqueNameTableTest, BlanksAndExtensionDigitsAreNoPartOfTheCounter) {
    RUniqueNameTable table = MarkerTable();
    EXPECT_STREQ(table.MakeUnique("   ", 0), "Default");
    EXPECT_STREQ(table.MakeUnique("", 1), "Default 1");
    EXPECT_STREQ(table.MakeUnique("  knee ", 2), "knee");
    EXPECT_STREQ(table.MakeUnique("knee", 3), "knee 1");
    EXPECT_STREQ(table.MakeUnique("clip.mp3", 4), "clip.mp3");
    EXPECT_STREQ(table.MakeUnique("clip.mp3", 5), "clip.mp3 1");
    EXPECT_STREQ(table.MakeUnique("take.mpg2", 6), "take.mpg2");
    EXPECT_STREQ(table.MakeUnique("take.mpg2", 7), "take.mpg2 1");
    EXPECT_EQ(table.MakeUnique(nullptr, 8), nullptr);
}

TEST(UniqueNameTableTest, NamesAreFoundByTheirLastUserValueAndStayWhereTheyAre) {
    RUniqueNameTable table(0, 1);
    const char* first = table.MakeUnique("a", 7);
    for (int i = 0; i < 500; ++i) table.MakeUnique("b", i);
    EXPECT_STREQ(first, "a");
    EXPECT_STREQ(table.FindByValue(7), "b 7");
    EXPECT_STREQ(table.FindByValue(499), "b 499");
    EXPECT_EQ(table.FindByValue(1000), nullptr);
    table.Clear();
    EXPECT_EQ(table.FindByValue(7), nullptr);
    EXPECT_STREQ(table.MakeUnique("a", 1), "a");
}

TEST(UniqueNameTableTest, LongNamesAndHugeCountersNeverOverflow) {
    RUniqueNameTable table = MarkerTable();
    const std::string longName(5000, 'n');
    const std::string cut(RUniqueNameTable::kMaxNameLength, 'n');
    EXPECT_EQ(table.MakeUnique(longName.c_str(), 0), cut);
    EXPECT_EQ(table.MakeUnique(longName.c_str(), 1), cut + " 1");

    const std::string nines = "m" + std::string(RUniqueNameTable::kMaxCounterDigits, '9');
    EXPECT_EQ(table.MakeUnique(nines.c_str(), 2), nines);
    EXPECT_EQ(table.MakeUnique(nines.c_str(), 3), "m1" + std::string(RUniqueNameTable::kMaxCounterDigits, '0'));
    const std::string tooLong = "m" + std::string(30, '9');
    EXPECT_EQ(table.MakeUnique(tooLong.c_str(), 4), tooLong);
    EXPECT_EQ(table.MakeUnique(tooLong.c_str(), 5), tooLong + " 1");
}

}  // namespace
