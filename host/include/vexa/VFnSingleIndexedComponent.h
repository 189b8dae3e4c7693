#ifndef VEXA_VFNSINGLEINDEXEDCOMPONENT_H
#define VEXA_VFNSINGLEINDEXEDCOMPONENT_H

// Components whose elements have one index: mesh polygons (kMeshPolygonComponent) and mesh
// vertices (kMeshVertComponent).
//
// Elements keep the order they were added in, each once. Complete data is the shape's element
// count: every element must lie below it (kInvalidParameter), and a component with complete
// data and no elements of its own stands for all elements 0 .. count - 1.

#include <vexa/VFnComponent.h>
#include <vexa/VIntArray.h>
#include <vexa/VexaExport.h>

class VEXA_API VFnSingleIndexedComponent : public VFnComponent {
public:
    VFnSingleIndexedComponent() = default;
    explicit VFnSingleIndexedComponent(const VObject& object, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kSingleIndexedComponent; }

    // A new empty component of the kind; kInvalidParameter for another kind.
    VObject create(VFn::Type componentType, VStatus* status = nullptr);

    VStatus addElement(int element);
    VStatus addElements(const VIntArray& elements);  // stops at the first refused element
    int element(int index, VStatus* status = nullptr) const;
    VStatus getElements(VIntArray& elements) const;
    VStatus setCompleteData(int count);
    VStatus getCompleteData(int& count) const;  // -1 when none was set
};

#endif
