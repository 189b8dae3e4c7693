#ifndef WYX_TESTS_FORMATS_GEOMETRY_EVALUATORTESTSUPPORT_H
#define WYX_TESTS_FORMATS_GEOMETRY_EVALUATORTESTSUPPORT_H

// Control nets and output grids shared by the evaluator tests.

#include "formats/geometry/RInfluenceTable.h"
#include "formats/geometry/RPatchEvaluator.h"

#include <functional>
#include <vector>

namespace evaluator_test {

// uCount x vCount points, U fastest, point (i, j) from the function.
inline std::vector<RVector4> Net(int uCount, int vCount, const std::function<RVector4(int, int)>& point) {
    std::vector<RVector4> net;
    for (int j = 0; j < vCount; ++j) {
        for (int i = 0; i < uCount; ++i) net.push_back(point(i, j));
    }
    return net;
}

// A gently curved sheet, so that every normal is well defined.
inline std::vector<RVector4> Sheet(int uCount, int vCount) {
    return Net(uCount, vCount, [](int i, int j) { return RVector4(i, j, 0.1 * i * i - 0.2 * j + 0.05 * i * j, 1.0); });
}

// Outputs sized exactly to the evaluator's grid (w of every entry 7, which it must keep).
struct Grid {
    int nU = 0;
    int nV = 0;
    std::vector<RVector4> positions;
    std::vector<RVector4> normals;

    const RVector4& At(int i, int j) const { return positions[static_cast<size_t>(j * nU + i)]; }
    const RVector4& NormalAt(int i, int j) const { return normals[static_cast<size_t>(j * nU + i)]; }
};

inline bool Sample(RPatchEvaluator& evaluator, Grid& grid, RInfluenceTable* table = nullptr, int controlPoints = 0) {
    grid.nU = evaluator.GetUPointCount();
    grid.nV = evaluator.GetVPointCount();
    const int points = grid.nU * grid.nV;
    grid.positions.assign(static_cast<size_t>(points), RVector4(0, 0, 0, 7));
    grid.normals.assign(static_cast<size_t>(points), RVector4(0, 0, 0, 7));
    evaluator.SetPositionOutput(grid.positions.data(), points);
    evaluator.SetNormalOutput(grid.normals.data(), points);
    if (table != nullptr) table->Init(controlPoints, points);
    return evaluator.Evaluate(table);
}

inline double Distance(const RVector4& a, const RVector4& b) { return (a - b).Length3(); }

}  // namespace evaluator_test

#endif
