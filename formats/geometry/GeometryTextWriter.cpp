#include "formats/geometry/GeometryTextWriter.h"

#include <charconv>
#include <cmath>

GeometryTextWriter& GeometryTextWriter::Text(std::string_view text) {
    buffer_.append(text.data(), text.size());
    return Spill();
}

GeometryTextWriter& GeometryTextWriter::Int(long long value) {
    char digits[24];
    const std::to_chars_result result = std::to_chars(digits, digits + sizeof digits, value);
    buffer_.append(digits, result.ptr);
    return Spill();
}

GeometryTextWriter& GeometryTextWriter::Fixed(double value) {
    if (!std::isfinite(value)) {
        // As "%lf" writes them.
        if (std::isnan(value)) return Text(std::signbit(value) ? "-nan" : "nan");
        return Text(value < 0 ? "-inf" : "inf");
    }
    char digits[512];  // the largest double has 309 digits before the point
    const std::to_chars_result result =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 6);
    buffer_.append(digits, result.ptr);
    return Spill();
}

bool GeometryTextWriter::Flush() {
    if (!buffer_.empty() && file_ != nullptr) failure_.Write(file_, buffer_.data(), buffer_.size());
    buffer_.clear();
    return !failure_.HasFailed();
}
