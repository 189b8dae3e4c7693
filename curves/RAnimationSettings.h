#ifndef WYX_CURVES_RANIMATIONSETTINGS_H
#define WYX_CURVES_RANIMATIONSETTINGS_H

// The process-wide animation settings that the readers consult after building curves. They
// are fixed when the SDK is loaded; nothing changes them afterwards.

#include "core/RTime.h"

// Rotation-filter modes.
constexpr int kRotationFilterNone = 0;
constexpr int kRotationFilterGimbleKiller = 1;
constexpr int kRotationFilterUnroll = 2;

// One frame at 30 frames per second: the sampling period of layer plotting.
const RTime& GetPlotPeriod();
// 1 gimbal killer, 2 unroll, any other value no rotation filtering. 2 as loaded.
int GetRotationFilterMode();
// The default precision (0.25) and path flag (off) of every new unroll filter.
double GetUnrollPrecision();
bool GetUnrollPath();
// Whether the readers run the constant key reducer on plotted or time-warped nodes (on).
bool IsConstantKeyReductionOn();

#endif
