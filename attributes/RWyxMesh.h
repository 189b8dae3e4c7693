#ifndef WYX_ATTRIBUTES_RWYXMESH_H
#define WYX_ATTRIBUTES_RWYXMESH_H

// The polygon-mesh geometry of a node: polygons {start, size, group} over one list of
// polygon vertices (control-point indices, the polygons' back to back), with layer 0 holding
// the normals, UVs and the material and texture assignments, and the U/V grid of a mesh made
// from a surface.
//
// Control-point indices in the polygon vertices, and the indices of the layer elements, come
// from files and callers; every operation that follows one checks it against the array it
// indexes first. A look-up through a bad index answers -1 (or false); the operations that
// rewrite the mesh (merge, unweld) check everything before they change anything and refuse a
// mesh they cannot rewrite whole, with the reason on GetError().
//
// Welding: FindDuplicateControlPoints finds points at the same position (each coordinate
// within 1e-6) without comparing every pair (points are hashed into a grid of cells a few
// tolerances wide, and each point is compared with the points of the cells its tolerance
// box touches); MergeDuplicateControlPoints keeps one point of each set. Unwelding gives
// every polygon vertex after the first of a control point a point of its own, in two steps
// (FindUnweldIndices, UnweldControlPoints). Both keep every per-control-point array in step:
// layer elements mapped by control point, shape points and skin-link weights.
//
// Made by the object factory and destroyed through it.

#include "attributes/RWyxGeometry.h"
#include "core/RVector2.h"
#include "core/RVector4.h"

#include <vector>

class RWyxObjectFactory;

class RWyxMesh : public RWyxGeometry {
public:
    struct Polygon {
        int start;  // position of the first vertex in the polygon-vertex list
        int size;
        int group;
    };

    // The U/V grid of a mesh made from a surface.
    struct Grid {
        int uCount = 0;
        int vCount = 0;
        int uExtendedCount = 0;
        int vExtendedCount = 0;
        int uStep = 0;
        int vStep = 0;
        bool uClosed = false;
        bool vClosed = false;
        bool uTopCap = false;
        bool vTopCap = false;
    };

    // Mapping kinds the Get*MappingKind operations answer and the Init* operations take.
    static constexpr int kKindByControlPoint = 0;
    static constexpr int kKindByPolygonVertex = 1;
    static constexpr int kKindByPolygon = 2;
    static constexpr int kKindAllSame = 3;

    // Positions closer than this in each of x, y and z are duplicates.
    static constexpr double kDuplicateTolerance = 1e-6;

    explicit RWyxMesh(RWyxObjectFactory* factory);
    ~RWyxMesh() override;

    int GetAttributeType() const override { return kMesh; }
    RString GetTypeName() const override { return RString("Mesh"); }

    // The geometry part of the other (control points, layers, pivot, copies of its skin links
    // and shapes), its polygons, polygon vertices and grid. False, nothing changed, when the
    // links or shapes cannot be copied.
    bool Assign(const RWyxMesh& other);

    // ---- polygons ------------------------------------------------------------------------------
    // Appends a polygon {start = the polygon-vertex count, size 0, group} and answers its index.
    // Makes layer 0; for the first polygon makes layer 0's material (texture) element, by
    // polygon and index to direct, when that index is not -1. Stores each index in its element
    // when that maps by polygon with index or index-to-direct reference, at the polygon's
    // position (earlier polygons missing from the element get -1).
    int BeginPolygon(int materialIndex = -1, int textureIndex = -1, int group = -1);
    // Appends the control point to the last polygon. A UV index other than -1 goes into layer
    // 0's UV index array when the UV element maps by polygon vertex, index to direct, at the
    // vertex's position (vertices before it without one get -1). False, nothing changed,
    // without a polygon or for a negative control point. The point need not exist yet (a
    // mesh may be built polygons first, as the 3DS writer's split does): a reader checks the
    // index against the points itself.
    bool AddPolygonVertex(int controlPoint, int uvIndex = -1);
    // Empties the polygons and the polygon vertices.
    void ClearPolygons();

    int GetPolygonCount() const { return static_cast<int>(polygons_.size()); }
    // Null outside 0 to count - 1.
    const Polygon* GetPolygon(int polygon) const;
    // -1 out of range.
    int GetPolygonSize(int polygon) const;
    int GetPolygonGroup(int polygon) const;
    // The control point of a polygon's vertex; -1 when the polygon or vertex is out of range
    // or the index stored there names no control point.
    int GetPolygonVertex(int polygon, int vertex) const;
    int GetPolygonVertexCount() const { return static_cast<int>(polygonVertices_.size()); }
    // The control points of all polygons back to back; null when there are none.
    int* GetPolygonVertices() { return polygonVertices_.empty() ? nullptr : polygonVertices_.data(); }
    const int* GetPolygonVertices() const { return polygonVertices_.empty() ? nullptr : polygonVertices_.data(); }
    // The number of polygon vertices whose control point is outside the control points.
    int CountBadPolygonVertices() const;
    // The normal of a polygon vertex from layer 0's normals, as they map (by polygon vertex,
    // control point, polygon or all same). False, out unchanged, when there is none.
    bool GetPolygonVertexNormal(int polygon, int vertex, RVector4& out) const;

