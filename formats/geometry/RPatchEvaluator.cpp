#include "formats/geometry/RPatchEvaluator.h"

#include "attributes/RWyxPatch.h"
#include "formats/geometry/RInfluenceTable.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iterator>
#include <new>

namespace {

const char* const kErrorMessages[] = {
    "Unknown patch basis type.",
    "Fewer control points than the basis needs.",
    "Step below 1.",
    "Order below 1 or above 4.",
    "Knot vector shorter than the control points and order need.",
    "Knot vector without a non-empty span.",
    "Grid too large.",
    "Control points or surface data missing.",
    "Output too small for the grid.",
    "Influence table too small for the grid.",
    "Fewer than two samples in a direction.",
};

// Basis matrices: row j holds the coefficients of t^3, t^2, t and 1 of the basis function of
// a segment's j-th control point, t in [0, 1].
struct Basis {
    double matrix[4][4];
    int window;
    int advance;
};

const Basis kBases[] = {
    {{{-1, 3, -3, 1}, {3, -6, 3, 0}, {-3, 3, 0, 0}, {1, 0, 0, 0}}, 4, 3},                            // Bezier
    {{{0, 1, -2, 1}, {0, -2, 2, 0}, {0, 1, 0, 0}, {0, 0, 0, 0}}, 3, 2},                               // quadric
    {{{-0.5, 1, -0.5, 0}, {1.5, -2.5, 0, 1}, {-1.5, 2, 0.5, 0}, {0.5, -0.5, 0, 0}}, 4, 1},            // Cardinal
    {{{-1.0 / 6, 0.5, -0.5, 1.0 / 6}, {0.5, -1, 0, 2.0 / 3}, {-0.5, 0.5, 0.5, 1.0 / 6}, {1.0 / 6, 0, 0, 0}},
     4,
     1},                                                                                               // B-spline
    {{{0, 0, -1, 1}, {0, 0, 1, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}, 2, 1},                                // linear
};

constexpr int kBasisCount = static_cast<int>(std::size(kBases));
static_assert(kBasisCount == RWyxPatch::kLinear + 1, "one basis per patch type, in type order");
// Two edge points closer than this (relative to the edge's size) are one point.
constexpr double kCollapseTolerance = 1e-8;
// A weighted basis sum closer to 0 than this is treated as no weighting at all.
constexpr double kSmallestWeightSum = 1e-12;

double Polynomial(const double row[4], double t) { return ((row[0] * t + row[1]) * t + row[2]) * t + row[3]; }
double Derivative(const double row[4], double t) { return (3.0 * row[0] * t + 2.0 * row[1]) * t + row[2]; }

RVector4 Xyz(const RVector4& v) { return RVector4(v.x, v.y, v.z, 0.0); }

}  // namespace

RPatchEvaluator::RPatchEvaluator() : error_(kErrorMessages, static_cast<int>(std::size(kErrorMessages))) {}

RPatchEvaluator::~RPatchEvaluator() = default;

std::unique_ptr<RPatchEvaluator> RPatchEvaluator::Create(int uType, int vType) {
    std::unique_ptr<RPatchEvaluator> evaluator(new (std::nothrow) RPatchEvaluator());
    if (evaluator == nullptr) return nullptr;
    evaluator->SetBasis(kU, uType);
    evaluator->SetBasis(kV, vType);
    return evaluator;
}

void RPatchEvaluator::SetBasis(Axis axis, int type) {
    if (type < 0 || type >= kBasisCount) return;
    Direction& direction = directions_[axis];
    const Basis& basis = kBases[type];
    std::copy(&basis.matrix[0][0], &basis.matrix[0][0] + 16, &direction.matrix[0][0]);
    direction.window = basis.window;
    direction.advance = basis.advance;
    direction.basisKnown = true;
    MarkStale(axis);
}

void RPatchEvaluator::SetCardinal(Axis axis, double s) {
    Direction& direction = directions_[axis];
    const double matrix[4][4] = {{-s / 2, s, -s / 2, 0},
                                 {2 - s / 2, s / 2 - 3, 0, 1},
                                 {s / 2 - 2, 3 - s, s / 2, 0},
                                 {s / 2, -s / 2, 0, 0}};
    std::copy(&matrix[0][0], &matrix[0][0] + 16, &direction.matrix[0][0]);
    direction.tension = s;
    direction.window = 4;
    direction.advance = 1;
    direction.basisKnown = true;
    MarkStale(axis);
}

// ---- setters ------------------------------------------------------------------------------------

void RPatchEvaluator::MarkStale(Axis axis) {
    directions_[axis].stale = true;
    flagsStale_ = true;
}

void RPatchEvaluator::MarkAllStale() {
    MarkStale(kU);
    MarkStale(kV);
}

void RPatchEvaluator::SetUClosed(bool closed) {
    directions_[kU].closed = closed;
    MarkStale(kU);
}

void RPatchEvaluator::SetVClosed(bool closed) {
    directions_[kV].closed = closed;
    MarkStale(kV);
}

void RPatchEvaluator::SetUStep(int step) {
    directions_[kU].step = step;
    MarkStale(kU);
}

void RPatchEvaluator::SetVStep(int step) {
    directions_[kV].step = step;
    MarkStale(kV);
}

void RPatchEvaluator::SetUCardinalTension(double tension) { SetCardinal(kU, tension); }

void RPatchEvaluator::SetVCardinalTension(double tension) { SetCardinal(kV, tension); }

void RPatchEvaluator::SetControlPoints(const RVector4* points, int uCount, int vCount) {
    points_ = points;
    directions_[kU].count = uCount;
    directions_[kV].count = vCount;
    MarkAllStale();
}

void RPatchEvaluator::SetPositionOutput(RVector4* positions, int capacity) {
    positions_ = positions;
    positionCapacity_ = capacity;
}

void RPatchEvaluator::SetNormalOutput(RVector4* normals, int capacity) {
    normals_ = normals;
    normalCapacity_ = capacity;
}

bool RPatchEvaluator::SetNurbsData(int /*kind*/, const double* /*data*/, int /*count*/) { return true; }

// ---- sampling -----------------------------------------------------------------------------------

bool RPatchEvaluator::Fail(int code) {
    error_.SetErrorCode(code);
    return false;
}

int RPatchEvaluator::CheckSampleCount(const Direction& direction, long long sampleCount) {
    if (direction.step < 1) return kErrorBadStep;
    if (sampleCount < 2) return kErrorTooFewSamples;
    if (sampleCount > kMaxGridPoints) return kErrorGridTooLarge;
    return -1;
}

int RPatchEvaluator::ComputeBasis(Axis axis) {
    Direction& d = directions_[axis];
    if (!d.basisKnown) return kErrorUnknownBasis;
    if (d.count < d.window) return kErrorTooFewControlPoints;
    const long long segments = d.closed ? d.count / d.advance : (d.count - d.window) / d.advance + 1;
    const long long perSegment = static_cast<long long>(d.step) * d.advance;
    const int check = CheckSampleCount(d, segments * perSegment + (d.closed ? 0 : 1));
    if (check >= 0) return check;

    // One table of values over a segment's samples serves every segment.
    const int samplesPerSegment = static_cast<int>(perSegment);
    const double derivativeScale = 0.5 / static_cast<double>(samplesPerSegment);
    std::vector<Sample> table(static_cast<std::size_t>(samplesPerSegment) + 1);
    for (int m = 0; m <= samplesPerSegment; ++m) {
        const double t = static_cast<double>(m) / samplesPerSegment;
        Sample& sample = table[static_cast<std::size_t>(m)];
        sample.width = d.window;
        for (int j = 0; j < 4; ++j) {
            sample.value[j] = Polynomial(d.matrix[j], t);
            sample.derivative[j] = derivativeScale * Derivative(d.matrix[j], t);
        }
    }
    d.samples.clear();
    for (long long k = 0; k < segments; ++k) {
        const bool lastOpen = !d.closed && k == segments - 1;
        for (int m = 0; m < samplesPerSegment + (lastOpen ? 1 : 0); ++m) {
            Sample sample = table[static_cast<std::size_t>(m)];
            for (int j = 0; j < 4; ++j) sample.control[j] = static_cast<int>((k * d.advance + j) % d.count);
            d.samples.push_back(sample);
        }
    }
    // The last sample of an open direction is its end (t = 1 of the last segment).
    d.end = d.samples.back();
    return -1;
}

bool RPatchEvaluator::Prepare(Axis axis) {
    Direction& direction = directions_[axis];
    if (direction.stale) {
        direction.samples.clear();
        direction.error = ComputeBasis(axis);
        if (direction.error >= 0) direction.samples.clear();
        direction.stale = false;
    }
    if (direction.error >= 0) return Fail(direction.error);
    return true;
}

int RPatchEvaluator::GetUPointCount() { return Prepare(kU) ? static_cast<int>(directions_[kU].samples.size()) : 0; }

int RPatchEvaluator::GetVPointCount() { return Prepare(kV) ? static_cast<int>(directions_[kV].samples.size()) : 0; }

int RPatchEvaluator::GetGridPointCount() {
    const long long points = static_cast<long long>(GetUPointCount()) * GetVPointCount();
    if (points > kMaxGridPoints) {
        Fail(kErrorGridTooLarge);
        return 0;
    }
    return static_cast<int>(points);
}

bool RPatchEvaluator::PrepareSurface() {
    if (!Prepare(kU) || !Prepare(kV)) return false;
    if (GetGridPointCount() == 0) return false;
    if (points_ == nullptr) return Fail(kErrorMissingInput);
    if (static_cast<long long>(directions_[kU].count) * directions_[kV].count > kMaxGridPoints) {
        return Fail(kErrorGridTooLarge);
    }
    const int check = CheckSurfaceData();
    if (check >= 0) return Fail(check);
    return true;
}

// ---- evaluation -------------------------------------------------------------------------------------

void RPatchEvaluator::BuildNets() {
    const std::size_t count = static_cast<std::size_t>(directions_[kU].count) * static_cast<std::size_t>(directions_[kV].count);
    plain_.resize(count);
    weighted_.resize(IsRational() ? count : 0);
    for (std::size_t p = 0; p < count; ++p) {
        const RVector4& point = points_[p];
        plain_[p] = RVector4(point.x, point.y, point.z, 1.0);
        if (!weighted_.empty()) {
            const double w = WeightOf(static_cast<int>(p));
            weighted_[p] = RVector4(point.x * w, point.y * w, point.z * w, w);
        }
    }
}

void RPatchEvaluator::SumPoint(const std::vector<RVector4>& net, const Sample& us, const Sample& vs,
                               RVector4 sums[3]) const {
    const int uCount = directions_[kU].count;
    sums[0] = sums[1] = sums[2] = RVector4(0.0, 0.0, 0.0, 0.0);
    for (int a = 0; a < vs.width; ++a) {
        const RVector4* row = &net[static_cast<std::size_t>(vs.control[a]) * static_cast<std::size_t>(uCount)];
        RVector4 value(0.0, 0.0, 0.0, 0.0);
        RVector4 uDerivative(0.0, 0.0, 0.0, 0.0);
        for (int b = 0; b < us.width; ++b) {
            const RVector4& c = row[us.control[b]];
            value += c * us.value[b];
            uDerivative += c * us.derivative[b];
        }
        sums[0] += value * vs.value[a];
        sums[1] += uDerivative * vs.value[a];
        sums[2] += value * vs.derivative[a];
    }
}

void RPatchEvaluator::EvaluatePoint(int i, int j, RVector4& position, RVector4& uTangent, RVector4& vTangent) const {
    EvaluateAt(directions_[kU].samples[static_cast<std::size_t>(i)], directions_[kV].samples[static_cast<std::size_t>(j)],
               position, uTangent, vTangent);
}

void RPatchEvaluator::EvaluateAt(const Sample& us, const Sample& vs, RVector4& position, RVector4& uTangent,
                                 RVector4& vTangent) const {
    RVector4 sums[3];
    if (IsRational()) {
        SumPoint(weighted_, us, vs, sums);
        const double w = sums[0].w;
        // Weights may be zero in files: without a usable sum the point is taken unweighted.
        if (std::fabs(w) >= kSmallestWeightSum) {
            position = Xyz(sums[0]) * (1.0 / w);
            uTangent = (Xyz(sums[1]) - position * sums[1].w) * (1.0 / w);
            vTangent = (Xyz(sums[2]) - position * sums[2].w) * (1.0 / w);
            return;
        }
    }
    SumPoint(plain_, us, vs, sums);
    position = Xyz(sums[0]);
    uTangent = Xyz(sums[1]);
    vTangent = Xyz(sums[2]);
}

void RPatchEvaluator::EvaluateGrid() {
    const int nU = static_cast<int>(directions_[kU].samples.size());
    const int nV = static_cast<int>(directions_[kV].samples.size());
    RVector4 position, uTangent, vTangent;
    for (int j = 0; j < nV; ++j) {
        for (int i = 0; i < nU; ++i) {
            EvaluatePoint(i, j, position, uTangent, vTangent);
            const std::size_t g = static_cast<std::size_t>(j) * static_cast<std::size_t>(nU) + static_cast<std::size_t>(i);
            positions_[g].x = position.x;
            positions_[g].y = position.y;
            positions_[g].z = position.z;
            if (normals_ != nullptr) {
                const RVector4 normal = vTangent.Cross3(uTangent);
                normals_[g].x = normal.x;
                normals_[g].y = normal.y;
                normals_[g].z = normal.z;
            }
        }
    }
}

// The edge where direction `fixed` stands at sample `at`, over every sample of the other
// direction, is collapsed when, on each axis, the differences between neighbours add up to
// (nearly) nothing next to its size.
bool RPatchEvaluator::IsEdgeCollapsed(Axis fixed, const Sample& at) const {
    const std::vector<Sample>& along = directions_[fixed == kU ? kV : kU].samples;
    RVector4 uTangent, vTangent;
    const auto evaluate = [&](const Sample& other, RVector4& position) {
        if (fixed == kU) {
            EvaluateAt(at, other, position, uTangent, vTangent);
        } else {
            EvaluateAt(other, at, position, uTangent, vTangent);
        }
    };
    RVector4 previous, position;
    evaluate(along.front(), previous);
    double scale = std::max({1.0, std::fabs(previous.x), std::fabs(previous.y), std::fabs(previous.z)});
    double sums[3] = {0.0, 0.0, 0.0};
    for (std::size_t k = 1; k < along.size(); ++k) {
        evaluate(along[k], position);
        sums[0] += std::fabs(position.x - previous.x);
        sums[1] += std::fabs(position.y - previous.y);
        sums[2] += std::fabs(position.z - previous.z);
        scale = std::max({scale, std::fabs(position.x), std::fabs(position.y), std::fabs(position.z)});
        previous = position;
    }
    const double tolerance = kCollapseTolerance * scale;
    return sums[0] < tolerance && sums[1] < tolerance && sums[2] < tolerance;
}

// Both ends of a direction are judged alike: the far one at the direction's true end, where a
// NURBS grid's last sample stays just inside its span and so just off a pole.
void RPatchEvaluator::UpdateCollapsedFlags() {
    collapsed_[0] = IsEdgeCollapsed(kU, directions_[kU].samples.front());
    collapsed_[1] = IsEdgeCollapsed(kU, directions_[kU].end);
    collapsed_[2] = IsEdgeCollapsed(kV, directions_[kV].samples.front());
    collapsed_[3] = IsEdgeCollapsed(kV, directions_[kV].end);
    flagsStale_ = false;
}

// Tv at one grid point x Tu at another.
RVector4 RPatchEvaluator::NormalFromTangents(int vTangentPoint, int uTangentPoint) const {
    const int nU = static_cast<int>(directions_[kU].samples.size());
    RVector4 position, uTangent, vTangent, unused;
    EvaluatePoint(vTangentPoint % nU, vTangentPoint / nU, position, unused, vTangent);
    EvaluatePoint(uTangentPoint % nU, uTangentPoint / nU, position, uTangent, unused);
    return vTangent.Cross3(uTangent);
}

// Later edges win at the corners they share: U start, U end, V start, V end.
void RPatchEvaluator::RepairCollapsedEdges() {
    if (normals_ == nullptr) return;
    const int nU = static_cast<int>(directions_[kU].samples.size());
    const int nV = static_cast<int>(directions_[kV].samples.size());
    const auto setEdge = [this](int first, int stride, int count, const RVector4& normal) {
        for (int k = 0; k < count; ++k) {
            RVector4& out = normals_[static_cast<std::size_t>(first) + static_cast<std::size_t>(k) * static_cast<std::size_t>(stride)];
            out.x = normal.x;
            out.y = normal.y;
            out.z = normal.z;
        }
    };
    if (collapsed_[0]) setEdge(0, nU, nV, NormalFromTangents(1, 0));
    if (collapsed_[1]) setEdge(nU - 1, nU, nV, NormalFromTangents(nU - 2, nU - 1));
    if (collapsed_[2]) setEdge(0, 1, nU, NormalFromTangents(0, nU));
    if (collapsed_[3]) setEdge((nV - 1) * nU, 1, nU, NormalFromTangents((nV - 1) * nU, (nV - 2) * nU));
}

void RPatchEvaluator::ComputeInfluence(RInfluenceTable& table) const {
    const int nU = static_cast<int>(directions_[kU].samples.size());
    const int nV = static_cast<int>(directions_[kV].samples.size());
    const int uCount = directions_[kU].count;
    const bool rational = IsRational();
    for (int j = 0; j < nV; ++j) {
        const Sample& vs = directions_[kV].samples[static_cast<std::size_t>(j)];
        for (int i = 0; i < nU; ++i) {
            const Sample& us = directions_[kU].samples[static_cast<std::size_t>(i)];
            const int g = j * nU + i;
            // The weighted sum decides, as in EvaluatePoint, whether the weights count here.
            double weightSum = 0.0;
            for (int a = 0; a < vs.width && rational; ++a) {
                for (int b = 0; b < us.width; ++b) {
                    weightSum += vs.value[a] * us.value[b] * weighted_[static_cast<std::size_t>(vs.control[a] * uCount + us.control[b])].w;
                }
            }
            const bool weighted = rational && std::fabs(weightSum) >= kSmallestWeightSum;
            for (int a = 0; a < vs.width; ++a) {
                for (int b = 0; b < us.width; ++b) {
                    const int point = vs.control[a] * uCount + us.control[b];
                    double influence = vs.value[a] * us.value[b];
                    if (weighted) influence *= weighted_[static_cast<std::size_t>(point)].w;
                    if (influence != 0.0) table.Add(point, g, influence);
                }
            }
        }
    }
}

bool RPatchEvaluator::Evaluate(RInfluenceTable* table) {
    if (!PrepareSurface()) return false;
    const int grid = GetGridPointCount();
    if (positions_ == nullptr || positionCapacity_ < grid || (normals_ != nullptr && normalCapacity_ < grid)) {
        return Fail(kErrorOutputTooSmall);
    }
    const int controlPoints = directions_[kU].count * directions_[kV].count;
    if (table != nullptr && (table->GetListCount(0) < controlPoints || table->GetListCount(1) < grid)) {
        return Fail(kErrorTableTooSmall);
    }
    BuildNets();
    EvaluateGrid();
    UpdateCollapsedFlags();
    RepairCollapsedEdges();
    if (table != nullptr) ComputeInfluence(*table);
    error_.ClearError();
    return true;
}

// ---- collapsed flags ------------------------------------------------------------------------------

bool RPatchEvaluator::IsUStartCollapsed() {
    if (flagsStale_) {
        std::fill(std::begin(collapsed_), std::end(collapsed_), false);
        if (!PrepareSurface()) return false;
        BuildNets();
        UpdateCollapsedFlags();
    }
    return collapsed_[0];
}

bool RPatchEvaluator::IsUEndCollapsed() {
    IsUStartCollapsed();
    return collapsed_[1];
}

bool RPatchEvaluator::IsVStartCollapsed() {
    IsUStartCollapsed();
    return collapsed_[2];
}

bool RPatchEvaluator::IsVEndCollapsed() {
    IsUStartCollapsed();
    return collapsed_[3];
}
