#ifndef VEXA_VTIME_H
#define VEXA_VTIME_H

// A time: a value in a unit. The host keeps times in seconds inside; the UI unit is what the
// user works in (frames at 24 per second unless changed).
//
// Units and their counts per second: 1 hours (1/3600), 2 minutes (1/60), 3 seconds (1),
// 4 milliseconds (1000), 5 games (15), 6 film (24), 7 NTSC frames (30), 8 NTSC drop frames
// (counted as 30 as well), 9 show scan (48), 10 PAL fields (50), 11 NTSC fields (60).

#include <vexa/VexaExport.h>

class VEXA_API VTime {
public:
    enum Unit {
        kInvalid = 0, kHours = 1, kMinutes = 2, kSeconds = 3, kMilliseconds = 4, kGames = 5, kFilm = 6,
        kNTSCFrame = 7, kNTSCDropFrame = 8, kShowScan = 9, kPALField = 10, kNTSCField = 11, kLast = 12,
    };

    VTime() = default;
    VTime(double value, Unit unit = uiUnit());

    static Unit uiUnit();
    static bool setUIUnit(Unit unit);  // false for kInvalid and out-of-range units
    // Counts of the unit per second; 0 for an invalid unit.
    static double unitsPerSecond(Unit unit);

    Unit unit() const { return unit_; }
    double value() const { return value_; }
    double as(Unit unit) const;
    void setValue(double value) { value_ = value; }
    void setUnit(Unit unit);  // keeps the time, converts the value

    bool operator==(const VTime& other) const;
    bool operator!=(const VTime& other) const { return !(*this == other); }
    bool operator<(const VTime& other) const;
    VTime operator+(const VTime& other) const;
    VTime operator-(const VTime& other) const;

private:
    double value_ = 0.0;
    Unit unit_ = kSeconds;
};

#endif
