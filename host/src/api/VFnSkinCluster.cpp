#include <vexa/VFnSkinCluster.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/geometry/ComponentPoints.h"
#include "host/src/geometry/GeometryHistory.h"
#include "host/src/geometry/SkinWeights.h"
#include "host/src/scene/Scene.h"


using namespace vexa_host;

VFnSkinCluster::VFnSkinCluster(const VObject& object, VStatus* status) { report(status, VFnSkinCluster::setObject(object)); }

unsigned VFnSkinCluster::influenceObjects(VDagPathArray& paths, VStatus* status) const {
    paths.clear();
    if (VStatus alive = checkAlive(); !alive) {
        report(status, alive);
        return 0;
    }
    const Node& skin = *liveNodeOf(object_);
    for (int index : influenceIndices(skin)) {
        VDagPath path;
        if (VDagPath::getAPathTo(objectOf(*influenceAt(skin, index)), path)) paths.append(path);
    }
    report(status, VStatus());
    return paths.length();
}

unsigned VFnSkinCluster::indexForInfluenceObject(const VDagPath& path, VStatus* status) const {
    if (VStatus alive = checkAlive(); !alive) {
        report(status, alive);
        return 0;
    }
    Node* node = path.isValid() ? liveNodeOf(path.node()) : nullptr;
    const int index = node != nullptr ? indexOfInfluence(*liveNodeOf(object_), *node) : -1;
    report(status, index >= 0 ? VStatus() : VStatus(VStatus::kNotFound, "not an influence of the skin"));
    return index >= 0 ? static_cast<unsigned>(index) : 0u;
}

VStatus VFnSkinCluster::pointsOf(const VDagPath& shape, const VObject& components, std::vector<int>& points) const {
    if (VStatus alive = checkAlive(); !alive) return alive;
    VDagPath shapePath = shape;
    if (!shapePath.isValid() || !shapePath.extendToShape()) return VStatus(VStatus::kInvalidParameter, "not a shape path");
    Node* node = liveNodeOf(shapePath.node());
    if (node == nullptr || indexForShape(*liveNodeOf(object_), *node) < 0) {
        return VStatus(VStatus::kInvalidParameter, "the skin does not deform the shape");
    }
    return componentPoints(*node, components, points);
}

VStatus VFnSkinCluster::checkInfluence(int influence) const {
    return hasInfluence(*liveNodeOf(object_), influence)
               ? VStatus()
               : VStatus(VStatus::kInvalidParameter, "no influence at index " + std::to_string(influence));
}

VStatus VFnSkinCluster::getWeights(const VDagPath& shape, const VObject& components, unsigned influence,
                                   VFloatArray& weights) const {
    weights.clear();
    std::vector<int> points;
    if (VStatus status = pointsOf(shape, components, points); !status) return status;
    if (VStatus status = checkInfluence(static_cast<int>(influence)); !status) return status;
    const Node& skin = *liveNodeOf(object_);
    SkinWeightPlugs plugs(skin);
    for (int point : points) weights.append(plugs.weight(skin, point, static_cast<int>(influence)));
    return VStatus();
}

VStatus VFnSkinCluster::getWeights(const VDagPath& shape, const VObject& components, VFloatArray& weights,
                                   unsigned& influenceCount) const {
    weights.clear();
    influenceCount = 0;
    std::vector<int> points;
    if (VStatus status = pointsOf(shape, components, points); !status) return status;
    const Node& skin = *liveNodeOf(object_);
    const std::vector<int> influences = influenceIndices(skin);
    SkinWeightPlugs plugs(skin);
    for (int point : points) {
        for (int influence : influences) weights.append(plugs.weight(skin, point, influence));
    }
    influenceCount = static_cast<unsigned>(influences.size());
    return VStatus();
}

VStatus VFnSkinCluster::setWeights(const VDagPath& shape, const VObject& components, unsigned influence, float value,
                                   bool normalize, VFloatArray* oldValues) {
    std::vector<int> points;
    if (VStatus status = pointsOf(shape, components, points); !status) return status;
    VIntArray influences(1, static_cast<int>(influence));
    return setWeights(shape, components, influences, VFloatArray(static_cast<unsigned>(points.size()), value), normalize,
                      oldValues);
}

VStatus VFnSkinCluster::setWeights(const VDagPath& shape, const VObject& components, const VIntArray& influences,
                                   const VFloatArray& values, bool normalize, VFloatArray* oldValues) {
    std::vector<int> points;
    if (VStatus status = pointsOf(shape, components, points); !status) return status;
    for (int influence : influences) {
        if (VStatus status = checkInfluence(influence); !status) return status;
    }
    if (values.length() != points.size() * influences.length()) {
        return VStatus(VStatus::kInvalidParameter, "one weight per point and influence is needed");
    }
    Node& skin = *liveNodeOf(object_);
    if (oldValues != nullptr) oldValues->clear();
    SkinWeightPlugs plugs(skin);
    unsigned next = 0;
    for (int point : points) {
        for (int influence : influences) {
            if (oldValues != nullptr) oldValues->append(plugs.weight(skin, point, influence));
            if (VStatus status = plugs.setWeight(skin, point, influence, values[next++]); !status) return status;
        }
        if (normalize) {
            if (VStatus status = normalizeOthers(skin, point, influences.items()); !status) return status;
        }
    }
    return VStatus();
}
