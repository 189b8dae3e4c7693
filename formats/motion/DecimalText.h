#ifndef WYX_FORMATS_MOTION_DECIMALTEXT_H
#define WYX_FORMATS_MOTION_DECIMALTEXT_H

// Reading the numbers of motion text files. Their rows are plain decimals ("-12.345"), read
// directly to the bits std::from_chars gives them; every other form goes to from_chars.

// The number at start, read as std::from_chars reads it in the general format, no further
// than end: out gets its value and the answer is the position past it. Null (out untouched)
// when no number begins there or it lies beyond the doubles.
//
// A plain decimal of at most kMaxDirectDigits digits ("-", digits, "." and digits, no
// exponent) is its digits as a whole number over a power of ten: both are exact doubles, so
// the one rounded division gives the nearest double, as from_chars does.
const char* ParseDecimal(const char* start, const char* end, double& out);

// Below 2^53: every whole number of this many digits is an exact double.
constexpr int kMaxDirectDigits = 15;

#endif
