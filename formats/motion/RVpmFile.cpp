#include "formats/motion/RVpmFile.h"

#include "formats/motion/RStreamOptionsMotion.h"

#include <cmath>
#include <string>

namespace {

RMotionKeyword kSegment[] = {{"Segment:", 0}, {"", 0}};
RMotionKeyword kFrames[] = {{"Frames:", 0}, {"", 0}};
RMotionKeyword kFrameTime[] = {{"Frame Time:", 0}, {"", 0}};
constexpr int kChannels = 9;

}  // namespace

bool RVpmFile::ReadSegmentHeader(RString& name, int& frames, double& frameTime, bool first) {
    if (!(first ? Rewind() : NextLine())) {
        Error("No segment");
        return false;
    }
    std::string word;
    if (ReadKeyword(kSegment) != 0 || !ReadField(word) || word.empty()) {
        Error("Expected \"Segment:\" and a name");
        return false;
    }
    if (!NextLine() || ReadKeyword(kFrames) != 0 || !ReadInt(frames) || frames < 0) {
        Error("Expected \"Frames:\" and a frame count");
        return false;
    }
    if (!NextLine() || ReadKeyword(kFrameTime) != 0 || !ReadDouble(frameTime, 1.0) || !(frameTime > 0.0) || !std::isfinite(frameTime) ||
        1.0 / frameTime > RStreamOptionsMotion::kMaxFrameRate) {
        Error("Expected \"Frame Time:\" and a duration above 0");
        return false;
    }
    name = word.c_str();
    return true;
}

bool RVpmFile::SkipChannelHeader() {
    std::string word;
    for (int line = 0; line < 2; ++line) {
        if (!NextLine()) {
            Error("Channel header missing");
            return false;
        }
        for (int i = 0; i < kChannels; ++i) {
            if (!ReadField(word)) {
                Error("Expected nine channel words");
                return false;
            }
        }
    }
    return true;
}

bool RVpmFile::ReadFrameLine(double translation[3], double rotation[3], double scaling[3]) {
    double percent[3];
    if (!NextLine() || !ReadVector(translation, kCentimetresPerInch) || !ReadVector(rotation, 1.0) ||
        !ReadVector(percent, 1.0)) {
        Error("Expected nine numbers");
        return false;
    }
    scaling[0] = scaling[1] = scaling[2] = 1.0;
    return true;
}

void RVpmFile::WriteSegmentHeader(const char* name, int frames, double frameTime) {
    Print(0, "%s\t%s\n", "Segment:", SegmentName(RString(name)).Buffer());
    Print(0, "%s\t%d\n", "Frames:", frames);
    Print(0, "%s\t%g\n", "Frame Time:", frameTime);
}

void RVpmFile::WriteChannelHeader() {
    Print(0, "XTRAN\tYTRAN\tZTRAN\tXROT\tYROT\tZROT\tXSCALE\tYSCALE\tZSCALE\n");
    Print(0, "INCHES\tINCHES\tINCHES\tDEGREES\tDEGREES\tDEGREES\tPERCENT\tPERCENT\tPERCENT\n");
}

void RVpmFile::WriteFrameLine(const double translation[3], const double rotation[3], const double scaling[3]) {
    constexpr double kInchesPerCentimetre = 0.3937007874015748;
    Print(0, "%g\t%g\t%g\t%g\t%g\t%g\t%g\t%g\t%g\n", translation[0] * kInchesPerCentimetre,
          translation[1] * kInchesPerCentimetre, translation[2] * kInchesPerCentimetre, rotation[0], rotation[1],
          rotation[2], scaling[0] * 100.0, scaling[1] * 100.0, scaling[2] * 100.0);
}
