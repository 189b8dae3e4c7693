#include "formats/motion/DecimalText.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

namespace {

std::uint64_t Bits(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// ParseDecimal over text[0, length) against from_chars: the same end, the same bits, and
// out untouched where from_chars finds no number.
void ExpectAsFromChars(const std::string& text, std::size_t length) {
    const char* const begin = text.data();
    const char* const end = begin + length;
    double expected = 7.0;
    const auto result = std::from_chars(begin, end, expected, std::chars_format::general);
    double value = 7.0;
    const char* const after = ParseDecimal(begin, end, value);
    const std::string shown = text.substr(0, length);
    if (result.ec != std::errc()) {
        EXPECT_EQ(after, nullptr) << shown;
        EXPECT_EQ(value, 7.0) << shown;
        return;
    }
    ASSERT_NE(after, nullptr) << shown;
    EXPECT_EQ(after - begin, result.ptr - begin) << shown;
    EXPECT_EQ(Bits(value), Bits(expected)) << shown << " read as " << value;
}

void ExpectAsFromChars(const std::string& text) { ExpectAsFromChars(text, text.size()); }

}  // namespace

TEST(DecimalTextTest, PlainDecimalsReadToTheBitsFromCharsGives) {
    // Halfway and near-halfway cases of one division, sign and zero forms, the last digit
    // count read directly and the first one past it.
    for (const char* text : {"0", "-0", "-0.000", "0.1", "0.3", "-0.7", "12.345", "-59.999", "89.9999999999999",
                             "0.000000000000001", "999999999999999", "-999999999999.999", "9007199254740993",
                             "1234567890123456", "0.1234567890123456", "00000000000000012.5", "4.35",
                             "2.675", "1.005", "179.99999999999997", "0.30000000000000004"}) {
        ExpectAsFromChars(text);
    }
    // Random decimals of 1 to 17 digits with the point anywhere, as the writers print them.
    std::mt19937_64 random(49);
    for (int i = 0; i < 200000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 17);
        const int point = static_cast<int>(random() % static_cast<std::uint64_t>(digits));
        std::string text = random() % 2 != 0 ? "-" : "";
        for (int d = 0; d < digits; ++d) {
            if (d == digits - point && point > 0) {
                text += '.';
            }
            text += static_cast<char>('0' + random() % 10);
        }
        ExpectAsFromChars(text + " ");
    }
}

TEST(DecimalTextTest, OtherFormsAndEndsAreFromCharsOwn) {
    // Exponents, a bare point, signs, words and what follows a number.
    for (const char* text : {"1e5", "1.5E-3", "2.5e", "2.5ex", "1.", "1.e2", ".5", "-.5", "-", "--1", "+1", "",
                             "inf", "-nan", "0x1p3", "1.5.5", "12abc", "1e400", "-1e-400", "1,5", "7\n", "3.25\t"}) {
        ExpectAsFromChars(text);
    }
    // The end may cut a number anywhere: nothing past it is read.
    const std::string row = "-123.4567e2";
    for (std::size_t length = 0; length <= row.size(); ++length) {
        ExpectAsFromChars(row, length);
    }
}
