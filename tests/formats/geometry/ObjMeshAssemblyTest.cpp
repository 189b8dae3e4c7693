// The OBJ mesh assembly at more distinct corners than the file has positions: every distinct
// (position, texture coordinate, normal) is one control point, however many there are, and a
// corner met again reuses its control point.

#include "formats/geometry/RWyxReaderObj.h"
#include "tests/formats/geometry/GeometryFormatTestSupport.h"

#include <string>

namespace geometry_format_test {
namespace {

class ObjMeshAssemblyTest : public GeometryFormatTest {};

TEST_F(ObjMeshAssemblyTest, CornersBeyondThePositionsEachGetTheirControlPoint) {
    constexpr int kFaces = 400;
    std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\n";
    for (int i = 0; i < 3 * kFaces; ++i) text += "vt " + std::to_string(i) + " 0\n";
    // Every face names three texture coordinates of its own; then the same faces again.
    for (int pass = 0; pass < 2; ++pass) {
        for (int f = 0; f < kFaces; ++f) {
            text += "f";
            for (int c = 0; c < 3; ++c) text += " " + std::to_string(c + 1) + "/" + std::to_string(3 * f + c + 1) + "/1";
            text += "\n";
        }
    }
    RWyxReaderObj reader(&factory);
    OptionsPtr<RStreamOptionsObj> options = ObjOptions();
    options->SetOptionValue(RStreamOptionsObj::kCreateReferenceNode, 0);
    ASSERT_TRUE(reader.ReadBytes(scene, options.get(), text));
    RWyxMesh* mesh = MeshOf("default");
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->GetControlPointsCount(), 3 * kFaces);
    ASSERT_EQ(mesh->GetPolygonCount(), 2 * kFaces);
    for (int p = 0; p < 2 * kFaces; ++p) {
        const int f = p % kFaces;
        ASSERT_EQ(Corners(*mesh, p), (std::vector<int>{3 * f, 3 * f + 1, 3 * f + 2})) << p;
        for (int c = 0; c < 3; ++c) ASSERT_EQ(mesh->GetTextureUVIndex(p, c), 3 * f + c) << p;
    }
    ExpectPoint(mesh->GetControlPoints()[3 * 17 + 1], 1, 0, 0);
    ExpectPoint(mesh->GetControlPoints()[3 * 17 + 2], 0, 1, 0);
}

}  // namespace
}  // namespace geometry_format_test
