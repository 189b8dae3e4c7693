#ifndef VEXA_VFNCOMPONENT_H
#define VEXA_VFNCOMPONENT_H

// The function set of components: parts of a shape (mesh polygons and vertices, surface CVs)
// held as a VObject beside a DAG path. The single- and double-indexed function sets make and
// fill them; this one answers what every component answers.

#include <vexa/VFnBase.h>
#include <vexa/VexaExport.h>

class VEXA_API VFnComponent : public VFnBase {
public:
    VFnComponent() = default;
    explicit VFnComponent(const VObject& object, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kComponent; }

    // The elements it stands for (all of them when it is complete and holds none of its own).
    int elementCount(VStatus* status = nullptr) const;
    bool isEmpty(VStatus* status = nullptr) const { return elementCount(status) == 0; }
    // It has complete data and stands for every element below it.
    bool isComplete(VStatus* status = nullptr) const;
    // kMeshPolygonComponent, kMeshVertComponent, kSurfaceCVComponent.
    VFn::Type componentType(VStatus* status = nullptr) const;
};

#endif
