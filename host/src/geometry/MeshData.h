#ifndef VEXA_HOST_MESHDATA_H
#define VEXA_HOST_MESHDATA_H

// The geometry of a polygon mesh as plugs hold it: points, polygons, normals, UV sets and
// colours. Plugs share it as std::shared_ptr<const MeshData>, so a value once read never changes
// under its reader: an edit works on a copy that is then stored, or in place while the one
// holder is the store that the edit would write to (soleOwnMesh). Every edit checks all it is
// given before it changes anything: a refused edit leaves the data as it was.
//
// Topology. build() takes the points, one count per polygon and the vertices of every polygon
// in order. Polygons of fewer than three vertices are dropped with their vertices (a polygon
// needs three corners), so polygonCount() may be below the number of counts given.
// Face-vertices are the corners of all polygons numbered in order: corner k of polygon p is
// face-vertex faceVertexOffset(p) + k.
//
// Normals. Every face-vertex has a normal, found in this order: one set for that face-vertex;
// one set for its vertex; the flat normal of its polygon. normalLayout() lists them as the
// mesh's normal array with one normal id per face-vertex: a face-vertex normal and a polygon
// normal take an id of their own, a vertex normal one id shared by all corners on the vertex
// (so an untouched cube has 24 normals; after normals are set on its 8 vertices, 8).
// vertexNormal() is the normal set on the vertex, else the normalised mean of the normals of
// the corners on it.
//
// UV sets. Named, in order of creation; "map1" is made with every mesh. A set holds U and V
// arrays and one UV id per face-vertex (-1: none). Textures can be linked to a set; the link
// is weak, a deleted texture drops out.
//
// Colours. A face-vertex has its own colour, else its vertex's colour, else none, which reads
// as (-1, -1, -1, -1).
//
// Mesh nodes (type "mesh"): the node's own geometry is the stored value of its data plug
// "inMesh"; "outMesh" and "worldMesh[i]" give what the node shows, which is what reaches
// "inMesh": the stored value, or the value of a connection into "inMesh" (a deformer's
// "outputGeometry[i]"). A deformer reads its input from an original shape through
// "worldMesh[0]" (or "outMesh") connected to its "input[i].inputGeometry".

#include "host/src/scene/Node.h"
#include "host/src/scene/ObjectRecord.h"
#include "host/src/scene/PlugValue.h"

#include <vexa/VColor.h>
#include <vexa/VPoint.h>
#include <vexa/VStatus.h>
#include <vexa/VVector.h>
#include <vexa/VexaExport.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vexa_host {

class VEXA_API MeshData final : public DataValue {
public:
    static const char* const kTypeName;      // "mesh", the data type of mesh plugs
    static const char* const kDefaultUVSet;  // "map1"

    struct UVSet {
        std::string name;
        std::vector<float> u;
        std::vector<float> v;
        std::vector<int> ids;  // per face-vertex, -1 when none
        std::vector<std::weak_ptr<ObjectRecord>> textures;
    };
    struct NormalLayout {
        std::vector<VVector> normals;
        std::vector<int> ids;  // per face-vertex
        // The face-vertices on each vertex, ascending: those of vertex v are
        // cornersOnVertex[firstCorner[v]] up to cornersOnVertex[firstCorner[v + 1]].
        std::vector<int> firstCorner;
        std::vector<int> cornersOnVertex;
    };

    MeshData();

    std::string typeName() const override { return kTypeName; }
    void describe(std::ostream& out) const override;

    // Topology and points. kInvalidParameter (the data left as it was) when a count is
    // negative, the counts do not add up to the vertex list, or a vertex index is outside the
    // points. Normals, UV ids and colours start empty; the UV sets keep their names and UVs.
    VStatus build(std::vector<VPoint> points, const std::vector<int>& counts, const std::vector<int>& connects);

    int pointCount() const { return static_cast<int>(points_.size()); }
    int polygonCount() const { return static_cast<int>(counts_.size()); }
    int faceVertexCount() const { return static_cast<int>(connects_.size()); }
    const std::vector<VPoint>& points() const { return points_; }
    const std::vector<int>& polygonCounts() const { return counts_; }
    const std::vector<int>& polygonConnects() const { return connects_; }
    bool hasPolygon(int polygon) const { return polygon >= 0 && polygon < polygonCount(); }
    bool hasPoint(int vertex) const { return vertex >= 0 && vertex < pointCount(); }
    // The polygon must exist (hasPolygon); the corner lie below its size.
    int polygonSize(int polygon) const { return counts_[static_cast<size_t>(polygon)]; }
    int faceVertexOffset(int polygon) const { return offsets_[static_cast<size_t>(polygon)]; }
    int polygonVertex(int polygon, int corner) const { return connects_[static_cast<size_t>(faceVertexOffset(polygon) + corner)]; }
    // The corner of the polygon that lies on the vertex; -1 when none does.
    int cornerOf(int polygon, int vertex) const;
    // The polygon a face-vertex belongs to (the face-vertex must exist).
    int polygonOfFaceVertex(int faceVertex) const;
    // The polygons that have a corner on the vertex, ascending.
    std::vector<int> polygonsAround(int vertex) const;

