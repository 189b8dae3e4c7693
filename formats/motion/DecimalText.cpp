#include "formats/motion/DecimalText.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

constexpr double kPowersOfTen[kMaxDirectDigits + 1] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// Reads the digits from at on into digits. Past 19 digits the whole number wraps round, but
// numbers that long are not read directly.
const char* ReadDigits(const char* at, const char* end, std::uint64_t& digits) {
    for (; at < end; ++at) {
        const unsigned digit = static_cast<unsigned char>(*at) - unsigned{'0'};
        if (digit > 9) {
            break;
        }
        digits = digits * 10 + digit;
    }
    return at;
}

const char* ParseGeneral(const char* start, const char* end, double& out) {
    double value = 0.0;
    const auto result = std::from_chars(start, end, value, std::chars_format::general);
    if (result.ec != std::errc()) {
        return nullptr;
    }
    out = value;
    return result.ptr;
}

}  // namespace

const char* ParseDecimal(const char* start, const char* end, double& out) {
    if (start >= end) {
        return ParseGeneral(start, end, out);
    }
    // The sign is taken without a branch: in a row of angles it is as often one way as the
    // other, which no prediction follows.
    const bool negative = *start == '-';
    const char* const whole = start + std::ptrdiff_t{negative};
    std::uint64_t digits = 0;
    const char* at = ReadDigits(whole, end, digits);
    const std::ptrdiff_t wholeDigits = at - whole;
    bool direct = wholeDigits > 0;
    std::ptrdiff_t fraction = 0;
    if (direct && at < end && *at == '.') {
        const char* const fractionStart = at + 1;
        at = ReadDigits(fractionStart, end, digits);
        fraction = at - fractionStart;
        // "1." is left to from_chars, which takes the point too.
        direct = fraction > 0;
    }
    // An exponent may follow, which from_chars would take.
    direct = direct && wholeDigits + fraction <= kMaxDirectDigits && !(at < end && (*at == 'e' || *at == 'E'));
    if (!direct) {
        return ParseGeneral(start, end, out);
    }
    // Below 10^15 the whole number converts as a signed one.
    const double magnitude = static_cast<double>(static_cast<std::int64_t>(digits)) / kPowersOfTen[fraction];
    std::uint64_t bits = 0;
    std::memcpy(&bits, &magnitude, sizeof bits);
    bits |= std::uint64_t{negative} << 63;
    std::memcpy(&out, &bits, sizeof out);
    return at;
}
