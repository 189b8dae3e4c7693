#include "host/src/geometry/SkinBinding.h"

#include "host/src/geometry/GeometryHistory.h"
#include "host/src/geometry/MeshData.h"
#include "host/src/geometry/NurbsSurfaceData.h"
#include "host/src/geometry/SkinWeights.h"
#include "host/src/scene/NamedItems.h"
#include "host/src/scene/PathLink.h"
#include "host/src/scene/PlugAccess.h"
#include "host/src/scene/Scene.h"
#include "host/src/scene/SelectionItems.h"
#include "host/src/scene/SetMembers.h"
#include "host/src/scene/TransformNode.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <unordered_map>

namespace vexa_host {

namespace {

PlugPath plugOn(const Node& node, const std::string& text) {
    PlugPath path;
    parsePlugPath(node, text, path);
    return path;
}

std::string element(const char* name, size_t index) { return std::string(name) + "[" + std::to_string(index) + "]"; }

VMatrix worldMatrixOf(const Node& node) { return inclusiveMatrix(Scene::firstPath(node)); }

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
    const size_t keep = std::min(static_cast<size_t>(std::max(1, options.maxInfluences)), joints.size());
    SkinWeightPlugs plugs(skin);
    std::vector<std::pair<double, int>> byDistance;
    for (size_t point = 0; point < points.size(); ++point) {
        byDistance.clear();
        for (size_t joint = 0; joint < joints.size(); ++joint) {
            byDistance.emplace_back(points[point].distanceTo(joints[joint]), static_cast<int>(joint));
        }
        // Only the nearest are kept: they alone are put in order (nearest first, a tie by index).
        std::partial_sort(byDistance.begin(), byDistance.begin() + static_cast<std::ptrdiff_t>(keep), byDistance.end());
        byDistance.resize(keep);
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
            VStatus status = plugs.setWeight(skin, static_cast<int>(point), byDistance[i].second, static_cast<float>(weight));
            if (!status) return status;
        }
    }
    return VStatus();
}

// The nodes with their ancestors along their first paths, ancestors first, each once, with the
// local and world matrix of each at this time.
class PoseMembers {
public:
    // A member's world matrix is its local matrix on its parent's (a member's first-path parent
    // comes before it), so a chain N deep reads N local matrices, not N * N / 2; a node's walk
    // up stops at the first member met, so each step is taken once.
    explicit PoseMembers(const std::vector<Node*>& nodes) {
        std::vector<Node*> newcomers;
        for (Node* node : nodes) {
            newcomers.clear();
            const PathTail path = firstPathLink(*node);
            VMatrix world;
            for (const PathLink* step = path.get(); step != nullptr; step = step->up().get()) {
                const auto known = placeOf_.find(&step->node());
                if (known != placeOf_.end()) {
                    world = worlds_[known->second];
                    break;
                }
                newcomers.push_back(&step->node());
            }
            for (auto it = newcomers.rbegin(); it != newcomers.rend(); ++it) {
                placeOf_.emplace(*it, nodes_.size());
                nodes_.push_back(*it);
                locals_.push_back(localMatrix(**it));
                world = locals_.back() * world;
                worlds_.push_back(world);
            }
        }
    }

    size_t size() const { return nodes_.size(); }
    Node& node(size_t i) const { return *nodes_[i]; }
    const VMatrix& local(size_t i) const { return locals_[i]; }
    const VMatrix& world(size_t i) const { return worlds_[i]; }
    // The world matrix of one of the nodes the members were made of.
    const VMatrix& worldOf(const Node& node) const { return worlds_[placeOf_.at(&node)]; }

private:
    std::vector<Node*> nodes_;
    std::vector<VMatrix> locals_;
    std::vector<VMatrix> worlds_;
    std::unordered_map<const Node*, size_t> placeOf_;
};

VStatus connectInfluences(Node& skin, const std::vector<Node*>& joints, const PoseMembers& bindTime) {
    Scene& scene = Scene::instance();
    for (size_t j = 0; j < joints.size(); ++j) {
        VStatus status = scene.connect(*joints[j], plugOn(*joints[j], "worldMatrix[0]"), skin, plugOn(skin, element("matrix", j)));
        if (status) status = writeValue(skin, plugOn(skin, element("bindPreMatrix", j)), toMatrixValue(bindTime.worldOf(*joints[j]).inverse()));
        if (!status) return status;
    }
    return VStatus();
}

NodePtr makeBindPose(const PoseMembers& members, Node* skin, VStatus& status) {
    Scene& scene = Scene::instance();
    NodePtr pose = scene.createNode("dagPose", "bindPose1", nullptr, status);
    if (!pose) return nullptr;
    status = writeNumber(*pose, "bindPose", 1.0);
    for (size_t i = 0; i < members.size() && status; ++i) {
        Node& member = members.node(i);
        const MatrixValue world = toMatrixValue(members.world(i));
        const PlugPath worldPlug = plugOn(*pose, element("worldMatrix", i));
        status = scene.connect(member, plugOn(member, "message"), *pose, plugOn(*pose, element("members", i)));
        if (status) status = writeValue(*pose, plugOn(*pose, element("xformMatrix", i)), toMatrixValue(members.local(i)));
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

}  // namespace

NodePtr createBindPose(const std::vector<Node*>& nodes, Node* skin, VStatus& status) {
    return makeBindPose(PoseMembers(nodes), skin, status);
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
    const PoseMembers bindTime(joints);
    int index = -1;
    status = attachGeometry(*skin, shape, false, index);
    if (status) status = connectInfluences(*skin, joints, bindTime);
    if (status) status = writeValue(*skin, plugOn(*skin, "geomMatrix"), toMatrixValue(geometryMatrix));
    if (status) status = writeNumber(*skin, "maxInfluences", options.maxInfluences);
    if (status) status = writeNumber(*skin, "dropoffRate", options.dropoffRate);
    if (status) {
        std::vector<VPoint> jointPositions;
        for (const Node* joint : joints) {
            const VMatrix& world = bindTime.worldOf(*joint);
            jointPositions.emplace_back(world[3][0], world[3][1], world[3][2]);
        }
        status = weightByDistance(*skin, worldPoints(shape, geometryMatrix), jointPositions, options);
    }
    if (status) makeBindPose(bindTime, skin.get(), status);
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
