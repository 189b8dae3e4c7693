// Meshes split into triangles, surfaces sampled into meshes, and the node conversions.

#include "formats/geometry/RWyxGeometryConverter.h"

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkinLink.h"
#include "core/RTime.h"
#include "curves/RFCurve.h"
#include "formats/geometry/PolygonSplit.h"
#include "formats/geometry/RInfluenceTable.h"
#include "formats/geometry/RNurbsEvaluator.h"
#include "formats/geometry/RPatchEvaluator.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNode.h"

#include <cstddef>
#include <iterator>
#include <memory>
#include <utility>

namespace {

const char* const kErrorMessages[] = {
    "No source geometry.",
    "Node has no mesh, patch or NURBS surface.",
    "Object could not be made.",
    "Unsupported patch type.",
    "Surface cannot be tessellated.",
    "Control points do not match the surface's counts.",
    "Patch cannot become a NURBS surface.",
};

struct CurveDestroyer {
    void operator()(RFCurve* curve) const { RFCurve::Destroy(curve); }
};
using OwnedCurve = std::unique_ptr<RFCurve, CurveDestroyer>;

std::size_t Unsigned(int value) { return static_cast<std::size_t>(value); }

void ResetControlPointW(RWyxLayerContainer& container) {
    RVector4* points = container.GetControlPoints();
    for (int i = 0; i < container.GetControlPointsCount(); ++i) points[i].w = 1.0;
}

void ResetNormalW(RWyxLayerContainer& container) {
    RWyxLayer* layer = container.GetLayer(0);
    RWyxLayerElementNormal* normals = layer != nullptr ? layer->GetNormals() : nullptr;
    if (normals == nullptr) return;
    for (RVector4& normal : normals->DirectArray()) normal.w = 1.0;
}

// Sizes the container to the grid with normals by control point (w 1), and points the
// evaluator's outputs at them.
bool PrepareGridOutput(RWyxLayerContainer& container, RPatchEvaluator& evaluator, int gridPoints) {
    if (!container.InitControlPoints(gridPoints) || !container.InitNormals(0)) return false;
    ResetControlPointW(container);
    ResetNormalW(container);
    evaluator.SetPositionOutput(container.GetControlPoints(), gridPoints);
    evaluator.SetNormalOutput(container.GetNormals(), gridPoints);
    return true;
}

// The corner positions of a polygon, when every corner names a control point.
bool GatherCorners(const RWyxMesh& mesh, int polygon, std::vector<RVector4>& corners) {
    const int size = mesh.GetPolygonSize(polygon);
    corners.resize(Unsigned(size));
    for (int k = 0; k < size; ++k) {
        const RVector4* point = mesh.GetControlPointAt(mesh.GetPolygonVertex(polygon, k));
        if (point == nullptr) return false;
        corners[Unsigned(k)] = *point;
    }
    return true;
}

// Every element of every layer that follows polygon vertices or polygons takes the entries of
// the new order; an element whose entries do not cover the old order is left as it was.
void RearrangePolygonData(RWyxMesh& mesh, const std::vector<int>& vertexSources,
                          const std::vector<int>& polygonSources) {
    for (int l = 0; l < mesh.GetLayerCount(); ++l) {
        RWyxLayer* layer = mesh.GetLayer(l);
        for (int kind = RWyxLayerElement::kFirstKind; kind <= RWyxLayerElement::kLastKind; ++kind) {
            RWyxLayerElement* element = layer->GetElement(kind);
            if (element == nullptr) continue;
            if (element->GetMappingMode() == RWyxLayerElement::kByPolygonVertex) {
                element->GatherMapped(vertexSources);
            } else if (element->GetMappingMode() == RWyxLayerElement::kByPolygon) {
                element->GatherMapped(polygonSources);
            }
        }
    }
}

// The index layer 0's element keeps at a position when it maps that way with indices; -1
// otherwise (BeginPolygon and AddPolygonVertex then store nothing).
int Layer0IndexAt(const RWyxMesh& mesh, int kind, int mapping, int position) {
    const RWyxLayer* layer = mesh.GetLayer(0);
    const RWyxLayerElement* element = layer != nullptr ? layer->GetElement(kind) : nullptr;
    if (element == nullptr || element->GetMappingMode() != mapping ||
        element->GetReferenceMode() == RWyxLayerElement::kDirect) {
        return -1;
    }
    return element->GetIndexAt(position);
}

}  // namespace

