#include "formats/motion/RAoaFile.h"

#include "formats/motion/RStreamOptionsMotion.h"

#include <string>
#include <strings.h>

namespace {

RMotionKeyword kFrames[] = {{"frames", 0}, {"", 0}};

}  // namespace

bool RAoaFile::ReadCount(const char* key, int& count) {
    std::string word;
    if (!ReadField(word) || strcasecmp(word.c_str(), key) != 0 || !ReadField(word) || word != "=" ||
        !ReadInt(count)) {
        Error("Expected \"%s = <count>\"", key);
        return false;
    }
    if (count < 0) {
        Error("Negative %s count %d", key, count);
        return false;
    }
    return true;
}

bool RAoaFile::ReadHeader(int& markers, RTime& start, int& frames, double& rate, double& scale) {
    if (!Rewind()) {
        Error("No header line");
        return false;
    }
    while (PeekKeyword(kFrames) != 0) {
        if (!NextLine()) {
            Error("No line starts with \"frames\"");
            return false;
        }
    }
    std::string word;
    if (!ReadCount("frames", frames) || !ReadCount("markers", markers)) {
        return false;
    }
    if (!ReadField(word) || strcasecmp(word.c_str(), "Hz") != 0 || !ReadField(word) || word != "=" ||
        !ReadDouble(rate, 1.0)) {
        Error("Expected \"Hz = <rate>\"");
        return false;
    }
    if (!(rate > 0.0) || rate > RStreamOptionsMotion::kMaxFrameRate) {
        Error("Frame rate %g is not above 0 or above %g", rate, RStreamOptionsMotion::kMaxFrameRate);
        return false;
    }
    start = RTime();
    scale = 1.0;
    markers_ = markers;
    return true;
}

bool RAoaFile::ReadNames(std::vector<RString>& names, bool /*keepActorPrefix*/) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        names[i] = NameAsRead(names[i], static_cast<int>(i));
    }
    return true;
}

RString RAoaFile::NameAsRead(const RString& /*name*/, int index) const {
    return RString(("Marker" + std::to_string(index + 1)).c_str());
}

bool RAoaFile::ReadFrame(RMarkerFrame& frame, int markers, RTime& time, int& counter, RTime period,
                         bool exactZeroIsOccluded) {
    const std::size_t first = frame.size();
    frame.resize(first + static_cast<std::size_t>(markers), RVector4(0.0, 0.0, 0.0, 0.0));
    for (int m = 0; m < markers; ++m) {
        double xyz[3];
        if (!NextLine() || !ReadVector(xyz, 1.0)) {
            Error("Marker %d of frame %d: expected x y z", m + 1, counter + 1);
            return false;
        }
        const bool gap = exactZeroIsOccluded && xyz[0] == 0.0 && xyz[1] == 0.0 && xyz[2] == 0.0;
        frame[first + static_cast<std::size_t>(m)] = RVector4(xyz[0], xyz[1], xyz[2], gap ? 1.0 : 0.0);
    }
    ++counter;
    time = time + period;
    return true;
}

bool RAoaFile::WriteHeader(int markers, RTime /*start*/, int frames, double rate, double /*scale*/) {
    markers_ = markers;
    return Print(0, "frames = %d markers = %d Hz = %g\n", frames, markers, rate) >= 0;
}

bool RAoaFile::WriteNames(const std::vector<RString>& /*names*/) { return true; }

bool RAoaFile::WriteFrame(const RVector4* positions, int markers, RTime /*time*/, int /*number*/) {
    for (int m = 0; m < markers; ++m) {
        if (Print(0, "%g %g %g\n", positions[m].x, positions[m].y, positions[m].z) < 0) {
            return false;
        }
    }
    return true;
}
