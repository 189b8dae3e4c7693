#ifndef VEXA_VCOLORARRAY_H
#define VEXA_VCOLORARRAY_H

#include <vexa/VArray.h>
#include <vexa/VColor.h>

class VColorArray : public VArray<VColor> {
public:
    using VArray<VColor>::VArray;
};

#endif
