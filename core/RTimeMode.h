#ifndef WYX_CORE_RTIMEMODE_H
#define WYX_CORE_RTIMEMODE_H

// Time modes (frame rates) and the process-wide time settings.
//
// Mode 0 stands for the process-wide default mode wherever a mode is passed; modes 1 to 13
// are real frame rates. Twelve of them have a row in the time-mode table (mode 12, 1000 fps,
// has a frame length but no row). Files name their frame rate by a file rate code that maps
// to a mode through the table.

#include <array>
#include <cstdint>

using RTimeMode = int;

constexpr RTimeMode kFirstTimeMode = 1;
constexpr RTimeMode kLastTimeMode = 13;

// Text formats of a time: timecode, frame count, or the process-wide default format.
constexpr int kTimeFormatTimecode = 0;
constexpr int kTimeFormatFrameCount = 1;
constexpr int kTimeFormatDefault = 2;

struct RTimeModeEntry {
    double frameRate;
    const char* shortName;
    RTimeMode mode;
    int fileRateCode;
    const char* longName;
    int reservedInt;          // carried as stored; nothing reads it
    uint8_t reservedFlag;     // carried as stored; nothing reads it
    bool answersCodeLookup;   // whether the row answers a lookup by file rate code
};

constexpr int kTimeModeTableSize = 12;
using RTimeModeTable = std::array<RTimeModeEntry, kTimeModeTableSize>;

// Frame lengths and timecode layout of a mode.
struct RTimeModeTiming {
    int64_t frameLength;      // ticks of one frame
    int64_t halfFrameLength;  // ticks of one field; 0 for modes without fields
    int timecodeRate;         // frames to one timecode second
    bool dropFrame;           // frame numbers 0 and 1 of most minutes are skipped
};

// The table rows in their fixed order (built on first use).
const RTimeModeTable& TimeModeTable();

// Mode 0 becomes the default mode; any other value is returned as it is.
RTimeMode ResolveTimeMode(RTimeMode mode);
// True for modes 1 to 13 (after resolving mode 0).
bool IsValidTimeMode(RTimeMode mode);

// The table row of a mode, or null when the mode has no row.
const RTimeModeEntry* FindTimeModeEntry(RTimeMode mode);
// The frame lengths of a mode, or null for a mode outside 1 to 13.
const RTimeModeTiming* FindTimeModeTiming(RTimeMode mode);

// The row's file rate code; 3 when the mode has no row.
int FileRateCode(RTimeMode mode);
// The mode of the first row with that code that answers code lookups; 6 when none.
RTimeMode ModeFromFileRateCode(int code);
// The mode of the first row whose short or long name equals the text exactly; 6 when none.
RTimeMode ModeFromName(const char* name);
// The row's short name; the empty text when the mode has no row.
const char* ModeShortName(RTimeMode mode);
// The row's frame rate; 30.0 when the mode has no row.
double FramesPerSecond(RTimeMode mode);
// The first mode from 1 to 13 whose frame rate lies within tolerance of the rate; 0 when none.
RTimeMode ModeFromFrameRate(double rate, double tolerance);

// The process-wide default mode, initially 6 (30 fps). The setter accepts 0 to 13 and
// answers false, leaving the setting, for anything else.
RTimeMode DefaultTimeMode();
bool SetDefaultTimeMode(RTimeMode mode);

// The process-wide default text format, initially frame count. The setter accepts the
// timecode and frame-count formats and answers false for anything else.
int DefaultTimeFormat();
bool SetDefaultTimeFormat(int format);

#endif
