#include "attributes/RWyxCamera.h"

#include "curves/RFCurve.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNode.h"

#include <gtest/gtest.h>

#include "tests/attributes/CurveDefaults.h"

#include <cmath>
#include <limits>
#include <variant>

namespace {

using attribute_test::DefaultOf;
using attribute_test::SetDefaultOf;

class CameraTest : public ::testing::Test {
protected:
    RWyxCamera* AttachedCamera(const char* nodeName) {
        RWyxCamera* camera = factory.CreateCamera();
        factory.CreateNode(nodeName)->SetNodeAttribute(camera);
        return camera;
    }

    RWyxObjectFactory factory;
};

RVector4 Translation(const RWyxNode& node) {
    const RPropertyValue value = node.GetProperties()->FindProperty("Lcl Translation")->GetValue();
    return std::get<RVector4>(value);
}

// ---- clipping planes -----------------------------------------------------------------------

struct PlaneCase {
    const char* what;
    double nearBefore;
    double farBefore;
    bool setNear;  // else the far plane is set
    double value;
    double nearAfter;
    double farAfter;
};

constexpr double kGap = RWyxCamera::kMinPlaneGap;

const PlaneCase kPlaneCases[] = {
    {"near inside the range", 10.0, 4000.0, true, 25.0, 25.0, 4000.0},
    {"far inside the range", 10.0, 4000.0, false, 900.0, 10.0, 900.0},
    {"near below the smallest", 10.0, 4000.0, true, 0.0, 0.001, 4000.0},
    {"near negative", 10.0, 4000.0, true, -5.0, 0.001, 4000.0},
    {"far above the largest", 10.0, 4000.0, false, 1e9, 10.0, 600000.0},
    {"near past far pushes far", 10.0, 100.0, true, 500.0, 500.0, 500.0 + kGap},
    {"near onto far pushes far", 10.0, 100.0, true, 100.0, 100.0, 100.0 + kGap},
    {"far before near pushes near", 10.0, 100.0, false, 5.0, 5.0 - kGap, 5.0},
    {"far onto near pushes near", 10.0, 100.0, false, 10.0, 10.0 - kGap, 10.0},
    {"near at the largest stops short", 10.0, 100.0, true, 600000.0, 600000.0 - kGap, 600000.0},
    {"far at the smallest stays beyond it", 10.0, 100.0, false, 0.0, 0.001, 0.001 + kGap},
    {"far negative", 10.0, 100.0, false, -1.0, 0.001, 0.001 + kGap},
    {"near not a number changes nothing", 10.0, 100.0, true, std::nan(""), 10.0, 100.0},
    {"far not a number changes nothing", 10.0, 100.0, false, std::nan(""), 10.0, 100.0},
    {"near infinite", 10.0, 100.0, true, std::numeric_limits<double>::infinity(), 600000.0 - kGap, 600000.0},
};

TEST_F(CameraTest, PlanesAreClampedAndPushEachOtherApart) {
    for (const PlaneCase& c : kPlaneCases) {
        SCOPED_TRACE(c.what);
        RWyxCamera* camera = factory.CreateCamera();
        camera->SetFarPlane(c.farBefore);
        camera->SetNearPlane(c.nearBefore);
        ASSERT_DOUBLE_EQ(camera->GetNearPlane(), c.nearBefore);
        ASSERT_DOUBLE_EQ(camera->GetFarPlane(), c.farBefore);
        if (c.setNear) {
            camera->SetNearPlane(c.value);
        } else {
            camera->SetFarPlane(c.value);
        }
        EXPECT_DOUBLE_EQ(camera->GetNearPlane(), c.nearAfter);
        EXPECT_DOUBLE_EQ(camera->GetFarPlane(), c.farAfter);
        EXPECT_LT(camera->GetNearPlane(), camera->GetFarPlane());
    }
}

// ---- lens -------------------------------------------------------------------------------------

struct LensCase {
    const char* what;
    int mode;
    double widthInches;
    double heightInches;
    double squeeze;
    double focalLength;
    double fieldOfView;  // 2 atan(A / 2f) in degrees
};

// A is the film width times the squeeze ratio, or the film height in the vertical mode.
const LensCase kLensCases[] = {
    {"horizontal, 36 mm film, 35 mm lens", 1, 36.0 / 25.4, 24.0 / 25.4, 1.0, 35.0, 54.43222311461495},
    {"vertical, 24 mm film, 35 mm lens", 2, 36.0 / 25.4, 24.0 / 25.4, 1.0, 35.0, 37.84928883210247},
    {"horizontal and vertical measure the width", 0, 36.0 / 25.4, 24.0 / 25.4, 1.0, 35.0, 54.43222311461495},
    {"horizontal with squeeze 2", 1, 36.0 / 25.4, 24.0 / 25.4, 2.0, 35.0, 91.61385891020474},
    {"horizontal and vertical with squeeze 2", 0, 36.0 / 25.4, 24.0 / 25.4, 2.0, 35.0, 91.61385891020474},
    {"vertical ignores the squeeze", 2, 36.0 / 25.4, 24.0 / 25.4, 2.0, 35.0, 37.84928883210247},
    {"host default film, 50 mm lens", 1, 1.41732, 0.94488, 1.0, 50.0, 39.59767966908755},
    {"vertical 1 inch film, 12.7 mm lens: a right angle", 2, 1.0, 1.0, 1.0, 12.7, 90.0},
};

TEST_F(CameraTest, FieldOfViewFollowsFocalLengthAndFilmInEveryApertureMode) {
    for (const LensCase& c : kLensCases) {
        SCOPED_TRACE(c.what);
        const double width = c.widthInches * 25.4;
        const double height = c.heightInches * 25.4;
        EXPECT_NEAR(RWyxCamera::FieldOfViewFromFocalLength(c.focalLength, width, height, c.squeeze, c.mode),
                    c.fieldOfView, 1e-9);
        EXPECT_NEAR(RWyxCamera::FocalLengthFromFieldOfView(c.fieldOfView, width, height, c.squeeze, c.mode),
                    c.focalLength, 1e-9);

        RWyxCamera* camera = factory.CreateCamera();
        ASSERT_TRUE(camera->SetApertureMode(c.mode));
        camera->SetApertureWidth(c.widthInches);
        camera->SetApertureHeight(c.heightInches);
        camera->SetSqueezeRatio(c.squeeze);
        ASSERT_TRUE(camera->SetFocalLength(c.focalLength));
        EXPECT_NEAR(camera->GetFieldOfView(), c.fieldOfView, 1e-9);
        // The published field of view follows the lens.
        EXPECT_NEAR(camera->GetDefaultFieldOfView(), c.fieldOfView, 1e-9);

        // The other way: a field of view sets the focal length that gives it.
        ASSERT_TRUE(camera->SetFieldOfView(45.0));
        EXPECT_NEAR(camera->GetFieldOfView(), 45.0, 1e-9);
        ASSERT_TRUE(camera->SetFieldOfView(c.fieldOfView));
        EXPECT_NEAR(camera->GetFocalLength(), c.focalLength, 1e-9);
        // A field of view of exactly 0 converts to no lens rather than an infinite one.
        EXPECT_EQ(RWyxCamera::FocalLengthFromFieldOfView(0.0, width, height, c.squeeze, c.mode), 0.0);
    }
}

TEST_F(CameraTest, FieldOfViewIsClampedBetweenOneAnd179Degrees) {
    struct Case {
        double requested;
        double kept;
    };
    const Case cases[] = {{0.0, 1.0}, {-30.0, 1.0}, {0.5, 1.0}, {1.0, 1.0}, {90.0, 90.0},
                          {179.0, 179.0}, {180.0, 179.0}, {720.0, 179.0}};
    RWyxCamera* camera = factory.CreateCamera();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.requested);
        ASSERT_TRUE(camera->SetFieldOfView(c.requested));
        EXPECT_NEAR(camera->GetFieldOfView(), c.kept, 1e-9);
        EXPECT_NEAR(camera->GetDefaultFieldOfView(), c.kept, 1e-9);
        EXPECT_GT(camera->GetFocalLength(), 0.0);
    }
    EXPECT_FALSE(camera->SetFieldOfView(std::nan("")));
    EXPECT_NEAR(camera->GetFieldOfView(), 179.0, 1e-9);

    // A lens that reaches beyond the limits still reads within them.
    ASSERT_TRUE(camera->SetFocalLength(1e-6));
    EXPECT_DOUBLE_EQ(camera->GetFieldOfView(), 179.0);
    ASSERT_TRUE(camera->SetFocalLength(1e6));
    EXPECT_DOUBLE_EQ(camera->GetFieldOfView(), 1.0);
    EXPECT_DOUBLE_EQ(camera->GetFocalLength(), 1e6);  // stored as given
    // No lens has a focal length of 0, below 0 or not a number: refused, the lens kept.
    EXPECT_FALSE(camera->SetFocalLength(0.0));
    EXPECT_FALSE(camera->SetFocalLength(-35.0));
    EXPECT_FALSE(camera->SetFocalLength(std::nan("")));
    EXPECT_DOUBLE_EQ(camera->GetFocalLength(), 1e6);
}

