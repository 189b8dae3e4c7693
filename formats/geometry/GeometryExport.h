#ifndef WYX_FORMATS_GEOMETRY_GEOMETRYEXPORT_H
#define WYX_FORMATS_GEOMETRY_GEOMETRYEXPORT_H

// What the OBJ and DXF writers do alike before and while writing a scene's meshes.

#include "core/RMatrix.h"
#include "core/RString.h"

#include <vector>

class RWyxMesh;
class RWyxNode;
class RWyxObjectFactory;

// The node and every node below it, depth first (a node, then its children in order); the
// walk keeps its own stack, so a hierarchy of any depth is safe.
std::vector<RWyxNode*> CollectNodesDepthFirst(RWyxNode& root);

// Converts in place, with a geometry converter of the factory, every NURBS surface and patch
// of the nodes to a triangle mesh, and with forceTriangulation every mesh to triangles. A
// conversion that fails leaves its node as it was and appends a line to messages; answers the
// number of such nodes.
int ConvertNodesForExport(RWyxObjectFactory& factory, const std::vector<RWyxNode*>& nodes, bool forceTriangulation,
                          RString& messages);

// The node's global transform (pivot set 0) that the writers apply to control points.
RMatrix ExportMatrix(RWyxNode& node);

// The inverse of an affine matrix (3x3 part and translation row); a singular 3x3 part gives
// zero there, so that nothing becomes NaN.
RMatrix InverseAffineMatrix(const RMatrix& matrix);

// The unit normal moved by a matrix whose inverse is given (the normal moves by the inverse
// transpose); a normal that comes out zero stays zero instead of becoming NaN.
RVector4 TransformExportNormal(const RMatrix& inverse, const RVector4& normal);

// The point moved by the matrix (row vector, translation row); w kept.
RVector4 TransformExportPoint(const RMatrix& matrix, const RVector4& point);

// True when x, y and z are finite (neither NaN nor infinite).
bool IsFinitePoint(const RVector4& point);

// True when layer 0's normals are one per control point, directly.
bool NormalsMapByControlPoint(const RWyxMesh& mesh);

#endif
