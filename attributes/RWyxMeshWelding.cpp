// The welding operations of RWyxMesh: finding and merging duplicate control points, and
// unwelding polygon vertices into control points of their own.

#include "attributes/RWyxMesh.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <utility>

namespace {

std::size_t At(int index) { return static_cast<std::size_t>(index); }

// A grid of cubic cells over space, a few tolerances wide, whose cells chain the points put
// into them (the last put first). The cells live in an open-addressing table that holds only
// the head point of each cell (the cell itself is worked out again from that point), which
// keeps the table small enough to stay in cache for millions of points.
class PointCells {
public:
    struct Cell {
        std::int64_t x;
        std::int64_t y;
        std::int64_t z;
        bool operator==(const Cell& other) const { return x == other.x && y == other.y && z == other.z; }
    };

    // Cells are this many tolerances wide: a tolerance box then touches one cell along an axis
    // in most cases and never more than two.
    static constexpr double kCellsPerTolerance = 8.0;

    PointCells(const RVector4* points, int pointCount, double tolerance)
        : points_(points),
          cellsPerUnit_(1.0 / (tolerance * kCellsPerTolerance)),
          next_(At(std::max(pointCount, 0)), -1) {
        std::size_t slots = 16;
        while (slots < 2 * next_.size()) slots *= 2;  // at most half full: every point may have a cell
        heads_.assign(slots, -1);
        mask_ = slots - 1;
    }

    // The cell coordinate of a value. Cells are shifted by half a cell so that round values
    // (whole numbers, tenths ...) fall in the middle of a cell, whose tolerance box then stays
    // inside it. Only monotony matters for finding every neighbour, so multiplying by the
    // reciprocal is fine. Clamped far out, where doubles are coarser than the tolerance anyway
    // (it keeps the conversion defined; points there share a cell and are still compared).
    std::int64_t CellOf(double value) const {
        constexpr double kLimit = 4.0e15;
        const double cell = std::clamp(std::floor(value * cellsPerUnit_ + 0.5), -kLimit, kLimit);
        return static_cast<std::int64_t>(cell);
    }

    Cell CellOfPoint(int point) const {
        const RVector4& p = points_[point];
        return {CellOf(p.x), CellOf(p.y), CellOf(p.z)};
    }

    // The highest point put so far within the tolerance of `point` for which `matches` holds;
    // -1 when none. The cells looked at are those the tolerance box touches.
    template <typename Matches>
    int FindHighestNear(const RVector4& point, double tolerance, const Matches& matches) const {
        const Cell low{CellOf(point.x - tolerance), CellOf(point.y - tolerance), CellOf(point.z - tolerance)};
        const Cell high{CellOf(point.x + tolerance), CellOf(point.y + tolerance), CellOf(point.z + tolerance)};
        int highest = -1;
        for (std::int64_t x = low.x; x <= high.x; ++x) {
            for (std::int64_t y = low.y; y <= high.y; ++y) {
                for (std::int64_t z = low.z; z <= high.z; ++z) highest = std::max(highest, FindInCell({x, y, z}, matches));
            }
        }
        return highest;
    }

    void Put(int point) {
        const std::size_t slot = Find(CellOfPoint(point));
        next_[At(point)] = heads_[slot];
        heads_[slot] = point;
    }

private:
    // The highest point in the cell for which `matches` holds (chains run downwards).
    template <typename Matches>
    int FindInCell(const Cell& cell, const Matches& matches) const {
        for (int point = heads_[Find(cell)]; point >= 0; point = next_[At(point)]) {
            if (matches(point)) return point;
        }
        return -1;
    }

    static std::uint64_t Mix(std::uint64_t value) {
        value ^= value >> 33;
        value *= 0xff51afd7ed558ccdULL;
        value ^= value >> 33;
        value *= 0xc4ceb9fe1a85ec53ULL;
        value ^= value >> 33;
        return value;
    }

