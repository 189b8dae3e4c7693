#include "core/RMatrixBlock.h"

#include <gtest/gtest.h>

#include "tests/core/MatrixTestSupport.h"

TEST(RMatrixBlockTest, StartsAsIdentityWithEveryFlagSet) {
    const RMatrixBlock block;
    for (int index = 0; index < RMatrixBlock::kMatrixCount; ++index) {
        EXPECT_EQ(MatrixCompare(*block.GetMatrix(index), RMatrix::Identity(), 0.0), 0);
        EXPECT_TRUE(block.IsFlagSet(index));
    }
    EXPECT_TRUE(block.IsFlagSet(RMatrixBlock::kBlockFlag));
    EXPECT_EQ(block.GetMatrix(13), nullptr);
    EXPECT_EQ(block.GetMatrix(-1), nullptr);
    EXPECT_FALSE(block.IsFlagSet(14));
}

TEST(RMatrixBlockTest, RefreshInvertsStoredMatricesOnce) {
    RMatrixBlock block;
    const RMatrix m = RMatrix::ConstructFromTRS(RVector4(1.0, 2.0, 3.0, 0.0),
                                                RVector4(10.0, 20.0, 30.0, 0.0),
                                                RVector4(2.0, 2.0, 0.5, 0.0));
    ASSERT_TRUE(block.SetMatrix(4, m));
    EXPECT_FALSE(block.SetMatrix(13, m));
    EXPECT_FALSE(block.IsFlagSet(4));
    EXPECT_FALSE(block.IsFlagSet(RMatrixBlock::kBlockFlag));
    EXPECT_TRUE(block.IsFlagSet(3));

    block.Refresh();
    EXPECT_TRUE(MatricesNear(*block.GetMatrix(4), m.Inverse(), 0.0));
    EXPECT_TRUE(block.IsFlagSet(4));
    EXPECT_TRUE(block.IsFlagSet(RMatrixBlock::kBlockFlag));
    EXPECT_EQ(MatrixCompare(*block.GetMatrix(3), RMatrix::Identity(), 0.0), 0);

    block.Refresh();  // nothing is pending: the inverse stays
    EXPECT_TRUE(MatricesNear(*block.GetMatrix(4), m.Inverse(), 0.0));
}
