#ifndef WYX_HOSTIMPORT_VALUECONVERTER_H
#define WYX_HOSTIMPORT_VALUECONVERTER_H

// Converters of single values between a file's channel and a host attribute. The base
// converts nothing; the camera converters turn a field of view (degrees) into a focal length
// (millimetres) for the import and back for the export, from the camera's film: width and
// height in millimetres, squeeze ratio and aperture mode (0 "Horizontal & Vertical",
// 1 "Horizontal", 2 "Vertical": the vertical mode measures the view across the film's height,
// the others across its squeezed width). Integer conversions compute in doubles and truncate.
//
// A field of view must lie inside (0, 180) degrees to have a focal length: 0 (and a view
// below it) gives 0, as a camera without a view; a view at or beyond kMaxFieldOfView is taken
// as kMaxFieldOfView, so that the focal length stays positive and finite.

#include <cstdint>

class ValueConverter {
public:
    virtual ~ValueConverter() = default;
    virtual double Convert(double value) const { return value; }
    // Computed as the double conversion.
    virtual float Convert(float value) const;
    // Computed as the double conversion, truncated.
    virtual std::uint32_t Convert(std::uint32_t value) const;
    virtual std::int32_t Convert(std::int32_t value) const;
    // The rate of change of the converted value per unit of the value, at the value: what a
    // slope of the value's curve is multiplied by.
    virtual double Derivative(double /*value*/) const { return 1.0; }
};

struct CameraFilm {
    double widthMillimetres = 0.0;
    double heightMillimetres = 0.0;
    double squeezeRatio = 1.0;
    int apertureMode = 1;
};

class CameraValueConverter : public ValueConverter {
public:
    static constexpr double kMaxFieldOfView = 179.999;

    explicit CameraValueConverter(const CameraFilm& film) : film_(film) {}

protected:
    // Half the film the view spans, in millimetres.
    double HalfFilm() const;

private:
    CameraFilm film_;
};

// Field of view (degrees) to focal length (millimetres).
class FieldOfViewToFocalLength : public CameraValueConverter {
public:
    using CameraValueConverter::CameraValueConverter;
    using CameraValueConverter::Convert;
    double Convert(double value) const override;
    // Millimetres per degree: a field-of-view slope becomes a focal-length slope.
    double Derivative(double value) const override;
};

// Focal length (millimetres) to field of view (degrees).
class FocalLengthToFieldOfView : public CameraValueConverter {
public:
    using CameraValueConverter::CameraValueConverter;
    using CameraValueConverter::Convert;
    double Convert(double value) const override;
    double Derivative(double value) const override;
};

#endif
