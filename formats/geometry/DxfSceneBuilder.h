#ifndef WYX_FORMATS_GEOMETRY_DXFSCENEBUILDER_H
#define WYX_FORMATS_GEOMETRY_DXFSCENEBUILDER_H

// The second step of reading a DXF file: turns the parsed document into nodes with meshes.
//
// Points: DXF (x, y, z) is the scene's (x, z, -y). A LINE gives the polygon (start, end,
// start); a 3DFACE a triangle when its fourth corner repeats the third, else a quadrilateral;
// a polyface POLYLINE its face records (the corners in file order, 71 to 74: the axis change
// is a rotation, so a face keeps the side it faces; a corner outside the polyline's points
// drops its face with a warning); a 3-D POLYLINE one (previous, current, previous) polygon
// per segment, closing back to the first point when its flags are 9. A POLYLINE of an
// M x N mesh (flag 16, VERTEX flag 64) makes no geometry.
//
// Colour of a polygon: its own (a face record falls back to its POLYLINE's); when that is 0,
// missing, or 256 (BYLAYER) and above, its layer's colour (absolute value; 0 for a layer not
// in the table). Numbers 1 to 255 give one material per number ("Material<n>", diffuse from
// DxfColors); others give none.
//
// Grouping: by layer (one node per layer, in name order ignoring case; a layer that is off
// gives an invisible node), by entity (one node per LINE, 3DFACE and POLYLINE, named after its
// kind) or by block (one node "ENTITIES"). With welding, the points of LINEs and 3DFACEs reuse
// an earlier point within 1e-6 in each coordinate (found through a grid, not by a linear
// search). An INSERT becomes a node named after its block (under "ENTITIES" by block, else
// under the parent) holding the block's geometry relative to the block's base point, placed by
// the node's transform: scaling (sx, sz, sy), rotation about the up axis by the angle,
// translation to the insertion point; INSERTs inside blocks are not followed. The geometry
// that INSERTs copy is limited to a budget that grows with the file, so that a small file
// cannot ask for unbounded memory; INSERTs past it are skipped with a warning.
//
// What is left out is said once per kind, with its count (each one also counts as a
// warning): the INSERTs inside the blocks inserted, and the LWPOLYLINEs and POLYLINE meshes
// of the ENTITIES section and of the blocks inserted (once per insertion).

#include "core/RString.h"
#include "core/RUniqueNameList.h"
#include "core/RVector4.h"

#include <cstddef>
#include <string>
#include <vector>

class RWyxMaterial;
class RWyxMesh;
class RWyxNode;
class RWyxObjectFactory;
class RWyxScene;
struct DxfBlock;
struct DxfDocument;
struct DxfEntity;

class DxfSceneBuilder {
public:
    struct Settings {
        int grouping = 0;  // RStreamOptionsDxf::kByLayer, kByEntity or kByBlock
        bool weld = true;
        const char* referenceName = nullptr;  // null: no reference node
        // Points and corners INSERTs may copy in all.
        std::size_t insertBudget = 0;
    };

    // The message text stays the caller's; warnings are appended to it.
    DxfSceneBuilder(RWyxObjectFactory& factory, RString& messages);
    ~DxfSceneBuilder();

    // False, with the reason on GetError(), when a node or mesh cannot be made; what was made
    // stays in the factory.
    bool Build(const DxfDocument& document, RWyxScene& scene, const Settings& settings);

    const std::string& GetError() const { return error_; }
    int GetWarningCount() const { return warningCount_; }

private:
    struct Accumulator;

    bool BuildByEntity(RWyxNode& parent);
    bool BuildByLayer(RWyxNode& parent);
    bool BuildByBlock(RWyxNode& parent);
    bool Insert(const DxfEntity& insert, RWyxNode& parent);
    // Sorts the block positions by name once per build, so that an INSERT finds its block
    // by a binary search.
    void IndexBlocks();
    // The first block of that exact name; null when none.
    const DxfBlock* FindBlock(const std::string& name) const;
    void AddEntity(const DxfEntity& entity, Accumulator& accumulator, bool weld, const RVector4& offset);
    void AddPolyline(const DxfEntity& entity, Accumulator& accumulator, const RVector4& offset);
    // A node named (made unique) with the accumulator's mesh, child of parent; null with the
    // error set when it cannot be made.
    RWyxNode* MakeMeshNode(const std::string& name, const Accumulator& accumulator, RWyxNode& parent);
    RWyxNode* MakeNode(const std::string& name);
    RWyxMesh* MakeMesh(const Accumulator& accumulator);
    RWyxMaterial* MaterialFor(int colour);
    int LayerColour(const std::string& layer) const;
    int PolygonColour(int own, bool hasOwn, const std::string& layer) const;
    void Warn(const RString& text);
    // One warning per kind of entity left out, with the count.
    void WarnLeftOut();
    // The warning "<what><count>" when count is above 0; it counts as count warnings.
    void WarnLeftOut(const char* what, int count);

    RWyxObjectFactory& factory_;
    RString& messages_;
    const DxfDocument* document_ = nullptr;
    Settings settings_;
    std::string error_;
    int warningCount_ = 0;
    RUniqueNameList names_;
    std::vector<RWyxMaterial*> materials_;  // by colour number
    int materialCounter_ = 0;
    int nestedInserts_ = 0;  // INSERTs inside inserted blocks, not followed
    int lwPolylines_ = 0;    // LWPOLYLINEs of what was drawn, not read
    int polygonMeshes_ = 0;  // POLYLINE meshes of what was drawn, not read
    std::vector<std::pair<std::string, int>> layerColours_;  // lower-case name, sorted
    std::vector<std::size_t> blockOrder_;  // positions in the document's blocks, by name
};

#endif
