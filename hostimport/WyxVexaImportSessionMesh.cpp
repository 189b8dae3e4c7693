// Host node creation: polygon meshes.
//
// The host mesh gets the SDK polygons that have vertices; polygons of size 0, and polygons
// that name a control point the mesh does not have, are left out, and the host may drop more
// (fewer than three vertices). Every per-polygon value (normals, UVs, later materials and
// colours) therefore goes through the map between SDK and host polygon numbers, and every
// index read from the file is checked against the array it indexes before it reaches the host.

#include "hostimport/ImportLaterSteps.h"
#include "hostimport/WyxVexaImportSession.h"

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxMesh.h"
#include "plugin/HostUtilities.h"
#include "plugin/VexaNode.h"
#include "scene/RWyxNode.h"

#include <vexa/VFloatArray.h>
#include <vexa/VFnBlendShapeDeformer.h>
#include <vexa/VFnMesh.h>
#include <vexa/VIntArray.h>
#include <vexa/VPointArray.h>
#include <vexa/VVectorArray.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// The polygons the host mesh is made of, and which SDK polygon each host polygon is.
struct HostTopology {
    VIntArray counts;
    VIntArray connects;
    std::vector<int> hostPolygonOf;  // per SDK polygon: the host polygon, or -1
    std::vector<int> sdkPolygonOf;   // per host polygon: the SDK polygon
    int unusable = 0;                // polygons naming a control point the mesh lacks
};

HostTopology BuildTopology(const RWyxMesh& mesh) {
    HostTopology topology;
    const int polygons = mesh.GetPolygonCount();
    topology.hostPolygonOf.assign(static_cast<size_t>(polygons), -1);
    for (int p = 0; p < polygons; ++p) {
        const int size = mesh.GetPolygonSize(p);
        if (size <= 0) continue;
        bool usable = true;
        for (int v = 0; v < size && usable; ++v) usable = mesh.GetPolygonVertex(p, v) >= 0;
        if (!usable) {
            ++topology.unusable;
            continue;
        }
        topology.hostPolygonOf[static_cast<size_t>(p)] = static_cast<int>(topology.sdkPolygonOf.size());
        topology.sdkPolygonOf.push_back(p);
        topology.counts.append(size);
        for (int v = 0; v < size; ++v) topology.connects.append(mesh.GetPolygonVertex(p, v));
    }
    return topology;
}

bool SameVertices(const RWyxMesh& mesh, int polygon, const VIntArray& vertices) {
    if (mesh.GetPolygonSize(polygon) != static_cast<int>(vertices.length())) return false;
    for (unsigned v = 0; v < vertices.length(); ++v) {
        if (mesh.GetPolygonVertex(polygon, static_cast<int>(v)) != vertices[v]) return false;
    }
    return true;
}

// The host kept fewer polygons than it was given: its polygons are the given ones in order,
// less those it dropped, so each given polygon is matched with the next host polygon that has
// its vertices. The counts become the host's.
void MatchHostPolygons(const VFnMesh& host, const RWyxMesh& mesh, HostTopology& topology) {
    const int hostCount = host.numPolygons();
    std::vector<int> given;
    given.swap(topology.sdkPolygonOf);
    topology.hostPolygonOf.assign(topology.hostPolygonOf.size(), -1);
    topology.counts.clear();
    int h = 0;
    VIntArray vertices;
    for (const int p : given) {
        if (h >= hostCount) break;
        host.getPolygonVertices(h, vertices);
        if (!SameVertices(mesh, p, vertices)) continue;
        topology.hostPolygonOf[static_cast<size_t>(p)] = h;
        topology.sdkPolygonOf.push_back(p);
        topology.counts.append(static_cast<int>(vertices.length()));
        ++h;
    }
}

VString Number(int value) { return VString(std::to_string(value).c_str()); }

