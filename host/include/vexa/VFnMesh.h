#ifndef VEXA_VFNMESH_H
#define VEXA_VFNMESH_H

// The function set of polygon meshes: a mesh node ("mesh", kMesh), or mesh data read from a
// plug (VPlug::getValue, kMeshGeometry), which it reads and edits in place of a node.
//
// Made from a transform's DAG path it works on the transform's one shape.
//
// Topology. create() takes the points, a polygon count, one vertex count per polygon and the
// vertices of all polygons. The polygon count may be larger than the count list (polygons of
// size 0 left out of the list); a smaller one is refused. Polygons of fewer than three vertices
// are dropped: numPolygons() says how many the mesh has. A count list that does not add up to
// the vertex list, or a vertex index outside the points, is refused (kInvalidParameter) and
// nothing is made.
//
// Polygon corners ("face-vertices") are numbered over all polygons in order. Normals: every
// corner has one; those of an untouched mesh are flat (one per corner: a cube has 24). Normals
// set per vertex are shared by all corners on the vertex; normals set per face-vertex belong
// to that corner (MeshData.h). getNormals gives the mesh's normal array; VItMeshPolygon::
// normalIndex gives a corner's entry in it.
//
// UV sets: "map1" exists on every mesh; set names are unique. A null uvSet argument means the
// current set. Textures linked to a set (associateUVSetTexture) are what
// getAssociatedUVSetTextures answers.
//
// Colours: getFaceVertexColors gives one colour per corner in corner order (the index that
// getFaceVertexColorIndex answers); a corner without a colour reads (-1, -1, -1, -1).
//
// Spaces: kObject (and kTransform, kPreTransform) are the shape's own space; kWorld goes
// through the DAG path the function set was made from (kInvalidParameter without one).
//
// A mesh whose "inMesh" is driven by a connection (a deformer) shows its history's result and
// refuses edits (kFailure).

#include <vexa/VColorArray.h>
#include <vexa/VFloatArray.h>
#include <vexa/VFnDagNode.h>
#include <vexa/VIntArray.h>
#include <vexa/VObjectArray.h>
#include <vexa/VPointArray.h>
#include <vexa/VSpace.h>
#include <vexa/VStringArray.h>
#include <vexa/VVectorArray.h>
#include <vexa/VexaExport.h>

class VEXA_API VFnMesh : public VFnDagNode {
public:
    VFnMesh() = default;
    explicit VFnMesh(const VObject& object, VStatus* status = nullptr);
    explicit VFnMesh(const VDagPath& path, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kMesh; }
    VStatus setObject(const VObject& object) override;
    VStatus setObject(const VDagPath& path);

    // Makes a mesh under parentOrData: a transform, the null object (a new transform), or a
    // mesh data object, which then receives the geometry and is answered.
    VObject create(int numVertices, int numPolygons, const VPointArray& vertexArray, const VIntArray& polygonCounts,
                   const VIntArray& polygonConnects, const VObject& parentOrData = VObject::kNullObj,
                   VStatus* status = nullptr);
    // A new mesh with the geometry (UVs, normals and colours included) of a mesh node or mesh
    // data, under parentOrData as for create().
    VObject copy(const VObject& source, const VObject& parentOrData = VObject::kNullObj, VStatus* status = nullptr);
    // Tells the host that the mesh changed; the stand-in draws nothing, so this only checks
    // the function set.
    VStatus updateSurface();

    int numVertices(VStatus* status = nullptr) const;
    int numPolygons(VStatus* status = nullptr) const;
    int numFaceVertices(VStatus* status = nullptr) const;
    int numNormals(VStatus* status = nullptr) const;
    int polygonVertexCount(int polygonId, VStatus* status = nullptr) const;
    VStatus getPolygonVertices(int polygonId, VIntArray& vertexList) const;

    VStatus setPoints(const VPointArray& points, VSpace::Space space = VSpace::kObject);
    VStatus getPoint(int vertexId, VPoint& point, VSpace::Space space = VSpace::kObject) const;
    VStatus setPoint(int vertexId, const VPoint& point, VSpace::Space space = VSpace::kObject);

    VStatus getNormals(VVectorArray& normals, VSpace::Space space = VSpace::kObject) const;
    VStatus getVertexNormal(int vertexId, VVector& normal, VSpace::Space space = VSpace::kObject) const;
    VStatus getFaceVertexNormal(int faceId, int vertexId, VVector& normal, VSpace::Space space = VSpace::kObject) const;
    VStatus getPolygonNormal(int polygonId, VVector& normal, VSpace::Space space = VSpace::kObject) const;
    // Entry i of normals goes to vertex vertexIds[i] (arrays of one length).
    VStatus setVertexNormals(const VVectorArray& normals, const VIntArray& vertexIds, VSpace::Space space = VSpace::kObject);
    // Entry i goes to the corner of polygon faceIds[i] that lies on vertex vertexIds[i].
    VStatus setFaceVertexNormals(const VVectorArray& normals, const VIntArray& faceIds, const VIntArray& vertexIds,
                                 VSpace::Space space = VSpace::kObject);

    int numUVSets(VStatus* status = nullptr) const;
    VStatus getUVSetNames(VStringArray& names) const;
    VString currentUVSetName(VStatus* status = nullptr) const;
    VStatus setCurrentUVSetName(const VString& name);
    VStatus createUVSet(const VString& name);
    VStatus renameUVSet(const VString& name, const VString& newName);
    VStatus deleteUVSet(const VString& name);
    int numUVs(const VString* uvSet = nullptr, VStatus* status = nullptr) const;
    VStatus setUVs(const VFloatArray& u, const VFloatArray& v, const VString* uvSet = nullptr);
    VStatus getUVs(VFloatArray& u, VFloatArray& v, const VString* uvSet = nullptr) const;
    // One count per polygon (its size, or 0 for no UVs) and the UV ids of the counted corners.
    VStatus assignUVs(const VIntArray& uvCounts, const VIntArray& uvIds, const VString* uvSet = nullptr);
    VStatus assignUV(int polygonId, int vertexIndex, int uvId, const VString* uvSet = nullptr);
    // The UV id of corner vertexIndex of the polygon; kFailure when it has none.
    VStatus getPolygonUVid(int polygonId, int vertexIndex, int& uvId, const VString* uvSet = nullptr) const;
    VStatus getAssociatedUVSetTextures(const VString& uvSet, VObjectArray& textures) const;
    // Links a texture node to the set (once); kInvalidParameter for something not a live node.
    VStatus associateUVSetTexture(const VString& uvSet, const VObject& texture);

    VStatus setVertexColors(const VColorArray& colors, const VIntArray& vertexIds);
    VStatus setFaceVertexColors(const VColorArray& colors, const VIntArray& faceIds, const VIntArray& vertexIds);
    VStatus getFaceVertexColors(VColorArray& colors) const;
    VStatus getVertexColors(VColorArray& colors) const;  // per vertex, as set on the vertex
    VStatus getFaceVertexColorIndex(int faceId, int localVertex, int& colorIndex) const;

    // The shading groups (sets answering kShadingEngine) that hold the mesh's instance or some
    // of its polygons, in scene order, and one index into them per polygon (-1: none). A group
    // holding polygons wins over one holding the whole instance. Needs a mesh node; the
    // instance number must be one of the node's paths.
    VStatus getConnectedShaders(unsigned instanceNumber, VObjectArray& shaders, VIntArray& indices) const;
};

#endif
