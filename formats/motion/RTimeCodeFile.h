#ifndef WYX_FORMATS_MOTION_RTIMECODEFILE_H
#define WYX_FORMATS_MOTION_RTIMECODEFILE_H

// The time-code file beside a TRC file (same name, extension ".tc"): three lines of at most
// 255 characters,
//   <hours>:<minutes>:<seconds>:<frames>
//   SMPTE | EBU | System Clock
//   <frame rate>
// The rate, rounded down, chooses the time mode (24, 25, 29, 30, 50, 60, 100, 120 fps; any
// other rate none). SMPTE: frames 0 to the rate, in that mode; EBU: frames 0 to 24 at 25 fps;
// System Clock: frames up to the rate, and the rate must have a mode. Numbers are read with
// the text base's range-checked parsing; fields are never negative.

#include "core/RTime.h"

#include <cstddef>

class RTimeCodeFile {
public:
    static constexpr std::size_t kMaxLineLength = 255;
    // The largest file taken: three full lines with their line ends.
    static constexpr std::size_t kMaxFileSize = 3 * (kMaxLineLength + 2);

    enum class Result { kMissing, kUnreadable, kInvalid, kRead };

    // The time code of the text; false when the text is not a valid time-code file.
    static bool Parse(const char* text, std::size_t size, RTime& time);
    // Reads and parses the file at the path.
    static Result Read(const char* path, RTime& time);
};

#endif