TEST_F(CameraTest, ApertureSizesStayAtLeastATenThousandthOfAnInch) {
    struct Case {
        double requested;
        double kept;
    };
    const Case cases[] = {{0.0, 0.0001}, {-1.0, 0.0001}, {0.00005, 0.0001}, {0.0001, 0.0001},
                          {0.5, 0.5},    {std::nan(""), 0.0001}};
    RWyxCamera* camera = factory.CreateCamera();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.requested);
        camera->SetApertureWidth(c.requested);
        camera->SetApertureHeight(c.requested);
        EXPECT_DOUBLE_EQ(camera->GetApertureWidth(), c.kept);
        EXPECT_DOUBLE_EQ(camera->GetApertureHeight(), c.kept);
        EXPECT_DOUBLE_EQ(camera->GetProperties()->GetTable().GetNumber(RWyxCameraProperties::kApertureWidth), c.kept);
        // A field of view set on the smallest film still gives a finite, positive lens.
        for (int mode = 0; mode <= 2; ++mode) {
            camera->SetApertureMode(mode);
            ASSERT_TRUE(camera->SetFieldOfView(60.0));
            EXPECT_TRUE(std::isfinite(camera->GetFocalLength()));
            EXPECT_GT(camera->GetFocalLength(), 0.0);
            EXPECT_NEAR(camera->GetFieldOfView(), 60.0, 1e-9);
        }
    }
    // Written around the setter, the film still reads at its smallest.
    camera->GetProperties()->GetTable().SetNumber(RWyxCameraProperties::kApertureHeight, 0.0);
    EXPECT_DOUBLE_EQ(camera->GetApertureHeight(), 0.0001);
}

