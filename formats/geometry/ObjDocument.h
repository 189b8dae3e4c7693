#ifndef WYX_FORMATS_GEOMETRY_OBJDOCUMENT_H
#define WYX_FORMATS_GEOMETRY_OBJDOCUMENT_H

// An OBJ file as the parser (ObjParser) reads it, before anything of the scene is made: the
// vertex arrays in file order, the groups with their faces, the free-form surfaces, and the
// names of the material libraries and materials the file uses. Every index in it has been
// checked: a corner's position, texture-coordinate and normal indices are zero-based indices
// into their arrays, or -1 ("none").
//
// The text format, one statement per line (a line ending in a backslash continues on the
// next); a keyword beginning with "#" makes a comment:
//   v x y z [w]        position (w 1.0 when absent)
//   vt u [v [w]]       texture coordinate (v 0.0 when absent; w dropped)
//   vn x y z           normal
//   vp u [v [w]]       parameter-space vertex
//   f c1 c2 c3 ...     face; a corner is p, p/t, p/t/n or p//n, one-based, or negative to
//                      count back from the last vertex read so far
//   g [names]          current group (its first blank becomes "_"; none: "default")
//   s n | s off        current smoothing group (off is 0)
//   usemtl name        current material;  mtllib files   material libraries
//   cstype [rat] type, deg du [dv], surf s0 s1 t0 t1 corners ... parm u|v knots ... end
//                      free-form surfaces; curv and curv2 blocks are skipped to their "end"
//   mg, o, bmat, step  ignored; any other keyword is reported and skipped

#include "core/RVector2.h"
#include "core/RVector4.h"

#include <string>
#include <vector>

struct ObjCorner {
    int position;
    int uv;
    int normal;
};

struct ObjFace {
    int smoothingGroup;
    // Index into ObjDocument::materialNames; -1 before any "usemtl".
    int material;
    int firstCorner;
    int cornerCount;
    bool hasNormals;  // every corner has a normal
};

struct ObjGroup {
    std::string name;  // as first met; groups are one when their names differ only in case
    std::vector<ObjFace> faces;
    std::vector<ObjCorner> corners;
    bool allNormals = true;
};

// One "surf" statement with the "parm" lines of its block.
struct ObjSurface {
    static constexpr int kBasisNone = 0;
    static constexpr int kBasisMatrix = 1;
    static constexpr int kBasisBezier = 2;
    static constexpr int kBasisBSpline = 3;
    static constexpr int kBasisCardinal = 4;
    static constexpr int kBasisTaylor = 5;

    int line = 0;  // of the "surf" statement
    std::string group;
    int basis = kBasisNone;
    bool rational = false;
    int uDegree = 0;
    int vDegree = 0;
    int material = -1;
    bool hasRange = false;
    double s0 = 0.0, s1 = 0.0, t0 = 0.0, t1 = 0.0;
    // Zero-based positions.
    std::vector<int> controlVertices;
    std::vector<double> uKnots;
    std::vector<double> vKnots;
};

struct ObjDocument {
    std::vector<RVector4> positions;
    std::vector<RVector2> uvs;
    std::vector<RVector4> normals;
    std::vector<RVector4> parameters;
    std::vector<std::string> libraries;
    // In order of first use; "usemtl" names that differ only in case are one material.
    std::vector<std::string> materialNames;
    // In order of first use.
    std::vector<ObjGroup> groups;
    std::vector<ObjSurface> surfaces;
    bool libraryNamed = false;  // an "mtllib" statement was met
};

#endif
