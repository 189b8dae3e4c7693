// Weighted pairs stored on both sides, looked up and normalised.

#include "formats/geometry/RInfluenceTable.h"

#include <gtest/gtest.h>

namespace {

double WeightAt(const RInfluenceTable& table, int side, int list, int position) {
    const RInfluenceTable::Entry* entry = table.GetEntry(side, list, position);
    return entry != nullptr ? entry->weight : -999.0;
}

TEST(RInfluenceTable, AddStoresEachPairOnBothSides) {
    RInfluenceTable table;
    table.Init(2, 3);
    EXPECT_EQ(table.Add(1, 2, 0.5), 0);
    EXPECT_EQ(table.Add(0, 2, 0.25), 1);
    ASSERT_EQ(table.GetEntryCount(0, 1), 1);
    EXPECT_EQ(table.GetEntry(0, 1, 0)->index, 2);
    EXPECT_DOUBLE_EQ(WeightAt(table, 0, 1, 0), 0.5);
    ASSERT_EQ(table.GetEntryCount(1, 2), 2);
    EXPECT_EQ(table.GetEntry(1, 2, 0)->index, 1);
    EXPECT_EQ(table.Find(1, 2, 0), 1);
    EXPECT_EQ(table.Find(1, 0, 0), -1);  // an empty list
    // Lists and sides that do not exist change nothing.
    EXPECT_EQ(table.Add(2, 0, 1.0), -1);
    EXPECT_EQ(table.Add(0, -1, 1.0), -1);
    EXPECT_EQ(table.GetEntryCount(0, 0), 1);
    EXPECT_EQ(table.GetEntry(2, 0, 0), nullptr);
    EXPECT_EQ(table.GetEntry(0, 1, 1), nullptr);
    EXPECT_EQ(table.GetListCount(2), 0);
    table.Init(1, 1);
    EXPECT_EQ(table.GetListCount(0), 1);
    EXPECT_EQ(table.GetEntryCount(1, 0), 0);
    table.Clear();
    EXPECT_EQ(table.GetListCount(1), 0);
}

TEST(RInfluenceTable, NormalizeDividesByTheSumAndKeepsMirrorsEqual) {
    RInfluenceTable table(3, 2);
    table.Add(0, 0, -1.0);
    table.Add(1, 0, 3.0);
    table.Add(2, 1, 2.0);
    table.Add(2, 1, 6.0);  // the same pair twice: each copy keeps its own mirror
    EXPECT_DOUBLE_EQ(table.GetWeightSum(1, 0, false), 2.0);
    EXPECT_DOUBLE_EQ(table.GetWeightSum(1, 0, true), 4.0);
    table.Normalize(1, true);
    EXPECT_DOUBLE_EQ(WeightAt(table, 1, 0, 0), 0.25);  // |-1| / 4
    EXPECT_DOUBLE_EQ(WeightAt(table, 1, 0, 1), 0.75);
    EXPECT_DOUBLE_EQ(WeightAt(table, 0, 0, 0), 0.25);
    EXPECT_DOUBLE_EQ(WeightAt(table, 0, 1, 0), 0.75);
    EXPECT_DOUBLE_EQ(WeightAt(table, 0, 2, 0), 0.25);
    EXPECT_DOUBLE_EQ(WeightAt(table, 0, 2, 1), 0.75);

    RInfluenceTable signedTable(1, 2);
    signedTable.Add(0, 0, -2.0);
    signedTable.Add(0, 1, 4.0);
    signedTable.Normalize(0, false);
    EXPECT_DOUBLE_EQ(WeightAt(signedTable, 0, 0, 0), -1.0);
    EXPECT_DOUBLE_EQ(WeightAt(signedTable, 1, 1, 0), 2.0);
}

TEST(RInfluenceTable, AListSummingToZeroBecomesZero) {
    RInfluenceTable table(2, 1);
    table.Add(0, 0, 1.0);
    table.Add(1, 0, -1.0);
    table.GetEntry(1, 0, 0)->index = 7;  // a changed index does not lead the mirrors astray
    table.Normalize(1, false);
    EXPECT_DOUBLE_EQ(WeightAt(table, 1, 0, 0), 0.0);
    EXPECT_DOUBLE_EQ(WeightAt(table, 0, 0, 0), 0.0);
    EXPECT_DOUBLE_EQ(WeightAt(table, 0, 1, 0), 0.0);
}

}  // namespace
