#ifndef VEXA_VINTARRAY_H
#define VEXA_VINTARRAY_H

#include <vexa/VArray.h>

class VIntArray : public VArray<int> {
public:
    using VArray<int>::VArray;
};

#endif
