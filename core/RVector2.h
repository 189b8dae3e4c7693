#ifndef WYX_CORE_RVECTOR2_H
#define WYX_CORE_RVECTOR2_H

// Two doubles (u, v): the entry of texture-coordinate arrays.

class RVector2 {
public:
    RVector2() = default;
    RVector2(double u, double v) : u(u), v(v) {}

    void Assign(const RVector2& other) { *this = other; }
    void Set(double newU, double newV) {
        u = newU;
        v = newV;
    }
    // 0 gives u, any other index v.
    double GetAt(int index) const { return index == 0 ? u : v; }

    bool operator==(const RVector2& other) const { return u == other.u && v == other.v; }
    bool operator!=(const RVector2& other) const { return !(*this == other); }

    double u = 0.0;
    double v = 0.0;
};

#endif
