#include "host/src/geometry/GeometryHistory.h"

#include "host/src/geometry/MeshData.h"
#include "host/src/geometry/NurbsSurfaceData.h"
#include "host/src/scene/PlugAccess.h"
#include "host/src/scene/Scene.h"

#include <algorithm>

namespace vexa_host {

namespace {

constexpr int kMaxHistoryLength = 64;

struct PlugNames {
    const char* input;
    const char* output;
};

// The input and output plugs of the deformable shape types, preferred first.
const PlugNames kShapePlugs[] = {{"inMesh", "worldMesh[0]"}, {"inMesh", "outMesh"}, {"create", "worldSpace[0]"}, {"create", "local"}};

PlugPath plugOn(const Node& node, const std::string& text) {
    PlugPath path;
    parsePlugPath(node, text, path);
    return path;
}

int indexOf(const PlugPath& path, size_t step) { return step < path.steps.size() ? path.steps[step].index : -1; }

// The connection that comes out of exactly this plug (the first one).
const Connection* firstOutgoing(const Node& node, const PlugPath& plug) {
    for (const Connection& connection : node.outgoing()) {
        if (connection.local == plug) return &connection;
    }
    return nullptr;
}

int nextFreeIndex(const Node& deformer) {
    int next = 0;
    for (const char* name : {"input", "outputGeometry"}) {
        const std::vector<int> used = keptExistingIndices(deformer, plugOn(deformer, name));
        if (!used.empty()) next = std::max(next, used.back() + 1);
    }
    return next;
}

VStatus makeOriginal(Node& shape, const GeometryPlugs& plugs, Node*& original, PlugPath& originalOutput) {
    if (shape.parents().empty()) return VStatus(VStatus::kInvalidParameter, "the shape has no transform");
    Scene& scene = Scene::instance();
    VStatus status;
    NodePtr made = scene.createNode(shape.type().name, shape.name() + "Orig", shape.parents().front().parent, status);
    if (!made) return status;
    GeometryPlugs madePlugs;
    geometryPlugsOf(*made, madePlugs);
    PlugValue geometry;
    status = readValue(shape, plugs.output, geometry);
    if (status) status = writeValue(*made, madePlugs.input, geometry);
    if (status) status = writeNumber(*made, "intermediateObject", 1.0);
    if (!status) {
        scene.deleteNode(*made);
        return status;
    }
    original = made.get();
    originalOutput = madePlugs.output;
    return VStatus();
}

// Puts the node between a source plug and the plug it fed.
VStatus splice(Node& source, const PlugPath& sourcePlug, Node& consumer, const PlugPath& consumerPlug, Node& node,
               const PlugPath& nodeInput, const PlugPath& nodeOutput) {
    Scene& scene = Scene::instance();
    VStatus status = scene.disconnect(source, sourcePlug, consumer, consumerPlug);
    if (status) status = scene.connect(source, sourcePlug, node, nodeInput);
    if (status) status = scene.connect(node, nodeOutput, consumer, consumerPlug);
    return status;
}

}  // namespace

bool geometryPlugsOf(const Node& shape, GeometryPlugs& plugs) {
    if (!shape.alive() || !shape.hasFn(VFn::kShape)) return false;
    for (const PlugNames& names : kShapePlugs) {
        if (parsePlugPath(shape, names.input, plugs.input) && parsePlugPath(shape, names.output, plugs.output) &&
            plugs.input.leaf().kind == AttributeKind::Data) {
            return true;
        }
    }
    return false;
}

bool historyOutputFor(const Node& node, const PlugPath& input, PlugPath& output) {
    if (node.hasFn(VFn::kGeometryFilter)) {
        if (input.key() != "input[" + std::to_string(indexOf(input, 0)) + "].inputGeometry") return false;
        return parsePlugPath(node, "outputGeometry[" + std::to_string(indexOf(input, 0)) + "]", output);
    }
    if (node.hasFn(VFn::kPolySmoothFacet) && input.key() == "inputPolymesh") return parsePlugPath(node, "output", output);
    return false;
}

bool historyInputFor(const Node& node, const PlugPath& output, PlugPath& input) {
    if (node.hasFn(VFn::kGeometryFilter)) {
        if (output.key() != "outputGeometry[" + std::to_string(indexOf(output, 0)) + "]") return false;
        return parsePlugPath(node, "input[" + std::to_string(indexOf(output, 0)) + "].inputGeometry", input);
    }
    if (node.hasFn(VFn::kPolySmoothFacet) && output.key() == "output") return parsePlugPath(node, "inputPolymesh", input);
    return false;
}

VStatus insertIntoHistory(Node& shape, Node& node, const PlugPath& nodeInput, const PlugPath& nodeOutput, bool atFront) {
    GeometryPlugs plugs;
    if (!geometryPlugsOf(shape, plugs)) return VStatus(VStatus::kInvalidParameter, shape.name() + " cannot be deformed");
    Scene& scene = Scene::instance();
    PlugPath sourcePlug;
    const Connection* driver = drivingConnection(shape, plugs.input, &sourcePlug);
    if (driver == nullptr) {
        Node* original = nullptr;
        PlugPath originalOutput;
        VStatus status = makeOriginal(shape, plugs, original, originalOutput);
        if (status) status = scene.connect(*original, originalOutput, node, nodeInput);
        if (status) status = scene.connect(node, nodeOutput, shape, plugs.input);
        return status;
    }
    // Walk down the history to the link that leaves the original shape.
    Node* consumer = &shape;
    PlugPath consumerPlug = plugs.input;
    Node* source = driver->other;
    for (int step = 0; atFront && step < kMaxHistoryLength && !source->hasFn(VFn::kShape); ++step) {
        PlugPath sourceInput;
        PlugPath upstreamPlug;
        const Connection* upstream =
            historyInputFor(*source, sourcePlug, sourceInput) ? drivingConnection(*source, sourceInput, &upstreamPlug) : nullptr;
        if (upstream == nullptr) break;
        consumer = source;
        consumerPlug = sourceInput;
        source = upstream->other;
        sourcePlug = upstreamPlug;
    }
    if (atFront && !source->hasFn(VFn::kShape)) {
        // A history that does not start at a shape: the node goes on top instead.
        consumer = &shape;
        consumerPlug = plugs.input;
        source = drivingConnection(shape, plugs.input, &sourcePlug)->other;
    }
    return splice(*source, sourcePlug, *consumer, consumerPlug, node, nodeInput, nodeOutput);
}

NodePtr createDeformer(const std::string& typeName, const std::string& name, VStatus& status) {
    const NodeType* type = NodeTypeRegistry::instance().find(typeName);
    if (type == nullptr || type->abstract || !type->hasFn(VFn::kGeometryFilter)) {
        status = VStatus(VStatus::kInvalidParameter, "not a deformer type: " + typeName);
        return nullptr;
    }
    Scene& scene = Scene::instance();
    NodePtr deformer = scene.createNode(typeName, name, nullptr, status);
    if (!deformer) return nullptr;
    NodePtr set = scene.createNode("objectSet", deformer->name() + "Set", nullptr, status);
    if (set) status = scene.connect(*deformer, plugOn(*deformer, "message"), *set, plugOn(*set, "usedBy[0]"));
    if (!status) {
        if (set) scene.deleteNode(*set);
        scene.deleteNode(*deformer);
        return nullptr;
    }
    return deformer;
}

VStatus attachGeometry(Node& deformer, Node& shape, bool atFront, int& index) {
    if (!deformer.alive() || !deformer.hasFn(VFn::kGeometryFilter)) return VStatus(VStatus::kInvalidParameter, "not a deformer");
    GeometryPlugs plugs;
    if (!geometryPlugsOf(shape, plugs)) return VStatus(VStatus::kInvalidParameter, shape.name() + " cannot be deformed");
    index = indexForShape(deformer, shape);
    if (index >= 0) return VStatus();
    const int next = nextFreeIndex(deformer);
    Scene& scene = Scene::instance();
    VStatus status;
    NodePtr group = scene.createNode("groupId", "groupId1", nullptr, status);
    if (!group) return status;
    const std::string element = "input[" + std::to_string(next) + "]";
    status = writeNumber(*group, "groupId", scene.nextGroupId());
    if (status) status = scene.connect(*group, plugOn(*group, "groupId"), deformer, plugOn(deformer, element + ".groupId"));
    if (status) {
        status = insertIntoHistory(shape, deformer, plugOn(deformer, element + ".inputGeometry"),
                                   plugOn(deformer, "outputGeometry[" + std::to_string(next) + "]"), atFront);
    }
    if (!status) {
        scene.deleteNode(*group);
        return status;
    }
    index = next;
    return VStatus();
}

Node* deformerSet(const Node& deformer) {
    for (const Connection& connection : deformer.outgoing()) {
        if (connection.local.leaf().longName == "message" && connection.other->hasFn(VFn::kObjectSet)) return connection.other;
    }
    return nullptr;
}

Node* deformerOfSet(const Node& set) {
    for (const Connection& connection : set.incoming()) {
        if (connection.local.steps.front().attribute->longName == "usedBy" && connection.other->hasFn(VFn::kGeometryFilter)) {
            return connection.other;
        }
    }
    return nullptr;
}

std::vector<int> geometryIndices(const Node& deformer) {
    if (!deformer.hasFn(VFn::kGeometryFilter)) return {};
    return keptExistingIndices(deformer, plugOn(deformer, "outputGeometry"));
}

Node* outputShape(const Node& deformer, int index) {
    const Node* node = &deformer;
    PlugPath plug = plugOn(deformer, "outputGeometry[" + std::to_string(index) + "]");
    for (int step = 0; step < kMaxHistoryLength && !plug.empty(); ++step) {
        const Connection* link = firstOutgoing(*node, plug);
        if (link == nullptr) return nullptr;
        if (link->other->hasFn(VFn::kShape)) return link->other;
        if (!historyOutputFor(*link->other, link->remote, plug)) return nullptr;
        node = link->other;
    }
    return nullptr;
}

Node* inputShape(const Node& deformer, int index) {
    const Node* node = &deformer;
    PlugPath plug = plugOn(deformer, "input[" + std::to_string(index) + "].inputGeometry");
    for (int step = 0; step < kMaxHistoryLength && !plug.empty(); ++step) {
        PlugPath sourcePlug;
        const Connection* link = drivingConnection(*node, plug, &sourcePlug);
        if (link == nullptr) return nullptr;
        if (link->other->hasFn(VFn::kShape)) return link->other;
        if (!historyInputFor(*link->other, sourcePlug, plug)) return nullptr;
        node = link->other;
    }
    return nullptr;
}

int indexForShape(const Node& deformer, const Node& shape) {
    for (int index : geometryIndices(deformer)) {
        if (outputShape(deformer, index) == &shape) return index;
    }
    return -1;
}

int pointCountOf(const Node& shape) {
    if (MeshDataPtr mesh = meshOf(shape)) return mesh->pointCount();
    if (NurbsSurfaceDataPtr surface = nurbsSurfaceOf(shape)) {
        return surface->cvCount(NurbsSurfaceData::kU) * surface->cvCount(NurbsSurfaceData::kV);
    }
    return -1;
}

}  // namespace vexa_host
