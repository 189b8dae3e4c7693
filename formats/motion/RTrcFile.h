#ifndef WYX_FORMATS_MOTION_RTRCFILE_H
#define WYX_FORMATS_MOTION_RTRCFILE_H

// The TRC marker file: tab-separated text (blanks belong to the fields).
//   PathFileType <3|4> (X/Y/Z) <word>
//   DataRate CameraRate NumFrames NumMarkers Units [OrigDataRate OrigDataStartFrame OrigNumFrames]
//   <their values; the Orig ones for path type 4>
//   Frame# Time <name> ...            (names may go on over further lines)
//   X1 Y1 Z1 X2 ...                   (three labels per marker, X, Y, Z first)
//   <frame> <seconds> <x> <y> <z> ... (an empty field is a missing coordinate: a gap)
// Keywords compare without case. Units m, cm or mm (the scale to centimetres); a type-4 file
// starts at (OrigDataStartFrame - 1) / DataRate seconds. The data rate must be above 0 and not
// above the highest rate the motion readers take.
//
// Writing: path type 4, millimetres, gaps as three empty fields; each name as one field
// (RMotionTextFile::FieldName: its control characters as '_', an empty name as "Unnamed").

#include "formats/motion/RMarkerTextFile.h"

class RTrcFile : public RMarkerTextFile {
public:
    RTrcFile() : RMarkerTextFile("TRC", "\t\r\n") {}

    // A name and three coordinate labels, each with its tab.
    int GetMarkerBytes() const override { return 8; }
    bool ReadHeader(int& markers, RTime& start, int& frames, double& rate, double& scale) override;
    bool ReadNames(std::vector<RString>& names, bool keepActorPrefix) override;
    bool ReadFrame(RMarkerFrame& frame, int markers, RTime& time, int& counter, RTime period,
                   bool exactZeroIsOccluded) override;

    bool WriteHeader(int markers, RTime start, int frames, double rate, double scale) override;
    bool WriteNames(const std::vector<RString>& names) override;
    // A blank read as '_' (a control character is written as one), a name holding
    // "Unnamed" (an empty one is written so) as "*Unnamed_<index + 1>".
    RString NameAsRead(const RString& name, int index) const override;
    bool WriteFrame(const RVector4* positions, int markers, RTime time, int number) override;

private:
    bool ExpectFields(const char* const* keys, int count);
    bool ReadHeaderValues(int type, int& markers, RTime& start, int& frames, double& rate, double& scale);
    // The next field, going on to the next line when this one has no more.
    bool ReadFieldAcrossLines(std::string& field);
};

#endif
