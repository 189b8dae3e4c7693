#include <vexa/VFnAnimCurve.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/scene/AnimCurveData.h"
#include "host/src/scene/PlugAccess.h"
#include "host/src/scene/Scene.h"

#include <vexa/VAngle.h>
#include <vexa/VDistance.h>

#include <algorithm>
#include <cmath>

using namespace vexa_host;

namespace {

const char* const kCurveTypeNames[] = {"animCurveTA", "animCurveTL", "animCurveTT", "animCurveTU",
                                       "animCurveUA", "animCurveUL", "animCurveUT", "animCurveUU"};

AnimCurveData* keysOf(const VObject& object) {
    Node* node = liveNodeOf(object);
    return node != nullptr ? dynamic_cast<AnimCurveData*>(node->payload()) : nullptr;
}

VStatus noCurve() { return VStatus(VStatus::kInvalidParameter, "the function set has no animation curve"); }
VStatus badIndex() { return VStatus(VStatus::kInvalidParameter, "key index out of range"); }
bool validTangent(int type) { return type >= VFnAnimCurve::kTangentGlobal && type <= VFnAnimCurve::kTangentClamped; }

// "no animation curve drives node.plug", made only when read: most plugs an importer probes
// have no curve, and the probe passes over the failure. The node's name is kept as it was, so
// a rename later does not change the text; plug paths do not change once made.
class NoCurveText : public VStatus::TextSource {
public:
    NoCurveText(std::string nodeName, std::shared_ptr<const PlugPath> path)
        : nodeName_(std::move(nodeName)), path_(std::move(path)) {}
    VString text() const override { return VString("no animation curve drives " + nodeName_ + "." + path_->key()); }

private:
    std::string nodeName_;
    std::shared_ptr<const PlugPath> path_;
};

}  // namespace

VFnAnimCurve::VFnAnimCurve(const VObject& object, VStatus* status) { report(status, VFnAnimCurve::setObject(object)); }

VFnAnimCurve::VFnAnimCurve(const VPlug& plug, VStatus* status) {
    if (plug.isNull()) {
        report(status, VStatus(VStatus::kInvalidParameter, "the plug is null"));
        return;
    }
    const Connection* connection = drivingConnection(*plug.nodeRecord(), *plug.path());
    if (connection == nullptr || !connection->other->hasFn(VFn::kAnimCurve)) {
        if (status != nullptr) {
            *status = VStatus(VStatus::kNotFound, std::make_shared<NoCurveText>(plug.nodeRecord()->name(), plug.path()));
        }
        return;
    }
    report(status, VFnAnimCurve::setObject(VObject(connection->other->self())));
}

VStatus VFnAnimCurve::setObject(const VObject& object) { return VFnDependencyNode::setObject(object); }

VObject VFnAnimCurve::create(const VPlug& plug, AnimCurveType type, VDGModifier*, VStatus* status) {
    if (plug.isNull() || !plug.nodeRecord()->alive()) {
        report(status, VStatus(VStatus::kInvalidParameter, "the plug is null"));
        return VObject();
    }
    const PlugPath& path = *plug.path();
    if (!path.leaf().isNumericLeaf() || !path.indicesResolved() || path.isArrayPlug() || type < kAnimCurveTA ||
        type > kAnimCurveUU) {
        report(status, VStatus(VStatus::kInvalidParameter, "a curve drives one number"));
        return VObject();
    }
    Node& target = *plug.nodeRecord();
    if (isLocked(target, path)) {
        report(status, VStatus(VStatus::kFailure, plug.name() + " is locked"));
        return VObject();
    }
    if (drivingConnection(target, path) != nullptr) {
        report(status, VStatus(VStatus::kFailure, plug.name() + " is already driven"));
        return VObject();
    }
    std::string name = target.name() + "_" + path.leaf().longName;
    for (const PlugStep& step : path.steps) {
        if (step.index >= 0) name += "_" + std::to_string(step.index);
    }
    Scene& scene = Scene::instance();
    VStatus result;
    NodePtr curve = scene.createNode(kCurveTypeNames[type], name, nullptr, result);
    if (!curve) {
        report(status, result);
        return VObject();
    }
    result = scene.connect(*curve, PlugPath::of(curve->findAttribute("output")), target, path);
    if (!result) {
        scene.deleteNode(*curve);
        report(status, result);
        return VObject();
    }
    report(status, VStatus());
    object_ = VObject(curve);
    return object_;
}

