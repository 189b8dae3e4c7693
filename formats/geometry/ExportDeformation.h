#ifndef WYX_FORMATS_GEOMETRY_EXPORTDEFORMATION_H
#define WYX_FORMATS_GEOMETRY_EXPORTDEFORMATION_H

// The control points of a mesh as its blend shapes and link deformers (skin clusters) move
// them in the current take, for the OBJ and DXF writers. The mesh is never changed: the
// results go to arrays of the caller's, so exporting twice writes the same file and the scene
// keeps its points.
//
// Shapes first: every point moves by the sum over shapes of (shape point - base point) x w,
// w being the shape channel's value in the current take in percent (0 without a channel),
// divided by 100. A shape whose point count differs from the mesh's is left out.
//
// Then the links. Matrices act on row vectors; "A then B" moves a point by A first. With M the
// mesh node's global matrix, each link whose link node is set contributes, for each of its
// control points k (indices outside the mesh are left out) with weight w != 0, the matrix
// w D, D = T then inverse(L) then G then inverse(R), where T is the link's transform, L its
// transform link, G the link node's global matrix and R = M; in additive mode a link with an
// associate model takes its associate-model matrix as T and that node's global matrix as R.
// The mode of the first link decides: normalize (sum of w D divided by the sum of w), total
// one (sum of w D plus the point times 1 - sum of w), additive (each point passes through
// w D + (1 - w) I of every link in turn). Points no link weighs keep their place.
//
// Normals mapped by control point move with their points: the point p + n moves like p, and
// the normal becomes the difference of the two.

#include "core/RVector4.h"

#include <vector>

class RWyxMesh;
class RWyxNode;

struct DeformedMesh {
    std::vector<RVector4> points;
    // One per control point when the mesh's normals map by control point; else empty.
    std::vector<RVector4> normals;
    // Shapes whose point count differs from the mesh's, and link indices outside the mesh.
    int skippedShapes = 0;
    int skippedLinkIndices = 0;
};

// The mesh's points (and normals by control point) deformed; `node` is the node the mesh is
// attached to. A mesh without shapes and links gives its own points.
DeformedMesh EvaluateExportDeformation(RWyxNode& node, RWyxMesh& mesh);

// True when the mesh has shapes or link deformers to evaluate.
bool HasExportDeformation(RWyxMesh& mesh);

#endif
