// Configure-time probe (cmake/WyxRoundingProbe.cmake): rounds a point to single precision and
// widens it again, as the importer does with each point it hands the host. Exits 0 when every
// coordinate comes back rounded, 1 when the compiler kept one in double precision.
#include <cstdio>

namespace {

struct Point {
    double x, y, z, w;
};

// Kept out of line, so that the compiler works on values it cannot know.
__attribute__((noinline)) void RoundToSingle(const Point& in, Point& out) {
    out = Point{static_cast<float>(in.x), static_cast<float>(in.y), static_cast<float>(in.z), 1.0};
}

bool IsRounded(double given, double got) { return got == static_cast<double>(static_cast<float>(given)); }

}  // namespace

int main() {
    volatile double tenth = 0.1;  // none of these is a float
    const Point in{tenth, 2.0 * tenth, 3.0 * tenth, 1.0};
    Point out{};
    RoundToSingle(in, out);
    const bool rounded = IsRounded(in.x, out.x) && IsRounded(in.y, out.y) && IsRounded(in.z, out.z);
    std::printf("%.17g %.17g %.17g: %s\n", out.x, out.y, out.z, rounded ? "rounded" : "not rounded");
    return rounded ? 0 : 1;
}