VObject VFnAnimCurve::create(const VPlug& plug, VDGModifier* modifier, VStatus* status) {
    AnimCurveType type = kAnimCurveTU;
    if (!plug.isNull()) {
        switch (plug.path()->leaf().unit) {
        case UnitKind::Angle: type = kAnimCurveTA; break;
        case UnitKind::Distance: type = kAnimCurveTL; break;
        case UnitKind::Time: type = kAnimCurveTT; break;
        case UnitKind::None: break;
        }
    }
    return create(plug, type, modifier, status);
}

VFnAnimCurve::AnimCurveType VFnAnimCurve::animCurveType(VStatus* status) const {
    Node* node = liveNodeOf(object_);
    report(status, node != nullptr ? VStatus() : noCurve());
    return node != nullptr ? static_cast<AnimCurveType>(animCurveTypeOf(node->type().name)) : kAnimCurveUnknown;
}

bool VFnAnimCurve::isTimeInput(VStatus* status) const { return isTimeInputType(animCurveType(status)); }

unsigned VFnAnimCurve::numKeys(VStatus* status) const {
    AnimCurveData* keys = keysOf(object_);
    report(status, keys != nullptr ? VStatus() : noCurve());
    return keys != nullptr ? static_cast<unsigned>(keys->keys.size()) : 0u;
}

unsigned VFnAnimCurve::addKey(const VTime& time, double value, TangentType inType, TangentType outType,
                              VDGModifier* modifier, VStatus* status) {
    if (!isTimeInput()) {
        report(status, VStatus(VStatus::kInvalidParameter, "the curve has no time input"));
        return 0;
    }
    return addKey(time.as(VTime::kSeconds), value, inType, outType, modifier, status);
}

unsigned VFnAnimCurve::addKey(double input, double value, TangentType inType, TangentType outType, VDGModifier*,
                              VStatus* status) {
    AnimCurveData* keys = keysOf(object_);
    if (keys == nullptr || !validTangent(inType) || !validTangent(outType)) {
        report(status, keys == nullptr ? noCurve() : VStatus(VStatus::kInvalidParameter, "unknown tangent type"));
        return 0;
    }
    report(status, VStatus());
    return static_cast<unsigned>(keys->addKey(input, value, inType, outType));
}

VStatus VFnAnimCurve::remove(unsigned index, VDGModifier*) {
    AnimCurveData* keys = keysOf(object_);
    if (keys == nullptr) return noCurve();
    if (index >= keys->keys.size()) return badIndex();
    keys->removeKey(index);
    return VStatus();
}

bool VFnAnimCurve::find(const VTime& time, unsigned& index, VStatus* status) const {
    AnimCurveData* keys = keysOf(object_);
    report(status, keys != nullptr ? VStatus() : noCurve());
    if (keys == nullptr) return false;
    const int found = keys->find(time.as(VTime::kSeconds));
    if (found >= 0) index = static_cast<unsigned>(found);
    return found >= 0;
}

unsigned VFnAnimCurve::findClosest(const VTime& time, VStatus* status) const {
    AnimCurveData* keys = keysOf(object_);
    if (keys == nullptr || keys->keys.empty()) {
        report(status, keys == nullptr ? noCurve() : VStatus(VStatus::kNotFound, "the curve has no keys"));
        return 0;
    }
    report(status, VStatus());
    const double at = time.as(VTime::kSeconds);
    unsigned best = 0;
    for (unsigned i = 1; i < keys->keys.size(); ++i) {
        if (std::abs(keys->keys[i].input - at) < std::abs(keys->keys[best].input - at)) best = i;
    }
    return best;
}