RWyxGeometryConverter::RWyxGeometryConverter(RWyxObjectFactory* factory)
    : factory_(factory), error_(kErrorMessages, static_cast<int>(std::size(kErrorMessages))) {}

bool RWyxGeometryConverter::Fail(int code) {
    error_.SetErrorCode(code);
    return false;
}

std::nullptr_t RWyxGeometryConverter::Refuse(int code) {
    error_.SetErrorCode(code);
    return nullptr;
}

std::nullptr_t RWyxGeometryConverter::Refuse(int code, const char* text) {
    error_.SetError(code, text);
    return nullptr;
}

void RWyxGeometryConverter::Warn(const RString& text) {
    if (!messages_.IsEmptyText()) messages_ += "\n";
    messages_ += text;
}

// ---- meshes -----------------------------------------------------------------------------------

RWyxMesh* RWyxGeometryConverter::SplitMeshToTriangles(RWyxMesh* source) {
    if (source == nullptr) return Refuse(kErrorNullSource);
    if (factory_ == nullptr) return Refuse(kErrorCannotCreate);
    RWyxMesh* mesh = factory_->CreateMesh();
    if (mesh == nullptr) return Refuse(kErrorCannotCreate);
    if (!mesh->Assign(*source)) {
        factory_->DestroyNodeAttribute(mesh);
        return Refuse(kErrorCannotCreate);
    }

    // The new polygons as the old polygon and polygon-vertex position of each of their parts.
    std::vector<int> polygonSources;
    std::vector<int> vertexSources;
    std::vector<int> polygonSizes;
    std::vector<int> triangles;
    std::vector<RVector4> corners;
    for (int p = 0; p < source->GetPolygonCount(); ++p) {
        const RWyxMesh::Polygon& polygon = *source->GetPolygon(p);
        if (polygon.size <= 3) {
            polygonSources.push_back(p);
            polygonSizes.push_back(polygon.size);
            for (int k = 0; k < polygon.size; ++k) vertexSources.push_back(polygon.start + k);
            continue;
        }
        if (GatherCorners(*source, p, corners)) {
            TriangulatePolygon(triangles, corners.data(), polygon.size);
        } else {
            TriangulatePolygonIndices(triangles, polygon.size);
        }
        for (std::size_t t = 0; t < triangles.size(); t += 3) {
            polygonSources.push_back(p);
            polygonSizes.push_back(3);
            for (std::size_t c = t; c < t + 3; ++c) vertexSources.push_back(polygon.start + triangles[c]);
        }
    }

    RearrangePolygonData(*mesh, vertexSources, polygonSources);
    mesh->ClearPolygons();
    std::size_t position = 0;
    for (std::size_t q = 0; q < polygonSources.size(); ++q) {
        const int p = polygonSources[q];
        const int polygon = static_cast<int>(q);
        mesh->BeginPolygon(Layer0IndexAt(*mesh, RWyxLayerElement::kMaterial, RWyxLayerElement::kByPolygon, polygon),
                           Layer0IndexAt(*mesh, RWyxLayerElement::kTexture, RWyxLayerElement::kByPolygon, polygon),
                           source->GetPolygonGroup(p));
        for (int k = 0; k < polygonSizes[q]; ++k, ++position) {
            const int vertex = source->GetPolygonVertices()[vertexSources[position]];
            mesh->AddPolygonVertex(vertex, Layer0IndexAt(*mesh, RWyxLayerElement::kUV,
                                                         RWyxLayerElement::kByPolygonVertex, static_cast<int>(position)));
        }
    }
    return mesh;
}

// ---- surfaces ---------------------------------------------------------------------------------

