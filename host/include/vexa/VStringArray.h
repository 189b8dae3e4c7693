#ifndef VEXA_VSTRINGARRAY_H
#define VEXA_VSTRINGARRAY_H

#include <vexa/VArray.h>
#include <vexa/VString.h>

class VStringArray : public VArray<VString> {
public:
    using VArray<VString>::VArray;
};

#endif
