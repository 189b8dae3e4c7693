#ifndef WYX_CORE_RTIME_H
#define WYX_CORE_RTIME_H

// The SDK's time value: a signed 64-bit count of ticks, 46,186,158,000 to the second.
//
// The largest value stands for an infinitely late time, the two smallest values for an
// infinitely early time; the text functions print placeholders for them.
//
// Arithmetic never wraps: a sum, difference or product beyond the 64-bit range gives the
// largest or the smallest value (so infinitely late plus a time stays infinitely late). A
// quotient by zero, and the one quotient beyond the range (smallest / -1), give 0.
//
// Operations that take a time mode read mode 0 as the process-wide default mode. Timecode
// operations answer false, leaving the time as it was, for a mode outside 1 to 13 and for
// fields whose time lies beyond the 64-bit range.

#include <cstdint>
#include <limits>

#include "core/RString.h"
#include "core/RTimeMode.h"

class RTime {
public:
    static constexpr int64_t kTicksPerSecond = 46186158000;
    static constexpr int64_t kInfinitelyLate = std::numeric_limits<int64_t>::max();
    // The mark of an unbounded start; the smallest value also reads as infinitely early.
    static constexpr int64_t kInfinitelyEarly = std::numeric_limits<int64_t>::min() + 1;
    static constexpr int64_t kSmallest = std::numeric_limits<int64_t>::min();
    // Longer texts are not parsed.
    static constexpr int kMaxTextLength = 18;

    constexpr RTime() = default;
    constexpr explicit RTime(int64_t ticks) : ticks_(ticks) {}

    int64_t GetTicks() const { return ticks_; }
    void SetTicks(int64_t ticks) { ticks_ = ticks; }
    bool IsInfinitelyLate() const { return ticks_ == kInfinitelyLate; }
    bool IsInfinitelyEarly() const { return ticks_ <= kInfinitelyEarly; }

    double ToSeconds() const;
    // Truncates toward zero; NaN gives 0, seconds beyond the range the largest or smallest value.
    void FromSeconds(double seconds);

    RTime operator+(RTime other) const;
    RTime operator-(RTime other) const;
    RTime operator*(int factor) const;
    RTime operator*(RTime other) const;  // product of the tick counts
    RTime operator/(RTime other) const;  // quotient of the tick counts, truncated

    bool operator==(RTime other) const { return ticks_ == other.ticks_; }
    bool operator!=(RTime other) const { return ticks_ != other.ticks_; }
    bool operator<(RTime other) const { return ticks_ < other.ticks_; }
    bool operator<=(RTime other) const { return ticks_ <= other.ticks_; }
    bool operator>(RTime other) const { return ticks_ > other.ticks_; }
    bool operator>=(RTime other) const { return ticks_ >= other.ticks_; }

    // Fields may lie outside their usual ranges (90 frames is three seconds at 30 fps). Modes
    // without fields ignore the field. In the drop-frame modes frame numbers 0 and 1 of every
    // minute except each tenth minute do not exist and read as frame 2.
    bool SetFromTimecode(int hours, int minutes, int seconds, int frames, int field, RTimeMode mode);
    // As SetFromTimecode, plus the residual in hundredths of a frame, rounded up to whole ticks.
    bool SetFromTimecodeWithResidual(int hours, int minutes, int seconds, int frames, int field,
                                     int residual, RTimeMode mode);
    // Hours are floored, so a negative time has negative hours and non-negative other parts.
    // The residual is in hundredths of a frame (a field counts 50). False for a mode outside
    // 1 to 13, the outputs then untouched.
    bool SplitTimecode(int& hours, int& minutes, int& seconds, int& frames, int& field,
                       int& residual, RTimeMode mode) const;

    // Cumulative: whole seconds of the time, truncated toward zero. Otherwise the seconds
    // within the minute; 0 for a mode outside 1 to 13.
    int64_t SecondCount(bool cumulative, RTimeMode mode) const;
    // Cumulative: whole frames of the time, truncated toward zero. Otherwise the frames
    // within the second. 0 for a mode outside 1 to 13.
    int64_t FrameCount(bool cumulative, RTimeMode mode) const;
    // The residual of SplitTimecode; 0 for a mode outside 1 to 13.
    int ResidualPart(RTimeMode mode) const;

    // The time as text. Format: kTimeFormatTimecode, kTimeFormatFrameCount or
    // kTimeFormatDefault. Detail 1 to 6 (timecode: 1 hours only ... 4 down to frames; 5 marks
    // a residual with "*"; 6 prints it in brackets); any other detail, or a mode outside 1 to
    // 13, gives the empty text.
    RString FormatTime(int detail, RTimeMode mode, int format) const;
    // Sets the time from a text of 1 to 18 characters in the given format. False, the time
    // unchanged, for a null, empty or longer text, a mode outside 1 to 13, a number that does
    // not read, or a time beyond the 64-bit range. The placeholders FormatTime prints read as
    // the infinite times.
    bool ParseTime(const char* text, RTimeMode mode, int format);

private:
    int64_t ticks_ = 0;
};

#endif
