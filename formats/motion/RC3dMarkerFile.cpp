#include "formats/motion/RC3dMarkerFile.h"

#include "core/RTimeMode.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The integer scale written: 0.14490029 as a float.
constexpr std::uint32_t kIntegerScaleBits = 0x3E1460BEu;
constexpr std::size_t kFlushSize = 65536;
constexpr int kDescriptionLength = 32;
constexpr int kWrittenDataStart = 10;

float IntegerScale() {
    float scale = 0.0f;
    std::memcpy(&scale, &kIntegerScaleBits, 4);
    return scale;
}

// A frame number as the user counts it: no fraction digits.
std::string WholeNumber(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.0f", value);
    return text;
}

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

std::string TrimmedRight(std::string text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0) {
        text.pop_back();
    }
    return text;
}

// The marker name of a label: without the actor prefix before a ':' unless the file uses
// prefixes, its other ':' made '_'.
std::string NameOfLabel(std::string text, bool usesPrefixes) {
    const std::size_t colon = text.find(':');
    if (!usesPrefixes && colon != std::string::npos) {
        text.erase(0, colon + 1);
    }
    for (char& c : text) {
        c = c == ':' ? '_' : c;
    }
    return text;
}

RC3dParameter Parameter(const char* name, int group, RC3dArray value) {
    RC3dParameter parameter;
    parameter.name = name;
    parameter.groupId = group;
    parameter.value = std::move(value);
    return parameter;
}

}  // namespace

RC3dMarkerFile::~RC3dMarkerFile() { Abandon(); }

// ---- opening ------------------------------------------------------------------------------------------

int RC3dMarkerFile::Open(const char* path, const char* mode) {
    Abandon();
    CloseSource();
    if (path == nullptr || mode == nullptr) {
        return 1;
    }
    if (mode[0] == 'w') {
        writing_ = replacement_.Begin(path);
        writeFailure_.Reset();
        Output().clear();
        return writing_ ? 0 : 1;
    }
    return OpenSource(path) ? 0 : 1;
}

int RC3dMarkerFile::Close() {
    if (writing_) {
        const bool flushed = Flush();
        writing_ = false;
        if (!flushed) {
            replacement_.Abandon();
            return 1;
        }
        if (!replacement_.Commit()) {
            writeFailure_.NoteCommitFailure(replacement_);
            return 1;
        }
        return 0;
    }
    const bool open = HasSource();
    CloseSource();
    return open ? 0 : 1;
}

void RC3dMarkerFile::Abandon() {
    if (writing_) {
        replacement_.Abandon();
        writing_ = false;
    }
    Output().clear();
}

// ---- reading -----------------------------------------------------------------------------------------

bool RC3dMarkerFile::ReadHeader(int& markers, RTime& start, int& frames, double& rate, double& scale) {
    if (!RC3dFile::ReadHeader()) {
        error_ = "not a C3D header (a short file, no key, or a parameter or data block of 0)";
        return false;
    }
    const Header& header = GetHeader();
    if (header.points <= 0) {
        error_ = "the header has no points";
        return false;
    }
    markers = header.points;
    rate = header.frameRate;
    start.FromSeconds(header.firstFrame / rate);
    frames = header.lastFrame - header.firstFrame + 1;
    // The data section must hold the frames the header claims (at least one).
    const bool floats = header.scale < 0.0f;
    const std::int64_t frameBytes = static_cast<std::int64_t>(header.points) * (floats ? 16 : 8) +
                                    static_cast<std::int64_t>(header.analogPerFrame) * (floats ? 4 : 2);
    const std::int64_t available = GetSourceSize() - static_cast<std::int64_t>(header.dataStart - 1) * kBlockSize;
    if (frameBytes * (frames > 1 ? frames : 1) > available) {
        error_ = std::to_string(frames) + " frames of " + std::to_string(header.points) +
                 " points are more than the file holds";
        return false;
    }
    scale = 1.0;
    return true;
}

