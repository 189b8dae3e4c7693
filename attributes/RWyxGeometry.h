#ifndef WYX_ATTRIBUTES_RWYXGEOMETRY_H
#define WYX_ATTRIBUTES_RWYXGEOMETRY_H

// The base of the geometry attributes (mesh, NURBS, patch): control points, layers, shapes
// and skin links. Completed by the geometry work: for now it is the common base that
// RWyxNode::GetGeometry answers.

#include "scene/RWyxNodeAttribute.h"

class RWyxGeometry : public RWyxNodeAttribute {
public:
    explicit RWyxGeometry(RWyxObjectFactory* factory) : RWyxNodeAttribute(factory) {}
};

#endif