TEST_F(CameraTest, ChangingTheFilmOrTheModeKeepsTheLensAndMovesTheFieldOfView) {
    RWyxCamera* camera = factory.CreateCamera();
    ASSERT_TRUE(camera->SetFocalLength(35.0));
    camera->SetApertureWidth(36.0 / 25.4);
    camera->SetApertureHeight(24.0 / 25.4);
    ASSERT_TRUE(camera->SetApertureMode(RWyxCamera::kApertureVertical));
    EXPECT_NEAR(camera->GetDefaultFieldOfView(), 37.84928883210247, 1e-9);
    camera->SetApertureHeight(36.0 / 25.4);
    EXPECT_NEAR(camera->GetDefaultFieldOfView(), 54.43222311461495, 1e-9);
    EXPECT_DOUBLE_EQ(camera->GetFocalLength(), 35.0);
    EXPECT_FALSE(camera->SetApertureMode(3));
    EXPECT_FALSE(camera->SetApertureMode(-1));
    EXPECT_EQ(camera->GetApertureMode(), RWyxCamera::kApertureVertical);
}

// ---- position, detached and attached --------------------------------------------------------

TEST_F(CameraTest, ADetachedCameraKeepsAndAnswersItsOwnPositionAndHandsItToItsNextOwner) {
    RWyxCamera* camera = factory.CreateCamera();
    ASSERT_EQ(camera->GetNode(), nullptr);
    camera->SetPosition(RVector4(4.0, 5.0, 6.0, 0.0));
    EXPECT_DOUBLE_EQ(camera->GetPosition().x, 4.0);
    EXPECT_DOUBLE_EQ(camera->GetPosition().z, 6.0);
    EXPECT_DOUBLE_EQ(camera->GetPosition().w, 1.0);

    RWyxNode* node = factory.CreateNode("Cam");
    node->SetNodeAttribute(camera);
    EXPECT_DOUBLE_EQ(Translation(*node).y, 5.0);
    EXPECT_FLOAT_EQ(DefaultOf(node->GetDefaultTakeNode()->GetTranslationZCurve()), 6.0f);
    camera->SetPosition(RVector4(-1.0, 0.0, 7.0, 1.0));
    EXPECT_DOUBLE_EQ(Translation(*node).x, -1.0);

    // Detached, it keeps the position its node gave it and leaves that node alone.
    node->GetProperties()->FindProperty("Lcl Translation")->SetValue(RVector4(3.0, 2.0, 1.0, 1.0));
    node->SetNodeAttribute(nullptr);
    EXPECT_DOUBLE_EQ(camera->GetPosition().x, 3.0);
    camera->SetPosition(RVector4(0.0, 0.0, 0.0, 1.0));
    EXPECT_DOUBLE_EQ(Translation(*node).x, 3.0);
}

