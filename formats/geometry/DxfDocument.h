#ifndef WYX_FORMATS_GEOMETRY_DXFDOCUMENT_H
#define WYX_FORMATS_GEOMETRY_DXFDOCUMENT_H

// A DXF file (ASCII) as the parser (DxfParser) reads it, before anything of the scene is made:
// the layer table, the blocks and the entities of the kinds the reader uses, with their
// values as the file gives them (DXF coordinates, Z up).
//
// The file is a sequence of group pairs of two lines each: an integer group code, then the
// value (the whole line, trimmed; it may be empty). Sections open with 0 "SECTION", 2 <name>
// and close with 0 "ENDSEC"; 0 "EOF" ends the file. An entity runs from its 0 pair to the
// next 0 pair. Codes used:
//   LAYER (in TABLE LAYER): 2 name, 62 colour (negative: the layer is off)
//   BLOCK: 2 name, 10/20/30 base point, 70 flags; its entities up to 0 "ENDBLK"
//   LINE: 8 layer, 10/20/30 and 11/21/31 end points, 62 colour
//   3DFACE: 8 layer, 10-13/20-23/30-33 four corners, 62 colour
//   POLYLINE: 8 layer, 62 colour, 70 flags, then VERTEX entities up to the first other one:
//     8 layer, 10/20/30 point, 62 colour, 70 flags (192 mesh point, 128 face record, 32 3-D
//     polyline point), 71-74 the face record's one-based corners (negative: invisible edge)
//   INSERT: 2 block name, 10/20/30 insertion point, 41/42/43 scale, 50 rotation (degrees)
// LWPOLYLINE entities are not read, only counted, so that the reader can say what it left out.

#include <string>
#include <vector>

struct DxfPoint {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    bool operator==(const DxfPoint& o) const { return x == o.x && y == o.y && z == o.z; }
};

struct DxfVertex {
    DxfPoint point;
    int colour = 0;
    bool hasColour = false;
    int flags = 0;
    int corners[4] = {0, 0, 0, 0};  // codes 71 to 74
};

struct DxfEntity {
    enum Kind { kLine, kFace, kPolyline, kInsert };
    Kind kind = kLine;
    int line = 0;  // of the entity's first pair
    std::string layer;
    int colour = 0;
    bool hasColour = false;
    DxfPoint points[4];  // a LINE's two ends, a 3DFACE's four corners
    int flags = 0;       // POLYLINE
    std::vector<DxfVertex> vertices;
    // INSERT
    std::string block;
    DxfPoint insertion;
    double scale[3] = {1.0, 1.0, 1.0};
    double angle = 0.0;
};

struct DxfBlock {
    std::string name;
    DxfPoint base;
    int flags = 0;
    std::vector<DxfEntity> entities;
    int lwPolylines = 0;  // LWPOLYLINE entities among them, not read
};

struct DxfLayer {
    std::string name;
    int colour = 0;
};

struct DxfDocument {
    std::vector<DxfLayer> layers;
    std::vector<DxfBlock> blocks;
    std::vector<DxfEntity> entities;
    int lwPolylines = 0;       // LWPOLYLINE entities of the ENTITIES section, not read
    bool hasEntities = false;  // an ENTITIES section was read
};

#endif
