#include "formats/motion/RMovFile.h"

#include <climits>
#include <cmath>

bool RMovFile::CountLines(int& count) {
    if (!Rewind()) {
        return false;
    }
    count = 1;
    while (count < INT_MAX && NextLine()) {
        ++count;
    }
    return !HasReadFailed();
}

bool RMovFile::CountValues(int& count) {
    if (!Rewind()) {
        return false;
    }
    count = 0;
    for (const char* at = GetCursor(); *at != '\0'; at = SkipDelimiters(at)) {
        double value = 0.0;
        const std::size_t used = ParseDouble(at, value);
        if (used == 0) {
            return false;
        }
        at += used;
        ++count;
    }
    return true;
}

bool RMovFile::ReadLine(double* values, int count, bool first) {
    if (!(first ? Rewind() : NextLine())) {
        return false;
    }
    const char* at = GetCursor();
    for (int i = 0; i < count; ++i) {
        const std::size_t used = *at != '\0' ? ParseDouble(at, values[i]) : 0;
        if (used == 0) {
            for (; i < count; ++i) {
                values[i] = 0.0;
            }
            break;
        }
        at = SkipDelimiters(at + used);
    }
    return true;
}
