#ifndef WYX_TESTS_FORMATS_GEOMETRY_GEOMETRYFORMATTESTSUPPORT_H
#define WYX_TESTS_FORMATS_GEOMETRY_GEOMETRYFORMATTESTSUPPORT_H

// A factory with a scene for the OBJ and DXF reader and writer tests, and the small meshes
// they write.

#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "core/RPlug.h"
#include "formats/geometry/RStreamOptionsDxf.h"
#include "formats/geometry/RStreamOptionsObj.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace geometry_format_test {

template <typename Options>
using OptionsPtr = std::unique_ptr<Options, RPlugDestroyer>;

inline OptionsPtr<RStreamOptionsObj> ObjOptions() { return OptionsPtr<RStreamOptionsObj>(RStreamOptionsObj::Create()); }
inline OptionsPtr<RStreamOptionsDxf> DxfOptions() { return OptionsPtr<RStreamOptionsDxf>(RStreamOptionsDxf::Create()); }

// The control points of a polygon's corners.
inline std::vector<int> Corners(const RWyxMesh& mesh, int polygon) {
    std::vector<int> corners;
    for (int k = 0; k < mesh.GetPolygonSize(polygon); ++k) corners.push_back(mesh.GetPolygonVertex(polygon, k));
    return corners;
}

inline void ExpectPoint(const RVector4& p, double x, double y, double z, double tolerance = 1e-9) {
    EXPECT_NEAR(p.x, x, tolerance);
    EXPECT_NEAR(p.y, y, tolerance);
    EXPECT_NEAR(p.z, z, tolerance);
}

class GeometryFormatTest : public ::testing::Test {
protected:
    RWyxNode* Root() const { return scene->GetRootNode(); }
    // The node of that name anywhere in the scene; null when none.
    RWyxNode* Node(const char* name) const { return Root()->FindChild(name, true, false); }
    RWyxMesh* MeshOf(const char* name) const {
        RWyxNode* node = Node(name);
        return node != nullptr ? node->GetMesh() : nullptr;
    }

    // A mesh node under the root with the points and polygons given.
    RWyxNode* AddMeshNode(const char* name, const std::vector<RVector4>& points,
                          const std::vector<std::vector<int>>& polygons) {
        RWyxMesh* mesh = factory.CreateMesh();
        mesh->InitControlPoints(static_cast<int>(points.size()));
        for (std::size_t i = 0; i < points.size(); ++i) mesh->GetControlPoints()[i] = points[i];
        for (const std::vector<int>& polygon : polygons) {
            mesh->BeginPolygon();
            for (const int corner : polygon) mesh->AddPolygonVertex(corner);
        }
        RWyxNode* node = factory.CreateNode(name);
        node->SetNodeAttribute(mesh);
        Root()->AddChild(node);
        return node;
    }

    // A unit cube: 8 points, 6 quadrilaterals facing out.
    RWyxNode* AddCube(const char* name) {
        return AddMeshNode(name,
                           {{0, 0, 0, 1}, {1, 0, 0, 1}, {1, 1, 0, 1}, {0, 1, 0, 1},
                            {0, 0, 1, 1}, {1, 0, 1, 1}, {1, 1, 1, 1}, {0, 1, 1, 1}},
                           {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}});
    }

    RWyxMaterial* AddMaterial(RWyxMesh& mesh, const char* name, double r, double g, double b) {
        RWyxMaterial* material = factory.CreateMaterial(name);
        material->SetDiffuseColor(RWyxColor(r, g, b, 1.0));
        mesh.AddMaterial(material);
        return material;
    }

    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    ScratchFolder scratch;
};

}  // namespace geometry_format_test

#endif
