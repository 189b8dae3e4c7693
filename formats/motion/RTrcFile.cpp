#include "formats/motion/RTrcFile.h"

#include "formats/motion/RStreamOptionsMotion.h"

#include <cmath>
#include <cstring>
#include <string>
#include <strings.h>

namespace {

const char* const kLineOneKey[] = {"PathFileType"};
const char* const kCoordinateKey[] = {"(X/Y/Z)"};
const char* const kHeaderKeys[] = {"DataRate", "CameraRate", "NumFrames", "NumMarkers", "Units",
                                   "OrigDataRate", "OrigDataStartFrame", "OrigNumFrames"};
const char* const kNameKeys[] = {"Frame#", "Time"};
constexpr int kKeysOfType3 = 5;
constexpr int kKeysOfType4 = 8;

bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// The name a read gives the marker of the name field at the place (0 on).
std::string MarkerName(std::string field, std::size_t index) {
    if (field.find("Unnamed") != std::string::npos) {
        field = "*Unnamed_" + std::to_string(index + 1);
    }
    for (char& c : field) {
        c = c == ' ' ? '_' : c;
    }
    return field;
}

bool UnitScale(const std::string& unit, double& scale) {
    if (strcasecmp(unit.c_str(), "m") == 0) {
        scale = 100.0;
    } else if (strcasecmp(unit.c_str(), "cm") == 0) {
        scale = 1.0;
    } else if (strcasecmp(unit.c_str(), "mm") == 0) {
        scale = 0.1;
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool RTrcFile::ExpectFields(const char* const* keys, int count) {
    std::string field;
    for (int i = 0; i < count; ++i) {
        if (!ReadField(field) || strcasecmp(field.c_str(), keys[i]) != 0) {
            Error("Expected \"%s\"", keys[i]);
            return false;
        }
    }
    return true;
}

bool RTrcFile::ReadHeaderValues(int type, int& markers, RTime& start, int& frames, double& rate, double& scale) {
    double cameraRate = 0.0;
    std::string unit;
    if (!ReadDouble(rate, 1.0) || !ReadDouble(cameraRate, 1.0) || !ReadInt(frames) || !ReadInt(markers) ||
        !ReadField(unit)) {
        Error("Expected the data rate, camera rate, frame count, marker count and unit");
        return false;
    }
    if (!(rate > 0.0) || rate > RStreamOptionsMotion::kMaxFrameRate || frames < 0 || markers < 0) {
        Error("Data rate %g, %d frames or %d markers out of range", rate, frames, markers);
        return false;
    }
    if (!UnitScale(unit, scale)) {
        Error("Unknown unit \"%s\"", unit.c_str());
        return false;
    }
    start = RTime();
    if (type == 4) {
        double originalRate = 0.0;
        int startFrame = 0;
        int originalFrames = 0;
        if (!ReadDouble(originalRate, 1.0) || !ReadInt(startFrame) || !ReadInt(originalFrames)) {
            Error("Expected OrigDataRate, OrigDataStartFrame and OrigNumFrames values");
            return false;
        }
        start.FromSeconds((static_cast<double>(startFrame) - 1.0) / rate);
    }
    return true;
}

bool RTrcFile::ReadHeader(int& markers, RTime& start, int& frames, double& rate, double& scale) {
    int type = 0;
    std::string word;
    if (!Rewind() || !ExpectFields(kLineOneKey, 1)) {
        return false;
    }
    if (!ReadInt(type) || (type != 3 && type != 4)) {
        Error("Path file type must be 3 or 4");
        return false;
    }
    if (!ExpectFields(kCoordinateKey, 1) || !ReadField(word)) {
        Error("Expected \"(X/Y/Z)\" and a word");
        return false;
    }
    if (!NextLine() || !ExpectFields(kHeaderKeys, type == 4 ? kKeysOfType4 : kKeysOfType3)) {
        return false;
    }
    if (!NextLine()) {
        Error("No header values");
        return false;
    }
    return ReadHeaderValues(type, markers, start, frames, rate, scale);
}

bool RTrcFile::ReadFieldAcrossLines(std::string& field) {
    char c = '\0';
    if (!PeekChar(c) && !NextLine()) {
        return false;
    }
    return ReadField(field);
}

bool RTrcFile::ReadNames(std::vector<RString>& names, bool /*keepActorPrefix*/) {
    if (!NextLine() || !ExpectFields(kNameKeys, 2)) {
        return false;
    }
    std::string field;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!ReadFieldAcrossLines(field)) {
            Error("Name of marker %d missing", static_cast<int>(i + 1));
            return false;
        }
        names[i] = MarkerName(field, i).c_str();
    }
    if (!NextLine()) {
        Error("No coordinate labels");
        return false;
    }
    static const char kAxes[] = "XYZ";
    for (std::size_t k = 0; k < 3 * names.size(); ++k) {
        if (!ReadFieldAcrossLines(field) || (field[0] != kAxes[k % 3] && field[0] != kAxes[k % 3] + ('a' - 'A'))) {
            Error("Coordinate label %d must start with %c", static_cast<int>(k + 1), kAxes[k % 3]);
            return false;
        }
    }
    return true;
}

// Fields are parsed from the line's text: two tabs in a row delimit an empty field, a missing
// coordinate that makes the marker a gap.
bool RTrcFile::ReadFrame(RMarkerFrame& frame, int /*markers*/, RTime& time, int& counter, RTime /*period*/,
                         bool /*exactZeroIsOccluded*/) {
    if (!NextLine()) {
        Error("Frame line missing");
        return false;
    }
    const char* at = GetCursor();
    int number = 0;
    double seconds = 0.0;
    std::size_t used = ParseInt(at, number);
    if (used == 0 || !IsWhite(at[used])) {
        Error("Expected a frame number");
        return false;
    }
    at += used + 1;
    used = ParseDouble(at, seconds);
    if (used == 0 || !IsWhite(at[used])) {
        Error("Expected the frame's time");
        return false;
    }
    at += used + 1;
    for (bool more = true; more;) {
        double xyz[3] = {0.0, 0.0, 0.0};
        double occlusion = 0.0;
        for (int c = 0; c < 3 && more; ++c) {
            if (IsWhite(*at)) {
                occlusion = 1.0;
            } else {
                used = *at != '\0' ? ParseDouble(at, xyz[c]) : 0;
                at += used;
                more = used > 0;
            }
            if (more && c < 2) {
                more = IsWhite(*at);
                at += more ? 1 : 0;
            }
        }
        if (!more) {
            break;
        }
        frame.emplace_back(xyz[0], xyz[1], xyz[2], occlusion);
        more = IsWhite(*at);
        at += more ? 1 : 0;
    }
    counter = number;
    time.FromSeconds(seconds);
    return true;
}

bool RTrcFile::WriteHeader(int markers, RTime start, int frames, double rate, double /*scale*/) {
    const double startFrame = std::nearbyint(start.ToSeconds() * rate + 1.0);
    if (!(startFrame >= -2147483647.0 && startFrame <= 2147483647.0)) {
        Error("The start frame %g does not fit a TRC header", startFrame);
        return false;
    }
    Print(0, "PathFileType\t4\t(X/Y/Z)\tRusvane\t\n");
    Print(0, "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\tOrigNumFrames\t\n");
    return Print(0, "%.2f\t%.2f\t%d\t%d\tmm\t%.2f\t%d\t%d\t\n", rate, rate, frames, markers, rate,
                 static_cast<int>(startFrame), frames) >= 0;
}

bool RTrcFile::WriteNames(const std::vector<RString>& names) {
    Print(0, "Frame#\tTime\t");
    for (const RString& name : names) {
        Print(0, "%s\t\t\t", FieldName(name, false).Buffer());  // blanks belong to the field
    }
    Print(0, "\n\t\t");
    for (std::size_t i = 1; i <= names.size(); ++i) {
        Print(0, "X%d\tY%d\tZ%d\t", static_cast<int>(i), static_cast<int>(i), static_cast<int>(i));
    }
    return Print(0, "\n\n") >= 0;
}

RString RTrcFile::NameAsRead(const RString& name, int index) const {
    return RString(MarkerName(FieldName(name, false).Buffer(), static_cast<std::size_t>(index)).c_str());
}

bool RTrcFile::WriteFrame(const RVector4* positions, int markers, RTime time, int number) {
    Print(0, "%d\t%.3f", number, time.ToSeconds());
    for (int m = 0; m < markers; ++m) {
        if (positions[m].w > 0.5) {
            Print(0, "\t\t\t");
        } else {
            Print(0, "\t%.5f\t%.5f\t%.5f", positions[m].x * 10.0, positions[m].y * 10.0, positions[m].z * 10.0);
        }
    }
    return Print(0, " \n") >= 0;
}
