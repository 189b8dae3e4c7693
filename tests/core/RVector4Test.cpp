#include "core/RVector4.h"

#include <gtest/gtest.h>

TEST(RVector4Test, EqualityToleranceIsInclusiveAndIgnoresW) {
    const RVector4 origin(0.0, 0.0, 0.0, 0.0);
    // Offsets from zero, so the differences are exactly 1e-6 and 2e-6.
    EXPECT_TRUE(origin == RVector4(1e-6, -1e-6, 1e-6, 0.0));
    EXPECT_FALSE(origin != RVector4(1e-6, 0.0, 0.0, 0.0));
    EXPECT_FALSE(origin == RVector4(2e-6, 0.0, 0.0, 0.0));
    EXPECT_TRUE(origin != RVector4(0.0, 0.0, -2e-6, 0.0));
    EXPECT_TRUE(origin == RVector4(0.0, 0.0, 0.0, 1000.0));
}

TEST(RVector4Test, Normalize3KeepsW) {
    RVector4 zero(0.0, 0.0, 0.0, 5.0);
    zero.Normalize3();
    EXPECT_EQ(zero.x, 0.0);
    EXPECT_EQ(zero.y, 0.0);
    EXPECT_EQ(zero.z, 0.0);
    EXPECT_EQ(zero.w, 5.0);

    // The squares of these underflow; the length must not.
    RVector4 tiny(3e-200, 4e-200, 0.0, 7.0);
    EXPECT_DOUBLE_EQ(tiny.Length3(), 5e-200);
    tiny.Normalize3();
    EXPECT_DOUBLE_EQ(tiny.x, 0.6);
    EXPECT_DOUBLE_EQ(tiny.y, 0.8);
    EXPECT_EQ(tiny.w, 7.0);
}

TEST(RVector4Test, ProductsAndAliasing) {
    const RVector4 cross = RVector4(1.0, 2.0, 3.0, 9.0).Cross3(RVector4(4.0, 5.0, 6.0, 9.0));
    EXPECT_EQ(cross.y, 6.0);
    EXPECT_EQ(cross.w, 1.0);
    RVector4 v(1.0, 2.0, 3.0, 4.0);
    v *= RVector4(2.0, 3.0, 4.0, 5.0);
    EXPECT_EQ(v.w, 20.0);
    EXPECT_EQ(v.Component(9), &v.w);  // out of range lands on w, never outside

    RVector3 a(1.0, 0.0, 0.0);
    VectorCross3(a, a, RVector3(0.0, 1.0, 0.0));
    EXPECT_EQ(a.x, 0.0);
    EXPECT_EQ(a.z, 1.0);
}
