#include "formats/motion/RTimeCodeFile.h"

#include "core/FilePaths.h"
#include "core/RFileStream.h"
#include "core/RTimeMode.h"
#include "formats/motion/RMotionTextFile.h"

#include <cmath>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

namespace {

// The time mode of a frame rate rounded down; 0 when it has none.
RTimeMode ModeOfRate(double rate) {
    static const struct {
        int rate;
        RTimeMode mode;
    } kModes[] = {{24, 11}, {25, 10}, {29, 8}, {30, 6}, {50, 4}, {60, 3}, {100, 2}, {120, 1}};
    const double whole = std::floor(rate);
    for (const auto& entry : kModes) {
        if (whole == entry.rate) {
            return entry.mode;
        }
    }
    return 0;
}

// "h:m:s:f" with non-negative fields.
bool ParseFields(const std::string& line, int fields[4]) {
    const char* at = line.c_str();
    for (int i = 0; i < 4; ++i) {
        if (i > 0 && *at++ != ':') {
            return false;
        }
        const std::size_t used = RMotionTextFile::ParseInt(at, fields[i]);
        if (used == 0 || fields[i] < 0) {
            return false;
        }
        at += used;
    }
    return true;
}

std::vector<std::string> SplitLines(const char* text, std::size_t size) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < size && lines.size() < 3) {
        const void* feed = std::memchr(text + begin, '\n', size - begin);
        const std::size_t end = feed != nullptr ? static_cast<std::size_t>(static_cast<const char*>(feed) - text) : size;
        lines.emplace_back(text + begin, end - begin);
        begin = end + 1;
    }
    return lines;
}

}  // namespace

bool RTimeCodeFile::Parse(const char* text, std::size_t size, RTime& time) {
    if (text == nullptr) {
        return false;
    }
    const std::vector<std::string> lines = SplitLines(text, size);
    int fields[4];
    double rate = 0.0;
    if (lines.size() < 3 || lines[0].size() > kMaxLineLength || lines[1].size() > kMaxLineLength ||
        lines[2].size() > kMaxLineLength || !ParseFields(lines[0], fields) ||
        RMotionTextFile::ParseDouble(lines[2].c_str(), rate) == 0) {
        return false;
    }
    const std::string& kind = lines[1];
    RTimeMode mode = ModeOfRate(rate);
    const int frames = fields[3];
    if (kind.compare(0, 5, "SMPTE") == 0) {
        if (frames > rate) {
            return false;
        }
    } else if (kind.compare(0, 3, "EBU") == 0) {
        if (frames > 24) {
            return false;
        }
        mode = 10;
    } else if (kind.size() >= 12 && strncasecmp(kind.c_str(), "System Clock", 12) == 0) {
        if (frames > rate || mode == 0) {
            return false;
        }
    } else {
        return false;
    }
    RTime code;
    if (!code.SetFromTimecode(fields[0], fields[1], fields[2], frames, 0, mode)) {
        return false;
    }
    time = code;
    return true;
}

RTimeCodeFile::Result RTimeCodeFile::Read(const char* path, RTime& time) {
    if (path == nullptr || !FileExists(path)) {
        return Result::kMissing;
    }
    RFileStream file;
    if (!file.Open(path, "rt")) {
        return Result::kUnreadable;
    }
    std::vector<char> text(kMaxFileSize + 1);
    const int got = file.Read(text.data(), static_cast<int>(text.size()));
    file.Close();
    if (got < 0) {
        return Result::kUnreadable;
    }
    return Parse(text.data(), static_cast<std::size_t>(got), time) ? Result::kRead : Result::kInvalid;
}