VTime VFnAnimCurve::time(unsigned index, VStatus* status) const {
    AnimCurveData* keys = keysOf(object_);
    if (keys == nullptr || index >= keys->keys.size()) {
        report(status, keys == nullptr ? noCurve() : badIndex());
        return VTime(0.0, VTime::kSeconds);
    }
    report(status, VStatus());
    return VTime(keys->keys[index].input, VTime::kSeconds);
}

double VFnAnimCurve::unitlessInput(unsigned index, VStatus* status) const {
    AnimCurveData* keys = keysOf(object_);
    if (keys == nullptr || index >= keys->keys.size()) {
        report(status, keys == nullptr ? noCurve() : badIndex());
        return 0.0;
    }
    report(status, VStatus());
    return keys->keys[index].input;
}

double VFnAnimCurve::value(unsigned index, VStatus* status) const {
    AnimCurveData* keys = keysOf(object_);
    if (keys == nullptr || index >= keys->keys.size()) {
        report(status, keys == nullptr ? noCurve() : badIndex());
        return 0.0;
    }
    report(status, VStatus());
    return keys->keys[index].value;
}

VStatus VFnAnimCurve::setValue(unsigned index, double value) {
    AnimCurveData* keys = keysOf(object_);
    if (keys == nullptr) return noCurve();
    if (index >= keys->keys.size()) return badIndex();
    keys->keys[index].value = value;
    keys->refreshAround(index);
    return VStatus();
}

VStatus VFnAnimCurve::setTime(unsigned index, const VTime& time) {
    AnimCurveData* keys = keysOf(object_);
    if (keys == nullptr) return noCurve();
    if (index >= keys->keys.size()) return badIndex();
    const double at = time.as(VTime::kSeconds);
    const int existing = keys->find(at);
    if (existing >= 0 && static_cast<unsigned>(existing) != index) {
        return VStatus(VStatus::kInvalidParameter, "another key is at that time");
    }
    AnimKey moved = keys->keys[index];
    moved.input = at;
    keys->keys.erase(keys->keys.begin() + index);
    auto it = std::lower_bound(keys->keys.begin(), keys->keys.end(), at,
                               [](const AnimKey& key, double value) { return key.input < value; });
    keys->keys.insert(it, moved);
    keys->refreshAll();
    return VStatus();
}

VFnAnimCurve::TangentType VFnAnimCurve::inTangentType(unsigned index, VStatus* status) const {
    AnimCurveData* keys = keysOf(object_);
    if (keys == nullptr || index >= keys->keys.size()) {
        report(status, keys == nullptr ? noCurve() : badIndex());
        return kTangentGlobal;
    }
    report(status, VStatus());
    return static_cast<TangentType>(keys->keys[index].inType);
}

VFnAnimCurve::TangentType VFnAnimCurve::outTangentType(unsigned index, VStatus* status) const {
    AnimCurveData* keys = keysOf(object_);
    if (keys == nullptr || index >= keys->keys.size()) {
        report(status, keys == nullptr ? noCurve() : badIndex());
        return kTangentGlobal;
    }
    report(status, VStatus());
    return static_cast<TangentType>(keys->keys[index].outType);
}

VStatus VFnAnimCurve::setInTangentType(unsigned index, TangentType type) {
    AnimCurveData* keys = keysOf(object_);
    if (keys == nullptr) return noCurve();
    if (index >= keys->keys.size()) return badIndex();
    if (!validTangent(type)) return VStatus(VStatus::kInvalidParameter, "unknown tangent type");
    keys->setTangentType(index, type, true);
    return VStatus();
}

VStatus VFnAnimCurve::setOutTangentType(unsigned index, TangentType type) {
    AnimCurveData* keys = keysOf(object_);
    if (keys == nullptr) return noCurve();
    if (index >= keys->keys.size()) return badIndex();
    if (!validTangent(type)) return VStatus(VStatus::kInvalidParameter, "unknown tangent type");
    keys->setTangentType(index, type, false);
    return VStatus();
}