void RC3dMarkerFile::TakeLabels(const RC3dArray& value, std::vector<RString>& names, int& labels) {
    if (!value.IsCharacter()) {
        return;
    }
    // A single dimension is one label.
    const int rows = value.GetDimensionCount() >= 2 ? value.GetDimension(value.GetDimensionCount() - 1) : 1;
    const int count = static_cast<int>(names.size());
    for (int i = 0; i < rows && i < kMaxLabels && labels < count; ++i) {
        const RC3dArray row = value.GetDimensionCount() >= 2 ? value.GetRow(i) : value;
        names[static_cast<std::size_t>(labels++)] = TrimmedRight(row.GetText()).c_str();
    }
}

void RC3dMarkerFile::TakeUnits(const RC3dArray& value) {
    const std::string unit = value.IsCharacter() ? value.GetText() : std::string();
    if (unit.empty()) {
        return;
    }
    switch (Lower(unit[0])) {
        case 'c':
            unitFactor_ = kDefaultUnit * 10.0;
            break;
        case 'f':
            unitFactor_ = kDefaultUnit * 304.8;
            break;
        case 'i':
            unitFactor_ = kDefaultUnit * 25.4;
            break;
        case 'm':
            unitFactor_ = kDefaultUnit * (unit.size() > 1 && Lower(unit[1]) == 'm' ? 1.0 : 1000.0);
            break;
        default:
            break;
    }
}

// "+X", "-Y", "Z", ...: the file axis shown across (slot 0) or up (slot 1) the screen. The
// slot takes the axis and the entry that held it takes the slot's old axis.
void RC3dMarkerFile::TakeScreenAxis(const RC3dArray& value, int slot) {
    const std::string text = value.IsCharacter() ? value.GetText() : std::string();
    std::size_t at = 0;
    const int sign = !text.empty() && text[0] == '-' ? -1 : 1;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        ++at;
    }
    const char letter = at < text.size() ? static_cast<char>(std::toupper(static_cast<unsigned char>(text[at]))) : '\0';
    if (letter != 'X' && letter != 'Y' && letter != 'Z') {
        return;
    }
    const int axis = letter - 'X' + 1;
    for (int k = 0; k < 3; ++k) {
        if (std::abs(axisMap_[k]) == axis) {
            axisMap_[k] = std::abs(axisMap_[slot]) * sign;
            axisMap_[slot] = axis * sign;
            return;
        }
    }
}

void RC3dMarkerFile::ApplyRecord(const RC3dParameter& record, std::vector<RString>& names, int& labels,
                                 bool keepActorPrefix) {
    if (record.name == "POINT") {
        pointGroupId_ = std::abs(record.groupId);
        return;
    }
    if (record.IsGroup()) {
        return;
    }
    if (record.name == "USES_PREFIXES") {
        usesPrefixes_ = usesPrefixes_ || keepActorPrefix;
        return;
    }
    if (record.groupId != pointGroupId_) {
        return;
    }
    if (record.name == "LABELS") {
        TakeLabels(record.value, names, labels);
    } else if (record.name == "UNITS") {
        TakeUnits(record.value);
    } else if (record.name == "X_SCREEN") {
        TakeScreenAxis(record.value, 0);
    } else if (record.name == "Y_SCREEN") {
        TakeScreenAxis(record.value, 1);
    }
}

bool RC3dMarkerFile::ReadNames(std::vector<RString>& names, bool keepActorPrefix) {
    pointGroupId_ = 1;
    usesPrefixes_ = false;
    unitFactor_ = kDefaultUnit;
    axisMap_[0] = 1;
    axisMap_[1] = 3;
    axisMap_[2] = 2;
    int labels = 0;
    RC3dParameter record;
    for (bool more = BeginParameters(); more && ReadRecord(record);) {
        ApplyRecord(record, names, labels, keepActorPrefix);
    }
    for (std::size_t i = static_cast<std::size_t>(labels); i < names.size(); ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%04d", static_cast<int>(i));
        names[i] = number;
    }
    for (RString& name : names) {
        name = NameOfLabel(name.Buffer(), usesPrefixes_).c_str();
    }
    SeekBlock(GetHeader().dataStart - 1);
    return true;
}

