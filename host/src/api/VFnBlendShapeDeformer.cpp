#include <vexa/VFnBlendShapeDeformer.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/geometry/GeometryHistory.h"
#include "host/src/scene/NamedItems.h"
#include "host/src/scene/PlugAccess.h"
#include "host/src/scene/Scene.h"
#include "host/src/scene/SetMembers.h"

#include <vexa/VObjectArray.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>

using namespace vexa_host;

namespace {

PlugPath plugOn(const Node& node, const std::string& text) {
    PlugPath path;
    parsePlugPath(node, text, path);
    return path;
}

// The shape an object stands for: itself, or the shape below a transform.
Node* shapeOf(const VObject& object) {
    Node* node = liveNodeOf(object);
    if (node == nullptr || !node->isTransform()) return node;
    VDagPath path;
    if (!VDagPath::getAPathTo(object, path) || !path.extendToShape()) return nullptr;
    return liveNodeOf(path.node());
}

std::string groupText(int base, int weightIndex) {
    return "inputTarget[" + std::to_string(base) + "].inputTargetGroup[" + std::to_string(weightIndex) + "]";
}

// The base and weight indices of a plug under "inputTarget[base].inputTargetGroup[weightIndex].
// inputTargetItem[i]" for some i, read from its steps as its key would spell them: steps without
// an index (but the last) are left out, and the first three kept must be those three, each with
// an index. False for any other plug.
bool targetGroupOf(const PlugPath& plug, int& base, int& weightIndex) {
    static const char* const names[] = {"inputTarget", "inputTargetGroup", "inputTargetItem"};
    int indices[3] = {-1, -1, -1};
    size_t matched = 0;
    for (size_t i = 0; i < plug.steps.size() && matched < 3; ++i) {
        const PlugStep& step = plug.steps[i];
        if (step.index < 0 && i + 1 < plug.steps.size()) continue;
        if (step.index < 0 || step.attribute->longName != names[matched]) return false;
        indices[matched++] = step.index;
    }
    if (matched < 3) return false;
    base = indices[0];
    weightIndex = indices[1];
    return true;
}

// The places in a deformer's incoming connections of the target items of each base and
// weight index, ascending. Made for the last deformer asked and made again once its
// connections change: an export asks for the targets of every slider in turn.
class TargetPlaces {
public:
    const std::vector<size_t>& of(const Node& deformer, int base, int weightIndex) {
        static const std::vector<size_t> none;
        if (deformer.id() != deformerId_ || deformer.incomingEdits() != edits_) rebuild(deformer);
        auto found = places_.find({base, weightIndex});
        return found == places_.end() ? none : found->second;
    }

private:
    void rebuild(const Node& deformer) {
        places_.clear();
        const std::vector<Connection>& incoming = deformer.incoming();
        for (size_t place = 0; place < incoming.size(); ++place) {
            int base = -1;
            int weightIndex = -1;
            if (targetGroupOf(incoming[place].local, base, weightIndex)) places_[{base, weightIndex}].push_back(place);
        }
        deformerId_ = deformer.id();
        edits_ = deformer.incomingEdits();
    }

    std::uint64_t deformerId_ = 0;  // node ids start at 1
    std::uint64_t edits_ = 0;
    std::map<std::pair<int, int>, std::vector<size_t>> places_;
};

}  // namespace

VFnBlendShapeDeformer::VFnBlendShapeDeformer(const VObject& object, VStatus* status) {
    report(status, VFnBlendShapeDeformer::setObject(object));
}

VObject VFnBlendShapeDeformer::create(const VObject& baseObject, Origin origin, VStatus* status) {
    Node* base = shapeOf(baseObject);
    GeometryPlugs plugs;
    if (base == nullptr || !geometryPlugsOf(*base, plugs)) {
        report(status, VStatus(VStatus::kInvalidParameter, "the base object is not a geometry"));
        return VObject();
    }
    VStatus result;
    NodePtr deformer = createDeformer("blendShape", "blendShape1", result);
    if (!deformer) {
        report(status, result);
        return VObject();
    }
    object_ = VObject(deformer);
    result = writeNumber(*deformer, "origin", origin == kWorldOrigin ? 1.0 : 0.0);
    if (result) result = addBaseObject(objectOf(*base));
    if (!result) {
        Scene& scene = Scene::instance();
        if (Node* set = vexa_host::deformerSet(*deformer)) scene.deleteNode(*set);
        scene.deleteNode(*deformer);
        object_ = VObject();
        report(status, result);
        return VObject();
    }
    report(status, VStatus());
    return object_;
}

