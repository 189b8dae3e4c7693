#ifndef VEXA_VFNDOUBLEINDEXEDCOMPONENT_H
#define VEXA_VFNDOUBLEINDEXEDCOMPONENT_H

// Components whose elements have two indices (U, V): surface CVs (kSurfaceCVComponent).
//
// Elements keep the order they were added in, each once. Complete data is the shape's CV count
// in each direction (wrap CVs of periodic directions included): every element must lie below
// it, and a component with complete data and no elements of its own stands for all CVs, U
// outer and V inner.

#include <vexa/VFnComponent.h>
#include <vexa/VIntArray.h>
#include <vexa/VexaExport.h>

class VEXA_API VFnDoubleIndexedComponent : public VFnComponent {
public:
    VFnDoubleIndexedComponent() = default;
    explicit VFnDoubleIndexedComponent(const VObject& object, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kDoubleIndexedComponent; }

    VObject create(VFn::Type componentType, VStatus* status = nullptr);

    VStatus addElement(int u, int v);
    VStatus addElements(const VIntArray& u, const VIntArray& v);  // arrays of one length
    VStatus getElement(int index, int& u, int& v) const;
    VStatus getElements(VIntArray& u, VIntArray& v) const;
    VStatus setCompleteData(int countU, int countV);
    VStatus getCompleteData(int& countU, int& countV) const;
};

#endif