    // The slot of the cell, or the empty slot where it would go.
    std::size_t Find(const Cell& cell) const {
        const std::uint64_t hash = Mix(static_cast<std::uint64_t>(cell.x) * 0x9E3779B97F4A7C15ULL ^
                                       static_cast<std::uint64_t>(cell.y) * 0xC2B2AE3D27D4EB4FULL ^
                                       static_cast<std::uint64_t>(cell.z) * 0x165667B19E3779F9ULL);
        std::size_t slot = static_cast<std::size_t>(hash) & mask_;
        while (heads_[slot] >= 0 && !(CellOfPoint(heads_[slot]) == cell)) slot = (slot + 1) & mask_;
        return slot;
    }

    const RVector4* points_;
    double cellsPerUnit_;
    std::vector<int> next_;
    std::vector<int> heads_;
    std::size_t mask_ = 0;
};

bool Within(const RVector4& a, const RVector4& b, double tolerance) {
    return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance && std::fabs(a.z - b.z) <= tolerance;
}

bool HoldsNaN(const RVector4& p) { return std::isnan(p.x) || std::isnan(p.y) || std::isnan(p.z); }

}  // namespace

// ---- duplicates ------------------------------------------------------------------------------------

// Points are taken in order; each is compared with the points already put into the cells its
// tolerance box touches (at most two per axis), then put into its own cell. A point holding
// NaN equals nothing and is left out.
bool RWyxMesh::FindDuplicateControlPoints(std::vector<int>& duplicates, int mode, bool /*findAll*/) const {
    const int count = GetControlPointsCount();
    duplicates.resize(At(count));
    std::iota(duplicates.begin(), duplicates.end(), 0);
    if (mode != 0) return false;
    const RVector4* points = GetControlPoints();
    PointCells cells(points, count, kDuplicateTolerance);
    bool found = false;
    for (int j = 0; j < count; ++j) {
        const RVector4& point = points[j];
        if (HoldsNaN(point)) continue;
        const auto matches = [&](int i) { return Within(points[i], point, kDuplicateTolerance); };
        const int kept = cells.FindHighestNear(point, kDuplicateTolerance, matches);
        if (kept >= 0) {
            duplicates[At(j)] = kept;
            found = true;
        }
        cells.Put(j);
    }
    return found;
}

bool RWyxMesh::MergeDuplicateControlPoints(const std::vector<int>& duplicates) {
    const int oldCount = GetControlPointsCount();
    if (duplicates.size() != At(oldCount)) {
        SetError(kErrorSizeMismatch);
        return false;
    }
    for (int j = 0; j < oldCount; ++j) {
        const int kept = duplicates[At(j)];
        if (kept < 0 || kept > j) {
            SetError(kErrorControlPointIndex);
            return false;
        }
    }
    if (!PolygonVerticesAreValid()) {
        SetError(kErrorControlPointIndex);
        return false;
    }
    // Entries point lower, so a chain's first point is known by the time a later one asks.
    std::vector<int> oldToNew(At(oldCount));
    std::vector<int> sources;  // per new point, the old point it keeps
    for (int j = 0; j < oldCount; ++j) {
        const int kept = duplicates[At(j)];
        if (kept == j) {
            oldToNew[At(j)] = static_cast<int>(sources.size());
            sources.push_back(j);
        } else {
            oldToNew[At(j)] = oldToNew[At(kept)];
        }
    }
    for (int& controlPoint : polygonVertices_) controlPoint = oldToNew[At(controlPoint)];
    GatherControlPointData(sources);
    GatherShapePoints(sources, oldCount);
    MergeDeformerPoints(oldToNew, sources);
    return true;
}

// ---- unwelding ------------------------------------------------------------------------------------------

bool RWyxMesh::FindUnweldIndices(std::vector<int>& newIndices) const {
    newIndices.clear();
    if (!PolygonVerticesAreValid()) return false;
    std::vector<bool> used(At(GetControlPointsCount()), false);
    int next = GetControlPointsCount();
    newIndices.reserve(polygonVertices_.size());
    for (const int controlPoint : polygonVertices_) {
        if (used[At(controlPoint)]) {
            newIndices.push_back(next++);
        } else {
            used[At(controlPoint)] = true;
            newIndices.push_back(controlPoint);
        }
    }
    return true;
}

