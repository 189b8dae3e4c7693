#include "scene/RWyxGlobalLightSettings.h"
#include "scene/RWyxGlobalTimeSettings.h"

#include "core/RTimeMode.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// ---- time settings ---------------------------------------------------------------------------------

// Restores the process-wide time settings a test changes.
class ProcessTimeDefaults : public ::testing::Test {
protected:
    void TearDown() override {
        SetDefaultTimeMode(mode_);
        SetDefaultTimeFormat(format_);
    }

private:
    RTimeMode mode_ = DefaultTimeMode();
    int format_ = DefaultTimeFormat();
};

TEST_F(ProcessTimeDefaults, UnsetModeAndFormatFallBackToTheProcessThenToTheirOwnDefaults) {
    RWyxGlobalTimeSettings time;
    EXPECT_EQ(time.GetTimeMode(), 6);
    EXPECT_EQ(time.GetTimeFormat(), 1);
    time.SetTimeMode(3);
    time.SetTimeFormat(0);
    EXPECT_EQ(time.GetTimeMode(), 3);
    EXPECT_EQ(time.GetTimeFormat(), 0);

    time.SetTimeMode(RWyxGlobalTimeSettings::kUnsetTimeMode);
    time.SetTimeFormat(RWyxGlobalTimeSettings::kUnsetTimeFormat);
    ASSERT_TRUE(SetDefaultTimeMode(9));
    ASSERT_TRUE(SetDefaultTimeFormat(kTimeFormatTimecode));
    EXPECT_EQ(time.GetStoredTimeMode(), 0);
    EXPECT_EQ(time.GetTimeMode(), 9);
    EXPECT_EQ(time.GetTimeFormat(), kTimeFormatTimecode);
    ASSERT_TRUE(SetDefaultTimeMode(0));
    EXPECT_EQ(time.GetTimeMode(), 6) << "stored 0 and process default 0";
}

TEST(RWyxGlobalTimeSettings, MarkersAndTheReferenceIndexAreCheckedAndResetClearsThem) {
    RWyxGlobalTimeSettings time;
    EXPECT_FALSE(time.SetReferenceTimeIndex(0)) << "no marker yet";
    EXPECT_EQ(time.GetError().GetLastErrorCode(), RWyxGlobalTimeSettings::kErrorIndexOutOfRange);
    EXPECT_STREQ(time.GetError().GetLastErrorString(), "Index out of range.");
    EXPECT_EQ(time.AddTimeMarker(RWyxTimeMarker("Start", RTime(10), false)), 0);
    EXPECT_EQ(time.AddTimeMarker(RWyxTimeMarker("Loop", RTime(20), true)), 1);
    ASSERT_NE(time.GetTimeMarker(1), nullptr);
    EXPECT_STREQ(time.GetTimeMarker(1)->name.Buffer(), "Loop");
    EXPECT_TRUE(time.GetTimeMarker(1)->loop);
    EXPECT_EQ(time.GetTimeMarker(1)->time, RTime(20));
    EXPECT_EQ(time.GetTimeMarker(2), nullptr);
    EXPECT_EQ(time.GetTimeMarker(-1), nullptr);
    EXPECT_FALSE(time.SetReferenceTimeIndex(2));
    EXPECT_TRUE(time.SetReferenceTimeIndex(1));
    EXPECT_FALSE(time.SetReferenceTimeIndex(-1));
    EXPECT_EQ(time.GetReferenceTimeIndex(), 1) << "a refused index changes nothing";

    time.SetTimeMode(2);
    time.SetSnapOnFrames(true);
    time.Reset();
    EXPECT_EQ(time.GetTimeMarkerCount(), 0);
    EXPECT_EQ(time.GetReferenceTimeIndex(), -1);
    EXPECT_EQ(time.GetStoredTimeMode(), 6);
    EXPECT_EQ(time.GetStoredTimeFormat(), 1);
    EXPECT_FALSE(time.GetSnapOnFrames());
}

// ---- light settings -------------------------------------------------------------------------------

