// The object factory's operations on the geometry converter.

#include "formats/geometry/RWyxGeometryConverter.h"
#include "scene/RWyxObjectFactory.h"

#include <new>

RWyxGeometryConverter* RWyxObjectFactory::NewGeometryConverter() {
    return new (std::nothrow) RWyxGeometryConverter(this);
}

void RWyxObjectFactory::DeleteGeometryConverter(RWyxGeometryConverter* converter) { delete converter; }
