#ifndef WYX_ATTRIBUTES_RWYXSHAPE_H
#define WYX_ATTRIBUTES_RWYXSHAPE_H

// A blend shape of a geometry: control points (and, for a mesh, normals in its layers) that
// the geometry morphs towards, point by point, by the weight of the shape's channel. Made by
// the object factory and destroyed through it; a geometry refers to it (RWyxGeometry::AddShape)
// without owning it. Its attribute type id is 0.

#include "attributes/RWyxLayerContainer.h"

class RWyxObjectFactory;

class RWyxShape : public RWyxLayerContainer {
public:
    explicit RWyxShape(RWyxObjectFactory* factory);
    ~RWyxShape() override;

    int GetAttributeType() const override { return kShape; }
    RString GetTypeName() const override { return RString("Shape"); }

    // The other's control points and deep copies of its layers (nothing when given itself).
    void Assign(const RWyxShape& other);
};

#endif
