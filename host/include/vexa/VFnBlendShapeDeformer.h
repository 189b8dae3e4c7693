#ifndef VEXA_VFNBLENDSHAPEDEFORMER_H
#define VEXA_VFNBLENDSHAPEDEFORMER_H

// The function set of blend shapes: a deformer whose base objects (the shapes it deforms) blend
// towards targets, one slider per weight index.
//
// Weight index w has the plug "weight[w]"; the targets of base b at w feed
// "inputTarget[b].inputTargetGroup[w].inputTargetItem[i].inputGeomTarget", where
// i = 5000 + 1000 x the target's full weight (6000 for a target reached at weight 1). The
// weight indices are those with a weight plug or a target, ascending. A target that is deleted
// drops out of its slider; the slider stays.
//
// Objects may be given as shapes or as transforms standing for their shape; answers are shapes.
// The origin is 0 (local) or 1 (world).

#include <vexa/VFnGeometryFilter.h>
#include <vexa/VIntArray.h>
#include <vexa/VexaExport.h>

class VObjectArray;

class VEXA_API VFnBlendShapeDeformer : public VFnGeometryFilter {
public:
    enum Origin { kLocalOrigin = 0, kWorldOrigin = 1 };

    VFnBlendShapeDeformer() = default;
    explicit VFnBlendShapeDeformer(const VObject& object, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kBlendShape; }

    // A new blend shape on the base object, with its set.
    VObject create(const VObject& baseObject, Origin origin = kLocalOrigin, VStatus* status = nullptr);
    // A shape the deformer already deforms stays as it is.
    VStatus addBaseObject(const VObject& object);
    VStatus getBaseObjects(VObjectArray& objects) const;
    // kInvalidParameter for a base the deformer does not deform, a target that is not a
    // geometry, a negative index or a full weight outside (0, 1]; kFailure when that target
    // place is taken.
    VStatus addTarget(const VObject& baseObject, int weightIndex, const VObject& target, double fullWeight);
    VStatus getTargets(const VObject& baseObject, int weightIndex, VObjectArray& targets) const;

    unsigned numWeights(VStatus* status = nullptr) const;
    VStatus weightIndexList(VIntArray& indices) const;
    float weight(unsigned index, VStatus* status = nullptr) const;
    VStatus setWeight(unsigned index, float weight);
    Origin origin(VStatus* status = nullptr) const;

private:
    VStatus baseIndex(const VObject& baseObject, int& index) const;
};

#endif
