#ifndef VEXA_VPLUGARRAY_H
#define VEXA_VPLUGARRAY_H

#include <vexa/VArray.h>
#include <vexa/VPlug.h>

class VPlugArray : public VArray<VPlug> {
public:
    using VArray<VPlug>::VArray;
};

#endif
