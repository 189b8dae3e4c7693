#ifndef VEXA_VFNBASE_H
#define VEXA_VFNBASE_H

// The base of every function set: the object it works on. setObject() refuses an object of
// another kind (kInvalidParameter) and leaves the function set empty.

#include <vexa/VFn.h>
#include <vexa/VObject.h>
#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

class VEXA_API VFnBase {
public:
    VFnBase() = default;
    virtual ~VFnBase();
    VFnBase(const VFnBase&) = default;
    VFnBase& operator=(const VFnBase&) = default;

    // The function set's own type number.
    virtual VFn::Type type() const { return VFn::kBase; }
    VObject object(VStatus* status = nullptr) const;
    virtual VStatus setObject(const VObject& object);
    bool hasObj(VFn::Type type) const;

protected:
    VObject object_;
};

#endif