bool RC3dMarkerFile::ReadFrame(RMarkerFrame& frame, int markers, RTime& time, int& counter, RTime period,
                               bool /*exactZeroIsOccluded*/) {
    const double scale = GetHeader().scale;
    for (int m = 0; m < markers; ++m) {
        Point point;
        if (!ReadPoint(point, scale, 0, unitFactor_)) {
            error_ = "frame " + std::to_string(counter + 1) + ": point " + std::to_string(m + 1) +
                     " is missing or not a number";
            return false;
        }
        const double file[3] = {point.x, point.y, point.z};
        double scene[3] = {0.0, 0.0, 0.0};
        for (int a = 0; a < 3; ++a) {
            const int map = axisMap_[a];
            // File X is negated when its map value is positive, Y and Z when theirs is negative.
            const bool negate = a == 0 ? map > 0 : map < 0;
            scene[std::abs(map) - 1] = negate ? -file[a] : file[a];
        }
        frame.emplace_back(scene[0], scene[1], scene[2], point.valid ? 0.0 : 1.0);
    }
    Skip(static_cast<std::int64_t>(GetHeader().analogPerFrame) * (scale >= 0.0 ? 2 : 4));
    ++counter;
    time = time + period;
    return true;
}

bool RC3dMarkerFile::FindTimeCode(RTime& time) {
    RC3dParameter record;
    for (bool more = BeginParameters(); more && ReadRecord(record);) {
        if (record.IsGroup() || record.name != "TIMECODES") {
            continue;
        }
        const RC3dArray& value = record.value;
        if (!value.IsNumber() || value.GetElementCount() < 4) {
            return false;
        }
        int fields[4];
        for (int i = 0; i < 4; ++i) {
            const std::int64_t field = value.GetInteger(i);
            if (field < 0 || field > 32767) {
                return false;
            }
            fields[i] = static_cast<int>(field);
        }
        RTime code;
        if (!code.SetFromTimecode(fields[0], fields[1], fields[2], fields[3], 0, DefaultTimeMode())) {
            return false;
        }
        time = code;
        return true;
    }
    return false;
}

// ---- writing -----------------------------------------------------------------------------------------

bool RC3dMarkerFile::Refuse(const std::string& reason) {
    error_ = reason;
    return false;
}

bool RC3dMarkerFile::Flush() {
    std::vector<std::uint8_t>& bytes = Output();
    if (!writing_) {
        return false;
    }
    const bool written = writeFailure_.Write(replacement_.File(), bytes.data(), bytes.size());
    bytes.clear();
    return written;
}

bool RC3dMarkerFile::WriteHeader(int markers, RTime start, int frames, double rate, double scale) {
    if (markers <= 0) {
        return Refuse("No markers to export: a C3D file needs at least one marker");
    }
    if (markers > kMaxWrittenMarkers) {
        return Refuse("A C3D file holds at most " + std::to_string(kMaxWrittenMarkers) + " markers; " +
                      std::to_string(markers) + " were to be exported");
    }
    if (!(rate > 0.001 && rate < 1000.0)) {
        return Refuse("The frame rate " + std::to_string(rate) + " cannot be stored in a C3D file (above 0.001, below 1000)");
    }
    const double first = std::nearbyint(start.ToSeconds() * rate);
    const double last = first + frames - 1.0;
    if (!(first >= 0.0 && first <= 65535.0 && last >= 0.0 && last <= 65535.0 && frames <= 65535)) {
        return Refuse("Frames " + WholeNumber(first) + " to " + WholeNumber(last) + " (" + std::to_string(frames) +
                      " frames) cannot be numbered in a C3D file (frames 0 to 65535, at most 65535 of them)");
    }
    written_ = Header();
    written_.parameterBlock = 2;
    written_.points = markers;
    written_.firstFrame = static_cast<int>(first);
    written_.lastFrame = static_cast<int>(last);
    written_.scale = scale >= 0.0 ? IntegerScale() : -1.0f;
    written_.dataStart = kWrittenDataStart;
    written_.analogSamples = 1;
    written_.frameRate = static_cast<float>(rate);
    Output().clear();
    PutHeader(written_);
    PutFill(kBlockSize - Output().size(), 0);
    return true;
}