    // ---- UVs (layer 0) ---------------------------------------------------------------------------
    // Makes layer 0 and its UV element when missing and sizes the UV array to count (new
    // entries 0, 0). False for a negative count.
    bool InitTextureUVs(int count);
    // Appends to layer 0's UV array; answers the index, -1 without a UV element.
    int AddTextureUV(double u, double v);
    RVector2* GetTextureUVs() const;
    int GetTextureUVCount() const;
    // The UV index of a polygon vertex: -1 unless the UV element maps by polygon vertex with
    // index to direct, and when the index is missing or outside the UV array.
    int GetTextureUVIndex(int polygon, int vertex) const;
    // Makes the UV element when missing and empties it: kind 0 by control point (direct), 1 by
    // polygon vertex (index to direct), 3 all same (direct), others no mapping.
    void InitTextureUVMapping(int kind);
    // 0 by control point, 1 by polygon vertex, 3 otherwise or missing.
    int GetTextureUVMappingKind() const;

    // ---- material and texture assignment (layer 0) ------------------------------------------------
    // The material element (made when missing) becomes index to direct, its indices zero: kind
    // 0 maps by control point (one index per control point), 2 by polygon (one per polygon
    // so far; BeginPolygon adds the next), others all same (one index).
    void InitMaterialIndices(int kind);
    // The texture element likewise: 2 by polygon, others all same.
    void InitTextureIndices(int kind);
    // 0 by control point, 2 by polygon, 3 otherwise or missing.
    int GetMaterialMappingKind() const;
    // 2 by polygon, 3 otherwise or missing.
    int GetTextureMappingKind() const;
    // 1 when layer 0's normals map by polygon vertex, else 0.
    int GetNormalsMappingKind() const;
    // Layer 0's index arrays; null when the element is missing or has none.
    int* GetMaterialIndices() const;
    int GetMaterialIndexCount() const;
    int* GetTextureIndices() const;
    int GetTextureIndexCount() const;

    // ---- grid ----------------------------------------------------------------------------------------
    const Grid& GetGrid() const { return grid_; }
    void SetGrid(const Grid& grid) { grid_ = grid; }

    // ---- welding -----------------------------------------------------------------------------------
    // Sizes `duplicates` to the control-point count; entry j is the highest i < j whose point
    // equals point j (each coordinate within kDuplicateTolerance), or j. True when any
    // duplicate was found. Mode 0 (by position) is the only mode; another gives the identity
    // and false. The array is always complete, so that a merge after a quick check (findAll
    // false) still merges every duplicate.
    bool FindDuplicateControlPoints(std::vector<int>& duplicates, int mode = 0, bool findAll = true) const;
    // Keeps one point of each set of duplicates (the first of the chain) and compacts the
    // control points: polygon vertices, elements mapped by control point, shape points and
    // skin-link pairs follow their points (of two pairs of a link that land on one point, the
    // kept point's wins). False, nothing changed, when the array does not fit the control
    // points (size, an entry above its position or negative) or a polygon vertex names no
    // control point.
    bool MergeDuplicateControlPoints(const std::vector<int>& duplicates);

    // Unweld, first step: one entry per polygon vertex, in polygon order; the first vertex of a
    // control point keeps it, every further one gets the next free index (from the control-point
    // count up). False when a polygon vertex names no control point.
    bool FindUnweldIndices(std::vector<int>& newIndices) const;
    // Unweld, second step: appends the new control points at their old points' positions,
    // re-points the polygon vertices, copies to the new points the entries of elements mapped
    // by control point, the shape points and the skin-link weights of their old points, and
    // makes layer 0's normals map by control point (a point taking the normal of its first
    // polygon vertex when they mapped by polygon vertex). False, nothing changed, when the
    // array does not fit (size, an entry that is neither the vertex's own point nor a new one,
    // new indices with gaps or two old points) or a polygon vertex has no normal to give.
    bool UnweldControlPoints(const std::vector<int>& newIndices);
    // Both steps.
    bool Unweld();

private:
    // The element of layer 0 of a kind; null when missing.
    RWyxLayerElement* Layer0Element(int kind) const;
    bool PolygonVerticesAreValid() const;
    // Per new point (from the old count on) the old point it copies; empty with false (error
    // set) when the array does not fit.
    bool CollectUnweldSources(const std::vector<int>& newIndices, std::vector<int>& sources);
    // The normals by control point after an unweld that moves them off polygon vertices.
    bool CollectUnweldNormals(const std::vector<int>& newIndices, int newCount, std::vector<RVector4>& normals);

    std::vector<Polygon> polygons_;
    std::vector<int> polygonVertices_;
    Grid grid_;
};

#endif
