#ifndef VEXA_VVECTORARRAY_H
#define VEXA_VVECTORARRAY_H

#include <vexa/VArray.h>
#include <vexa/VVector.h>

class VVectorArray : public VArray<VVector> {
public:
    using VArray<VVector>::VArray;
};

#endif
