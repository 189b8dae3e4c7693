#include "host/src/scene/AnimCurveData.h"

#include <vexa/VFnAnimCurve.h>

#include <algorithm>
#include <cmath>

namespace vexa_host {

namespace {

constexpr double kTiny = 1e-12;
constexpr int kBisectionSteps = 60;

const char* tangentName(int type) {
    static const char* const names[] = {"global", "fixed", "linear", "flat", "smooth", "step", "slow", "fast", "clamped"};
    return type >= 0 && type <= 8 ? names[type] : "unknown";
}

double slopeOf(double x, double y) { return std::fabs(x) < kTiny ? 0.0 : y / x; }

}  // namespace

size_t AnimCurveData::addKey(double input, double value, int inType, int outType) {
    auto it = std::lower_bound(keys.begin(), keys.end(), input,
                               [](const AnimKey& key, double at) { return key.input < at; });
    size_t index = static_cast<size_t>(it - keys.begin());
    if (it == keys.end() || it->input != input) {
        AnimKey key;
        key.input = input;
        it = keys.insert(it, key);
    }
    it->value = value;
    // A fixed tangent starts out as a smooth one.
    const int smooth = VFnAnimCurve::kTangentSmooth;
    it->inType = inType == VFnAnimCurve::kTangentFixed ? smooth : inType;
    it->outType = outType == VFnAnimCurve::kTangentFixed ? smooth : outType;
    refreshAround(index);
    keys[index].inType = inType;
    keys[index].outType = outType;
    return index;
}

void AnimCurveData::removeKey(size_t index) {
    if (index >= keys.size()) return;
    keys.erase(keys.begin() + static_cast<std::ptrdiff_t>(index));
    if (!keys.empty()) refreshAround(std::min(index, keys.size() - 1));
}

void AnimCurveData::setTangent(size_t index, double x, double y, bool inSide) {
    AnimKey& key = keys[index];
    if (inSide) {
        key.inType = VFnAnimCurve::kTangentFixed;
        key.inX = x;
        key.inY = y;
    } else {
        key.outType = VFnAnimCurve::kTangentFixed;
        key.outX = x;
        key.outY = y;
    }
    if (key.tangentsLocked) {
        const double slope = slopeOf(x, y);
        if (inSide) {
            key.outType = VFnAnimCurve::kTangentFixed;
            key.outY = slope * key.outX;
        } else {
            key.inType = VFnAnimCurve::kTangentFixed;
            key.inY = slope * key.inX;
        }
    }
}

void AnimCurveData::setTangentType(size_t index, int type, bool inSide) {
    (inSide ? keys[index].inType : keys[index].outType) = type;
    refreshAround(index);
}

void AnimCurveData::refreshAround(size_t index) {
    const size_t first = index >= 2 ? index - 2 : 0;
    const size_t last = std::min(index + 2, keys.size() - 1);
    for (size_t i = first; i <= last && i < keys.size(); ++i) refreshKey(i);
}

void AnimCurveData::refreshAll() {
    for (size_t i = 0; i < keys.size(); ++i) refreshKey(i);
}

double AnimCurveData::autoSlope(size_t index, int type, bool inSide) const {
    const AnimKey& key = keys[index];
    const AnimKey* previous = index > 0 ? &keys[index - 1] : nullptr;
    const AnimKey* next = index + 1 < keys.size() ? &keys[index + 1] : nullptr;
    auto chord = [](const AnimKey& a, const AnimKey& b) { return (b.value - a.value) / (b.input - a.input); };
    switch (type) {
    case VFnAnimCurve::kTangentFlat:
    case VFnAnimCurve::kTangentStep: return 0.0;
    case VFnAnimCurve::kTangentLinear:
        if (inSide && previous != nullptr) return chord(*previous, key);
        if (!inSide && next != nullptr) return chord(key, *next);
        if (previous != nullptr) return chord(*previous, key);
        return next != nullptr ? chord(key, *next) : 0.0;
    default: break;
    }
    double slope = 0.0;
    if (previous != nullptr && next != nullptr) {
        slope = chord(*previous, *next);
    } else if (previous != nullptr) {
        slope = chord(*previous, key);
    } else if (next != nullptr) {
        slope = chord(key, *next);
    }
    if (type == VFnAnimCurve::kTangentClamped) {
        if (previous != nullptr && next != nullptr) {
            const double low = std::min(previous->value, next->value);
            const double high = std::max(previous->value, next->value);
            if (!(key.value > low && key.value < high)) slope = 0.0;
        } else {
            const AnimKey* only = previous != nullptr ? previous : next;
            if (only != nullptr && std::fabs(only->value - key.value) <= kTiny) slope = 0.0;
        }
    }
    return slope;
}

void AnimCurveData::refreshKey(size_t index) {
    AnimKey& key = keys[index];
    const double before = index > 0 ? key.input - keys[index - 1].input : 0.0;
    const double after = index + 1 < keys.size() ? keys[index + 1].input - key.input : 0.0;
    // A worked-out tangent spans the gap to the neighbour on its side (the other gap at an end).
    const double inLength = before > 0.0 ? before : (after > 0.0 ? after : 1.0);
    const double outLength = after > 0.0 ? after : (before > 0.0 ? before : 1.0);
    if (key.inType != VFnAnimCurve::kTangentFixed) {
        key.inX = inLength;
        key.inY = autoSlope(index, key.inType, true) * inLength;
    }
    if (key.outType != VFnAnimCurve::kTangentFixed) {
        key.outX = outLength;
        key.outY = autoSlope(index, key.outType, false) * outLength;
    }
}

double AnimCurveData::evaluate(double input) const {
    if (keys.empty()) return 0.0;
    if (input <= keys.front().input) return keys.front().value;
    if (input >= keys.back().input) return keys.back().value;
    auto it = std::upper_bound(keys.begin(), keys.end(), input,
                               [](double at, const AnimKey& key) { return at < key.input; });
    const AnimKey& b = *it;
    const AnimKey& a = *(it - 1);
    if (a.outType == VFnAnimCurve::kTangentStep) return a.value;
    const double span = b.input - a.input;
    if (!weighted) {
        const double u = (input - a.input) / span;
        const double m0 = slopeOf(a.outX, a.outY) * span;
        const double m1 = slopeOf(b.inX, b.inY) * span;
        const double u2 = u * u;
        const double u3 = u2 * u;
        return (2 * u3 - 3 * u2 + 1) * a.value + (u3 - 2 * u2 + u) * m0 + (-2 * u3 + 3 * u2) * b.value +
               (u3 - u2) * m1;
    }
    // Bezier handles at a third of each tangent, kept inside the span (slope unchanged).
    auto handle = [span](double x, double y, double& hx, double& hy) {
        hx = x / 3.0;
        hy = y / 3.0;
        if (hx > span) {
            hy *= span / hx;
            hx = span;
        }
        if (hx < 0.0) {
            hx = 0.0;
            hy = 0.0;
        }
    };
    double ax, ay, bx, by;
    handle(a.outX, a.outY, ax, ay);
    handle(b.inX, b.inY, bx, by);
    const double x0 = a.input, x1 = a.input + ax, x2 = b.input - bx, x3 = b.input;
    const double y0 = a.value, y1 = a.value + ay, y2 = b.value - by, y3 = b.value;
    auto bezier = [](double p0, double p1, double p2, double p3, double u) {
        const double v = 1.0 - u;
        return v * v * v * p0 + 3 * v * v * u * p1 + 3 * v * u * u * p2 + u * u * u * p3;
    };
    double low = 0.0, high = 1.0;
    for (int step = 0; step < kBisectionSteps; ++step) {
        const double middle = 0.5 * (low + high);
        (bezier(x0, x1, x2, x3, middle) < input ? low : high) = middle;
    }
    return bezier(y0, y1, y2, y3, 0.5 * (low + high));
}

int AnimCurveData::find(double input) const {
    auto it = std::lower_bound(keys.begin(), keys.end(), input,
                               [](const AnimKey& key, double at) { return key.input < at; });
    return it != keys.end() && it->input == input ? static_cast<int>(it - keys.begin()) : -1;
}

void AnimCurveData::describe(std::ostream& out, const std::string& indent) const {
    out << indent << "keys " << keys.size() << (weighted ? " weighted" : "") << "\n";
    for (const AnimKey& key : keys) {
        out << indent << "  key " << key.input << " " << key.value << " in " << tangentName(key.inType) << " ("
            << key.inX << " " << key.inY << ") out " << tangentName(key.outType) << " (" << key.outX << " "
            << key.outY << ")\n";
    }
}

int animCurveTypeOf(const std::string& typeName) {
    static const char* const names[] = {"animCurveTA", "animCurveTL", "animCurveTT", "animCurveTU",
                                        "animCurveUA", "animCurveUL", "animCurveUT", "animCurveUU"};
    for (int i = 0; i < 8; ++i) {
        if (typeName == names[i]) return i;
    }
    return VFnAnimCurve::kAnimCurveUnknown;
}

bool isTimeInputType(int curveType) { return curveType >= 0 && curveType <= 3; }

}  // namespace vexa_host
