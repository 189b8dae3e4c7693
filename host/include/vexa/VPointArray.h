#ifndef VEXA_VPOINTARRAY_H
#define VEXA_VPOINTARRAY_H

#include <vexa/VArray.h>
#include <vexa/VPoint.h>

class VPointArray : public VArray<VPoint> {
public:
    using VArray<VPoint>::VArray;
};

#endif
