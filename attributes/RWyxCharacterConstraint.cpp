#include "attributes/RWyxCharacterConstraint.h"

#include "attributes/RWyxCharacterTables.h"

namespace {

const RVector4 kUnitScale(1.0, 1.0, 1.0, 0.0);

}  // namespace

const RWyxColor RWyxCharacterConstraint::kDefaultMeshColor(0.3, 0.6, 0.9, 1.0);
const RWyxColor RWyxCharacterConstraint::kDefaultBoneColor(0.9, 0.9, 0.3, 1.0);

RWyxCharacterConstraint::RWyxCharacterConstraint(RWyxObjectFactory* factory, const RString& name)
    : RWyxSceneObject(factory, name),
      meshColor_(kDefaultMeshColor),
      boneColor_(kDefaultBoneColor),
      nodeScales_(RWyxCharacterTables::kActorNodeCount, kUnitScale) {}

RVector4 RWyxCharacterConstraint::GetNodeScale(int index) const {
    return index >= 0 && index < RWyxCharacterTables::kActorNodeCount ? nodeScales_[static_cast<size_t>(index)]
                                                                        : kUnitScale;
}

bool RWyxCharacterConstraint::SetNodeScale(int index, const RVector4& scale) {
    if (index < 0 || index >= RWyxCharacterTables::kActorNodeCount) return false;
    nodeScales_[static_cast<size_t>(index)] = scale;
    return true;
}
