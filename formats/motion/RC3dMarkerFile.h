#ifndef WYX_FORMATS_MOTION_RC3DMARKERFILE_H
#define WYX_FORMATS_MOTION_RC3DMARKERFILE_H

// The C3D marker file: the C3D library with the marker-file interface, so that the marker
// reader and writer bases import and export C3D point data (analog data is skipped on reading
// and none is written).
//
// Reading: the header's frames of points (and analog samples) must lie in the file after the
// data start, so that no count it claims outruns the file. The POINT group's LABELS (at most
// 255, the rest named "%04d" of their index), UNITS (mm, cm, m, in, ft: the factor to
// centimetres) and X_SCREEN / Y_SCREEN (the axis map; a value whose letter is not X, Y or Z
// is ignored), any USES_PREFIXES (the actor prefix before a ':' is kept, as "<prefix>_<name>",
// when the reader asks for it). Positions map from the file's axes by the axis map (by
// default scene x = -X, y = Z, z = Y).
//
// Writing: a header, the POINT group and its parameters, then the points in millimetres
// (integers with the scale 0.1449 or, when asked, floats), all in DEC layout, into a
// replacement that only Close puts in place. Refused with the reason, never written wrapped:
// no markers or more than 255 (a label row count is one byte; further markers would come back
// named by their index), a name longer than a label row holds (254 characters), a frame rate
// the reader would not take back (not above 0.001 or 1000 and more), a first or last frame
// number outside 0 to 65535 or more than 65535 frames (the count parameter is one word), an
// integer coordinate beyond 16 bits, a real one beyond the DEC range.

#include "core/RTime.h"
#include "formats/motion/RC3dFile.h"
#include "formats/motion/RMarkerFile.h"
#include "platform/RFileReplacement.h"

class RC3dMarkerFile : public RC3dFile, public RMarkerFile {
public:
    static constexpr int kMaxLabels = 255;
    static constexpr int kMaxWrittenMarkers = 255;
    static constexpr int kMaxNameLength = 254;
    static constexpr double kDefaultUnit = 0.1;

    RC3dMarkerFile() = default;
    ~RC3dMarkerFile() override;

    int Open(const char* path, const char* mode) override;
    void OpenBytes(const void* data, std::size_t size) override { OpenSourceBytes(data, size); }
    int Close() override;
    void Abandon() override;
    std::int64_t GetSourceSize() const override { return RC3dFile::GetSourceSize(); }
    std::string GetLastErrorText() const override { return error_; }
    const RWriteFailure& GetWriteFailure() const override { return writeFailure_; }
    // An integer point; a float point takes 16.
    int GetMarkerBytes() const override { return 8; }

    bool ReadHeader(int& markers, RTime& start, int& frames, double& rate, double& scale) override;
    bool ReadNames(std::vector<RString>& names, bool keepActorPrefix) override;
    bool ReadFrame(RMarkerFrame& frame, int markers, RTime& time, int& counter, RTime period,
                   bool exactZeroIsOccluded) override;
    bool EndRead() override { return true; }

    bool WriteHeader(int markers, RTime start, int frames, double rate, double scale) override;
    bool WriteNames(const std::vector<RString>& names) override;
    // Without the blanks and line ends at its end, which fill a label row.
    RString NameAsRead(const RString& name, int index) const override;
    bool WriteFrame(const RVector4* positions, int markers, RTime time, int number) override;
    bool Finish() override;

    // The first TIMECODES parameter's hours, minutes, seconds and frames as a time in the
    // default time mode; false when there is none or it does not hold four such numbers.
    bool FindTimeCode(RTime& time);

    double GetUnitFactor() const { return unitFactor_; }
    const int* GetAxisMap() const { return axisMap_; }

private:
    void ApplyRecord(const RC3dParameter& record, std::vector<RString>& names, int& labels, bool keepActorPrefix);
    void TakeLabels(const RC3dArray& value, std::vector<RString>& names, int& labels);
    void TakeUnits(const RC3dArray& value);
    void TakeScreenAxis(const RC3dArray& value, int slot);
    bool PutParameters(const std::vector<RString>& names);
    bool Flush();
    bool Refuse(const std::string& reason);

    platform::RFileReplacement replacement_;
    bool writing_ = false;
    RWriteFailure writeFailure_;
    std::string error_;

    int pointGroupId_ = 1;
    bool usesPrefixes_ = false;
    double unitFactor_ = kDefaultUnit;
    int axisMap_[3] = {1, 3, 2};

    Header written_;
};

#endif
