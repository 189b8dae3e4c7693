#ifndef WYX_TESTS_FORMATS_MOTION_C3DFIXTURE_H
#define WYX_TESTS_FORMATS_MOTION_C3DFIXTURE_H

// C3D files written by hand from the published format, independently of the library under
// test: a header block, a parameter section at block 2 (a POINT group and its parameters),
// and point frames, in any of the three processor layouts (1 Intel, 2 DEC, 3 MIPS). Integer
// points are three 16-bit words and a word whose low byte is the residual and whose high byte
// the camera mask (negative: not valid); float points are four floats, the fourth negative for
// a point that is not valid. The checker reads such a file back by the same rules.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace c3d_fixture {

struct Point {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    bool valid = true;
    int residual = 0;
    int cameras = 0;
};

// A parameter of the POINT group (or, with group set, of another group).
struct Parameter {
    std::string name;
    int type = -1;                  // -1 character, 1 byte, 2 word, 4 float
    std::vector<int> dimensions;    // first dimension first
    std::vector<double> numbers;    // for types 1, 2, 4
    std::string characters;         // for type -1, all rows one after the other
    int group = 1;
    int offsetShortBy = 0;          // an offset word claiming fewer bytes than the record holds
};

// The DEC F-float of a value: 0.1fff x 2^(e - 128), the first fraction bit hidden, stored as two
// little-endian words (sign, exponent, top fraction bits; low fraction bits).
inline void DecBytes(float value, std::uint8_t out[4]) {
    std::memset(out, 0, 4);
    if (value == 0.0f) return;
    int exponent = 0;
    const double mantissa = std::frexp(std::fabs(static_cast<double>(value)), &exponent);  // [0.5, 1)
    const auto fraction = static_cast<std::uint32_t>(std::lround((mantissa - 0.5) * 16777216.0));
    const unsigned high = (value < 0 ? 0x8000u : 0u) | static_cast<unsigned>(exponent + 128) << 7 | fraction >> 16;
    out[0] = static_cast<std::uint8_t>(high & 0xFF);
    out[1] = static_cast<std::uint8_t>(high >> 8);
    out[2] = static_cast<std::uint8_t>(fraction & 0xFF);
    out[3] = static_cast<std::uint8_t>((fraction >> 8) & 0xFF);
}

inline double DecValue(const std::uint8_t bytes[4]) {
    const unsigned high = static_cast<unsigned>(bytes[1] << 8 | bytes[0]);
    const unsigned low = static_cast<unsigned>(bytes[3] << 8 | bytes[2]);
    const int exponent = static_cast<int>((high >> 7) & 0xFF);
    if (exponent == 0) return 0.0;
    const double mantissa = 0.5 + static_cast<double>((high & 0x7F) << 16 | low) / 16777216.0;
    const double value = std::ldexp(mantissa, exponent - 128);
    return (high & 0x8000u) != 0 ? -value : value;
}

class Writer {
public:
    explicit Writer(int processor) : processor_(processor) {}

    std::string bytes;

    void Byte(int value) { bytes.push_back(static_cast<char>(value & 0xFF)); }
    void Word(int value) {
        if (processor_ == 3) {
            Byte(value >> 8);
            Byte(value);
        } else {
            Byte(value);
            Byte(value >> 8);
        }
    }
    void Float(float value) {
        std::uint8_t out[4];
        if (processor_ == 2) {
            DecBytes(value, out);
        } else {
            std::uint32_t bits = 0;
            std::memcpy(&bits, &value, 4);
            for (int i = 0; i < 4; ++i) out[processor_ == 3 ? 3 - i : i] = static_cast<std::uint8_t>(bits >> (8 * i));
        }
        bytes.append(reinterpret_cast<const char*>(out), 4);
    }
    void PadTo(std::size_t size) { bytes.resize(size, '\0'); }

private:
    int processor_;
};

struct File {
    int processor = 1;
    bool floats = false;
    float scale = 0.1f;  // of integer points; floats write -1
    int firstFrame = 1;
    float rate = 100.0f;
    int points = 0;
    int analogPerFrame = 0;
    int events = 0;
    int parameterBlock = 2;
    int dataStartOverride = -1;
    std::vector<Parameter> parameters;
    std::vector<std::vector<Point>> frames;

    static Parameter Text(const std::string& name, const std::string& text) {
        return Parameter{name, -1, {static_cast<int>(text.size())}, {}, text};
    }
    static Parameter Labels(const std::vector<std::string>& labels, int length) {
        Parameter labelsParameter{"LABELS", -1, {length, static_cast<int>(labels.size())}, {}, ""};
        for (const std::string& label : labels) {
            labelsParameter.characters += label + std::string(static_cast<std::size_t>(length) - label.size(), ' ');
        }
        return labelsParameter;
    }