VStatus VFnBlendShapeDeformer::addBaseObject(const VObject& object) {
    if (VStatus alive = checkAlive(); !alive) return alive;
    Node* base = shapeOf(object);
    if (base == nullptr) return VStatus(VStatus::kInvalidParameter, "the base object is not a geometry");
    Node& deformer = *liveNodeOf(object_);
    int index = -1;
    if (VStatus status = attachGeometry(deformer, *base, false, index); !status) return status;
    if (Node* set = vexa_host::deformerSet(deformer)) {
        static_cast<SetMembers*>(set->payload())->add(dagItem(firstPathOf(*base)));
    }
    return VStatus();
}

VStatus VFnBlendShapeDeformer::getBaseObjects(VObjectArray& objects) const { return getOutputGeometry(objects); }

VStatus VFnBlendShapeDeformer::baseIndex(const VObject& baseObject, int& index) const {
    if (VStatus alive = checkAlive(); !alive) return alive;
    Node* base = shapeOf(baseObject);
    index = base != nullptr ? indexForShape(*liveNodeOf(object_), *base) : -1;
    return index >= 0 ? VStatus() : VStatus(VStatus::kInvalidParameter, "not a base object of the blend shape");
}

VStatus VFnBlendShapeDeformer::addTarget(const VObject& baseObject, int weightIndex, const VObject& target,
                                         double fullWeight) {
    int base = -1;
    if (VStatus status = baseIndex(baseObject, base); !status) return status;
    Node* shape = shapeOf(target);
    GeometryPlugs plugs;
    if (shape == nullptr || !geometryPlugsOf(*shape, plugs)) return VStatus(VStatus::kInvalidParameter, "the target is not a geometry");
    if (weightIndex < 0 || !(fullWeight > 0.0 && fullWeight <= 1.0)) {
        return VStatus(VStatus::kInvalidParameter, "a weight index of 0 or more and a full weight in (0, 1] are needed");
    }
    Node& deformer = *liveNodeOf(object_);
    const int item = 5000 + static_cast<int>(std::lround(fullWeight * 1000.0));
    const PlugPath destination =
        plugOn(deformer, groupText(base, weightIndex) + ".inputTargetItem[" + std::to_string(item) + "].inputGeomTarget");
    VStatus status = Scene::instance().connect(*shape, plugs.output, deformer, destination);
    if (!status) return status;
    const PlugPath weight = plugOn(deformer, "weight[" + std::to_string(weightIndex) + "]");
    if (std::as_const(deformer).keyedValues().count(weight.key()) == 0) status = writeValue(deformer, weight, 0.0);
    return status;
}

VStatus VFnBlendShapeDeformer::getTargets(const VObject& baseObject, int weightIndex, VObjectArray& targets) const {
    targets.clear();
    int base = -1;
    if (VStatus status = baseIndex(baseObject, base); !status) return status;
    static TargetPlaces places;
    const Node& deformer = *liveNodeOf(object_);
    for (size_t place : places.of(deformer, base, weightIndex)) targets.append(objectOf(*deformer.incoming()[place].other));
    return VStatus();
}

VStatus VFnBlendShapeDeformer::weightIndexList(VIntArray& indices) const {
    indices.clear();
    if (VStatus alive = checkAlive(); !alive) return alive;
    const Node& deformer = *liveNodeOf(object_);
    std::set<int> found;
    for (int index : existingIndices(deformer, plugOn(deformer, "weight"))) found.insert(index);
    for (const Connection& connection : deformer.incoming()) {
        const PlugPath& local = connection.local;
        if (local.steps.size() > 2 && local.steps[0].attribute->longName == "inputTarget") found.insert(local.steps[1].index);
    }
    for (int index : found) indices.append(index);
    return VStatus();
}

unsigned VFnBlendShapeDeformer::numWeights(VStatus* status) const {
    VIntArray indices;
    report(status, weightIndexList(indices));
    return indices.length();
}

float VFnBlendShapeDeformer::weight(unsigned index, VStatus* status) const {
    if (VStatus alive = checkAlive(); !alive) {
        report(status, alive);
        return 0.0f;
    }
    double value = 0.0;
    const Node& deformer = *liveNodeOf(object_);
    report(status, readNumber(deformer, plugOn(deformer, "weight[" + std::to_string(index) + "]"), value));
    return static_cast<float>(value);
}

VStatus VFnBlendShapeDeformer::setWeight(unsigned index, float weight) {
    if (VStatus alive = checkAlive(); !alive) return alive;
    Node& deformer = *liveNodeOf(object_);
    return writeValue(deformer, plugOn(deformer, "weight[" + std::to_string(index) + "]"), static_cast<double>(weight));
}

VFnBlendShapeDeformer::Origin VFnBlendShapeDeformer::origin(VStatus* status) const {
    report(status, checkAlive());
    Node* node = liveNodeOf(object_);
    return node != nullptr && readNumber(*node, "origin") != 0.0 ? kWorldOrigin : kLocalOrigin;
}