VStatus VFnAnimCurve::getTangent(unsigned index, double& x, double& y, bool inTangent) const {
    AnimCurveData* keys = keysOf(object_);
    if (keys == nullptr) return noCurve();
    if (index >= keys->keys.size()) return badIndex();
    const AnimKey& key = keys->keys[index];
    x = inTangent ? key.inX : key.outX;
    y = inTangent ? key.inY : key.outY;
    return VStatus();
}

VStatus VFnAnimCurve::getTangent(unsigned index, float& x, float& y, bool inTangent) const {
    double dx = 0.0;
    double dy = 0.0;
    VStatus status = getTangent(index, dx, dy, inTangent);
    x = static_cast<float>(dx);
    y = static_cast<float>(dy);
    return status;
}

VStatus VFnAnimCurve::setTangent(unsigned index, double x, double y, bool inTangent, VDGModifier*, bool convertUnits) {
    AnimCurveData* keys = keysOf(object_);
    if (keys == nullptr) return noCurve();
    if (index >= keys->keys.size()) return badIndex();
    if (convertUnits) {
        const AnimCurveType type = animCurveType();
        if (isTimeInputType(type)) x /= VTime::unitsPerSecond(VTime::uiUnit());
        if (type == kAnimCurveTA || type == kAnimCurveUA) y *= VAngle::radiansPer(VAngle::uiUnit());
        if (type == kAnimCurveTL || type == kAnimCurveUL) y *= VDistance::centimetersPer(VDistance::uiUnit());
    }
    keys->setTangent(index, x, y, inTangent);
    return VStatus();
}

bool VFnAnimCurve::tangentsLocked(unsigned index, VStatus* status) const {
    AnimCurveData* keys = keysOf(object_);
    if (keys == nullptr || index >= keys->keys.size()) {
        report(status, keys == nullptr ? noCurve() : badIndex());
        return false;
    }
    report(status, VStatus());
    return keys->keys[index].tangentsLocked;
}

VStatus VFnAnimCurve::setTangentsLocked(unsigned index, bool locked) {
    AnimCurveData* keys = keysOf(object_);
    if (keys == nullptr) return noCurve();
    if (index >= keys->keys.size()) return badIndex();
    keys->keys[index].tangentsLocked = locked;
    return VStatus();
}

bool VFnAnimCurve::weightsLocked(unsigned index, VStatus* status) const {
    AnimCurveData* keys = keysOf(object_);
    if (keys == nullptr || index >= keys->keys.size()) {
        report(status, keys == nullptr ? noCurve() : badIndex());
        return false;
    }
    report(status, VStatus());
    return keys->keys[index].weightsLocked;
}

VStatus VFnAnimCurve::setWeightsLocked(unsigned index, bool locked) {
    AnimCurveData* keys = keysOf(object_);
    if (keys == nullptr) return noCurve();
    if (index >= keys->keys.size()) return badIndex();
    keys->keys[index].weightsLocked = locked;
    return VStatus();
}

bool VFnAnimCurve::isWeighted(VStatus* status) const {
    AnimCurveData* keys = keysOf(object_);
    report(status, keys != nullptr ? VStatus() : noCurve());
    return keys != nullptr && keys->weighted;
}

VStatus VFnAnimCurve::setIsWeighted(bool weighted) {
    AnimCurveData* keys = keysOf(object_);
    if (keys == nullptr) return noCurve();
    keys->weighted = weighted;
    return VStatus();
}

double VFnAnimCurve::evaluate(const VTime& time, VStatus* status) const {
    AnimCurveData* keys = keysOf(object_);
    report(status, keys != nullptr ? VStatus() : noCurve());
    return keys != nullptr ? keys->evaluate(time.as(VTime::kSeconds)) : 0.0;
}

VStatus VFnAnimCurve::evaluate(const VTime& time, double& value) const {
    VStatus status;
    value = evaluate(time, &status);
    return status;
}

double VFnAnimCurve::evaluateAtInput(double input, VStatus* status) const {
    AnimCurveData* keys = keysOf(object_);
    report(status, keys != nullptr ? VStatus() : noCurve());
    return keys != nullptr ? keys->evaluate(input) : 0.0;
}
