#ifndef WYX_CORE_RWYXCOLOR_H
#define WYX_CORE_RWYXCOLOR_H

// An RGBA colour whose components always lie within [0, 1]: a negative value or one that
// is not a number becomes 0, a value above 1 becomes 1.

class RWyxColor {
public:
    // Opaque white (1, 1, 1, 1).
    RWyxColor() = default;
    RWyxColor(double red, double green, double blue, double alpha);
    RWyxColor(const RWyxColor& other);
    RWyxColor& operator=(const RWyxColor& other) = default;

    void Set(double red, double green, double blue, double alpha);

    double GetRed() const { return red_; }
    double GetGreen() const { return green_; }
    double GetBlue() const { return blue_; }
    double GetAlpha() const { return alpha_; }

    // True when any of the four components differs.
    bool operator!=(const RWyxColor& other) const;
    bool operator==(const RWyxColor& other) const { return !(*this != other); }

private:
    double red_ = 1.0;
    double green_ = 1.0;
    double blue_ = 1.0;
    double alpha_ = 1.0;
};

#endif