bool RC3dMarkerFile::PutParameters(const std::vector<RString>& names) {
    std::size_t longest = 0;
    std::vector<std::string> labels;
    for (const RString& name : names) {
        labels.emplace_back(name.Buffer());
        longest = labels.back().size() > longest ? labels.back().size() : longest;
    }
    const int points = written_.points;
    RC3dParameter group;
    group.name = "POINT";
    group.groupId = -1;
    const RC3dParameter parameters[] = {
        Parameter("USED", 1, RC3dArray::Word(points)),
        Parameter("FRAMES", 1, RC3dArray::Word(written_.lastFrame - written_.firstFrame + 1)),
        Parameter("DATA_START", 1, RC3dArray::Word(0)),
        Parameter("SCALE", 1, RC3dArray::Float(written_.scale)),
        Parameter("RATE", 1, RC3dArray::Float(written_.frameRate)),
        Parameter("X_SCREEN", 1, RC3dArray::Text("+X")),
        Parameter("Y_SCREEN", 1, RC3dArray::Text("+Z")),
        Parameter("UNITS", 1, RC3dArray::Text("mm  ")),
        Parameter("LABELS", 1, RC3dArray::TextRows(labels, static_cast<int>(longest) + 1)),
        Parameter("DESCRIPTIONS", 1, RC3dArray::TextRows(std::vector<std::string>(names.size()), kDescriptionLength)),
    };
    const std::size_t sectionStart = Output().size();
    WriteParameterHeader(0);
    if (!PutRecord(group)) {
        return false;
    }
    std::size_t dataStartAt = 0;
    for (const RC3dParameter& parameter : parameters) {
        if (!PutRecord(parameter)) {
            return false;
        }
        if (parameter.name == "DATA_START") {
            dataStartAt = Output().size() - 3;
        }
    }
    PutFill((kBlockSize - Output().size() % kBlockSize) % kBlockSize, 0);
    const std::size_t blocks = (Output().size() - sectionStart) / kBlockSize;
    const int dataStart = static_cast<int>(Output().size() / kBlockSize) + 1;
    std::vector<std::uint8_t>& bytes = Output();
    bytes[sectionStart + 2] = static_cast<std::uint8_t>(blocks);
    bytes[dataStartAt] = static_cast<std::uint8_t>(dataStart & 0xFF);
    bytes[dataStartAt + 1] = static_cast<std::uint8_t>(dataStart >> 8);
    written_.dataStart = dataStart;
    SetPatchValue(1, dataStart);
    return blocks <= 255;
}

bool RC3dMarkerFile::WriteNames(const std::vector<RString>& names) {
    for (const RString& name : names) {
        if (std::strlen(name.Buffer()) > static_cast<std::size_t>(kMaxNameLength)) {
            return Refuse(std::string("The marker name \"") + name.ControlCharsEscaped().Buffer() +
                          "\" is longer than the " + std::to_string(kMaxNameLength) + " characters a C3D label holds");
        }
    }
    if (static_cast<int>(names.size()) != written_.points || !PutParameters(names)) {
        return Refuse("The C3D parameters could not be written");
    }
    ApplyPatches();
    return true;
}

RString RC3dMarkerFile::NameAsRead(const RString& name, int /*index*/) const {
    // A written file uses no prefixes.
    return RString(NameOfLabel(TrimmedRight(name.Buffer()), false).c_str());
}

bool RC3dMarkerFile::WriteFrame(const RVector4* positions, int markers, RTime /*time*/, int number) {
    const double scale = written_.scale;
    for (int m = 0; m < markers; ++m) {
        const RVector4& p = positions[m];
        if (!PutPoint(scale, -p.x, p.z, p.y, kDefaultUnit, p.w <= 0.5)) {
            return Refuse("Marker " + std::to_string(m + 1) + " at frame " + std::to_string(number) + " lies beyond " +
                          (scale >= 0.0 ? "the 16-bit integers of a C3D file (about 4.7 m); export real numbers"
                                        : "the real numbers a C3D file holds"));
        }
    }
    return Output().size() < kFlushSize || Flush();
}

bool RC3dMarkerFile::Finish() { return Flush(); }
