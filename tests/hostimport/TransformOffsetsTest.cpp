// Offsets of nodes worked out in turn: each is the offset a first working-out of its own parts
// gives, whether or not the node before had the same parts.

#include "hostimport/TransformOffsets.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

using Parts = TransformOffsets::Parts;

Parts MakeParts(double tx, double ry, double sz) {
    Parts parts;
    parts.translation[0] = tx;
    parts.rotation[1] = ry;
    parts.scaling[2] = sz;
    return parts;
}

// The offset a new object works out (nothing remembered yet).
Parts Fresh(const Parts& own, const Parts* parent) {
    TransformOffsets offsets;
    return offsets.Compose(own, parent);
}

bool SameBits(const Parts& a, const Parts& b) { return std::memcmp(&a, &b, sizeof(Parts)) == 0; }

TEST(TransformOffsetsTest, EachOffsetIsWhatItsOwnPartsGive) {
    const Parts plain;
    const Parts moved = MakeParts(2.0, 0.0, 1.0);
    const Parts turned = MakeParts(0.0, 90.0, 2.0);
    Parts negativeZero;
    negativeZero.rotation[1] = -0.0;
    negativeZero.rotation[0] = 180.0;
    Parts flipped = negativeZero;
    flipped.rotation[1] = 0.0;
    struct Step {
        Parts own;
        const Parts* parent;
    };
    const std::vector<Step> steps = {{plain, nullptr},   {plain, nullptr},  {plain, &moved},   {plain, &moved},
                                     {plain, &turned},   {moved, &turned},  {moved, nullptr},  {turned, &turned},
                                     {negativeZero, nullptr}, {flipped, nullptr}, {negativeZero, &plain},
                                     {flipped, &plain}};
    TransformOffsets offsets;
    for (size_t i = 0; i < steps.size(); ++i) {
        const Parts& got = offsets.Compose(steps[i].own, steps[i].parent);
        EXPECT_TRUE(SameBits(got, Fresh(steps[i].own, steps[i].parent))) << "step " << i;
    }
}

TEST(TransformOffsetsTest, AParentsOffsetMovesAndTurnsTheNode) {
    TransformOffsets offsets;
    const Parts parent = MakeParts(10.0, 90.0, 1.0);
    const Parts own = MakeParts(1.0, 0.0, 1.0);
    const Parts alone = offsets.Compose(own, nullptr);
    EXPECT_DOUBLE_EQ(alone.translation[0], 1.0);
    const Parts below = offsets.Compose(own, &parent);
    // Turned a quarter about Y, the node's X step becomes a step along -Z, after the parent's move.
    EXPECT_NEAR(below.translation[0], 10.0, 1e-9);
    EXPECT_NEAR(below.translation[2], -1.0, 1e-9);
    EXPECT_NEAR(below.rotation[1], 90.0, 1e-9);
    const Parts again = offsets.Compose(own, nullptr);
    EXPECT_DOUBLE_EQ(again.translation[0], 1.0);
    EXPECT_DOUBLE_EQ(again.translation[2], 0.0);
}

// Each rotate axis is the one a first working-out gives, and it undoes its post-rotation.
TEST(TransformOffsetsTest, EachRotateAxisUndoesItsOwnPostRotation) {
    const std::vector<std::vector<double>> posts = {{0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}, {30.0, 0.0, 0.0}, {30.0, 0.0, 0.0},
                                                    {-0.0, 0.0, 0.0}, {0.0, 45.0, 10.0}, {0.0, 0.0, 0.0}};
    TransformOffsets offsets;
    for (size_t i = 0; i < posts.size(); ++i) {
        double axis[3];
        offsets.RotateAxis(posts[i].data(), axis);
        TransformOffsets fresh;
        double expected[3];
        fresh.RotateAxis(posts[i].data(), expected);
        EXPECT_EQ(std::memcmp(axis, expected, sizeof(axis)), 0) << "post " << i;
    }
    double axis[3];
    const double about[3] = {30.0, 0.0, 0.0};
    offsets.RotateAxis(about, axis);
    EXPECT_NEAR(axis[0], -30.0, 1e-9);
    EXPECT_NEAR(axis[1], 0.0, 1e-9);
    EXPECT_NEAR(axis[2], 0.0, 1e-9);
}

}  // namespace
