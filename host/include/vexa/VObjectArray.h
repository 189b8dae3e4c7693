#ifndef VEXA_VOBJECTARRAY_H
#define VEXA_VOBJECTARRAY_H

#include <vexa/VArray.h>
#include <vexa/VObject.h>

class VObjectArray : public VArray<VObject> {
public:
    using VArray<VObject>::VArray;
};

#endif
