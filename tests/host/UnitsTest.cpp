// Time, angle and distance units, the scene's time range and the host's text of numbers.

#include "tests/support/HostTestSupport.h"

#include <vexa/VAnimControl.h>
#include <vexa/VString.h>

#include <cmath>
#include <limits>

namespace {

using UnitsTest = HostTest;

TEST_F(UnitsTest, TimeUnitsCountTheirFramesPerSecond) {
    struct Case {
        VTime::Unit unit;
        int number;
        double perSecond;
    };
    const Case cases[] = {
        {VTime::kHours, 1, 1.0 / 3600.0}, {VTime::kMinutes, 2, 1.0 / 60.0}, {VTime::kSeconds, 3, 1.0},
        {VTime::kMilliseconds, 4, 1000.0}, {VTime::kGames, 5, 15.0},        {VTime::kFilm, 6, 24.0},
        {VTime::kNTSCFrame, 7, 30.0},      {VTime::kNTSCDropFrame, 8, 30.0}, {VTime::kShowScan, 9, 48.0},
        {VTime::kPALField, 10, 50.0},      {VTime::kNTSCField, 11, 60.0},   {VTime::kInvalid, 0, 0.0},
        {VTime::kLast, 12, 0.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(static_cast<int>(c.unit), c.number);
        EXPECT_EQ(VTime::unitsPerSecond(c.unit), c.perSecond) << c.number;
    }
}

TEST_F(UnitsTest, TimesConvertBetweenUnits) {
    const VTime frames(48.0, VTime::kFilm);
    EXPECT_EQ(frames.as(VTime::kSeconds), 2.0);
    EXPECT_EQ(frames.as(VTime::kNTSCFrame), 60.0);
    VTime moved = frames;
    moved.setUnit(VTime::kMilliseconds);
    EXPECT_EQ(moved.value(), 2000.0);
    EXPECT_TRUE(moved == frames);
    EXPECT_EQ((frames + VTime(1.0, VTime::kSeconds)).value(), 72.0);
    EXPECT_EQ(VTime(3.0, VTime::kInvalid).as(VTime::kSeconds), 0.0);
    EXPECT_EQ(VTime::uiUnit(), VTime::kFilm);
    EXPECT_FALSE(VTime::setUIUnit(VTime::kInvalid));
    EXPECT_TRUE(VTime::setUIUnit(VTime::kNTSCDropFrame));
    EXPECT_EQ(VTime(30.0).as(VTime::kSeconds), 1.0);
}

TEST_F(UnitsTest, AnglesAreRadiansInsideAndDegreesForTheUser) {
    EXPECT_EQ(VAngle::internalUnit(), VAngle::kRadians);
    EXPECT_EQ(VAngle::uiUnit(), VAngle::kDegrees);
    EXPECT_EQ(static_cast<int>(VAngle::kRadians), 1);
    EXPECT_EQ(static_cast<int>(VAngle::kDegrees), 2);
    EXPECT_NEAR(VAngle(180.0, VAngle::kDegrees).asRadians(), 3.141592653589793, 1e-15);
    EXPECT_NEAR(VAngle(1.0, VAngle::kDegrees).as(VAngle::kAngMinutes), 60.0, 1e-12);
    EXPECT_EQ(VAngle(1.0, VAngle::kInvalid).asDegrees(), 0.0);
}

TEST_F(UnitsTest, DistancesNumberKilometresBeforeMetres) {
    struct Case {
        VDistance::Unit unit;
        int number;
        double centimetres;
    };
    const Case cases[] = {
        {VDistance::kInches, 1, 2.54},     {VDistance::kFeet, 2, 30.48},        {VDistance::kYards, 3, 91.44},
        {VDistance::kMiles, 4, 160934.4},  {VDistance::kMillimeters, 5, 0.1},   {VDistance::kCentimeters, 6, 1.0},
        {VDistance::kKilometers, 7, 1e5},  {VDistance::kMeters, 8, 100.0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(static_cast<int>(c.unit), c.number);
        EXPECT_EQ(VDistance::centimetersPer(c.unit), c.centimetres) << c.number;
        EXPECT_NEAR(VDistance(1.0, c.unit).asCentimeters(), c.centimetres, 1e-9);
    }
    EXPECT_EQ(VDistance::internalUnit(), VDistance::kCentimeters);
    EXPECT_FALSE(VDistance::setUIUnit(VDistance::kLast));
}

TEST_F(UnitsTest, TheTimeRangeMovesItsOtherEndAlong) {
    EXPECT_EQ(VAnimControl::minTime().as(VTime::kSeconds), 0.0);
    EXPECT_EQ(VAnimControl::maxTime().as(VTime::kSeconds), 10.0);
    ASSERT_TRUE(VAnimControl::setMinTime(VTime(20.0, VTime::kSeconds)));
    EXPECT_EQ(VAnimControl::maxTime().as(VTime::kSeconds), 20.0);
    ASSERT_TRUE(VAnimControl::setMaxTime(VTime(30.0, VTime::kSeconds)));
    EXPECT_EQ(VAnimControl::minTime().as(VTime::kSeconds), 20.0);
    ASSERT_TRUE(VAnimControl::setMaxTime(VTime(5.0, VTime::kSeconds)));
    EXPECT_EQ(VAnimControl::minTime().as(VTime::kSeconds), 5.0);
    EXPECT_EQ(VAnimControl::setMinMaxTime(VTime(2.0, VTime::kSeconds), VTime(1.0, VTime::kSeconds)),
              VStatus::kInvalidParameter);
    EXPECT_EQ(VAnimControl::setCurrentTime(VTime(std::nan(""), VTime::kSeconds)), VStatus::kInvalidParameter);
    ASSERT_TRUE(VAnimControl::setCurrentTime(VTime(12.0, VTime::kFilm)));
    EXPECT_EQ(VAnimControl::currentTime().as(VTime::kSeconds), 0.5);
}

TEST_F(UnitsTest, NumbersHaveOneTextThatReadsBack) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0.5, "0.5"}, {2.0, "2"}, {0.1, "0.1"}, {-1e-07, "-1e-07"}, {1e21, "1e+21"},
        {1.0 / 3.0, "0.3333333333333333"}, {0.1 + 0.2, "0.30000000000000004"},
    };
    for (const Case& c : cases) {
        const VString text = VString::fromDouble(c.value);
        EXPECT_EQ(text, VString(c.text));
        EXPECT_EQ(text.asDouble(), c.value) << c.text;
    }
    EXPECT_EQ(VString("x=") + 3, "x=3");
    EXPECT_EQ(VString("x=") + 0.25, "x=0.25");
    EXPECT_EQ(VString::fromDouble(std::numeric_limits<double>::infinity()), "inf");
}

TEST_F(UnitsTest, StringsSplitSearchAndConvert) {
    VStringArray pieces;
    VString("a;;b;c;").split(';', pieces);
    ASSERT_EQ(pieces.length(), 3u);
    EXPECT_EQ(pieces[1], "b");
    const VString text("Wyx.WYX.wyx");
    EXPECT_EQ(text.toLowerCase().indexOf("wyx", 1), 4);
    EXPECT_EQ(text.rindex('.'), 7);
    EXPECT_EQ(text.substring(4, 6), "WYX");
    EXPECT_EQ(text.substring(9, 100), "yx");
    EXPECT_EQ(text.substring(5, 2), "");
    EXPECT_TRUE(VString("-12").isInt());
    EXPECT_FALSE(VString("12a").isInt());
    EXPECT_FALSE(VString("99999999999").isInt());
    EXPECT_FALSE(VString(" 1").isDouble());
    EXPECT_EQ(VString("abc").asInt(), 0);
    EXPECT_EQ(VString(nullptr), "");
}

}  // namespace