    std::string Build() const {
        Writer out(processor);
        std::string section = Parameters();
        const int blocks = static_cast<int>((section.size() + 511) / 512);
        const int dataStart = dataStartOverride >= 0 ? dataStartOverride : 2 + blocks;
        // Header block: the first word is the parameter block and the key 0x50, in this byte order
        // whatever the processor.
        out.Byte(parameterBlock);
        out.Byte(0x50);
        out.Word(points);
        out.Word(analogPerFrame);
        out.Word(firstFrame);
        out.Word(firstFrame + static_cast<int>(frames.size()) - 1);
        out.Word(0);
        out.Float(floats ? -1.0f : scale);
        out.Word(dataStart);
        out.Word(analogPerFrame);
        out.Float(rate);
        out.PadTo(298);
        out.Word(12345);
        out.Word(events);
        out.PadTo(512);
        out.bytes += section;
        if (dataStart > 0) out.PadTo(static_cast<std::size_t>(dataStart - 1) * 512);
        for (const std::vector<Point>& frame : frames) {
            for (const Point& point : frame) WritePoint(out, point);
            for (int a = 0; a < analogPerFrame; ++a) floats ? out.Float(0.0f) : out.Word(0);
        }
        return out.bytes;
    }

private:
    void WritePoint(Writer& out, const Point& point) const {
        // The scene's x, y, z in centimetres: the file's X = -x, Y = z, Z = y in millimetres.
        const double file[3] = {-point.x * 10.0, point.z * 10.0, point.y * 10.0};
        const int word4 = point.valid ? (point.cameras << 8 | point.residual) : -1;
        for (double value : file) {
            if (floats) {
                out.Float(static_cast<float>(value));
            } else {
                out.Word(static_cast<int>(std::lround(value / scale)));
            }
        }
        floats ? out.Float(static_cast<float>(word4)) : out.Word(word4);
    }

    std::string Parameters() const {
        Writer out(processor);
        out.Byte(1);
        out.Byte(0x50);
        out.Byte(0);  // blocks, patched below
        out.Byte(83 + processor);
        Record(out, "POINT", -1, nullptr);
        for (const Parameter& parameter : parameters) Record(out, parameter.name, parameter.group, &parameter);
        out.Byte(0);
        out.Byte(0);
        out.bytes[2] = static_cast<char>((out.bytes.size() + 511) / 512);
        return out.bytes;
    }

    void Record(Writer& out, const std::string& name, int id, const Parameter* parameter) const {
        out.Byte(static_cast<int>(name.size()));
        out.Byte(id);
        out.bytes += name;
        Writer value(processor);
        if (parameter != nullptr) {
            value.Byte(parameter->type);
            value.Byte(static_cast<int>(parameter->dimensions.size()));
            for (int dimension : parameter->dimensions) value.Byte(dimension);
            if (parameter->type == -1) {
                value.bytes += parameter->characters;
            }
            for (double number : parameter->numbers) {
                if (parameter->type == 4) value.Float(static_cast<float>(number));
                if (parameter->type == 2) value.Word(static_cast<int>(number));
                if (parameter->type == 1) value.Byte(static_cast<int>(number));
            }
        }
        value.Byte(0);  // no description
        // A record cut short: its offset says where the next one starts, its value is cut.
        if (parameter != nullptr && parameter->offsetShortBy > 0) {
            value.bytes.resize(value.bytes.size() - static_cast<std::size_t>(parameter->offsetShortBy));
        }
        out.Word(2 + static_cast<int>(value.bytes.size()));
        out.bytes += value.bytes;
    }
};

// What the checker found in a file our writer made, read by the published rules.
struct Checked {
    bool ok = false;
    std::string why;
    int parameterBlock = 0;
    int processor = 0;
    int points = 0;
    int firstFrame = 0;
    int lastFrame = 0;
    double scale = 0.0;
    int dataStart = 0;
    double rate = 0.0;
    int sectionBlocks = 0;
    std::map<std::string, Parameter> parameters;  // "GROUP:NAME"
    std::vector<std::vector<Point>> frames;       // in the file's millimetres and axes
};

inline int LittleWord(const std::string& bytes, std::size_t at) {
    return static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8;
}

inline double DecAt(const std::string& bytes, std::size_t at) {
    std::uint8_t four[4];
    std::memcpy(four, bytes.data() + at, 4);
    return DecValue(four);
}

