#ifndef WYX_FORMATS_GEOMETRY_GEOMETRYTEXTWRITER_H
#define WYX_FORMATS_GEOMETRY_GEOMETRYTEXTWRITER_H

// A buffered text writer over a C stream for the OBJ, MTL and DXF writers: texts, integers as
// "%d" writes them and doubles as "%lf" does (six decimals), without locale and without a
// formatted call per number. Write errors are remembered (GetFailure, with the system's reason
// of the first), not reported per call.

#include "fileio/RWriteFailure.h"

#include <cstdio>
#include <string>
#include <string_view>

class GeometryTextWriter {
public:
    // The stream stays the caller's; Flush before closing it.
    explicit GeometryTextWriter(std::FILE* file) : file_(file) { buffer_.reserve(kBufferSize + 64); }
    GeometryTextWriter(const GeometryTextWriter&) = delete;
    GeometryTextWriter& operator=(const GeometryTextWriter&) = delete;
    ~GeometryTextWriter() { Flush(); }

    GeometryTextWriter& Text(std::string_view text);
    GeometryTextWriter& Int(long long value);
    // Six decimals, as "%lf".
    GeometryTextWriter& Fixed(double value);
    GeometryTextWriter& Char(char c) {
        buffer_.push_back(c);
        return Spill();
    }

    // Writes out what is buffered and flushes the stream; false when the stream refused some
    // of it, now or before.
    bool Flush();
    // Whether the stream refused a write, and the errno of the first it refused.
    const RWriteFailure& GetFailure() const { return failure_; }

private:
    static constexpr std::size_t kBufferSize = 1 << 16;

    GeometryTextWriter& Spill() {
        if (buffer_.size() >= kBufferSize) Flush();
        return *this;
    }

    std::FILE* file_;
    std::string buffer_;
    RWriteFailure failure_;
};

#endif
