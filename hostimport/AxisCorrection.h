#ifndef WYX_HOSTIMPORT_AXISCORRECTION_H
#define WYX_HOSTIMPORT_AXISCORRECTION_H

// The host's lights and cameras look down their -Z axis, the file's lights down -Y and its
// cameras down +X. The import turns the post-rotation (pivot set 0) of every light and camera
// without a look-at target by a quarter turn after it, (90, 0, 0) degrees for a light and
// (0, 90, 0) for a camera; the export takes exactly that turn back, so that a post-rotation
// comes back as it was whatever the number of trips. Post-rotations are Euler X, Y, Z degrees,
// the convention of every pre- and post-rotation of the scene.

#include "core/RVector4.h"

class RWyxNode;

// True for a node the import corrects: a light or a camera without a look-at target.
bool HasAxisCorrection(const RWyxNode& node);

// The post-rotation followed by the node's quarter turn (import), and the post-rotation with
// that turn taken back (export); the post-rotation as it is for a node without correction.
RVector4 WithAxisCorrection(const RWyxNode& node, const RVector4& post);
RVector4 WithoutAxisCorrection(const RWyxNode& node, const RVector4& post);

#endif
