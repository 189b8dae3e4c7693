#ifndef WYX_FORMATS_MOTION_RBRDFILE_H
#define WYX_FORMATS_MOTION_RBRDFILE_H

// The BRD format object: a text file of tracked markers without a header, one row per
// marker and frame:
//   <frame> <marker id> P <x> <y> <z> Q <qx> <qy> <qz> <qw> <seconds> <microseconds>
// Fields are separated by tabs on writing; blanks, tabs, CR and LF separate them on reading.
// The time of a row is seconds + microseconds x 1e-6.
//
// A row with a missing field, a wrong letter, a number that is not finite or a time beyond
// the time range fails.

#include "core/RTime.h"
#include "core/RVector4.h"
#include "formats/motion/RBrdMarker.h"
#include "formats/motion/RMotionTextFile.h"

class RBrdFile : public RMotionTextFile {
public:
    explicit RBrdFile(bool report = false);

    // With rewind the first significant line, else the next one, parsed into the sample and
    // the marker id. False at the end of the file (IsAtEnd) or for a row that does not parse.
    bool ReadRow(RBrdSample& sample, int& markerId, bool rewind);
    void WriteRow(int frame, int markerIndex, const RVector4& position, const RVector4& quaternion, RTime time);

private:
    bool ReadNumbers(double* values, int count);
    bool ExpectLetter(char letter);
};

#endif
