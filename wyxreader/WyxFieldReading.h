#ifndef WYX_WYXREADER_WYXFIELDREADING_H
#define WYX_WYXREADER_WYXFIELDREADING_H

// Short forms of the container's field reader for the scene reader: a field's block entered
// for the length of a scope, a field's values read whole, and the fixed groups of numbers
// (vectors, matrices) records hold. Nothing here allocates more than the values the file
// holds: arrays are sized by the values a field has, never by a count the file states.

#include "core/RMatrix.h"
#include "core/RString.h"
#include "core/RVector4.h"
#include "fileio/RWyxFile.h"

#include <vector>

namespace wyx_read {

// The block of the current field (Enter), or of the next field of a name (Open), entered while
// the object lives; the field is left with it. False when there is no such field or block.
class BlockScope {
public:
    // The block of the field that is current now.
    static BlockScope Enter(RWyxFile& file);
    // The next field of the name not taken yet, and its block.
    static BlockScope Open(RWyxFile& file, const char* name);
    // No block: for a caller that found nothing to open.
    static BlockScope Nothing(RWyxFile& file);

    BlockScope(BlockScope&& other) noexcept;
    BlockScope(const BlockScope&) = delete;
    BlockScope& operator=(const BlockScope&) = delete;
    BlockScope& operator=(BlockScope&&) = delete;
    ~BlockScope();

    explicit operator bool() const { return entered_; }

private:
    BlockScope(RWyxFile& file, bool fieldOpen, bool entered);

    RWyxFile* file_;
    bool fieldOpen_;
    bool entered_;
};

// The number of fields of that name at the current level.
int CountFields(RWyxFile& file, const char* name);

// The first value of the next field of the name; the default when it is missing or empty.
double ReadDoubleByName(RWyxFile& file, const char* name, double defaultValue);
// The values of the current field from the present one on, each converted.
std::vector<double> ReadDoubles(RWyxFile& file);
std::vector<int> ReadInts(RWyxFile& file);
std::vector<RString> ReadStrings(RWyxFile& file);
// The same of the next field of the name; false, out emptied, when there is none.
bool ReadDoublesByName(RWyxFile& file, const char* name, std::vector<double>& out);
bool ReadIntsByName(RWyxFile& file, const char* name, std::vector<int>& out);
bool ReadStringsByName(RWyxFile& file, const char* name, std::vector<RString>& out);
// x, y and z of the next field of the name (w 0); false, out unchanged, when the field is
// missing or holds fewer than three values.
bool ReadVector3ByName(RWyxFile& file, const char* name, RVector4& out);
// The values of the next field of the name read as doubles in groups of `stride`: begin(groups)
// is called with the number of whole groups, then each(index, values) for every group (values
// points at stride doubles). Answers the number of values the field holds (a remainder past
// the last whole group is passed), or -1, nothing called, when there is no such field.
template <typename Begin, typename Each>
int ReadGroupsByName(RWyxFile& file, const char* name, int stride, Begin begin, Each each);

// Sixteen doubles, row by row; false, out unchanged, when missing or fewer.
bool ReadMatrixByName(RWyxFile& file, const char* name, RMatrix& out);
// Two times of the field (a span); false, both unchanged, when missing or fewer.
bool ReadTimeSpanByName(RWyxFile& file, const char* name, RTime& start, RTime& stop);

template <typename Begin, typename Each>
int ReadGroupsByName(RWyxFile& file, const char* name, int stride, Begin begin, Each each) {
    if (!file.FieldReadBegin(name)) return -1;
    const int count = file.FieldReadValuesLeft();
    const int groups = count / stride;
    begin(groups);
    double values[16] = {};
    for (int g = 0; g < groups; ++g) {
        for (int v = 0; v < stride; ++v) values[v] = file.FieldReadDouble();
        each(g, values);
    }
    file.FieldReadEnd();
    return count;
}

}  // namespace wyx_read

#endif
