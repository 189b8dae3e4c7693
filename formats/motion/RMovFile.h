#ifndef WYX_FORMATS_MOTION_RMOVFILE_H
#define WYX_FORMATS_MOTION_RMOVFILE_H

// The MOV motion file: a table of numbers, one line per frame, the time in seconds followed by
// the channels of every segment (translation, rotation, scaling groups of three, as the
// options say), separated by blanks or tabs; no names, no header. Numbers are read range
// checked; a value that is not a finite number ends its line's values.

#include "formats/motion/RMotionTextFile.h"

class RMovFile : public RMotionTextFile {
public:
    RMovFile() : RMotionTextFile("MOV", " \t\r\n", "", true, false) {}

    // The significant lines (at least 1 once the file rewinds).
    bool CountLines(int& count);
    // The numbers of the first line; false when anything else stands on it.
    bool CountValues(int& count);
    // With first the first line, else the next one; up to count numbers, the values not
    // there set to 0. False when there is no such line.
    bool ReadLine(double* values, int count, bool first);
};

#endif
