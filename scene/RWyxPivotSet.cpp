#include "scene/RWyxPivotSet.h"

void RWyxPivotSet::Reset() {
    const RVector4 origin(0.0, 0.0, 0.0, 1.0);
    rotationOffset = origin;
    rotationPivot = origin;
    rotationPivotUpdateOffset = origin;
    preRotation = origin;
    postRotation = origin;
    scalingOffset = origin;
    scalingPivot = origin;
    scalingPivotUpdateOffset = origin;
    geometricTranslation = origin;
    geometricRotation = origin;
    geometricScaling = RVector4(1.0, 1.0, 1.0, 1.0);
    rotationOrder = 0;
    rotationSpaceForLimitOnly = 0;
    pivotGlobalTransform.SetIdentity();
    cacheValid = 0;
    cacheStamp = 0;
    pivotState = 1;
}