// Reads a DEC file (the layout our writer uses) by the published rules.
inline Checked Check(const std::string& bytes) {
    Checked result;
    if (bytes.size() < 1024) return result.why = "shorter than two blocks", result;
    result.parameterBlock = static_cast<std::uint8_t>(bytes[0]);
    if (static_cast<std::uint8_t>(bytes[1]) != 0x50) return result.why = "no key", result;
    result.points = LittleWord(bytes, 2);
    result.firstFrame = LittleWord(bytes, 6);
    result.lastFrame = LittleWord(bytes, 8);
    result.scale = DecAt(bytes, 12);
    result.dataStart = LittleWord(bytes, 16);
    result.rate = DecAt(bytes, 20);
    const std::size_t section = static_cast<std::size_t>(result.parameterBlock - 1) * 512;
    result.sectionBlocks = static_cast<std::uint8_t>(bytes[section + 2]);
    result.processor = static_cast<std::uint8_t>(bytes[section + 3]) - 83;
    std::map<int, std::string> groups;
    for (std::size_t at = section + 4; at + 4 <= bytes.size();) {
        const int length = static_cast<std::int8_t>(bytes[at]);
        const int id = static_cast<std::int8_t>(bytes[at + 1]);
        if (length == 0 || id == 0) break;
        const std::string name = bytes.substr(at + 2, static_cast<std::size_t>(std::abs(length)));
        const std::size_t offsetAt = at + 2 + name.size();
        const int offset = LittleWord(bytes, offsetAt);
        if (id < 0) {
            groups[-id] = name;
        } else {
            Parameter parameter;
            parameter.name = name;
            parameter.group = id;
            std::size_t p = offsetAt + 2;
            parameter.type = static_cast<std::int8_t>(bytes[p++]);
            const int count = static_cast<std::uint8_t>(bytes[p++]);
            std::size_t elements = 1;
            for (int i = 0; i < count; ++i) {
                parameter.dimensions.push_back(static_cast<std::uint8_t>(bytes[p++]));
                elements *= static_cast<std::size_t>(parameter.dimensions.back());
            }
            for (std::size_t i = 0; i < elements; ++i) {
                if (parameter.type == -1) parameter.characters += bytes[p++];
                if (parameter.type == 1) parameter.numbers.push_back(static_cast<std::uint8_t>(bytes[p++]));
                if (parameter.type == 2) parameter.numbers.push_back(static_cast<std::int16_t>(LittleWord(bytes, p))), p += 2;
                if (parameter.type == 4) parameter.numbers.push_back(DecAt(bytes, p)), p += 4;
            }
            const std::size_t describe = static_cast<std::uint8_t>(bytes[p]);
            if (p + 1 + describe != offsetAt + static_cast<std::size_t>(offset)) {
                return result.why = "offset of " + name + " does not lead to the next record", result;
            }
            result.parameters[groups[id] + ":" + name] = parameter;
        }
        at = offsetAt + static_cast<std::size_t>(offset);
    }
    const bool floats = result.scale < 0.0;
    const std::size_t pointSize = floats ? 16 : 8;
    const std::size_t data = static_cast<std::size_t>(result.dataStart - 1) * 512;
    const std::size_t frameCount = static_cast<std::size_t>(result.lastFrame - result.firstFrame + 1);
    if (bytes.size() != data + frameCount * result.points * pointSize) {
        return result.why = "the data does not fill the file", result;
    }
    for (std::size_t f = 0; f < frameCount; ++f) {
        std::vector<Point> frame;
        for (int m = 0; m < result.points; ++m) {
            const std::size_t at = data + (f * result.points + static_cast<std::size_t>(m)) * pointSize;
            Point point;
            if (floats) {
                point.x = DecAt(bytes, at);
                point.y = DecAt(bytes, at + 4);
                point.z = DecAt(bytes, at + 8);
                point.valid = DecAt(bytes, at + 12) >= 0.0;
            } else {
                point.x = static_cast<std::int16_t>(LittleWord(bytes, at)) * result.scale;
                point.y = static_cast<std::int16_t>(LittleWord(bytes, at + 2)) * result.scale;
                point.z = static_cast<std::int16_t>(LittleWord(bytes, at + 4)) * result.scale;
                point.valid = static_cast<std::int16_t>(LittleWord(bytes, at + 6)) >= 0;
            }
            frame.push_back(point);
        }
        result.frames.push_back(frame);
    }
    result.ok = true;
    return result;
}

}  // namespace c3d_fixture

#endif
