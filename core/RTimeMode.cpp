#include "core/RTimeMode.h"

#include <cstring>

namespace {

constexpr RTimeMode kInitialDefaultMode = 6;
constexpr RTimeMode kFallbackMode = 6;
constexpr int kFallbackFileRateCode = 3;
constexpr double kFallbackFrameRate = 30.0;

int& DefaultTimeModeSetting() {
    static int mode = kInitialDefaultMode;
    return mode;
}

int& DefaultTimeFormatSetting() {
    static int format = kTimeFormatFrameCount;
    return format;
}

bool SameText(const char* a, const char* b) {
    return std::strcmp(a, b) == 0;
}

}  // namespace

const RTimeModeTable& TimeModeTable() {
    static const RTimeModeTable table = {{
        {120.0, "120", 1, 8, "120 fps", 3, 1, true},
        {100.0, "100", 2, 7, "100 fps", 3, 1, true},
        {60.0, "60", 3, 6, "60 fps", 3, 1, true},
        {50.0, "50", 4, 5, "50 fps", 3, 1, true},
        {48.0, "48", 5, 3, "48 fps", 3, 1, false},
        {30.0, "30", 6, 3, "30 fps", 3, 1, true},
        {29.97002617, "29.97 drop", 8, 4, "NTSC Drop", 3, 1, true},
        {29.97002617, "29.97 full", 9, 9, "NTSC Full", 3, 1, true},
        {25.0, "25", 10, 2, "PAL", 3, 1, true},
        {24.0, "24", 11, 1, "24 fps", 3, 1, true},
        {30.0, "30 Drop", 7, 10, "30 Drop", 0, 1, true},
        {23.976, "23.976", 13, 10, "23.976 fps", 3, 1, false},
    }};
    return table;
}

RTimeMode ResolveTimeMode(RTimeMode mode) {
    return mode == 0 ? DefaultTimeMode() : mode;
}

bool IsValidTimeMode(RTimeMode mode) {
    const RTimeMode resolved = ResolveTimeMode(mode);
    return resolved >= kFirstTimeMode && resolved <= kLastTimeMode;
}

const RTimeModeEntry* FindTimeModeEntry(RTimeMode mode) {
    const RTimeMode resolved = ResolveTimeMode(mode);
    for (const RTimeModeEntry& entry : TimeModeTable()) {
        if (entry.mode == resolved) {
            return &entry;
        }
    }
    return nullptr;
}

const RTimeModeTiming* FindTimeModeTiming(RTimeMode mode) {
    // Indexed by mode - 1. NTSC modes 8 and 9 count 30 frames to the timecode second at
    // the NTSC frame length; 23.976 counts 24.
    static const std::array<RTimeModeTiming, kLastTimeMode> timings = {{
        {384884650, 0, 120, false},
        {461861580, 0, 100, false},
        {769769300, 0, 60, false},
        {923723160, 0, 50, false},
        {962211625, 0, 48, false},
        {1539538600, 769769300, 30, false},
        {1539538600, 769769300, 30, true},
        {1541078334, 770539167, 30, true},
        {1541078334, 770539167, 30, false},
        {1847446320, 923723160, 25, false},
        {1924423250, 0, 24, false},
        {46186158, 0, 1000, false},
        {1926349600, 963174800, 24, true},
    }};
    if (!IsValidTimeMode(mode)) {
        return nullptr;
    }
    return &timings[static_cast<size_t>(ResolveTimeMode(mode) - 1)];
}

int FileRateCode(RTimeMode mode) {
    const RTimeModeEntry* entry = FindTimeModeEntry(mode);
    return entry ? entry->fileRateCode : kFallbackFileRateCode;
}

RTimeMode ModeFromFileRateCode(int code) {
    for (const RTimeModeEntry& entry : TimeModeTable()) {
        if (entry.fileRateCode == code && entry.answersCodeLookup) {
            return entry.mode;
        }
    }
    return kFallbackMode;
}

RTimeMode ModeFromName(const char* name) {
    if (name == nullptr) {
        return kFallbackMode;
    }
    for (const RTimeModeEntry& entry : TimeModeTable()) {
        if (SameText(entry.shortName, name) || SameText(entry.longName, name)) {
            return entry.mode;
        }
    }
    return kFallbackMode;
}

const char* ModeShortName(RTimeMode mode) {
    const RTimeModeEntry* entry = FindTimeModeEntry(mode);
    return entry ? entry->shortName : "";
}

double FramesPerSecond(RTimeMode mode) {
    const RTimeModeEntry* entry = FindTimeModeEntry(mode);
    return entry ? entry->frameRate : kFallbackFrameRate;
}

RTimeMode ModeFromFrameRate(double rate, double tolerance) {
    for (RTimeMode mode = kFirstTimeMode; mode <= kLastTimeMode; ++mode) {
        const double modeRate = FramesPerSecond(mode);
        if (modeRate - tolerance <= rate && rate <= modeRate + tolerance) {
            return mode;
        }
    }
    return 0;
}

RTimeMode DefaultTimeMode() {
    return DefaultTimeModeSetting();
}

bool SetDefaultTimeMode(RTimeMode mode) {
    if (mode < 0 || mode > kLastTimeMode) {
        return false;
    }
    DefaultTimeModeSetting() = mode;
    return true;
}

int DefaultTimeFormat() {
    return DefaultTimeFormatSetting();
}

bool SetDefaultTimeFormat(int format) {
    if (format != kTimeFormatTimecode && format != kTimeFormatFrameCount) {
        return false;
    }
    DefaultTimeFormatSetting() = format;
    return true;
}
