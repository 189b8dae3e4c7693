#include "formats/geometry/GeometryExport.h"

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxMesh.h"
#include "formats/geometry/RWyxGeometryConverter.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"

#include <cmath>

std::vector<RWyxNode*> CollectNodesDepthFirst(RWyxNode& root) {
    std::vector<RWyxNode*> nodes;
    std::vector<RWyxNode*> stack{&root};
    while (!stack.empty()) {
        RWyxNode* node = stack.back();
        stack.pop_back();
        nodes.push_back(node);
        for (int i = node->GetChildCount() - 1; i >= 0; --i) {
            if (RWyxNode* child = node->GetChild(i)) stack.push_back(child);
        }
    }
    return nodes;
}

int ConvertNodesForExport(RWyxObjectFactory& factory, const std::vector<RWyxNode*>& nodes, bool forceTriangulation,
                          RString& messages) {
    RWyxGeometryConverter* converter = nullptr;
    int failures = 0;
    for (RWyxNode* node : nodes) {
        const bool convert = node->GetNurb() != nullptr || node->GetPatch() != nullptr ||
                             (forceTriangulation && node->GetMesh() != nullptr);
        if (!convert) continue;
        if (converter == nullptr) converter = factory.CreateGeometryConverter();
        if (converter == nullptr || !converter->ConvertNodeToMesh(node)) {
            ++failures;
            messages += RString("Unable to convert \"") + node->GetNameWithoutPrefix() + "\" to a mesh\n";
        }
    }
    if (converter != nullptr) {
        messages += converter->GetMessageText();
        factory.DestroyGeometryConverter(converter);
    }
    return failures;
}

RMatrix InverseAffineMatrix(const RMatrix& m) {
    const double c00 = m[1][1] * m[2][2] - m[1][2] * m[2][1];
    const double c01 = m[1][2] * m[2][0] - m[1][0] * m[2][2];
    const double c02 = m[1][0] * m[2][1] - m[1][1] * m[2][0];
    const double det = m[0][0] * c00 + m[0][1] * c01 + m[0][2] * c02;
    RMatrix out;
    if (det == 0.0 || !std::isfinite(det)) {
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 4; ++j) out[i][j] = 0.0;
        return out;
    }
    const double inv = 1.0 / det;
    double r[3][3];
    r[0][0] = c00 * inv;
    r[1][0] = c01 * inv;
    r[2][0] = c02 * inv;
    r[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) * inv;
    r[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) * inv;
    r[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) * inv;
    r[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) * inv;
    r[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) * inv;
    r[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) * inv;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) out[i][j] = r[i][j];
        out[i][3] = 0.0;
    }
    for (int j = 0; j < 3; ++j) out[3][j] = -(m[3][0] * r[0][j] + m[3][1] * r[1][j] + m[3][2] * r[2][j]);
    out[3][3] = 1.0;
    return out;
}


RMatrix ExportMatrix(RWyxNode& node) {
    const RMatrix* global = node.GetPivotGlobalTransform(0, false);
    return global != nullptr ? *global : RMatrix();
}

RVector4 TransformExportPoint(const RMatrix& m, const RVector4& p) {
    return RVector4(p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0],
                    p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1],
                    p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2] + m[3][2], p.w);
}

RVector4 TransformExportNormal(const RMatrix& inverse, const RVector4& n) {
    // A normal moves by the inverse transpose: n' = n x transpose(inverse), as a row vector.
    const RVector4 moved(n.x * inverse[0][0] + n.y * inverse[0][1] + n.z * inverse[0][2],
                         n.x * inverse[1][0] + n.y * inverse[1][1] + n.z * inverse[1][2],
                         n.x * inverse[2][0] + n.y * inverse[2][1] + n.z * inverse[2][2], 0.0);
    const double length = std::sqrt(moved.x * moved.x + moved.y * moved.y + moved.z * moved.z);
    if (!(length > 0.0) || !std::isfinite(length)) return RVector4(0.0, 0.0, 0.0, 0.0);
    return RVector4(moved.x / length, moved.y / length, moved.z / length, 0.0);
}

bool IsFinitePoint(const RVector4& point) {
    return std::isfinite(point.x) && std::isfinite(point.y) && std::isfinite(point.z);
}

bool NormalsMapByControlPoint(const RWyxMesh& mesh) {
    const RWyxLayer* layer = mesh.GetLayer(0);
    const RWyxLayerElementNormal* normals = layer != nullptr ? layer->GetNormals() : nullptr;
    return normals != nullptr && normals->GetMappingMode() == RWyxLayerElement::kByControlPoint &&
           normals->GetReferenceMode() == RWyxLayerElement::kDirect &&
           normals->GetDirectCount() == mesh.GetControlPointsCount();
}
