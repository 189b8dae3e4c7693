#ifndef WYX_FORMATS_GEOMETRY_RWYXGEOMETRYCONVERTER_H
#define WYX_FORMATS_GEOMETRY_RWYXGEOMETRYCONVERTER_H

// Turns the surface kinds of the scene model into what simpler formats and the host take:
// splits the polygons of a mesh into triangles, samples a patch or a NURBS surface into a
// triangle mesh (normals, UVs, shapes and skin links carried over), turns a patch into a
// NURBS surface, and copies a NURBS surface with U and V swapped or its skin links renumbered.
//
// Made and destroyed by the object factory of the scene whose objects it converts; every
// object it makes comes from that factory and is recorded there, so the caller owns nothing
// extra. A conversion that fails destroys what it made, answers null (false), and leaves the
// source as it was; the reason is on GetError(). Losses that do not stop a conversion (a shape
// whose point count does not fit its geometry) are appended to the message text as warnings.
//
// Triangles: a convex polygon of n corners becomes n - 2 triangles in the system's zig-zag
// order (PolygonSplit.h), a concave one is split by ear clipping so that no triangle lies
// outside it; every per-polygon and per-polygon-vertex value of every layer follows its
// polygon and corner.
//
// Surface meshes: grid vertex (i, j) of nU x nV has index j nU + i; each grid cell gives two
// triangles with four UVs of its own (u = i / (nU - 1), or i / nU for a closed direction,
// which gets a wrap cell joining its last column (row) to its first). The copied layers keep
// whatever material mapping the source had; where layer 0 maps materials by polygon the new
// polygons use material 0, elsewhere -1, so that a surface without materials gains no
// material element.
//
// Shape weight curves survive a node conversion in every take node, the default take's
// included: the host import converts nodes in place and relies on every take keeping them.

#include "core/RError.h"
#include "core/RString.h"

#include <cstddef>
#include <vector>

class RInfluenceTable;
class RPatchEvaluator;
class RWyxGeometry;
class RWyxMesh;
class RWyxNode;
class RWyxNurb;
class RWyxObjectFactory;
class RWyxPatch;
class RWyxSkinLink;

class RWyxGeometryConverter {
public:
    // Error codes of GetError().
    static constexpr int kErrorNullSource = 0;
    static constexpr int kErrorNoGeometry = 1;
    static constexpr int kErrorCannotCreate = 2;
    static constexpr int kErrorUnsupportedPatchType = 3;
    static constexpr int kErrorCannotTessellate = 4;
    static constexpr int kErrorSizeMismatch = 5;
    static constexpr int kErrorCannotConvertPatch = 6;

    explicit RWyxGeometryConverter(RWyxObjectFactory* factory);
    RWyxGeometryConverter(const RWyxGeometryConverter&) = delete;
    RWyxGeometryConverter& operator=(const RWyxGeometryConverter&) = delete;
    ~RWyxGeometryConverter() = default;

    RWyxObjectFactory* GetFactory() const { return factory_; }
    const RError& GetError() const { return error_; }
    // Warnings of the conversions so far, each on a line of its own.
    const RString& GetMessageText() const { return messages_; }
    void ClearMessageText() { messages_ = RString(); }

    // A new mesh: the source whole (layers, control points, skin links, shapes) with its
    // polygons split into triangles. Null for a null source.
    RWyxMesh* SplitMeshToTriangles(RWyxMesh* source);
    // A new triangle mesh sampled from the surface at its steps, with normals by control
    // point and UVs by polygon vertex. Null when the surface cannot be sampled (a basis type
    // outside 0 to 4, too few control points, a bad step, order or knot vector).
    RWyxMesh* PatchToMesh(RWyxPatch* source);
    RWyxMesh* NurbToMesh(RWyxNurb* source);
    // Replaces the node's mesh, patch or NURBS surface by its triangle mesh, carrying the
    // shape weight curves of every take node over, and destroys the old attribute. False,
    // node unchanged, for a node without one or when the conversion fails.
    bool ConvertNodeToMesh(RWyxNode* node);

    // A new NURBS surface that is the patch's own surface: Bezier (order 4, knots tripled at
    // the segment ends), B-spline (order 4, uniform knots; periodic when closed) and linear
    // (order 2; closed when closed) directions. Null for another basis, and, with a warning,
    // for a direction with fewer control points than its basis needs.
    RWyxNurb* PatchToNurb(RWyxPatch* source);
    // The node's patch replaced by PatchToNurb's surface as ConvertNodeToMesh does. False for
    // a node without a patch or when the conversion fails.
    bool ConvertNodePatchToNurb(RWyxNode* node);

    // A new copy of the surface; with `swap` its U and V exchanged (orders, counts, steps,
    // types, knots, multiplicities; the control points, the entries mapped by control point
    // and the shapes' points transposed so that (u, v) of the source is (v, u) of the copy);
    // with `remap` every skin-link index k renumbered (k mod U count) x V count + k div U
    // count. Null for a null source.
    RWyxNurb* CopyNurbSwapped(RWyxNurb* source, bool swap, bool remap);

private:
    // Set the error; false and null for the callers to answer.
    bool Fail(int code);
    std::nullptr_t Refuse(int code);
    std::nullptr_t Refuse(int code, const char* text);
    void Warn(const RString& text);

    // The common part of PatchToMesh and NurbToMesh once the evaluator is set up.
    RWyxMesh* Tessellate(RWyxGeometry& source, RPatchEvaluator& evaluator, int uCount, int vCount);
    // Destroys the geometry with the shapes and skin links it refers to (all made here).
    void DestroyWithParts(RWyxGeometry* geometry);
    // A new mesh with copies of the source's layers and pivot, no control points.
    RWyxMesh* CreateMeshFromGeometry(RWyxGeometry& source);
    // Each source shape sampled like the surface (its points through the same evaluator).
    bool ConvertShapes(RWyxGeometry& source, RWyxMesh& mesh, RPatchEvaluator& evaluator, int uCount, int vCount);
    void BuildGridPolygons(RWyxMesh& mesh, bool uClosed, bool vClosed, int nU, int nV, bool flip) const;
    // New skin links for the mesh, their weights spread over the grid by the table.
    bool TransferSkinLinks(RWyxGeometry& source, RWyxMesh& mesh, RInfluenceTable& table);
    bool BuildSkinLinks(const std::vector<RWyxSkinLink*>& sourceLinks, int sourcePointCount,
                        std::vector<RWyxSkinLink*>& newLinks, int meshPointCount, RInfluenceTable& table);
    // The attribute replaced on the node with the shape curves carried over; the old one
    // destroyed.
    bool ReplaceGeometry(RWyxNode& node, RWyxGeometry& old, RWyxGeometry& replacement);

    RWyxObjectFactory* factory_;  // not owned
    RError error_;
    RString messages_;
};

#endif