TEST(RWyxGlobalLightSettings, ResetGivesTheDefaults) {
    RWyxGlobalLightSettings light;
    light.SetFogEnable(true);
    light.SetFogMode(2);
    light.SetFogDensity(0.5);
    light.SetShadowEnable(true);
    light.AddShadowPlane(false, RVector4(1, 2, 3, 1), RVector4(0, 0, 1, 1));
    light.SetAmbientColor(RWyxColor(1, 0, 0, 1));
    light.Reset();
    RWyxColor color;
    EXPECT_EQ(light.GetAmbientColor(color), RWyxColor(0.4, 0.4, 0.4, 0.0));
    EXPECT_EQ(light.GetFogColor(color), RWyxColor(1.0, 1.0, 1.0, 0.0));
    EXPECT_FALSE(light.GetFogEnable());
    EXPECT_FALSE(light.GetShadowEnable());
    EXPECT_EQ(light.GetFogMode(), 0);
    EXPECT_DOUBLE_EQ(light.GetFogStart(), 0.3);
    EXPECT_DOUBLE_EQ(light.GetFogEnd(), 1000.0);
    EXPECT_DOUBLE_EQ(light.GetFogDensity(), 0.002);
    EXPECT_DOUBLE_EQ(light.GetShadowIntensity(), 0.0);
    EXPECT_EQ(light.GetShadowPlaneCount(), 0);
}

TEST(RWyxGlobalLightSettings, FogRangeAndShadowIntensityAreClamped) {
    RWyxGlobalLightSettings light;
    light.SetFogStart(-5.0);
    EXPECT_DOUBLE_EQ(light.GetFogStart(), 0.0);
    light.SetFogStart(2000.0);
    EXPECT_DOUBLE_EQ(light.GetFogStart(), 1000.0) << "never past the end";
    light.SetFogStart(0.3);
    light.SetFogEnd(0.1);
    EXPECT_DOUBLE_EQ(light.GetFogEnd(), 0.3) << "never before the start";
    light.SetFogEnd(500.0);
    EXPECT_DOUBLE_EQ(light.GetFogEnd(), 500.0);
    light.SetFogStart(500.0);
    EXPECT_DOUBLE_EQ(light.GetFogStart(), 500.0) << "the end itself is allowed";
    light.SetFogStart(std::nan(""));
    light.SetFogEnd(std::nan(""));
    EXPECT_DOUBLE_EQ(light.GetFogStart(), 500.0);
    EXPECT_DOUBLE_EQ(light.GetFogEnd(), 500.0);

    const double intensities[][2] = {{301.0, 300.0}, {-1.0, 0.0}, {300.0, 300.0}, {0.0, 0.0}, {12.5, 12.5}};
    for (const auto& [given, stored] : intensities) {
        light.SetShadowIntensity(given);
        EXPECT_DOUBLE_EQ(light.GetShadowIntensity(), stored) << given;
    }
}

TEST(RWyxGlobalLightSettings, ShadowPlanesAreRecordsHeldByValue) {
    RWyxGlobalLightSettings light;
    EXPECT_EQ(light.AddShadowPlane(true, RVector4(0, 0, 0, 1), RVector4(0, 1, 0, 1)), 0);
    EXPECT_EQ(light.AddShadowPlane(false, RVector4(1, 2, 3, 1), RVector4(0, 0, 1, 1)), 1);
    const RWyxShadowPlane* plane = light.GetShadowPlane(1);
    ASSERT_NE(plane, nullptr);
    EXPECT_FALSE(plane->enabled);
    EXPECT_EQ(plane->origin, RVector4(1, 2, 3, 1));
    EXPECT_EQ(plane->normal, RVector4(0, 0, 1, 1));
    EXPECT_EQ(light.GetShadowPlane(2), nullptr);
    EXPECT_STREQ(light.GetError().GetLastErrorString(), "Index out of range.");
    const RWyxShadowPlane fresh;
    EXPECT_TRUE(fresh.enabled);
    EXPECT_EQ(fresh.normal, RVector4(0, 1, 0, 1));
    light.RemoveAllShadowPlanes();
    EXPECT_EQ(light.GetShadowPlaneCount(), 0);
}

}  // namespace
