#include "formats/motion/RBrdFile.h"

#include <cmath>

namespace {

const char* const kDelimiters = " \t\r\n";
constexpr double kMicroseconds = 1e-6;

}  // namespace

RBrdFile::RBrdFile(bool report) : RMotionTextFile("BRD", kDelimiters, "", true, report) {}

bool RBrdFile::ReadNumbers(double* values, int count) {
    for (int i = 0; i < count; ++i) {
        if (!ReadDouble(values[i], 1.0) || !std::isfinite(values[i])) {
            return false;
        }
    }
    return true;
}

bool RBrdFile::ExpectLetter(char letter) {
    char c = '\0';
    if (!GetChar(c) || c != letter) {
        return false;
    }
    return true;
}

bool RBrdFile::ReadRow(RBrdSample& sample, int& markerId, bool rewind) {
    if (!(rewind ? Rewind() : NextLine())) {
        return false;
    }
    int frame = 0;
    int id = 0;
    double position[3];
    double quaternion[4];
    double times[2];
    if (!ReadInt(frame) || !ReadInt(id) || !ExpectLetter('P') || !ReadNumbers(position, 3) || !ExpectLetter('Q') ||
        !ReadNumbers(quaternion, 4) || !ReadNumbers(times, 2)) {
        Error("Can't read the row");
        return false;
    }
    RTime seconds;
    RTime fraction;
    seconds.FromSeconds(times[0]);
    fraction.FromSeconds(times[1] * kMicroseconds);
    const RTime time = seconds + fraction;
    if (time.IsInfinitelyLate() || time.IsInfinitelyEarly()) {
        Error("The row's time %g s lies beyond the time range", times[0] + times[1] * kMicroseconds);
        return false;
    }
    sample.frame = frame;
    sample.position.Set(position[0], position[1], position[2], 0.0);
    sample.quaternion.Set(quaternion[0], quaternion[1], quaternion[2], quaternion[3]);
    sample.time = time;
    markerId = id;
    return true;
}

void RBrdFile::WriteRow(int frame, int markerIndex, const RVector4& position, const RVector4& quaternion, RTime time) {
    const std::int64_t seconds = time.SecondCount(true, 0);
    const RTime rest = time - RTime(seconds * RTime::kTicksPerSecond);
    Print(0, "%d\t%d\tP\t%g\t%g\t%g\tQ\t%g\t%g\t%g\t%g\t%g\t%g\n", frame, markerIndex, position.x, position.y,
          position.z, quaternion.x, quaternion.y, quaternion.z, quaternion.w, static_cast<double>(seconds),
          rest.ToSeconds() / kMicroseconds);
}