RWyxMesh* RWyxGeometryConverter::PatchToMesh(RWyxPatch* source) {
    if (source == nullptr) return Refuse(kErrorNullSource);
    const auto isKnown = [](int type) { return type >= RWyxPatch::kBezier && type <= RWyxPatch::kLinear; };
    if (!isKnown(source->GetUType()) || !isKnown(source->GetVType())) return Refuse(kErrorUnsupportedPatchType);
    if (static_cast<long long>(source->GetUCount()) * source->GetVCount() != source->GetControlPointsCount()) {
        return Refuse(kErrorSizeMismatch);
    }
    std::unique_ptr<RPatchEvaluator> evaluator = RPatchEvaluator::Create(source->GetUType(), source->GetVType());
    if (evaluator == nullptr) return Refuse(kErrorCannotCreate);
    evaluator->SetUClosed(source->GetUClosed());
    evaluator->SetVClosed(source->GetVClosed());
    evaluator->SetUStep(source->GetUStep());
    evaluator->SetVStep(source->GetVStep());
    evaluator->SetControlPoints(source->GetControlPoints(), source->GetUCount(), source->GetVCount());
    return Tessellate(*source, *evaluator, source->GetUCount(), source->GetVCount());
}

RWyxMesh* RWyxGeometryConverter::NurbToMesh(RWyxNurb* source) {
    if (source == nullptr) return Refuse(kErrorNullSource);
    const int count = source->GetControlPointsCount();
    if (static_cast<long long>(source->GetUCount()) * source->GetVCount() != count) {
        return Refuse(kErrorSizeMismatch);
    }
    std::unique_ptr<RNurbsEvaluator> evaluator = RNurbsEvaluator::Create(source->GetUOrder(), source->GetVOrder());
    if (evaluator == nullptr) return Refuse(kErrorCannotCreate);
    evaluator->SetUClosed(source->GetUType() != RWyxNurb::kOpen);
    evaluator->SetVClosed(source->GetVType() != RWyxNurb::kOpen);
    evaluator->SetUStep(source->GetUStep());
    evaluator->SetVStep(source->GetVStep());
    evaluator->SetControlPoints(source->GetControlPoints(), source->GetUCount(), source->GetVCount());
    // The weights live in the control points' w; they serve the shapes too.
    std::vector<double> weights(Unsigned(count));
    for (int i = 0; i < count; ++i) weights[Unsigned(i)] = source->GetControlPoints()[i].w;
    evaluator->SetNurbsData(RNurbsEvaluator::kUKnots, source->GetUKnotVector(), source->GetUKnotCount());
    evaluator->SetNurbsData(RNurbsEvaluator::kVKnots, source->GetVKnotVector(), source->GetVKnotCount());
    evaluator->SetNurbsData(RNurbsEvaluator::kWeights, weights.data(), count);
    return Tessellate(*source, *evaluator, source->GetUCount(), source->GetVCount());
}

RWyxMesh* RWyxGeometryConverter::CreateMeshFromGeometry(RWyxGeometry& source) {
    RWyxMesh* mesh = factory_ != nullptr ? factory_->CreateMesh() : nullptr;
    if (mesh == nullptr) return nullptr;
    mesh->CopyLayers(source);
    mesh->CopyPivot(source);
    return mesh;
}

RWyxMesh* RWyxGeometryConverter::Tessellate(RWyxGeometry& source, RPatchEvaluator& evaluator, int uCount,
                                            int vCount) {
    const int nU = evaluator.GetUPointCount();
    const int nV = evaluator.GetVPointCount();
    const int gridPoints = evaluator.GetGridPointCount();
    if (gridPoints == 0) return Refuse(kErrorCannotTessellate, evaluator.GetError().GetLastErrorString());
    RWyxMesh* mesh = CreateMeshFromGeometry(source);
    if (mesh == nullptr) return Refuse(kErrorCannotCreate);
    if (!PrepareGridOutput(*mesh, evaluator, gridPoints)) {
        factory_->DestroyNodeAttribute(mesh);
        return Refuse(kErrorCannotCreate);
    }
    // The influences are needed only to carry skin links over.
    const int sourcePoints = source.GetControlPointsCount();
    RInfluenceTable table;
    if (source.GetDeformerCount() > 0) table.Init(sourcePoints, gridPoints);
    if (!evaluator.Evaluate(source.GetDeformerCount() > 0 ? &table : nullptr)) {
        factory_->DestroyNodeAttribute(mesh);
        return Refuse(kErrorCannotTessellate, evaluator.GetError().GetLastErrorString());
    }
    if (!ConvertShapes(source, *mesh, evaluator, uCount, vCount) || !TransferSkinLinks(source, *mesh, table)) {
        DestroyWithParts(mesh);
        return nullptr;
    }
    BuildGridPolygons(*mesh, evaluator.GetUClosed(), evaluator.GetVClosed(), nU, nV, false);
    return mesh;
}

