#ifndef WYX_FORMATS_MOTION_RAMCFILE_H
#define WYX_FORMATS_MOTION_RAMCFILE_H

// The Acclaim AMC motion format object: reads frames of DOF values onto an ASF skeleton's
// bones and prints them from one.
//
// The file as read ("#" starts a comment line):
//   :FULLY-SPECIFIED, :DEGREES, ...    header lines, accepted and passed over
//   :FORMAT FIRSTFRAME-INDEXED         the only frame layout read (frames counted from 1)
//   :SAMPLES-PER-SECOND <rate>
//   :FRAME-RANGE <first>-<last>
//   <frame index>                      a frame: its index, then one line per bone:
//   <bone> <value> ...                 up to six values in the order of the bone's DOFs
//                                      (missing ones read as 0, further ones are ignored)
// A frame's line is one whose first word is a number as a whole: a bone named "1stFinger"
// begins a bone line, a bone named "12" could not.
//
// Error policy: an unsupported layout, a rate that is negative, not a number or above
// kMaxFrameRate, a frame range or frames beyond the time range, frame indices that do not
// rise from frame to frame or lie beyond +-2^31, a bone the skeleton lacks or given twice
// in a frame, a value that is not a finite number, and an overlong line refuse the file.
// The curves filled so far are finished in every case.

#include "core/RMatrix.h"
#include "core/RTime.h"
#include "formats/motion/RMotionTextFile.h"

#include <string>
#include <unordered_map>

class RAsfBone;
class RStreamOptionsMotion;
class RWyxAsfScene;

class RAmcFile : public RMotionTextFile {
public:
    explicit RAmcFile(bool report = false);

    // The scan pass: frame rate, frame count and start time into the options.
    bool ReadHeader(RStreamOptionsMotion& options);
    // Reads up to the options' frame count of frames into new curves of the bones; options
    // without frames refuse a file that has some (nothing would be read).
    bool ReadFrames(RWyxAsfScene& skeleton, const RStreamOptionsMotion& options);
    // The bone lines of one frame (the frame's index line is current).
    bool ReadFrame(RWyxAsfScene& skeleton, RTime time);
    // Lines up to the next frame's index line or the end; answers how many were passed over.
    int SkipFrame();
    // Whether the text's first word (up to a delimiter of the format) is a number as a whole,
    // as the word that begins a frame.
    static bool BeginsWithNumberWord(const char* text);

    void WriteHeader(bool writeRate, double rate, bool writeRange, int first, int last);
    // The frame index line, then the values of every bone with DOFs; the first bone whose
    // translation lies beyond the floats a read keeps (WithinFloats, in the scene's units), the
    // bones after it left out, or null when every bone was printed.
    const RAsfBone* WriteFrame(RWyxAsfScene& skeleton, RTime time, int frameIndex, const RMatrix* parentMatrix);
    const RAsfBone* WriteBoneValues(RWyxAsfScene& skeleton, const RAsfBone& bone, RTime time,
                                    const RMatrix* parentMatrix);

private:
    bool CheckFormat();
    bool AtFrameLine() const;
    bool ReadFrameIndex(double& index);
    bool Fail(const char* text);

    RMotionKeyword keywords_[11];
    // The bones of the skeleton being read, by name (the first in pre-order), with the time
    // of the last frame that gave each one values.
    std::unordered_map<std::string, RAsfBone*> bones_;
    std::unordered_map<const RAsfBone*, RTime> lastTimes_;
};

#endif
