#ifndef WYX_WYXWRITER_WYXFIELDS_H
#define WYX_WYXWRITER_WYXFIELDS_H

// Short forms of the container's field writer for the scene writers: a field with its values
// in one call, a field that opens a block for the length of a scope, and the arrays of
// numbers that geometry and matrices are written as.

#include "core/RMatrix.h"
#include "core/RString.h"
#include "fileio/RWyxFile.h"

#include <cstddef>
#include <vector>

namespace wyx_fields {

inline void WriteValue(RWyxFile& file, int value) { file.FieldWriteInt(value); }
inline void WriteValue(RWyxFile& file, bool value) { file.FieldWriteInt(value ? 1 : 0); }
inline void WriteValue(RWyxFile& file, double value) { file.FieldWriteDouble(value); }
inline void WriteValue(RWyxFile& file, char value) { file.FieldWriteChar(value); }
inline void WriteValue(RWyxFile& file, const char* value) { file.FieldWriteString(value); }
inline void WriteValue(RWyxFile& file, const RString& value) { file.FieldWriteString(value); }

// A field with the values in order.
template <typename... Values>
void WriteField(RWyxFile& file, const char* name, const Values&... values) {
    file.FieldWriteBegin(name);
    (WriteValue(file, values), ...);
    file.FieldWriteEnd();
}

// A field with the values and an empty block.
template <typename... Values>
void WriteEmptyBlockField(RWyxFile& file, const char* name, const Values&... values) {
    file.FieldWriteBegin(name);
    (WriteValue(file, values), ...);
    file.FieldWriteBlockBegin();
    file.FieldWriteBlockEnd();
    file.FieldWriteEnd();
}

// A field with the values whose block is open while the object lives.
class FieldBlock {
public:
    template <typename... Values>
    FieldBlock(RWyxFile& file, const char* name, const Values&... values) : file_(file) {
        file_.FieldWriteBegin(name);
        (WriteValue(file_, values), ...);
        file_.FieldWriteBlockBegin();
    }
    ~FieldBlock() {
        file_.FieldWriteBlockEnd();
        file_.FieldWriteEnd();
    }
    FieldBlock(const FieldBlock&) = delete;
    FieldBlock& operator=(const FieldBlock&) = delete;

private:
    RWyxFile& file_;
};

// A field of count numbers (ints or doubles).
template <typename Number>
void WriteNumbers(RWyxFile& file, const char* name, const Number* values, std::size_t count) {
    file.FieldWriteBegin(name);
    for (std::size_t i = 0; i < count; ++i) WriteValue(file, values[i]);
    file.FieldWriteEnd();
}

inline void WriteInts(RWyxFile& file, const char* name, const int* values, std::size_t count) {
    WriteNumbers(file, name, values, count);
}

inline void WriteInts(RWyxFile& file, const char* name, const std::vector<int>& values) {
    WriteNumbers(file, name, values.data(), values.size());
}

inline void WriteDoubles(RWyxFile& file, const char* name, const double* values, std::size_t count) {
    WriteNumbers(file, name, values, count);
}

// The sixteen doubles of the matrix, row by row.
inline void WriteMatrix(RWyxFile& file, const char* name, const RMatrix& matrix) {
    file.FieldWriteBegin(name);
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) file.FieldWriteDouble(matrix[row][column]);
    }
    file.FieldWriteEnd();
}

inline void WriteTimeSpan(RWyxFile& file, const char* name, RTime start, RTime stop) {
    file.FieldWriteBegin(name);
    file.FieldWriteTimeSpan(start, stop);
    file.FieldWriteEnd();
}

// x, y and z of the vector.
inline void WriteVector3(RWyxFile& file, const char* name, const RVector4& vector) {
    WriteField(file, name, vector.x, vector.y, vector.z);
}

// x, y and z of each vector, back to back.
inline void WriteVectors3(RWyxFile& file, const char* name, const std::vector<RVector4>& vectors) {
    file.FieldWriteBegin(name);
    for (const RVector4& vector : vectors) {
        file.FieldWriteDouble(vector.x);
        file.FieldWriteDouble(vector.y);
        file.FieldWriteDouble(vector.z);
    }
    file.FieldWriteEnd();
}

}  // namespace wyx_fields

#endif