TEST_F(CameraTest, ACameraAttachedWithoutAPositionLeavesTheNodeWhereItIs) {
    RWyxNode* node = factory.CreateNode("Cam");
    node->GetProperties()->FindProperty("Lcl Translation")->SetValue(RVector4(8.0, 9.0, 10.0, 1.0));
    RWyxCamera* camera = factory.CreateCamera();
    node->SetNodeAttribute(camera);
    EXPECT_DOUBLE_EQ(camera->GetPosition().x, 8.0);
    EXPECT_DOUBLE_EQ(Translation(*node).x, 8.0);
}

TEST_F(CameraTest, EveryOwnerReadingAccessorAnswersTheCamerasOwnValuesWhenDetached) {
    RWyxCamera* camera = factory.CreateCamera();
    ASSERT_EQ(camera->GetNode(), nullptr);
    camera->SetDefaultRoll(12.5);
    camera->SetDefaultFieldOfViewX(33.0);
    camera->SetDefaultFieldOfViewY(22.0);
    camera->SetDefaultOpticalCenterX(0.25);
    camera->SetDefaultOpticalCenterY(-0.25);
    camera->SetDefaultTurnTable(3.0);
    camera->SetDefaultBackgroundColor(0.1, 0.2, 0.3);
    ASSERT_TRUE(camera->SetFieldOfView(50.0));
    EXPECT_DOUBLE_EQ(camera->GetDefaultRoll(), 12.5);
    EXPECT_DOUBLE_EQ(camera->GetDefaultFieldOfViewX(), 33.0);
    EXPECT_DOUBLE_EQ(camera->GetDefaultFieldOfViewY(), 22.0);
    EXPECT_DOUBLE_EQ(camera->GetDefaultOpticalCenterX(), 0.25);
    EXPECT_DOUBLE_EQ(camera->GetDefaultOpticalCenterY(), -0.25);
    EXPECT_DOUBLE_EQ(camera->GetDefaultTurnTable(), 3.0);
    EXPECT_DOUBLE_EQ(camera->GetDefaultFieldOfView(), 50.0);
    EXPECT_DOUBLE_EQ(camera->GetDefaultBackgroundColor().z, 0.3);
}

