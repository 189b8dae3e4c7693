#ifndef WYX_FORMATS_3DS_READER3DSMESH_H
#define WYX_FORMATS_3DS_READER3DSMESH_H

// The mesh conversion of the 3DS reader: one toolkit mesh record becomes a scene mesh with
// control points, triangles carrying material and texture indices, UVs by polygon vertex and
// one normal per control point. A 3DS file stores one position per vertex and a smoothing
// mask per face, the scene one normal per control point: a vertex shared by faces that do not
// smooth together (no mask bit in common) becomes several control points.
//
// The record comes from a file: a face whose corner names no vertex is left out, material-
// group face numbers past the faces are passed over, and missing map coordinates and masks
// read as 0. The number of faces left out is answered, so the reader can warn.

#include "formats/3ds/RWyxReader3ds.h"

class RWyxObjectFactory;

// Whether the record's local frame cannot be inverted, and counts as identity: an axis of
// length 0, or a determinant below 1e-6 times the smaller of 1 and the product of the axes'
// lengths, so that a frame scaled small inverts and one whose axes are nearly dependent does
// not. The writer never writes such a frame.
bool IsSingularFrame3ds(const FtkMeshObject& record);

// Fills the mesh from the record; answers the number of faces left out.
int ConvertMesh3ds(const FtkMeshObject& record, RWyxMesh& mesh, RWyxObjectFactory& factory,
                   const RWyxReader3ds::MeshContext& context);

// For a mesh the keyframer holds no node of: the transform of the mesh's local frame as the
// one key of the motion record's position, rotation and scale tracks, so that its node
// stands where the frame puts it (the mesh's points are made local to that frame). A frame
// that cannot be inverted gives no move, no turn and a scale of 1.
void FrameKeys3ds(const FtkMeshObject& record, FtkObjectMotion& motion);

#endif
