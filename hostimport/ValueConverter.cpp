#include "hostimport/ValueConverter.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPiOver360 = 0.008726646259971648;
constexpr double k360OverPi = 114.59155902616465;
constexpr int kVerticalAperture = 2;

}  // namespace

float ValueConverter::Convert(float value) const { return static_cast<float>(Convert(static_cast<double>(value))); }

std::uint32_t ValueConverter::Convert(std::uint32_t value) const {
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(Convert(static_cast<double>(value))));
}

std::int32_t ValueConverter::Convert(std::int32_t value) const {
    return static_cast<std::int32_t>(static_cast<std::int64_t>(Convert(static_cast<double>(value))));
}

double CameraValueConverter::HalfFilm() const {
    return film_.apertureMode == kVerticalAperture ? 0.5 * film_.heightMillimetres
                                                   : 0.5 * film_.widthMillimetres * film_.squeezeRatio;
}

// ---- field of view to focal length -------------------------------------------------------------------

double FieldOfViewToFocalLength::Convert(double value) const {
    if (!(value > 0.0)) return 0.0;
    return HalfFilm() / std::tan(std::min(value, kMaxFieldOfView) * kPiOver360);
}

double FieldOfViewToFocalLength::Derivative(double value) const {
    // Outside the views that have a focal length the focal length does not change.
    if (!(value > 0.0 && value < kMaxFieldOfView)) return 0.0;
    const double sine = std::sin(value * kPiOver360);
    return -HalfFilm() * kPiOver360 / (sine * sine);
}

// ---- focal length to field of view -------------------------------------------------------------------

double FocalLengthToFieldOfView::Convert(double value) const {
    const double half = HalfFilm();
    if (half == 0.0) return 0.0;
    return k360OverPi * std::atan(half / value);
}

double FocalLengthToFieldOfView::Derivative(double value) const {
    const double half = HalfFilm();
    return -k360OverPi * half / (value * value + half * half);
}
