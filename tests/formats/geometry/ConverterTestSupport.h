#ifndef WYX_TESTS_FORMATS_GEOMETRY_CONVERTERTESTSUPPORT_H
#define WYX_TESTS_FORMATS_GEOMETRY_CONVERTERTESTSUPPORT_H

// A factory with a geometry converter, and surfaces to convert.

#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxShape.h"
#include "formats/geometry/RWyxGeometryConverter.h"
#include "scene/RWyxObjectFactory.h"

#include <gtest/gtest.h>

#include <vector>

namespace converter_test {

// The control points of a polygon's corners.
inline std::vector<int> PolygonOf(const RWyxMesh& mesh, int p) {
    std::vector<int> corners;
    for (int k = 0; k < mesh.GetPolygonSize(p); ++k) corners.push_back(mesh.GetPolygonVertex(p, k));
    return corners;
}

class ConverterTest : public ::testing::Test {
protected:
    // A gently curved sheet of uCount x vCount control points (w 1).
    template <typename Surface>
    void FillSheet(Surface& surface, int uCount, int vCount) {
        RVector4* points = surface.GetControlPoints();
        for (int j = 0; j < vCount; ++j) {
            for (int i = 0; i < uCount; ++i) points[j * uCount + i].Set(i, j, 0.1 * i * i - 0.05 * i * j, 1.0);
        }
    }

    RWyxPatch* MakePatch(int uType, int vType, int uCount, int vCount, int step = 4) {
        RWyxPatch* patch = factory.CreatePatch();
        patch->InitControlPoints(uCount, uType, vCount, vType);
        patch->SetStep(step, step);
        FillSheet(*patch, uCount, vCount);
        return patch;
    }

    // An open NURBS surface of uniform knots (a B-spline surface), weights 1.
    RWyxNurb* MakeNurb(int uOrder, int vOrder, int uCount, int vCount, int step = 4) {
        RWyxNurb* nurb = factory.CreateNurb();
        nurb->SetOrder(uOrder, vOrder);
        nurb->InitControlPoints(uCount, RWyxNurb::kOpen, vCount, RWyxNurb::kOpen);
        nurb->SetStep(step, step);
        for (int k = 0; k < nurb->GetUKnotCount(); ++k) nurb->GetUKnotVector()[k] = k;
        for (int k = 0; k < nurb->GetVKnotCount(); ++k) nurb->GetVKnotVector()[k] = k;
        FillSheet(*nurb, uCount, vCount);
        return nurb;
    }

    // A shape of the geometry's points moved by `offset`.
    RWyxShape* AddShape(RWyxGeometry& geometry, const char* name, const RVector4& offset) {
        RWyxShape* shape = factory.CreateShape();
        shape->InitControlPoints(geometry.GetControlPointsCount());
        for (int i = 0; i < geometry.GetControlPointsCount(); ++i) {
            shape->GetControlPoints()[i] = geometry.GetControlPoints()[i] + offset;
        }
        geometry.AddShape(shape, name);
        return shape;
    }

    RWyxObjectFactory factory;
    RWyxGeometryConverter& converter = *factory.CreateGeometryConverter();
};

}  // namespace converter_test

#endif
