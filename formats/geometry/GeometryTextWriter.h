#ifndef WYX_FORMATS_GEOMETRY_GEOMETRYTEXTWRITER_H
#define WYX_FORMATS_GEOMETRY_GEOMETRYTEXTWRITER_H

// A buffered text writer over a C stream for the OBJ, MTL and DXF writers: texts, integers as
// "%d" writes them and doubles as "%lf" does (six decimals), without locale and without a
// formatted call per number. Write errors are remembered (Failed, with the system's reason of
// the first: FailureCode), not reported per call.

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

    // Writes out what is buffered; false when the stream refused some of it.
    bool Flush();
    bool Failed() const { return failed_; }
    // The errno of the first write the stream refused; 0 while none was.
    int FailureCode() const { return failureCode_; }

private:
    static constexpr std::size_t kBufferSize = 1 << 16;

    GeometryTextWriter& Spill() {
        if (buffer_.size() >= kBufferSize) Flush();
        return *this;
    }

    std::FILE* file_;
    std::string buffer_;
    bool failed_ = false;
    int failureCode_ = 0;
};

#endif
