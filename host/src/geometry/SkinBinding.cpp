#include "host/src/geometry/SkinBinding.h"

#include "host/src/geometry/GeometryHistory.h"
#include "host/src/geometry/MeshData.h"
#include "host/src/geometry/NurbsSurfaceData.h"
#include "host/src/geometry/SkinWeights.h"
#include "host/src/scene/NamedItems.h"
#include "host/src/scene/PlugAccess.h"
#include "host/src/scene/Scene.h"
#include "host/src/scene/SelectionItems.h"
#include "host/src/scene/SetMembers.h"
#include "host/src/scene/TransformNode.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace vexa_host {

namespace {

PlugPath plugOn(const Node& node, const std::string& text) {
    PlugPath path;
    parsePlugPath(node, text, path);
    return path;
}

std::string element(const char* name, size_t index) { return std::string(name) + "[" + std::to_string(index) + "]"; }

VMatrix worldMatrixOf(const Node& node) { return inclusiveMatrix(Scene::firstPath(node)); }

VPoint positionOf(const Node& node) {
    const VMatrix world = worldMatrixOf(node);
    return VPoint(world[3][0], world[3][1], world[3][2]);
}

// The points of the shape in world space; empty when it has no geometry.
std::vector<VPoint> worldPoints(const Node& shape, const VMatrix& world) {
    std::vector<VPoint> points;
    if (MeshDataPtr mesh = meshOf(shape)) {
        points = mesh->points();
    } else if (NurbsSurfaceDataPtr surface = nurbsSurfaceOf(shape)) {
        points = surface->cvs();
    }
    for (VPoint& point : points) point = point.cartesian() * world;
    return points;
}

VStatus weightByDistance(Node& skin, const std::vector<VPoint>& points, const std::vector<VPoint>& joints,
                         const SkinBindOptions& options) {
    const size_t keep = static_cast<size_t>(std::max(1, options.maxInfluences));
    for (size_t point = 0; point < points.size(); ++point) {
        std::vector<std::pair<double, int>> byDistance;
        for (size_t joint = 0; joint < joints.size(); ++joint) {
            byDistance.emplace_back(points[point].distanceTo(joints[joint]), static_cast<int>(joint));
        }
        std::sort(byDistance.begin(), byDistance.end());
        byDistance.resize(std::min(keep, byDistance.size()));
        std::vector<double> weights;
        double sum = 0.0;
        for (const auto& entry : byDistance) {
            weights.push_back(entry.first <= 1e-12 ? -1.0 : 1.0 / std::pow(entry.first, options.dropoffRate));
            sum += weights.back();
        }
        const bool onJoint = weights.front() < 0.0;
        for (size_t i = 0; i < byDistance.size(); ++i) {
            const double weight = onJoint ? (i == 0 ? 1.0 : 0.0) : weights[i] / sum;
            if (weight <= 0.0) continue;
            VStatus status = setSkinWeight(skin, static_cast<int>(point), byDistance[i].second, static_cast<float>(weight));
            if (!status) return status;
        }
    }
    return VStatus();
}

VStatus connectInfluences(Node& skin, const std::vector<Node*>& joints) {
    Scene& scene = Scene::instance();
    for (size_t j = 0; j < joints.size(); ++j) {
        VStatus status = scene.connect(*joints[j], plugOn(*joints[j], "worldMatrix[0]"), skin, plugOn(skin, element("matrix", j)));
        if (status) status = writeValue(skin, plugOn(skin, element("bindPreMatrix", j)), toMatrixValue(worldMatrixOf(*joints[j]).inverse()));
        if (!status) return status;
    }
    return VStatus();
}

// The nodes with their ancestors, ancestors first, each once.
std::vector<Node*> withAncestors(const std::vector<Node*>& nodes) {
    std::vector<Node*> result;
    for (Node* node : nodes) {
        for (Node* link : Scene::firstPath(*node)) {
            if (std::find(result.begin(), result.end(), link) == result.end()) result.push_back(link);
        }
    }
    return result;
}

}  // namespace

NodePtr createBindPose(const std::vector<Node*>& nodes, Node* skin, VStatus& status) {
    Scene& scene = Scene::instance();
    NodePtr pose = scene.createNode("dagPose", "bindPose1", nullptr, status);
    if (!pose) return nullptr;
    status = writeNumber(*pose, "bindPose", 1.0);
    const std::vector<Node*> members = withAncestors(nodes);
    for (size_t i = 0; i < members.size() && status; ++i) {
        Node& member = *members[i];
        const MatrixValue world = toMatrixValue(worldMatrixOf(member));
        const PlugPath worldPlug = plugOn(*pose, element("worldMatrix", i));
        status = scene.connect(member, plugOn(member, "message"), *pose, plugOn(*pose, element("members", i)));
        if (status) status = writeValue(*pose, plugOn(*pose, element("xformMatrix", i)), toMatrixValue(localMatrix(member)));
        if (status) status = writeValue(*pose, worldPlug, world);
        if (status && member.findAttribute("bindPose")) {
            const PlugPath own = plugOn(member, "bindPose");
            status = writeValue(member, own, world);
            if (status) status = scene.connect(member, own, *pose, worldPlug);
        }
    }
    if (status && skin != nullptr) {
        status = scene.connect(*pose, plugOn(*pose, "message"), *skin, plugOn(*skin, "bindPose"));
    }
    if (!status) {
        scene.deleteNode(*pose);
        return nullptr;
    }
    return pose;
}

NodePtr bindSkin(Node& shape, const std::vector<Node*>& joints, const SkinBindOptions& options, VStatus& status) {
    if (joints.empty()) {
        status = VStatus(VStatus::kInvalidParameter, "a skin needs at least one joint");
        return nullptr;
    }
    for (const Node* joint : joints) {
        if (!joint->alive() || !joint->hasFn(VFn::kJoint)) {
            status = VStatus(VStatus::kInvalidParameter, joint->name() + " is not a joint");
            return nullptr;
        }
    }
    GeometryPlugs plugs;
    if (!geometryPlugsOf(shape, plugs)) {
        status = VStatus(VStatus::kInvalidParameter, shape.name() + " cannot be skinned");
        return nullptr;
    }
    NodePtr skin = createDeformer("skinCluster", "skinCluster1", status);
    if (!skin) return nullptr;
    Node* set = deformerSet(*skin);
    const VMatrix geometryMatrix = worldMatrixOf(shape);
    int index = -1;
    status = attachGeometry(*skin, shape, false, index);
    if (status) status = connectInfluences(*skin, joints);
    if (status) status = writeValue(*skin, plugOn(*skin, "geomMatrix"), toMatrixValue(geometryMatrix));
    if (status) status = writeNumber(*skin, "maxInfluences", options.maxInfluences);
    if (status) status = writeNumber(*skin, "dropoffRate", options.dropoffRate);
    if (status) {
        std::vector<VPoint> jointPositions;
        for (const Node* joint : joints) jointPositions.push_back(positionOf(*joint));
        status = weightByDistance(*skin, worldPoints(shape, geometryMatrix), jointPositions, options);
    }
    if (status) createBindPose(joints, skin.get(), status);
    if (!status) {
        Scene& scene = Scene::instance();
        if (set != nullptr) scene.deleteNode(*set);
        scene.deleteNode(*skin);
        return nullptr;
    }
    static_cast<SetMembers*>(set->payload())->add(dagItem(firstPathOf(shape)));
    return skin;
}

}  // namespace vexa_host
