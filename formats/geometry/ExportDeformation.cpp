#include "formats/geometry/ExportDeformation.h"

#include "attributes/RWyxMesh.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkinLink.h"
#include "core/RMatrix.h"
#include "formats/geometry/GeometryExport.h"
#include "curves/RFCurve.h"
#include "scene/RWyxNode.h"

#include <cmath>
#include <cstddef>

namespace {

// p A B: a point moved by A first, then by B (all sixteen entries).
RMatrix Then(const RMatrix& a, const RMatrix& b) {
    RMatrix out;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += a[i][k] * b[k][j];
            out[i][j] = sum;
        }
    }
    return out;
}

void AddScaled(RMatrix& sum, const RMatrix& m, double w) {
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) sum[i][j] += m[i][j] * w;
}

double ShapeWeight(RWyxMesh& mesh, RWyxNode& node, int index) {
    const RFCurve* curve = mesh.GetShapeChannel(node.GetCurrentTakeNode(), index);
    return curve != nullptr ? static_cast<double>(curve->GetDefaultValue()) / 100.0 : 0.0;
}

void ApplyShapes(RWyxNode& node, RWyxMesh& mesh, std::vector<RVector4>& points, std::vector<RVector4>& offsets,
                 int& skipped) {
    const std::size_t count = points.size();
    std::vector<RVector4> delta(count);
    bool moved = false;
    const RVector4* base = mesh.GetControlPoints();
    for (int i = 0; i < mesh.GetShapeCount(); ++i) {
        RWyxShape* shape = mesh.GetShape(i);
        if (shape == nullptr || static_cast<std::size_t>(shape->GetControlPointsCount()) != count) {
            ++skipped;
            continue;
        }
        const double w = ShapeWeight(mesh, node, i);
        if (w == 0.0) continue;
        const RVector4* target = shape->GetControlPoints();
        for (std::size_t k = 0; k < count; ++k) {
            delta[k].x += (target[k].x - base[k].x) * w;
            delta[k].y += (target[k].y - base[k].y) * w;
            delta[k].z += (target[k].z - base[k].z) * w;
        }
        moved = true;
    }
    if (!moved) return;
    for (std::vector<RVector4>* list : {&points, &offsets}) {
        for (std::size_t k = 0; k < list->size(); ++k) {
            (*list)[k].x += delta[k].x;
            (*list)[k].y += delta[k].y;
            (*list)[k].z += delta[k].z;
        }
    }
}

struct LinkSums {
    std::vector<RMatrix> matrices;
    std::vector<double> weights;
};

RMatrix ZeroMatrix() {
    RMatrix zero;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) zero[i][j] = 0.0;
    return zero;
}

// The deformation matrix D of one link.
RMatrix LinkMatrix(RWyxSkinLink& link, const RMatrix& meshGlobal, bool additive) {
    RMatrix transform = link.GetTransformMatrix();
    RMatrix reference = meshGlobal;
    if (additive && link.GetAssociateModel() != nullptr) {
        transform = link.GetTransformAssociateModelMatrix();
        reference = link.GetAssociateModel()->GetDefaultGlobalMatrix();
    }
    const RMatrix linkGlobal = link.GetLink()->GetDefaultGlobalMatrix();
    return Then(Then(Then(transform, InverseAffineMatrix(link.GetTransformLinkMatrix())), linkGlobal),
                InverseAffineMatrix(reference));
}

void ApplyLinks(RWyxNode& node, RWyxMesh& mesh, std::vector<RVector4>& points, std::vector<RVector4>& offsets,
                int& skipped) {
    RWyxSkinLink* first = mesh.GetDeformer(0);
    if (first == nullptr) return;
    const int mode = first->GetMode();
    const bool additive = mode == RWyxSkinLink::kAdditive;
    const std::size_t count = points.size();
    LinkSums sums{std::vector<RMatrix>(count, additive ? RMatrix() : ZeroMatrix()), std::vector<double>(count, 0.0)};
    const RMatrix meshGlobal = node.GetDefaultGlobalMatrix();
    for (int d = 0; d < mesh.GetDeformerCount(); ++d) {
        RWyxSkinLink* link = mesh.GetDeformer(d);
        if (link == nullptr || link->GetLink() == nullptr) continue;
        const RMatrix deformation = LinkMatrix(*link, meshGlobal, additive);
        const int* indices = link->GetControlPointIndices();
        const double* weights = link->GetControlPointWeights();
        for (int i = 0; i < link->GetControlPointIndicesCount(); ++i) {
            const int k = indices[i];
            const double w = weights[i];
            if (k < 0 || static_cast<std::size_t>(k) >= count) {
                ++skipped;
                continue;
            }
            if (w == 0.0) continue;
            RMatrix& sum = sums.matrices[static_cast<std::size_t>(k)];
            if (additive) {
                RMatrix blended = ZeroMatrix();
                AddScaled(blended, deformation, w);
                for (int j = 0; j < 4; ++j) blended[j][j] += 1.0 - w;
                sum = Then(sum, blended);
                sums.weights[static_cast<std::size_t>(k)] = 1.0;
            } else {
                AddScaled(sum, deformation, w);
                sums.weights[static_cast<std::size_t>(k)] += w;
            }
        }
    }
    for (std::vector<RVector4>* list : {&points, &offsets}) {
        for (std::size_t k = 0; k < list->size(); ++k) {
            const double total = sums.weights[k];
            if (total == 0.0) continue;
            const RVector4 p = (*list)[k];
            RVector4 moved = TransformExportPoint(sums.matrices[k], p);
            if (mode == RWyxSkinLink::kNormal) {
                moved.x /= total;
                moved.y /= total;
                moved.z /= total;
            } else if (mode == RWyxSkinLink::kTotal1) {
                moved.x += p.x * (1.0 - total);
                moved.y += p.y * (1.0 - total);
                moved.z += p.z * (1.0 - total);
            }
            moved.w = p.w;
            (*list)[k] = moved;
        }
    }
}

}  // namespace

bool HasExportDeformation(RWyxMesh& mesh) { return mesh.GetShapeCount() > 0 || mesh.GetDeformerCount() > 0; }

DeformedMesh EvaluateExportDeformation(RWyxNode& node, RWyxMesh& mesh) {
    DeformedMesh result;
    if (const RVector4* source = mesh.GetControlPoints()) {
        result.points.assign(source, source + mesh.GetControlPointsCount());
    }
    std::vector<RVector4> offsets;
    if (NormalsMapByControlPoint(mesh)) {
        const RVector4* normals = mesh.GetNormals();
        offsets = result.points;
        for (std::size_t k = 0; k < offsets.size(); ++k) {
            offsets[k].x += normals[k].x;
            offsets[k].y += normals[k].y;
            offsets[k].z += normals[k].z;
        }
    }
    ApplyShapes(node, mesh, result.points, offsets, result.skippedShapes);
    ApplyLinks(node, mesh, result.points, offsets, result.skippedLinkIndices);
    if (!offsets.empty()) {
        result.normals.resize(offsets.size());
        for (std::size_t k = 0; k < offsets.size(); ++k) {
            result.normals[k] = RVector4(offsets[k].x - result.points[k].x, offsets[k].y - result.points[k].y,
                                         offsets[k].z - result.points[k].z, 0.0);
        }
    }
    return result;
}
