#ifndef WYX_FORMATS_MOTION_RAOAFILE_H
#define WYX_FORMATS_MOTION_RAOAFILE_H

// The AOA and MCD marker file (one text format under two names): a header line
//   frames = <count> markers = <count> Hz = <rate>
// (earlier lines not starting with "frames" are passed over; words compare without case),
// then per frame one line "x y z" per marker. No names (they read as Marker1, Marker2, ...),
// no occlusion, positions as they stand.
//
// The header is refused for a negative count or a rate that is not above 0 or is above the
// highest rate the motion readers take.

#include "formats/motion/RMarkerTextFile.h"

class RAoaFile : public RMarkerTextFile {
public:
    RAoaFile() : RMarkerTextFile("AOA", " \t\r\n") {}

    // A line "0 0 0".
    int GetMarkerBytes() const override { return 6; }
    bool ReadHeader(int& markers, RTime& start, int& frames, double& rate, double& scale) override;
    bool ReadNames(std::vector<RString>& names, bool keepActorPrefix) override;
    bool ReadFrame(RMarkerFrame& frame, int markers, RTime& time, int& counter, RTime period,
                   bool exactZeroIsOccluded) override;

    bool WriteHeader(int markers, RTime start, int frames, double rate, double scale) override;
    bool WriteNames(const std::vector<RString>& names) override;
    // "Marker<index + 1>": the file holds no names.
    RString NameAsRead(const RString& name, int index) const override;
    bool WriteFrame(const RVector4* positions, int markers, RTime time, int number) override;

private:
    bool ReadCount(const char* key, int& count);

    int markers_ = 0;
};

#endif
