#ifndef WYX_FORMATS_MOTION_RVPMFILE_H
#define WYX_FORMATS_MOTION_RVPMFILE_H

// The VPM channel file: segment after segment,
//   Segment: <name>
//   Frames: <count>
//   Frame Time: <seconds>
//   <nine channel names>
//   <nine units>
//   <one line per frame: translation x y z in inches, rotation x y z in degrees, scaling
//    x y z in percent>
// Keywords start their lines and compare without case. Translations read in centimetres;
// the scaling columns must be there but read as 1, 1, 1.
//
// A segment header is refused for a missing or misplaced keyword, an empty name, a negative
// frame count, or a frame time that is not above 0 or makes a rate above the highest the
// motion readers take.
//
// Writing: a segment name as one word (RMotionTextFile::FieldName: its blanks and control
// characters as '_', an empty name as "Unnamed"), so that every segment reads back.

#include "core/RString.h"
#include "formats/motion/RMotionTextFile.h"

class RVpmFile : public RMotionTextFile {
public:
    static constexpr double kCentimetresPerInch = 2.54;

    RVpmFile() : RMotionTextFile("VPM", " \t\r\n", "", true, false) {}

    // With first the file's first segment, else the one starting at the next line.
    bool ReadSegmentHeader(RString& name, int& frames, double& frameTime, bool first);
    bool SkipChannelHeader();
    bool ReadFrameLine(double translation[3], double rotation[3], double scaling[3]);

    // The name as a segment header holds it (and a read gives it back): one word.
    static RString SegmentName(const RString& name) { return FieldName(name, true); }
    void WriteSegmentHeader(const char* name, int frames, double frameTime);
    void WriteChannelHeader();
    void WriteFrameLine(const double translation[3], const double rotation[3], const double scaling[3]);
};

#endif
