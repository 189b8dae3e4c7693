#include "core/RWyxColor.h"

namespace {

// NaN fails both comparisons below and so ends at 0.
double ClampUnit(double value) {
    if (value > 1.0) {
        return 1.0;
    }
    return value >= 0.0 ? value : 0.0;
}

}  // namespace

RWyxColor::RWyxColor(double red, double green, double blue, double alpha) { Set(red, green, blue, alpha); }

RWyxColor::RWyxColor(const RWyxColor& other) { Set(other.red_, other.green_, other.blue_, other.alpha_); }

void RWyxColor::Set(double red, double green, double blue, double alpha) {
    red_ = ClampUnit(red);
    green_ = ClampUnit(green);
    blue_ = ClampUnit(blue);
    alpha_ = ClampUnit(alpha);
}

bool RWyxColor::operator!=(const RWyxColor& other) const {
    return red_ != other.red_ || green_ != other.green_ || blue_ != other.blue_ || alpha_ != other.alpha_;
}
