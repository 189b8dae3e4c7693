#ifndef VEXA_VFNNURBSSURFACE_H
#define VEXA_VFNNURBSSURFACE_H

// The function set of NURBS surfaces: a surface node ("nurbsSurface", kNurbsSurface), or
// surface data read from a plug (kNurbsSurfaceGeometry). Made from a transform's DAG path it
// works on the transform's one shape.
//
// Each direction has a degree (1 to 7), a form (kOpen, kClosed, kPeriodic) and CV count + degree
// - 1 knots that never decrease; a direction needs degree + 1 CVs or more. The CVs come U
// outer, V inner: CV (u, v) is entry u * numCVsInV() + v. The counts of closed and periodic
// directions include their repeated CVs: a closed direction's last CV row repeats its first,
// a periodic direction's last `degree` rows repeat its first `degree`; create() refuses CVs
// that do not repeat (kInvalidParameter). A CV's w is its weight (1 when not rational).
//
// The node's "curvePrecision" and "curvePrecisionShaded" (short) are its display steps.
// Spaces as for VFnMesh.

#include <vexa/VDoubleArray.h>
#include <vexa/VFnDagNode.h>
#include <vexa/VPointArray.h>
#include <vexa/VSpace.h>
#include <vexa/VexaExport.h>

class VEXA_API VFnNurbsSurface : public VFnDagNode {
public:
    enum Form { kInvalid = 0, kOpen = 1, kClosed = 2, kPeriodic = 3, kLast = 4 };

    VFnNurbsSurface() = default;
    explicit VFnNurbsSurface(const VObject& object, VStatus* status = nullptr);
    explicit VFnNurbsSurface(const VDagPath& path, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kNurbsSurface; }
    VStatus setObject(const VObject& object) override;
    VStatus setObject(const VDagPath& path);

    // Makes a surface under parentOrData: a transform, the null object (a new transform), or a
    // surface data object, which receives the geometry and is answered. Nothing is made when
    // the arrays do not fit.
    VObject create(const VPointArray& controlVertices, const VDoubleArray& uKnots, const VDoubleArray& vKnots,
                   unsigned degreeInU, unsigned degreeInV, Form formInU, Form formInV, bool createRational,
                   const VObject& parentOrData = VObject::kNullObj, VStatus* status = nullptr);
    VStatus updateSurface();

    int numCVsInU(VStatus* status = nullptr) const;
    int numCVsInV(VStatus* status = nullptr) const;
    int degreeU(VStatus* status = nullptr) const;
    int degreeV(VStatus* status = nullptr) const;
    Form formInU(VStatus* status = nullptr) const;
    Form formInV(VStatus* status = nullptr) const;
    int numSpansInU(VStatus* status = nullptr) const;
    int numSpansInV(VStatus* status = nullptr) const;
    int numKnotsInU(VStatus* status = nullptr) const;
    int numKnotsInV(VStatus* status = nullptr) const;
    VStatus getKnotsInU(VDoubleArray& knots) const;
    VStatus getKnotsInV(VDoubleArray& knots) const;
    bool isRational(VStatus* status = nullptr) const;

    VStatus getCV(unsigned indexU, unsigned indexV, VPoint& point, VSpace::Space space = VSpace::kObject) const;
    VStatus setCV(unsigned indexU, unsigned indexV, const VPoint& point, VSpace::Space space = VSpace::kObject);
    VStatus getCVs(VPointArray& points, VSpace::Space space = VSpace::kObject) const;
};

#endif
