#ifndef VEXA_VEXA_H
#define VEXA_VEXA_H

// The Vexa host programming interface: conventions that hold across its classes.
//
// Units. Inside the host, angles are radians, distances centimetres and times seconds; the
// user's units (VAngle::uiUnit, VDistance::uiUnit, VTime::uiUnit) only matter where the user
// types or reads values: in commands (getAttr, setAttr) and in VFnAnimCurve::setTangent.
//
// Numbers. Time units are numbered 1 hours to 11 (60 per second), units 7 and 8 both counting
// 30 per second (VTime.h); distance units 1 inches to 8, kilometres (7) before metres (8)
// (VDistance.h); angle units 1 radians, 2 degrees (VAngle.h). Function-set type numbers are
// in VFn.h; every transform-kind DAG node answers both 106 and 109.
//
// Matrices are row-vector matrices (VMatrix.h): a transform's matrix and its parts are written
// out in VTransformationMatrix.h; rotation orders are 1 XYZ to 6 ZYX.
//
// Tangents. VFnAnimCurve::setTangent takes user units (UI time units, UI value units);
// getTangent answers seconds and internal units (VFnAnimCurve.h).
//
// DAG paths. VDagPath::hasFn on a transform's path also answers for the shapes directly below
// it; apiType is the node's own (VDagPath.h).
//
// Text. A number appended to a VString has one text, the shortest that reads back to the same
// double (VString.h); command results use the same text.
//
// History. Deformers and other history nodes are connections between a shape's intermediate
// original ("<shape>Orig", after the shape under its transform) and the shape, so the
// dependency-graph walks find them upstream of the shape (VFnGeometryFilter.h); deformers pass
// geometry through unchanged. Shading groups are sets of restriction 5 whose "surfaceShader"
// is fed by the shader's "outColor" (VFnSet.h).
//
// Geometry. Mesh and NURBS surface function sets work on a shape node or on geometry data read
// from a plug (VPlug::getValue); a shape driven by its history shows that history's result and
// refuses edits. Components (single-indexed: mesh polygons 532 and vertices 533; double-
// indexed: surface CVs 521) travel beside DAG paths; selection texts name them ("mesh.f[0:5]",
// "surface.cv[0:3][2]"). Images (VImage.h) are RGBA bytes, rows from the top.
//
// Messages. VStatus::perror, VGlobal::display... and VPxCommand::display... all go to the
// message log (VMessageLog.h), which keeps them for tests to read.
//
// Statuses: 0 success, 1 failure, 3 invalid parameter (a name in use, a bad argument), 7 not
// found (VStatus.h).

#include <vexa/VFn.h>
#include <vexa/VStatus.h>

#endif