void RWyxGeometryConverter::DestroyWithParts(RWyxGeometry* geometry) {
    for (int i = 0; i < geometry->GetShapeCount(); ++i) factory_->DestroyShape(geometry->GetShape(i));
    for (int i = 0; i < geometry->GetDeformerCount(); ++i) factory_->DestroySkinLink(geometry->GetDeformer(i));
    factory_->DestroyNodeAttribute(geometry);
}

bool RWyxGeometryConverter::ConvertShapes(RWyxGeometry& source, RWyxMesh& mesh, RPatchEvaluator& evaluator, int uCount,
                                          int vCount) {
    const int gridPoints = evaluator.GetGridPointCount();
    for (int i = 0; i < source.GetShapeCount(); ++i) {
        RWyxShape* shape = source.GetShape(i);
        const char* name = source.GetShapeName(i);
        if (shape->GetControlPointsCount() != uCount * vCount) {
            Warn(RString("Shape \"") + name + "\" left out: " + shape->GetControlPointsCount() +
                 " control points for a surface of " + uCount * vCount + ".");
            continue;
        }
        evaluator.SetControlPoints(shape->GetControlPoints(), uCount, vCount);
        RWyxShape* sampled = factory_->CreateShape();
        if (sampled == nullptr) return Fail(kErrorCannotCreate);
        sampled->Assign(*shape);
        if (!PrepareGridOutput(*sampled, evaluator, gridPoints) || !evaluator.Evaluate(nullptr) ||
            mesh.AddShape(sampled, name) < 0) {
            factory_->DestroyShape(sampled);
            return Fail(kErrorCannotCreate);
        }
    }
    return true;
}

// Grid vertex (i, j) is j nU + i. Each cell gives two triangles and four UVs of its own, row by
// row, left to right; a closed direction adds the cell that joins its last column (row) to its
// first.
void RWyxGeometryConverter::BuildGridPolygons(RWyxMesh& mesh, bool uClosed, bool vClosed, int nU, int nV,
                                              bool flip) const {
    RWyxLayerElementUV* uvs = nullptr;
    int uvLayer = mesh.GetLayerIndexOfKind(0, RWyxLayerElement::kUV);
    if (uvLayer >= 0) {
        uvs = mesh.GetLayer(uvLayer)->GetUVs();
    } else {
        uvLayer = 0;
        uvs = mesh.EnsureLayer(0)->SetUVs(std::make_unique<RWyxLayerElementUV>());
    }
    uvs->SetMappingMode(RWyxLayerElement::kByPolygonVertex);
    uvs->SetReferenceMode(RWyxLayerElement::kIndexToDirect);
    uvs->ClearIndices();  // the source had no polygon vertices for them to follow
    // Copied by-polygon indices belong to no polygon of the mesh either.
    RWyxLayer* layer0 = mesh.EnsureLayer(0);
    for (RWyxLayerElement* element : {static_cast<RWyxLayerElement*>(layer0->GetMaterials()),
                                      static_cast<RWyxLayerElement*>(layer0->GetTextures())}) {
        if (element != nullptr && element->GetMappingMode() == RWyxLayerElement::kByPolygon) element->ClearIndices();
    }
    const int material = mesh.GetMaterialMappingKind() == RWyxMesh::kKindByPolygon ? 0 : -1;

    const double du = uClosed ? nU : nU - 1;
    const double dv = vClosed ? nV : nV - 1;
    const int rows = vClosed ? nV : nV - 1;
    const int columns = uClosed ? nU : nU - 1;
    uvs->DirectArray().reserve(uvs->DirectArray().size() + 4 * Unsigned(rows) * Unsigned(columns));
    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < columns; ++i) {
            const int nextI = (i + 1) % nU;
            const int nextJ = (j + 1) % nV;
            const int corner[4] = {j * nU + i, j * nU + nextI, nextJ * nU + i, nextJ * nU + nextI};  // A B C D
            int uv[4];
            uv[0] = uvs->AddDirect(RVector2(i / du, j / dv));
            uv[1] = uvs->AddDirect(RVector2((i + 1) / du, j / dv));
            uv[2] = uvs->AddDirect(RVector2(i / du, (j + 1) / dv));
            uv[3] = uvs->AddDirect(RVector2((i + 1) / du, (j + 1) / dv));
            static const int kPlain[6] = {0, 2, 1, 1, 2, 3};
            static const int kFlipped[6] = {0, 1, 2, 1, 3, 2};
            const int* order = flip ? kFlipped : kPlain;
            for (int t = 0; t < 6; t += 3) {
                mesh.BeginPolygon(material, -1, -1);
                for (int c = t; c < t + 3; ++c) {
                    const int position = mesh.GetPolygonVertexCount();
                    mesh.AddPolygonVertex(corner[order[c]], uv[order[c]]);
                    if (uvLayer != 0) uvs->StoreIndexAt(position, uv[order[c]], -1);
                }
            }
        }
    }
}