bool RWyxMesh::CollectUnweldSources(const std::vector<int>& newIndices, std::vector<int>& sources) {
    const int oldCount = GetControlPointsCount();
    sources.clear();
    if (newIndices.size() != polygonVertices_.size()) {
        SetError(kErrorSizeMismatch);
        return false;
    }
    if (!PolygonVerticesAreValid()) {
        SetError(kErrorControlPointIndex);
        return false;
    }
    // Every new point is taken by some polygon vertex, so none lies past this.
    const long long limit = static_cast<long long>(oldCount) + static_cast<long long>(newIndices.size());
    int newCount = oldCount;
    for (const int index : newIndices) {
        if (index < 0 || index >= limit) {
            SetError(kErrorControlPointIndex);
            return false;
        }
        newCount = std::max(newCount, index + 1);
    }
    sources.resize(At(newCount), -1);
    std::iota(sources.begin(), sources.begin() + oldCount, 0);
    for (std::size_t k = 0; k < newIndices.size(); ++k) {
        const int index = newIndices[k];
        const int own = polygonVertices_[k];
        const bool keepsOwn = index == own;
        const bool takesNew = index >= oldCount && (sources[At(index)] < 0 || sources[At(index)] == own);
        if (!keepsOwn && !takesNew) {
            SetError(kErrorControlPointIndex);
            sources.clear();
            return false;
        }
        if (takesNew) sources[At(index)] = own;
    }
    if (std::find(sources.begin(), sources.end(), -1) != sources.end()) {
        SetError(kErrorControlPointIndex);  // a new index that no polygon vertex takes
        sources.clear();
        return false;
    }
    return true;
}

bool RWyxMesh::CollectUnweldNormals(const std::vector<int>& newIndices, int newCount, std::vector<RVector4>& normals) {
    const auto* element = static_cast<const RWyxLayerElementNormal*>(Layer0Element(RWyxLayerElement::kNormal));
    normals.assign(At(newCount), RVector4(0.0, 0.0, 0.0, 1.0));
    std::vector<bool> given(At(newCount), false);
    for (std::size_t k = 0; k < newIndices.size(); ++k) {
        const RVector4* normal = element->GetMappedAt(static_cast<int>(k));
        if (normal == nullptr) {
            SetError(kErrorSizeMismatch);
            return false;
        }
        const std::size_t target = At(newIndices[k]);
        if (!given[target]) {
            normals[target] = *normal;
            given[target] = true;
        }
    }
    return true;
}

bool RWyxMesh::UnweldControlPoints(const std::vector<int>& newIndices) {
    const int oldCount = GetControlPointsCount();
    std::vector<int> sources;
    if (!CollectUnweldSources(newIndices, sources)) return false;
    const int newCount = static_cast<int>(sources.size());
    auto* normals = static_cast<RWyxLayerElementNormal*>(Layer0Element(RWyxLayerElement::kNormal));
    const bool normalsByVertex = normals != nullptr && normals->GetMappingMode() == RWyxLayerElement::kByPolygonVertex;
    std::vector<RVector4> pointNormals;
    if (normalsByVertex && !CollectUnweldNormals(newIndices, newCount, pointNormals)) return false;

    GatherControlPointData(sources);
    GatherShapePoints(sources, oldCount);
    ExtendDeformerPoints(sources, oldCount);
    polygonVertices_ = newIndices;
    if (normalsByVertex) {
        normals->SetMappingMode(RWyxLayerElement::kByControlPoint);
        normals->SetReferenceMode(RWyxLayerElement::kDirect);
        normals->ClearIndices();
        normals->DirectArray() = std::move(pointNormals);
    }
    return true;
}

bool RWyxMesh::Unweld() {
    std::vector<int> newIndices;
    if (!FindUnweldIndices(newIndices)) {
        SetError(kErrorControlPointIndex);
        return false;
    }
    return UnweldControlPoints(newIndices);
}
