#include "wyxreader/WyxFieldReading.h"

namespace wyx_read {

BlockScope::BlockScope(RWyxFile& file, bool fieldOpen, bool entered)
    : file_(&file), fieldOpen_(fieldOpen), entered_(entered) {}

BlockScope::BlockScope(BlockScope&& other) noexcept
    : file_(other.file_), fieldOpen_(other.fieldOpen_), entered_(other.entered_) {
    other.fieldOpen_ = false;
    other.entered_ = false;
}

BlockScope BlockScope::Enter(RWyxFile& file) { return BlockScope(file, false, file.FieldReadBlockBegin()); }

BlockScope BlockScope::Open(RWyxFile& file, const char* name) {
    if (!file.FieldReadBegin(name)) return BlockScope(file, false, false);
    return BlockScope(file, true, file.FieldReadBlockBegin());
}

BlockScope BlockScope::Nothing(RWyxFile& file) { return BlockScope(file, false, false); }

BlockScope::~BlockScope() {
    if (entered_) file_->FieldReadBlockEnd();
    if (fieldOpen_) file_->FieldReadEnd();
}

int CountFields(RWyxFile& file, const char* name) {
    int count = 0;
    for (int i = 0; i < file.FieldGetCount(); ++i) {
        if (file.FieldGetName(i) == name) ++count;
    }
    return count;
}

double ReadDoubleByName(RWyxFile& file, const char* name, double defaultValue) {
    if (!file.FieldReadBegin(name)) return defaultValue;
    const double value = file.FieldReadValuesLeft() > 0 ? file.FieldReadDouble() : defaultValue;
    file.FieldReadEnd();
    return value;
}

namespace {

template <typename T, typename Read>
std::vector<T> ReadAll(RWyxFile& file, Read read) {
    std::vector<T> values;
    const int count = file.FieldReadValuesLeft();
    values.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) values.push_back(read());
    return values;
}

template <typename T, typename Read>
bool ReadAllByName(RWyxFile& file, const char* name, std::vector<T>& out, Read read) {
    out.clear();
    if (!file.FieldReadBegin(name)) return false;
    out = ReadAll<T>(file, read);
    file.FieldReadEnd();
    return true;
}

}  // namespace

std::vector<double> ReadDoubles(RWyxFile& file) {
    return ReadAll<double>(file, [&file] { return file.FieldReadDouble(); });
}

std::vector<int> ReadInts(RWyxFile& file) {
    return ReadAll<int>(file, [&file] { return file.FieldReadInt(); });
}

std::vector<RString> ReadStrings(RWyxFile& file) {
    return ReadAll<RString>(file, [&file] { return file.FieldReadString(); });
}

bool ReadDoublesByName(RWyxFile& file, const char* name, std::vector<double>& out) {
    return ReadAllByName(file, name, out, [&file] { return file.FieldReadDouble(); });
}

bool ReadIntsByName(RWyxFile& file, const char* name, std::vector<int>& out) {
    return ReadAllByName(file, name, out, [&file] { return file.FieldReadInt(); });
}

bool ReadStringsByName(RWyxFile& file, const char* name, std::vector<RString>& out) {
    return ReadAllByName(file, name, out, [&file] { return file.FieldReadString(); });
}

namespace {

// The next field of the name when it holds at least count values (left current); false,
// nothing current, otherwise.
bool BeginWithValues(RWyxFile& file, const char* name, int count) {
    if (!file.FieldReadBegin(name)) return false;
    if (file.FieldReadValuesLeft() >= count) return true;
    file.FieldReadEnd();
    return false;
}

}  // namespace

bool ReadVector3ByName(RWyxFile& file, const char* name, RVector4& out) {
    if (!BeginWithValues(file, name, 3)) return false;
    const double x = file.FieldReadDouble();
    const double y = file.FieldReadDouble();
    const double z = file.FieldReadDouble();
    out = RVector4(x, y, z, 0.0);
    file.FieldReadEnd();
    return true;
}

bool ReadMatrixByName(RWyxFile& file, const char* name, RMatrix& out) {
    if (!BeginWithValues(file, name, 16)) return false;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) out[row][column] = file.FieldReadDouble();
    }
    file.FieldReadEnd();
    return true;
}

bool ReadTimeSpanByName(RWyxFile& file, const char* name, RTime& start, RTime& stop) {
    if (!BeginWithValues(file, name, 2)) return false;
    start = file.FieldReadTime();
    stop = file.FieldReadTime();
    file.FieldReadEnd();
    return true;
}

}  // namespace wyx_read
