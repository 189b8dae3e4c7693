// The deformer commands: cluster and percent (cluster weights), newSkinCluster and skinPercent
// (skin weights).

#include "host/src/api/ApiSupport.h"
#include "host/src/commands/CommandItems.h"
#include "host/src/commands/HostCommands.h"
#include "host/src/geometry/ComponentPoints.h"
#include "host/src/geometry/GeometryHistory.h"
#include "host/src/geometry/SkinBinding.h"
#include "host/src/geometry/SkinWeights.h"
#include "host/src/scene/PlugAccess.h"
#include "host/src/scene/Scene.h"
#include "host/src/scene/TransformNode.h"
#include "host/src/shading/SetMembership.h"

#include <algorithm>
#include <sstream>
#include <unordered_set>

namespace vexa_host {

namespace {

PlugPath plugOn(const Node& node, const std::string& text) {
    PlugPath path;
    parsePlugPath(node, text, path);
    return path;
}

// The deformed shapes of the items, each once; kInvalidParameter for an item without one.
VStatus shapesOf(const std::vector<SelectionItem>& items, std::vector<Node*>& shapes) {
    for (const SelectionItem& item : items) {
        Node* shape = shapeOfItem(item);
        GeometryPlugs plugs;
        if (shape == nullptr || !geometryPlugsOf(*shape, plugs)) {
            return VStatus(VStatus::kInvalidParameter, selectionText(item) + " is not a deformable geometry");
        }
        if (std::find(shapes.begin(), shapes.end(), shape) == shapes.end()) shapes.push_back(shape);
    }
    return VStatus();
}

// Each item's shape, its geometry index on the deformer and its points.
struct DeformedPoints {
    Node* shape = nullptr;
    int geometry = -1;
    std::vector<int> points;
};

VStatus deformedPointsOf(const Node& deformer, const std::vector<SelectionItem>& items, std::vector<DeformedPoints>& result) {
    for (const SelectionItem& item : items) {
        DeformedPoints entry;
        entry.shape = shapeOfItem(item);
        entry.geometry = entry.shape != nullptr ? indexForShape(deformer, *entry.shape) : -1;
        if (entry.geometry < 0) return VStatus(VStatus::kInvalidParameter, selectionText(item) + " is not deformed by " + deformer.name());
        if (VStatus status = componentPoints(*entry.shape, item.component, entry.points); !status) return status;
        result.push_back(std::move(entry));
    }
    return VStatus();
}

VStatus deformerNamed(const char* command, const std::string& word, const char* typeName, Node*& deformer) {
    if (VStatus status = nodeNamed(word, deformer); !status) return commandError(command, status.errorString().str());
    return deformer->type().isA(typeName) ? VStatus() : commandError(command, word + " is not a " + typeName);
}

// The handle of a new cluster: the weighted node's transform given with -wn, or a new
// "<cluster>Handle" at the world; either way with a clusterHandle shape below it. The nodes it
// makes go on `made`.
VStatus clusterHandle(const CommandFlags& flags, const Node& cluster, Node*& transform, Node*& handle,
                      std::vector<Node*>& made) {
    Scene& scene = Scene::instance();
    VStatus status;
    if (const std::vector<std::string>* weighted = flags.values("-wn")) {
        Node* node = nullptr;
        if (VStatus found = nodeNamed((*weighted)[0], node); !found) return found;
        if (VStatus found = nodeNamed((*weighted)[1], transform); !found) return found;
        if (!transform->isTransform()) return VStatus(VStatus::kInvalidParameter, (*weighted)[1] + " is not a transform");
        for (Node* child : transform->children()) {
            if (child->hasFn(VFn::kClusterHandle)) handle = child;
        }
        if (handle != nullptr) return VStatus();
    } else {
        NodePtr holder = scene.createNode("transform", cluster.name() + "Handle", nullptr, status);
        if (!holder) return status;
        transform = holder.get();
        made.push_back(transform);
    }
    NodePtr shape = scene.createNode("clusterHandle", transform->name() + "Shape", transform, status);
    if (shape) made.push_back(shape.get());
    handle = shape.get();
    return status;
}

VStatus connectHandle(Node& cluster, Node& transform, Node& handle) {
    Scene& scene = Scene::instance();
    VStatus status = scene.connect(handle, plugOn(handle, "clusterTransforms[0]"), cluster, plugOn(cluster, "clusterXforms"));
    if (status) status = scene.connect(transform, plugOn(transform, "worldMatrix[0]"), cluster, plugOn(cluster, "matrix"));
    const VMatrix world = inclusiveMatrix(Scene::firstPath(transform));
    if (status) status = writeValue(cluster, plugOn(cluster, "bindPreMatrix"), toMatrixValue(world.inverse()));
    return status;
}

// "cluster [-n name] [-rel] [-bf] [-bs state] [-wn node transform] [items]": the cluster's
// name and its handle's. Without items (and nothing selected) the cluster starts empty and
// takes geometry as its set gets members.
VStatus clusterCommand(const VArgList& args, CommandResult& result) {
    static const std::vector<FlagSpec> table = {{"-n", "-name", 1},      {"-rel", "-relative", 0}, {"-bf", "-before", 0},
                                                {"-bs", "-bindState", 1}, {"-wn", "-weightedNode", 2}};
    CommandFlags flags;
    VStatus status;
    if (!readCommandFlags("cluster", args, table, flags, status)) return status;
    std::vector<SelectionItem> items;
    std::vector<Node*> shapes;
    status = positionalItems(flags, items);
    if (status) status = shapesOf(items, shapes);
    if (!status) return commandError("cluster", status.errorString().str());
    NodePtr cluster = createDeformer("cluster", flags.value("-n", "cluster1"), status);
    if (!cluster) return commandError("cluster", status.errorString().str());
    std::vector<Node*> made = {deformerSet(*cluster), cluster.get()};
    Node* transform = nullptr;
    Node* handle = nullptr;
    status = writeNumber(*cluster, "relative", flags.has("-rel") ? 1.0 : 0.0);
    if (status) status = clusterHandle(flags, *cluster, transform, handle, made);
    if (status) status = connectHandle(*cluster, *transform, *handle);
    if (!status) {
        for (auto it = made.rbegin(); it != made.rend(); ++it) Scene::instance().deleteNode(**it);
        return commandError("cluster", status.errorString().str());
    }
    for (Node* shape : shapes) {
        int index = -1;
        if (status) status = attachGeometry(*cluster, *shape, flags.has("-bf"), index);
    }
    for (const SelectionItem& item : items) {
        if (status) status = addSetMember(*deformerSet(*cluster), item, false);
    }
    if (!status) return commandError("cluster", status.errorString().str());
    result.addText(cluster->name());
    result.addText(transform->name());
    return VStatus();
}

// "percent -v value deformer [items]" sets the weights of the items' points;
// "percent -q -v deformer [items]" answers them.
VStatus percentCommand(const VArgList& args, CommandResult& result) {
    static const std::vector<FlagSpec> table = {{"-q", "-query", 0}, {"-v", "-value", 1}};
    CommandFlags flags;
    VStatus status;
    if (!readCommandFlags("percent", args, table, flags, status)) return status;
    if (flags.positional().empty() || !flags.has("-v")) return commandError("percent", "give -v and a deformer");
    double value = 0.0;
    if (!flags.query() && !readNumberWord(flags.value("-v"), value)) return commandError("percent", "-v takes a number");
    Node* deformer = nullptr;
    if (VStatus found = deformerNamed("percent", flags.positional().front(), "weightGeometryFilter", deformer); !found) return found;
    std::vector<SelectionItem> items;
    std::vector<DeformedPoints> targets;
    status = itemsNamed({flags.positional().begin() + 1, flags.positional().end()}, items);
    if (status) status = deformedPointsOf(*deformer, items, targets);
    if (!status) return commandError("percent", status.errorString().str());
    for (const DeformedPoints& target : targets) {
        const std::string list = "weightList[" + std::to_string(target.geometry) + "].weights[";
        for (int point : target.points) {
            const PlugPath weight = plugOn(*deformer, list + std::to_string(point) + "]");
            if (flags.query()) {
                double read = 0.0;
                readNumber(*deformer, weight, read);
                result.addNumber(read);
            } else if (VStatus written = writeValue(*deformer, weight, value); !written) {
                return commandError("percent", written.errorString().str());
            }
        }
    }
    return VStatus();
}

// The joints of the hierarchies the joints belong to: from each one's topmost joint ancestor
// down, in order, each once.
std::vector<Node*> wholeSkeletons(const std::vector<Node*>& joints) {
    std::vector<Node*> result;
    for (Node* joint : joints) {
        Node* root = joint;
        while (!root->parents().empty() && root->parents().front().parent->hasFn(VFn::kJoint)) {
            root = root->parents().front().parent;
        }
        std::vector<Node*> pending{root};
        while (!pending.empty()) {
            Node* node = pending.back();
            pending.pop_back();
            if (std::find(result.begin(), result.end(), node) == result.end()) result.push_back(node);
            const std::vector<Node*> children = node->children();
            for (auto it = children.rbegin(); it != children.rend(); ++it) {
                if ((*it)->hasFn(VFn::kJoint)) pending.push_back(*it);
            }
        }
    }
    return result;
}

// "newSkinCluster \"-toSelectedBones -mi 5 -dr 4\"": binds each selected geometry to the
// selected joints (with -toSelectedBones) or to their whole skeletons; answers the skins.
VStatus newSkinClusterCommand(const VArgList& args, CommandResult& result) {
    VStringArray words;
    for (unsigned i = 0; i < args.length(); ++i) {
        std::istringstream split(args.asString(i).str());
        for (std::string word; split >> word;) words.append(VString(word));
    }
    static const std::vector<FlagSpec> table = {
        {"-tsb", "-toSelectedBones", 0}, {"-mi", "-maximumInfluences", 1}, {"-dr", "-dropoffRate", 1}};
    CommandFlags flags;
    VStatus status;
    const VArgList split(std::move(words));  // the flags refer into it
    if (!readCommandFlags("newSkinCluster", split, table, flags, status)) return status;
    SkinBindOptions options;
    double number = 0.0;
    if (flags.has("-mi")) {
        if (!readNumberWord(flags.value("-mi"), number) || number < 1.0) return commandError("newSkinCluster", "-mi takes a count of 1 or more");
        options.maxInfluences = static_cast<int>(number);
    }
    if (flags.has("-dr")) {
        if (!readNumberWord(flags.value("-dr"), number) || number <= 0.0) return commandError("newSkinCluster", "-dr takes a positive rate");
        options.dropoffRate = number;
    }
    if (!flags.positional().empty()) return commandError("newSkinCluster", "takes its options only; select joints and geometry");
    std::vector<Node*> joints;
    std::unordered_set<const Node*> selectedJoints;
    std::vector<SelectionItem> geometry;
    for (const SelectionItem& item : Scene::instance().activeSelection()) {
        Node* node = item.stillExists() && item.kind == SelectionItem::kDagPath ? liveNodeOf(item.node) : nullptr;
        if (node != nullptr && node->hasFn(VFn::kJoint) && item.component.isNull()) {
            if (selectedJoints.insert(node).second) joints.push_back(node);
        } else if (item.stillExists()) {
            geometry.push_back(item);
        }
    }
    std::vector<Node*> shapes;
    if (VStatus found = shapesOf(geometry, shapes); !found) return commandError("newSkinCluster", found.errorString().str());
    if (joints.empty() || shapes.empty()) return commandError("newSkinCluster", "select joints and the geometry to bind");
    if (!flags.has("-tsb")) joints = wholeSkeletons(joints);
    for (Node* shape : shapes) {
        NodePtr skin = bindSkin(*shape, joints, options, status);
        if (!skin) return commandError("newSkinCluster", shape->name() + ": " + status.errorString().str());
        result.addText(skin->name());
    }
    return VStatus();
}

VStatus applySkinPercent(const CommandFlags& flags, Node& skin, const DeformedPoints& target) {
    double prune = 0.0;
    bool normalize = true;
    if (flags.has("-prw") && !readNumberWord(flags.value("-prw"), prune)) return VStatus(VStatus::kInvalidParameter, "-prw takes a number");
    if (flags.has("-nrm") && !readBoolWord(flags.value("-nrm"), normalize)) return VStatus(VStatus::kInvalidParameter, "-normalize takes true or false");
    std::vector<std::pair<int, double>> transforms;
    for (const CommandFlags::Flag& flag : flags.flags()) {
        if (std::string(flag.spec.shortName) != "-tv") continue;
        Node* influence = nullptr;
        double value = 0.0;
        if (VStatus found = nodeNamed(flag.values[0], influence); !found) return found;
        const int index = indexOfInfluence(skin, *influence);
        if (index < 0) return VStatus(VStatus::kInvalidParameter, flag.values[0] + " is not an influence of " + skin.name());
        if (!readNumberWord(flag.values[1], value)) return VStatus(VStatus::kInvalidParameter, "-tv takes an influence and a number");
        transforms.emplace_back(index, value);
    }
    for (int point : target.points) {
        if (flags.has("-prw")) pruneWeights(skin, point, prune);
        for (const auto& entry : transforms) {
            VStatus status = setSkinWeight(skin, point, entry.first, static_cast<float>(entry.second));
            if (status && normalize) status = normalizeOthers(skin, point, {entry.first});
            if (!status) return status;
        }
        if (flags.has("-nrm") && normalize) {
            if (VStatus status = normalizePoint(skin, point); !status) return status;
        }
    }
    return VStatus();
}

// "skinPercent [-prw limit] [-normalize bool] [-tv influence value]... skin [items]" prunes,
// sets and normalises the weights of the items' points; "skinPercent -q -v skin [items]"
// answers, point by point, every influence's weight in index order.
VStatus skinPercentCommand(const VArgList& args, CommandResult& result) {
    static const std::vector<FlagSpec> table = {{"-q", "-query", 0},
                                                {"-v", "-value", 0},
                                                {"-prw", "-pruneWeights", 1},
                                                {"-nrm", "-normalize", 1},
                                                {"-tv", "-transformValue", 2}};
    CommandFlags flags;
    VStatus status;
    if (!readCommandFlags("skinPercent", args, table, flags, status)) return status;
    if (flags.positional().empty()) return commandError("skinPercent", "name a skin cluster");
    Node* skin = nullptr;
    if (VStatus found = deformerNamed("skinPercent", flags.positional().front(), "skinCluster", skin); !found) return found;
    std::vector<SelectionItem> items;
    std::vector<DeformedPoints> targets;
    status = itemsNamed({flags.positional().begin() + 1, flags.positional().end()}, items);
    if (status) status = deformedPointsOf(*skin, items, targets);
    if (!status) return commandError("skinPercent", status.errorString().str());
    for (const DeformedPoints& target : targets) {
        if (flags.query()) {
            const std::vector<int> influences = influenceIndices(*skin);
            SkinWeightPlugs plugs(*skin);
            for (int point : target.points) {
                for (int influence : influences) result.addNumber(plugs.weight(*skin, point, influence));
            }
        } else if (VStatus applied = applySkinPercent(flags, *skin, target); !applied) {
            return commandError("skinPercent", applied.errorString().str());
        }
    }
    return VStatus();
}

}  // namespace

void registerDeformerCommands(CommandEngine& engine) {
    engine.registerBuiltin("cluster", clusterCommand);
    engine.registerBuiltin("percent", percentCommand);
    engine.registerBuiltin("newSkinCluster", newSkinClusterCommand);
    engine.registerBuiltin("skinPercent", skinPercentCommand);
}

}  // namespace vexa_host
