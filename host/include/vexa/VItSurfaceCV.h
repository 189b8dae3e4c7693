#ifndef VEXA_VITSURFACECV_H
#define VEXA_VITSURFACECV_H

// Walks the CVs of a NURBS surface (a surface node, surface data, or the shape of a DAG path),
// U outer and V inner, or those of a CV component (kSurfaceCVComponent) in the component's
// order. The walk reads the geometry as it was when the iterator was made; setPosition stores
// an edit. A component naming a CV outside the surface is refused (kInvalidParameter) and the
// iterator is done at once; queries past the end answer kFailure.
//
// index() is the CV's place in the surface's CV list, u * numCVsInV + v.

#include <vexa/VDagPath.h>
#include <vexa/VObject.h>
#include <vexa/VPoint.h>
#include <vexa/VSpace.h>
#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

#include <memory>

class VEXA_API VItSurfaceCV {
public:
    explicit VItSurfaceCV(const VObject& surface, VStatus* status = nullptr);
    VItSurfaceCV(const VDagPath& path, const VObject& component = VObject::kNullObj, VStatus* status = nullptr);
    ~VItSurfaceCV();
    VItSurfaceCV(const VItSurfaceCV&) = delete;
    VItSurfaceCV& operator=(const VItSurfaceCV&) = delete;

    bool isDone(VStatus* status = nullptr) const;
    VStatus next();
    VStatus reset();
    int count(VStatus* status = nullptr) const;
    int index(VStatus* status = nullptr) const;
    VStatus getIndex(int& indexU, int& indexV) const;
    VPoint position(VSpace::Space space = VSpace::kObject, VStatus* status = nullptr) const;
    VStatus setPosition(const VPoint& point, VSpace::Space space = VSpace::kObject);
    // The current CV as a CV component of one element.
    VObject cv(VStatus* status = nullptr) const;

private:
    struct Walk;
    std::unique_ptr<Walk> walk_;
};

#endif
