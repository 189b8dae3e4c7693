#include "attributes/RWyxShape.h"

RWyxShape::RWyxShape(RWyxObjectFactory* factory) : RWyxLayerContainer(factory) {}

RWyxShape::~RWyxShape() = default;

void RWyxShape::Assign(const RWyxShape& other) { AssignLayerContainer(other); }