TEST_F(CameraTest, AttachedDefaultsAreTheDefaultTakesCurvesAndFollowThem) {
    RWyxCamera* camera = AttachedCamera("Cam");
    RWyxNode* node = camera->GetNode();
    RWyxTakeNode* defaultTake = node->GetDefaultTakeNode();
    camera->SetDefaultRoll(-30.0);
    ASSERT_NE(defaultTake->GetRollCurve(), nullptr);
    EXPECT_FLOAT_EQ(DefaultOf(defaultTake->GetRollCurve()), -30.0f);
    camera->SetDefaultBackgroundColor(0.5, 0.25, 1.0);
    EXPECT_FLOAT_EQ(DefaultOf(defaultTake->GetBackgroundColorYCurve()), 0.25f);

    // A curve default written by a reader is what the camera answers, and its property follows.
    SetDefaultOf(defaultTake->GetFieldOfViewXCurve(), 61.0f);
    EXPECT_DOUBLE_EQ(camera->GetDefaultFieldOfViewX(), 61.0);
    EXPECT_DOUBLE_EQ(camera->GetProperties()->FindProperty("FieldOfViewX")->GetDouble(), 61.0);
    SetDefaultOf(defaultTake->GetBackgroundColorXCurve(), 0.75f);
    EXPECT_DOUBLE_EQ(camera->GetDefaultBackgroundColor().x, 0.75);
}

// ---- reset and the other values -------------------------------------------------------------

TEST_F(CameraTest, ResetBringsBackTheDefaultsAlsoInTheOwnersDefaultTake) {
    RWyxCamera* camera = AttachedCamera("Cam");
    EXPECT_NEAR(camera->GetDefaultFieldOfView(), camera->GetFieldOfView(), 1e-5);  // a new camera agrees
    const double defaultFocalLength = camera->GetFocalLength();
    const double defaultFieldOfView = camera->GetFieldOfView();
    const double defaultNear = camera->GetNearPlane();
    camera->SetFocalLength(80.0);
    camera->SetNearPlane(defaultNear * 3.0);
    camera->SetDefaultRoll(45.0);
    camera->SetUpVector(RVector4(1.0, 0.0, 0.0, 1.0));
    camera->SetInterestPosition(RVector4(0.0, 0.0, -5.0, 1.0));
    camera->SetShowAudio(true);
    ASSERT_TRUE(camera->SetProjectionType(RWyxCamera::kOrthographic));
    EXPECT_FALSE(camera->SetProjectionType(2));
    EXPECT_EQ(camera->GetProjectionType(), RWyxCamera::kOrthographic);

    camera->Reset();
    EXPECT_DOUBLE_EQ(camera->GetFocalLength(), defaultFocalLength);
    EXPECT_DOUBLE_EQ(camera->GetFieldOfView(), defaultFieldOfView);
    EXPECT_NEAR(camera->GetDefaultFieldOfView(), defaultFieldOfView, 1e-5);
    EXPECT_DOUBLE_EQ(camera->GetNearPlane(), defaultNear);
    EXPECT_DOUBLE_EQ(camera->GetDefaultRoll(), 0.0);
    EXPECT_FLOAT_EQ(DefaultOf(camera->GetNode()->GetDefaultTakeNode()->GetRollCurve()), 0.0f);
    EXPECT_DOUBLE_EQ(camera->GetUpVector().y, 1.0);
    EXPECT_DOUBLE_EQ(camera->GetUpVector().x, 0.0);
    EXPECT_DOUBLE_EQ(camera->GetInterestPosition().z, 0.0);
    EXPECT_FALSE(camera->GetShowAudio());
    EXPECT_EQ(camera->GetProjectionType(), RWyxCamera::kPerspective);
}

}  // namespace
