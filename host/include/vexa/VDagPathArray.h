#ifndef VEXA_VDAGPATHARRAY_H
#define VEXA_VDAGPATHARRAY_H

#include <vexa/VArray.h>
#include <vexa/VDagPath.h>

class VDagPathArray : public VArray<VDagPath> {
public:
    using VArray<VDagPath>::VArray;
};

#endif
