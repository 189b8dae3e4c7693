#ifndef VEXA_VCOLOR_H
#define VEXA_VCOLOR_H

// An RGBA colour of floats.

class VColor {
public:
    VColor() = default;
    VColor(float r, float g, float b, float a = 1.0f) : r(r), g(g), b(b), a(a) {}
    bool operator==(const VColor& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
    bool operator!=(const VColor& o) const { return !(*this == o); }

    float r = 0.0f, g = 0.0f, b = 0.0f, a = 1.0f;
};

#endif
