// libFuzzer target: surfaces and meshes built from the input's bytes (basis types, counts,
// steps, orders, knots, weights, shapes and skin links as a file could hold them) go through
// the geometry converter, and polygons of arbitrary corners through the polygon split. Any
// read outside an array, division by zero or wrong triangle count is a finding.

#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkinLink.h"
#include "formats/geometry/PolygonSplit.h"
#include "formats/geometry/RWyxGeometryConverter.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    int Next() { return position_ < size_ ? data_[position_++] : 0; }
    int Below(int limit) { return Next() % limit; }
    // Small values with repeats and zeros, as hostile files have them.
    double Real() { return static_cast<int8_t>(Next()) / 8.0; }
    RVector4 Point() {
        const double x = Real(), y = Real(), z = Real();
        return RVector4(x, y, z, Real());
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

void AddShapesAndLinks(Bytes& bytes, RWyxObjectFactory& factory, RWyxGeometry& geometry) {
    const char* names[] = {"A", "B", "C"};
    for (int s = bytes.Below(3); s > 0; --s) {
        RWyxShape* shape = factory.CreateShape();
        const int count = bytes.Below(2) == 0 ? geometry.GetControlPointsCount() : bytes.Below(20);
        shape->InitControlPoints(count);
        for (int i = 0; i < count; ++i) shape->GetControlPoints()[i] = bytes.Point();
        geometry.AddShape(shape, names[s - 1]);
    }
    for (int l = bytes.Below(3); l > 0; --l) {
        RWyxSkinLink* link = factory.CreateSkinLink();
        link->SetMode(bytes.Below(4));
        for (int k = bytes.Below(8); k > 0; --k) link->AddControlPointIndex(bytes.Below(60), bytes.Real());
        geometry.AddDeformer(link);
    }
}

RWyxGeometry* MakePatch(Bytes& bytes, RWyxObjectFactory& factory) {
    RWyxPatch* patch = factory.CreatePatch();
    const int uType = bytes.Below(7), vType = bytes.Below(7);
    const int uCount = bytes.Below(12), vCount = bytes.Below(12);
    patch->InitControlPoints(uCount, uType, vCount, vType);
    patch->SetStep(bytes.Below(12) - 2, bytes.Below(12) - 2);
    patch->SetClosed(bytes.Below(2) == 1, bytes.Below(2) == 1);
    for (int i = 0; i < patch->GetControlPointsCount(); ++i) patch->GetControlPoints()[i] = bytes.Point();
    return patch;
}

RWyxGeometry* MakeNurb(Bytes& bytes, RWyxObjectFactory& factory) {
    RWyxNurb* nurb = factory.CreateNurb();
    const int uOrder = bytes.Below(6), vOrder = bytes.Below(6);
    nurb->SetOrder(uOrder, vOrder);
    const int uCount = bytes.Below(12), vCount = bytes.Below(12);
    nurb->InitControlPoints(uCount, bytes.Below(3), vCount, bytes.Below(3));
    nurb->SetStep(bytes.Below(12) - 2, bytes.Below(12) - 2);
    // Knots mostly rising, with repeats, drops and tiny spans.
    const int drift = bytes.Below(4);
    for (double* knots : {nurb->GetUKnotVector(), nurb->GetVKnotVector()}) {
        const int count = knots == nurb->GetUKnotVector() ? nurb->GetUKnotCount() : nurb->GetVKnotCount();
        double value = 0.0;
        for (int k = 0; k < count; ++k) {
            const int step = bytes.Below(5);
            value += step == 4 ? 1e-8 : step - drift * (k % 3 == 0 ? 1 : 0);
            knots[k] = value;
        }
    }
    for (int i = 0; i < nurb->GetControlPointsCount(); ++i) nurb->GetControlPoints()[i] = bytes.Point();
    return nurb;
}

RWyxGeometry* MakeMesh(Bytes& bytes, RWyxObjectFactory& factory) {
    RWyxMesh* mesh = factory.CreateMesh();
    const int count = bytes.Below(30);
    mesh->InitControlPoints(count);
    for (int i = 0; i < count; ++i) mesh->GetControlPoints()[i] = bytes.Point();
    if (bytes.Below(2) == 1) mesh->InitTextureUVMapping(RWyxMesh::kKindByPolygonVertex);
    mesh->InitTextureUVs(bytes.Below(20));
    if (bytes.Below(2) == 1) mesh->InitMaterialIndices(RWyxMesh::kKindByPolygon);
    int vertices = 0;
    for (int p = bytes.Below(8); p > 0; --p) {
        mesh->BeginPolygon(bytes.Below(3) - 1, -1, bytes.Below(3));
        for (int k = bytes.Below(10); k > 0; --k, ++vertices) mesh->AddPolygonVertex(bytes.Below(count + 3), bytes.Below(25) - 2);
    }
    if (bytes.Below(2) == 1) mesh->InitNormals(vertices);
    return mesh;
}

void SplitPolygon(Bytes& bytes) {
    const int n = bytes.Below(24);
    std::vector<RVector4> points;
    for (int i = 0; i < n; ++i) points.push_back(bytes.Point());
    std::vector<int> corners;
    TriangulatePolygon(corners, points.data(), n);
    const size_t expected = n < 3 ? 0 : 3 * static_cast<size_t>(n - 2);
    if (corners.size() != expected) __builtin_trap();
    for (const int c : corners) {
        if (c < 0 || c >= n) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One factory for the whole run (starting the object model is the costly part); every
    // object of an input is destroyed after it.
    static RWyxObjectFactory factory;
    Bytes bytes(data, size);
    SplitPolygon(bytes);
    RWyxGeometryConverter& converter = *factory.CreateGeometryConverter();
    const int kind = bytes.Below(3);
    RWyxGeometry* geometry = kind == 0 ? MakePatch(bytes, factory) : kind == 1 ? MakeNurb(bytes, factory) : MakeMesh(bytes, factory);
    const int use = bytes.Below(4);
    RWyxNode* node = nullptr;
    if (use == 3) {  // through a node, shape channels and all (the costly part: rarer)
        node = factory.CreateNode("Surface");
        node->AddTakeNode("Take 001");
        node->SetNodeAttribute(geometry);
    }
    AddShapesAndLinks(bytes, factory, *geometry);
    RWyxPatch* patch = geometry->GetAttributeType() == RWyxNodeAttribute::kPatch ? static_cast<RWyxPatch*>(geometry) : nullptr;
    RWyxNurb* nurb = geometry->GetAttributeType() == RWyxNodeAttribute::kNurb ? static_cast<RWyxNurb*>(geometry) : nullptr;
    RWyxMesh* mesh = geometry->GetAttributeType() == RWyxNodeAttribute::kMesh ? static_cast<RWyxMesh*>(geometry) : nullptr;
    if (node != nullptr) {
        if (bytes.Below(2) == 0) {
            converter.ConvertNodePatchToNurb(node);
        }
        converter.ConvertNodeToMesh(node);
    } else if (patch != nullptr) {
        converter.PatchToMesh(patch);
        converter.NurbToMesh(converter.PatchToNurb(patch));
    } else if (nurb != nullptr) {
        converter.NurbToMesh(use == 0 ? nurb : converter.CopyNurbSwapped(nurb, use == 1, use == 2 || use == 1));
    } else {
        converter.SplitMeshToTriangles(mesh);
    }
    factory.DestroyAll();
    return 0;
}
