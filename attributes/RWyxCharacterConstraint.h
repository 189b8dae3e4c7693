#ifndef WYX_ATTRIBUTES_RWYXCHARACTERCONSTRAINT_H
#define WYX_ATTRIBUTES_RWYXCHARACTERCONSTRAINT_H

// A character constraint of the scene: an actor ("Constraint::" names, type "Actor"), the
// body a marker set is fitted to and that can drive a character. It names its marker set
// (one of the scene's, not owned), the colours its mesh and bones are drawn in, and a scale
// for each of the 21 body nodes of RWyxCharacterTables.
//
// Made and destroyed by the scene (RWyxScene::CreateConstraint), which also owns the marker
// sets; the scene destroys both together, so the marker set named here never outlives the
// actor unseen.

#include "core/RVector4.h"
#include "core/RWyxColor.h"
#include "core/RWyxSceneObject.h"

#include <vector>

class RWyxMarkerSet;
class RWyxObjectFactory;

class RWyxCharacterConstraint : public RWyxSceneObject {
public:
    // The colours an actor is drawn in until told otherwise.
    static const RWyxColor kDefaultMeshColor;
    static const RWyxColor kDefaultBoneColor;

    // No marker set, the default colours, every scale (1, 1, 1). `name` is the full name.
    RWyxCharacterConstraint(RWyxObjectFactory* factory, const RString& name);

    int GetTypeId() const override { return 6; }
    RString GetTypeDescription() const override { return RString("Actor"); }

    RWyxMarkerSet* GetMarkerSet() const { return markerSet_; }
    void SetMarkerSet(RWyxMarkerSet* markerSet) { markerSet_ = markerSet; }
    const RWyxColor& GetMeshColor() const { return meshColor_; }
    void SetMeshColor(const RWyxColor& color) { meshColor_ = color; }
    const RWyxColor& GetBoneColor() const { return boneColor_; }
    void SetBoneColor(const RWyxColor& color) { boneColor_ = color; }

    // The scale of body node index; (1, 1, 1) out of range.
    RVector4 GetNodeScale(int index) const;
    // False out of range.
    bool SetNodeScale(int index, const RVector4& scale);

private:
    RWyxMarkerSet* markerSet_ = nullptr;
    RWyxColor meshColor_;
    RWyxColor boneColor_;
    std::vector<RVector4> nodeScales_;
};

#endif
