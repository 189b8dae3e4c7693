#ifndef VEXA_VDOUBLEARRAY_H
#define VEXA_VDOUBLEARRAY_H

#include <vexa/VArray.h>

class VDoubleArray : public VArray<double> {
public:
    using VArray<double>::VArray;
};

#endif
