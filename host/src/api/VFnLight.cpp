#include <vexa/VFnLight.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/api/ShapePath.h"
#include "host/src/scene/PlugAccess.h"
#include "host/src/scene/Scene.h"

#include <cmath>

using namespace vexa_host;

VFnLight::VFnLight(const VObject& object, VStatus* status) { report(status, setObject(object)); }

VFnLight::VFnLight(const VDagPath& path, VStatus* status) { report(status, setObject(path)); }

VStatus VFnLight::setObject(const VObject& object) {
    hasPath_ = false;
    path_ = VDagPath();
    Node* node = nodeOf(object);
    if (node != nullptr && !node->alive()) {
        object_ = VObject();
        return deletedNode();
    }
    if (node == nullptr || !accepts(object)) {
        object_ = VObject();
        return VStatus(VStatus::kInvalidParameter, VString("the object is not a light of kind ") + static_cast<int>(type()));
    }
    object_ = object;
    return VStatus();
}

VStatus VFnLight::setObject(const VDagPath& path) {
    VDagPath shape;
    if (VStatus status = shapePathOf(path, shape); !status) {
        object_ = VObject();
        return status;
    }
    return VFnDagNode::setObject(shape);
}

VColor VFnLight::color(VStatus* status) const {
    Node* node = liveNodeOf(object_);
    report(status, node != nullptr ? VStatus() : (object_.isNull() ? noObject() : deletedNode()));
    if (node == nullptr) return VColor();
    return VColor(static_cast<float>(readNumber(*node, "colorR")), static_cast<float>(readNumber(*node, "colorG")),
                  static_cast<float>(readNumber(*node, "colorB")));
}

VStatus VFnLight::setColor(const VColor& color) {
    Node* node = liveNodeOf(object_);
    if (node == nullptr) return object_.isNull() ? noObject() : deletedNode();
    if (!std::isfinite(color.r) || !std::isfinite(color.g) || !std::isfinite(color.b)) {
        return VStatus(VStatus::kInvalidParameter, "the colour is not a number");
    }
    const double values[3] = {color.r, color.g, color.b};
    const char* names[3] = {"colorR", "colorG", "colorB"};
    for (int i = 0; i < 3; ++i) {
        if (VStatus status = writeNumber(*node, names[i], values[i]); !status) return status;
    }
    return VStatus();
}

float VFnLight::intensity(VStatus* status) const {
    Node* node = liveNodeOf(object_);
    report(status, node != nullptr ? VStatus() : (object_.isNull() ? noObject() : deletedNode()));
    return node != nullptr ? static_cast<float>(readNumber(*node, "intensity")) : 0.0f;
}

VStatus VFnLight::setIntensity(float intensity) {
    Node* node = liveNodeOf(object_);
    if (node == nullptr) return object_.isNull() ? noObject() : deletedNode();
    if (!std::isfinite(intensity)) return VStatus(VStatus::kInvalidParameter, "the intensity is not a number");
    return writeNumber(*node, "intensity", intensity);
}

VObject VFnLight::createLight(const char* typeName, const VObject& parent, bool ownTransform, VStatus* status) {
    Node* parentNode = nullptr;
    if (!parent.isNull() && (parentNode = liveNodeOf(parent)) == nullptr) {
        report(status, VStatus(VStatus::kInvalidParameter, "the parent is not a live node"));
        return VObject();
    }
    Scene& scene = Scene::instance();
    VStatus result;
    if (ownTransform && parentNode != nullptr) {
        NodePtr holder = scene.createNode("transform", std::string(typeName) + "1", parentNode, result);
        if (!holder) {
            report(status, result);
            return VObject();
        }
        parentNode = holder.get();
    } else if (!ownTransform && (parentNode == nullptr || !parentNode->isTransform())) {
        report(status, VStatus(VStatus::kInvalidParameter, "a light without a transform of its own needs a transform parent"));
        return VObject();
    }
    NodePtr light = scene.createNode(typeName, std::string(), parentNode, result);
    report(status, result);
    if (!light) return VObject();
    setObject(objectOf(*light));
    return object_;
}