    // kInvalidParameter when the count differs from pointCount() (or the index is outside).
    VStatus setPoints(std::vector<VPoint> points);
    VStatus setPoint(int vertex, const VPoint& point);

    // Normals (see above). The setters take one vertex (or one polygon and one of its vertices)
    // per normal, set in order; they refuse lists of other lengths, a vertex outside the mesh
    // or, for a face-vertex, a vertex that is not a corner of the polygon (kInvalidParameter,
    // none set).
    VVector polygonNormal(int polygon) const;
    const NormalLayout& normalLayout() const;
    VVector vertexNormal(int vertex) const;
    VStatus setVertexNormals(const std::vector<int>& vertices, const std::vector<VVector>& normals);
    VStatus setFaceVertexNormals(const std::vector<int>& polygons, const std::vector<int>& vertices,
                                 const std::vector<VVector>& normals);

    // UV sets. An empty set name means the current set. Names are unique and not empty.
    const std::vector<UVSet>& uvSets() const { return uvSets_; }
    const UVSet* findUVSet(const std::string& name) const;
    const std::string& currentUVSet() const { return currentUVSet_; }
    VStatus setCurrentUVSet(const std::string& name);
    VStatus createUVSet(const std::string& name);
    VStatus renameUVSet(const std::string& from, const std::string& to);
    VStatus deleteUVSet(const std::string& name);  // the last set stays
    // Replaces the set's UVs; ids at or past the new count are unassigned.
    VStatus setUVs(const std::string& set, std::vector<float> u, std::vector<float> v);
    // One count per polygon (the polygon's size, or 0 to leave it without UVs) and the ids of
    // the counted corners in order; kInvalidParameter (nothing assigned) when the counts do
    // not fit the polygons or an id is outside the set's UVs.
    VStatus assignUVs(const std::string& set, const std::vector<int>& counts, const std::vector<int>& ids);
    VStatus setUVId(const std::string& set, int polygon, int corner, int id);
    VStatus linkTexture(const std::string& set, const std::shared_ptr<ObjectRecord>& texture);
    std::vector<std::shared_ptr<ObjectRecord>> linkedTextures(const std::string& set) const;

    // Colours (see above); the setters take and refuse their lists as the normals' do.
    static VColor unsetColor() { return VColor(-1.0f, -1.0f, -1.0f, -1.0f); }
    VColor faceVertexColor(int faceVertex) const;
    VColor vertexColor(int vertex) const;  // the colour set on the vertex, else unset
    VStatus setVertexColors(const std::vector<int>& vertices, const std::vector<VColor>& colors);
    VStatus setFaceVertexColors(const std::vector<int>& polygons, const std::vector<int>& vertices,
                                const std::vector<VColor>& colors);

private:
    UVSet* uvSetNamed(const std::string& name);
    // The places of the vertices (or of the polygons' corners on them) in the per-vertex (or
    // per-face-vertex) lists, every one checked; `values` is the length of the values to go there.
    VStatus vertexPlaces(const std::vector<int>& vertices, size_t values, std::vector<size_t>& places) const;
    VStatus cornerPlaces(const std::vector<int>& polygons, const std::vector<int>& vertices, size_t values,
                         std::vector<size_t>& places) const;
    void invalidate() { layout_.reset(); }

    std::vector<VPoint> points_;
    std::vector<int> counts_;
    std::vector<int> connects_;
    std::vector<int> offsets_;  // per polygon
    std::vector<std::optional<VVector>> vertexNormals_;
    std::vector<std::optional<VVector>> faceVertexNormals_;
    std::vector<UVSet> uvSets_;
    std::string currentUVSet_;
    std::vector<std::optional<VColor>> vertexColors_;
    std::vector<std::optional<VColor>> faceVertexColors_;
    mutable std::shared_ptr<const NormalLayout> layout_;  // worked out on first use
};

using MeshDataPtr = std::shared_ptr<const MeshData>;

// The geometry a mesh node shows ("outMesh"); null for another node or an empty plug.
VEXA_API MeshDataPtr meshOf(const Node& node);
// Stores the node's own geometry ("inMesh"). kFailure when a connection drives "inMesh": the
// mesh shows its history's result, and an edit stored under it would never be seen.
VEXA_API VStatus setOwnMesh(Node& node, MeshDataPtr data);
// The node's own geometry to edit in place, or null: `held` when it is the value the node
// stores of its own, nothing but that store and `held` holds it (no iterator, copy, plug value
// or other node), and a write of the node's own geometry would be taken (a live mesh whose
// "inMesh" no connection drives and which locks no plug). An edit through it is what
// setOwnMesh of an edited copy would leave. (Mesh data is only ever made as a MeshData, never
// const, so it may be changed through this pointer.)
VEXA_API MeshData* soleOwnMesh(Node& node, const MeshDataPtr& held);

}  // namespace vexa_host

#endif
