#ifndef WYX_FORMATS_3DS_WRITER3DSMESH_H
#define WYX_FORMATS_3DS_WRITER3DSMESH_H

// The mesh output of the 3DS writer: one scene mesh becomes one toolkit mesh record, with the
// mesh's local frame baked into the vertices, the file's Z-up frame, texture coordinates,
// triangles in the zig-zag order of TriangulatePolygonIndices, smoothing groups told from the
// normals, that local frame, and one material group per (material, texture A, texture B)
// combination in use, whose material entry is put into the writer's database here. The local
// frame is the node's transform at frame 0 with each scale taken as 1 that a reader could not
// make the mesh local again from: one a float holds as 0 or below its normal numbers, and one
// that the node's scale keys grow from almost nothing (below 0.01 at frame 0, a later key at
// least 100 times as large).
//
// Indices the mesh holds are checked: a material index outside the mesh's materials is held
// to the nearest one, a texture index outside its textures counts as none, a polygon with a
// corner outside the control points is left out. A mesh with more than 65,535 vertices or
// triangles (after UV splitting), with a vertex that no float of the file holds once the
// node's transform has placed it, or with a UV beyond the floats (which a float turns into an
// infinity; NaN and infinite UVs are written as they are) is refused through the writer: no
// record, Write fails.

#include "core/RVector4.h"
#include "formats/3ds/toolkit/FtkMeshObject.h"

#include <memory>

class RWyxMesh;
class RWyxNode;
class RWyxObjectFactory;
class RWyxWriter3ds;

// The mesh of the node (which names the record and refusals, and whose scale keys may take
// scales of the frame as 1). Null for a null mesh, a mesh without polygons or control points,
// or a refused mesh. May split the scene mesh's UVs, add the material "Default" to the scene,
// put material entries and count the writer's meshes.
std::unique_ptr<FtkMeshObject> BuildMesh3ds(RWyxWriter3ds& writer, RWyxMesh* mesh, const RVector4& translation,
                                            const RVector4& rotation, const RVector4& scaling, RWyxNode& node);

// A new mesh (the factory's) like the source in which every polygon corner has a control
// point and a UV of its own, UVs by control point. Null when the factory makes no mesh.
RWyxMesh* SplitMeshUVPerPolygon(RWyxObjectFactory& factory, const RWyxMesh& source);

#endif
