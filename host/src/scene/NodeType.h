#ifndef VEXA_HOST_NODETYPE_H
#define VEXA_HOST_NODETYPE_H

// The type table: every node type by name, with its parent type, the function-set numbers it
// answers to (its own and its parents'), its static attributes (its parents' first), and
// optional behaviour: computed outputs (a plug value worked out on reading, such as a
// transform's matrix) and per-node data (an animation curve's keys, a set's members).
//
// New kinds of node (meshes, lights, deformers) are added by registering types; nothing else
// in the scene database knows about particular types.

#include "host/src/scene/AttributeDef.h"
#include "host/src/scene/PlugPath.h"
#include "host/src/scene/PlugValue.h"

#include <vexa/VFn.h>
#include <vexa/VexaExport.h>

#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <unordered_map>
#include <vector>

namespace vexa_host {

class Node;

// Data a node keeps beside its plugs.
class VEXA_API NodePayload {
public:
    virtual ~NodePayload();
    // Lines for the scene dump, each already indented by the caller's prefix.
    virtual void describe(std::ostream& out, const std::string& indent) const = 0;
    // Told once, as the node that keeps the payload is made.
    virtual void attach(Node& owner) { (void)owner; }
};

// Answers true and fills the value when it computes the plug.
using ComputeFunction = std::function<bool(const Node& node, const PlugPath& path, PlugValue& value)>;
using PayloadFactory = std::function<std::unique_ptr<NodePayload>()>;

struct VEXA_API NodeType {
    std::string name;
    const NodeType* parent = nullptr;
    VFn::Type fnType = VFn::kInvalid;
    std::vector<VFn::Type> fnTypes;  // every number the type answers to
    bool abstract = false;
    bool dag = false;
    bool transform = false;  // a transform-kind DAG node (can have children)
    std::vector<AttributePtr> attributes;  // flat: parents before their children
    std::unordered_map<std::string, AttributePtr> byName;  // long and short names, children too
    // The plug path of each name in byName, made once: plugs found by a plain name share it
    // (a plug that changes its path makes its own).
    std::unordered_map<std::string, std::shared_ptr<const PlugPath>> pathByName;
    // The same paths by the attribute's place in `attributes`.
    std::vector<std::shared_ptr<const PlugPath>> pathByIndex;
    std::vector<ComputeFunction> computes;  // own first, then the parents'
    PayloadFactory makePayload;
    // The most table values a node of the type has come to hold (up to a bound): the room a
    // node's table takes at its first value, so that nodes written alike do not grow it step
    // by step.
    mutable size_t valueRoom = 0;

    bool hasFn(VFn::Type type) const;
    bool isA(const std::string& typeName) const;
};

struct NodeTypeDescription {
    std::string name;
    std::string parent;  // empty for a root type
    VFn::Type fnType = VFn::kInvalid;
    std::vector<VFn::Type> extraFnTypes;
    bool abstract = false;
    std::vector<AttributePtr> attributes;  // top-level attributes of this type only
    ComputeFunction compute;
    PayloadFactory makePayload;  // inherited when empty
};

class VEXA_API NodeTypeRegistry {
public:
    static NodeTypeRegistry& instance();

    // Null when the name is taken, the parent is unknown or an attribute name clashes.
    const NodeType* registerType(NodeTypeDescription description);
    const NodeType* find(const std::string& name) const;
    std::vector<const NodeType*> types() const;

private:
    NodeTypeRegistry();
    std::map<std::string, std::unique_ptr<NodeType>> types_;
    // The types found last, newest first: creators ask for the same few types by name over and
    // over (a transform, then its shape), and types are never removed.
    static constexpr size_t kRecentTypes = 4;
    mutable const NodeType* recent_[kRecentTypes] = {};
};

// The built-in types (dependNode, dagNode, world, transform, joint, lookAt, shape, locator,
// objectSet and the animation curves); called once by the registry.
void registerBuiltinTypes(NodeTypeRegistry& registry);
// The rooms above the scene add their types when the registry is made: geometry, cameras and
// lights (geometry/ShapeTypes.cpp), shaders, shading groups and textures
// (shading/ShadingNodes.cpp), deformers, their history and bind poses
// (geometry/DeformerNodes.cpp). Declared here, defined there: the registry knows them only by
// these names.
void registerShapeTypes(NodeTypeRegistry& registry);
void registerShadingTypes(NodeTypeRegistry& registry);
void registerDeformerTypes(NodeTypeRegistry& registry);

}  // namespace vexa_host

#endif