// ---- nodes ---------------------------------------------------------------------------------------

bool RWyxGeometryConverter::ConvertNodeToMesh(RWyxNode* node) {
    if (node == nullptr) return Fail(kErrorNullSource);
    RWyxGeometry* old = node->GetGeometry();
    RWyxMesh* mesh = nullptr;
    if (RWyxMesh* source = node->GetMesh()) {
        mesh = SplitMeshToTriangles(source);
    } else if (RWyxPatch* patch = node->GetPatch()) {
        mesh = PatchToMesh(patch);
    } else if (RWyxNurb* nurb = node->GetNurb()) {
        mesh = NurbToMesh(nurb);
    } else {
        return Fail(kErrorNoGeometry);
    }
    return mesh != nullptr && ReplaceGeometry(*node, *old, *mesh);
}

bool RWyxGeometryConverter::ConvertNodePatchToNurb(RWyxNode* node) {
    if (node == nullptr) return Fail(kErrorNullSource);
    RWyxPatch* patch = node->GetPatch();
    if (patch == nullptr) return Fail(kErrorNoGeometry);
    RWyxNurb* nurb = PatchToNurb(patch);
    return nurb != nullptr && ReplaceGeometry(*node, *patch, *nurb);
}

bool RWyxGeometryConverter::ReplaceGeometry(RWyxNode& node, RWyxGeometry& old, RWyxGeometry& replacement) {
    struct KeptCurve {
        RWyxTakeNode* takeNode;
        RString shape;
        OwnedCurve curve;
    };
    // Copies of the old shape curves of every take node; a shape without a channel in a take
    // node has nothing to keep there.
    std::vector<KeptCurve> kept;
    for (int t = 0; t < node.GetTakeNodeCount(); ++t) {
        RWyxTakeNode* takeNode = node.GetTakeNode(t);
        for (int i = 0; takeNode != nullptr && i < old.GetShapeCount(); ++i) {
            const RFCurve* curve = old.GetShapeChannel(takeNode, i);
            if (curve == nullptr) continue;
            OwnedCurve copy(curve->Clone(RTime(RTime::kInfinitelyEarly), RTime(RTime::kInfinitelyLate)));
            if (copy != nullptr) kept.push_back(KeptCurve{takeNode, RString(old.GetShapeName(i)), std::move(copy)});
        }
    }
    node.SetNodeAttribute(&replacement);
    for (const KeptCurve& entry : kept) {
        const int shape = replacement.FindShape(entry.shape.Buffer());
        RFCurve* target = shape >= 0 ? replacement.GetShapeChannel(entry.takeNode, shape) : nullptr;
        if (target != nullptr) target->CopyFrom(*entry.curve, true);
    }
    factory_->DestroyNodeAttribute(&old);
    return true;
}