void SetNormals(VFnMesh& host, const RWyxMesh& mesh, const HostTopology& topology) {
    const RWyxLayer* layer = mesh.GetLayer(0);
    const RWyxLayerElementNormal* element = layer != nullptr ? layer->GetNormals() : nullptr;
    if (element == nullptr || element->GetDirectCount() == 0) return;
    VVectorArray normals;
    VIntArray faces;
    VIntArray vertices;
    if (element->GetMappingMode() == RWyxLayerElement::kByControlPoint) {
        for (int i = 0; i < mesh.GetControlPointsCount(); ++i) {
            const RVector4* normal = element->GetMappedAt(i);
            if (normal == nullptr) continue;
            normals.append(VVector(normal->x, normal->y, normal->z));
            vertices.append(i);
        }
        PrintStatusError(host.setVertexNormals(normals, vertices, VSpace::kObject), "Cannot set the mesh's normals");
        return;
    }
    // By polygon vertex, by polygon or one for all: a normal for each corner.
    for (size_t h = 0; h < topology.sdkPolygonOf.size(); ++h) {
        const int p = topology.sdkPolygonOf[h];
        for (int v = 0; v < mesh.GetPolygonSize(p); ++v) {
            RVector4 normal;
            if (!mesh.GetPolygonVertexNormal(p, v, normal)) continue;
            normals.append(VVector(normal.x, normal.y, normal.z));
            faces.append(static_cast<int>(h));
            vertices.append(mesh.GetPolygonVertex(p, v));
        }
    }
    PrintStatusError(host.setFaceVertexNormals(normals, faces, vertices, VSpace::kObject),
                     "Cannot set the mesh's normals");
}

// The UV of corner `vertex` of SDK polygon `polygon` by the element's mapping; -1 when the
// mapping gives none or its index lies outside the UVs.
int UvIdOf(const RWyxLayerElementUV& uvs, const RWyxMesh& mesh, int polygon, int vertex) {
    switch (uvs.GetMappingMode()) {
        case RWyxLayerElement::kByControlPoint:
            return uvs.ResolveDirectIndex(mesh.GetPolygonVertex(polygon, vertex));
        case RWyxLayerElement::kByPolygonVertex:
            return uvs.ResolveDirectIndex(mesh.GetPolygon(polygon)->start + vertex);
        case RWyxLayerElement::kByPolygon:
            return uvs.ResolveDirectIndex(polygon);
        default:
            return -1;
    }
}

// The UV ids of the corners of SDK polygon `polygon`, -1 for a corner without one.
std::vector<int> CornerUvIds(const RWyxLayerElementUV& uvs, const RWyxMesh& mesh, int polygon, int corners) {
    std::vector<int> ids;
    for (int k = 0; k < corners; ++k) ids.push_back(UvIdOf(uvs, mesh, polygon, k));
    return ids;
}

// The UV ids given to the host polygons: whole polygons at once, then one by one the corners of
// the polygons of which some corner has no UV.
void AssignUvIds(VFnMesh& host, const RWyxMesh& mesh, const HostTopology& topology, const RWyxLayerElementUV& uvs,
                 const VString& set) {
    VIntArray counts;
    VIntArray ids;
    VIntArray vertices;
    std::vector<std::pair<int, std::vector<int>>> partial;  // host polygon, its corners' ids
    for (size_t h = 0; h < topology.sdkPolygonOf.size(); ++h) {
        host.getPolygonVertices(static_cast<int>(h), vertices);
        const int expected = topology.counts[static_cast<unsigned>(h)];
        if (static_cast<int>(vertices.length()) != expected) {
            VStatus(VStatus::kFailure).perror("UVs define problem: expecting " + Number(expected) + " vertices for polygon " +
                                              Number(static_cast<int>(h)) + " received " +
                                              Number(static_cast<int>(vertices.length())));
        }
        const std::vector<int> corners =
            CornerUvIds(uvs, mesh, topology.sdkPolygonOf[h], static_cast<int>(vertices.length()));
        const bool whole = !corners.empty() && std::none_of(corners.begin(), corners.end(), [](int id) { return id < 0; });
        counts.append(whole ? static_cast<int>(corners.size()) : 0);
        for (size_t k = 0; whole && k < corners.size(); ++k) ids.append(corners[k]);
        if (!whole) partial.emplace_back(static_cast<int>(h), corners);
    }
    VStatus status = host.assignUVs(counts, ids, &set);
    for (const auto& [polygon, corners] : partial) {
        for (size_t k = 0; status && k < corners.size(); ++k) {
            if (corners[k] >= 0) status = host.assignUV(polygon, static_cast<int>(k), corners[k], &set);
        }
    }
    if (!status) status.perror("UV assign problems");
}

