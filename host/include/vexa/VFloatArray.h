#ifndef VEXA_VFLOATARRAY_H
#define VEXA_VFLOATARRAY_H

#include <vexa/VArray.h>

class VFloatArray : public VArray<float> {
public:
    using VArray<float>::VArray;
};

#endif