// The set of that name made of the UVs: the host's first set renamed for the first layer with
// UVs, a new set for any other.
void SetUVSet(VFnMesh& host, const RWyxMesh& mesh, const HostTopology& topology, const RWyxLayerElementUV& uvs,
              const VString& set, bool firstLayer) {
    PrintStatusError(firstLayer ? host.renameUVSet("map1", set) : host.createUVSet(set), "Cannot make the UV set");
    VFloatArray u;
    VFloatArray v;
    for (const RVector2& uv : uvs.DirectArray()) {
        u.append(static_cast<float>(uv.u));
        v.append(static_cast<float>(uv.v));
    }
    const VStatus status = host.setUVs(u, v, &set);
    if (!status) status.perror("UVs set problems");
    AssignUvIds(host, mesh, topology, uvs, set);
}

bool HasVertexColors(const RWyxMesh& mesh) {
    const RWyxLayer* layer = mesh.GetLayerOfKind(0, RWyxLayerElement::kVertexColor);
    const RWyxLayerElementVertexColor* colors = layer != nullptr ? layer->GetVertexColors() : nullptr;
    return colors != nullptr && colors->GetDirectCount() > 0;
}

}  // namespace

VString WyxVexaImportSession::UvSetOfLayer(const RWyxMesh& mesh, int layer) {
    for (int n = 0; n < mesh.GetLayerCountOfKind(RWyxLayerElement::kUV); ++n) {
        if (mesh.GetLayerIndexOfKind(n, RWyxLayerElement::kUV) != layer) continue;
        return mesh.GetLayer(layer)->GetUVs()->GetDirectCount() > 0 ? "uvSet" + Number(n + 1) : VString();
    }
    return VString();
}

void WyxVexaImportSession::CreateMesh(RWyxNode* node) {
    const VObject made = CreateBoundTransform(node, "Cannot create Mesh Node");
    const RWyxMesh* mesh = node->GetMesh();
    if (made.isNull() || mesh == nullptr) return;

    VPointArray points;
    const RVector4* controlPoints = mesh->GetControlPoints();
    for (int i = 0; i < mesh->GetControlPointsCount(); ++i) {
        const RVector4& point = controlPoints[i];
        points.append(VPoint(static_cast<float>(point.x), static_cast<float>(point.y), static_cast<float>(point.z), 1.0));
    }
    HostTopology topology = BuildTopology(*mesh);
    if (topology.unusable > 0) {
        VStatus(VStatus::kFailure).perror("Mesh definition warning: " + Number(topology.unusable) + " polygons of " +
                                          VString(node->GetNameWithoutPrefix().Buffer()) +
                                          " name control points the mesh does not have; they were left out.");
    }
    VStatus status;
    VFnMesh host;
    const int given = static_cast<int>(topology.counts.length());
    const VObject shape = host.create(static_cast<int>(points.length()), given, points, topology.counts,
                                      topology.connects, made, &status);
    if (!status) {
        status.perror("Cannot create Mesh");
        return;
    }
    VFnDependencyNode(shape).setName(ShapeName(node), &status);
    PrintStatusError(status, "Cannot name the new shape");
    if (host.numPolygons() != given) {
        VStatus(VStatus::kFailure)
            .perror("Mesh definition warning: the number of polygons from the source object (" + Number(given) +
                    ") don't match in the destination mesh (" + Number(host.numPolygons()) +
                    ")\npossibly because of triangles defined with 2 vertices only.");
        MatchHostPolygons(host, *mesh, topology);
    }
    SetNormals(host, *mesh, topology);
    SetHostPolygonMap(node, topology.hostPolygonOf);
    if (HasVertexColors(*mesh)) ImportVertexColors(*mesh, host, topology.hostPolygonOf);
    for (int n = 0; n < mesh->GetLayerCountOfKind(RWyxLayerElement::kUV); ++n) {
        const int layer = mesh->GetLayerIndexOfKind(n, RWyxLayerElement::kUV);
        const VString set = UvSetOfLayer(*mesh, layer);
        if (!set.isEmpty()) SetUVSet(host, *mesh, topology, *mesh->GetLayer(layer)->GetUVs(), set, n == 0);
    }
    PrintStatusError(host.updateSurface(), "Cannot update the mesh");
    if (mesh->GetShapeCount() > 0) {
        VFnBlendShapeDeformer blendShape;
        blendShape.create(shape, VFnBlendShapeDeformer::kLocalOrigin, &status);
        PrintStatusError(status, "Cannot create the blend shape");
    }
}
