#ifndef VEXA_HOST_SCENE_H
#define VEXA_HOST_SCENE_H

// The host's one scene: its nodes (oldest first), the world at the top of the DAG, names and
// namespaces, connections, the current time and the active selection.
//
// Names follow the rules written in VFnDependencyNode.h. To stay fast with many nodes of one
// name, every name is indexed, and the number given to a clashing name continues from the
// last number given for the same base name.

#include "host/src/scene/Node.h"
#include "host/src/scene/NodeType.h"
#include "host/src/scene/PlugPath.h"

#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace vexa_host {

class ActiveSelection;

using NodeChain = std::vector<Node*>;  // a DAG path, top down, the world left out

class VEXA_API Scene {
public:
    static Scene& instance();

    // Deletes every node and namespace, resets the time and the selection ("file -new").
    void reset();

    Node& world() { return *world_; }
    const std::map<std::uint64_t, NodePtr>& nodes() const { return nodes_; }

    // Makes a node of a concrete type. A DAG node goes under dagParent (the world when null);
    // a shape under no transform gets a new "transform" of its own first. status says why a
    // creation failed (unknown or abstract type: kInvalidParameter; a parent that cannot take
    // children: kInvalidParameter).
    NodePtr createNode(const std::string& typeName, const std::string& name, Node* dagParent, VStatus& status);
    // The same for a type already found in the registry.
    NodePtr createNode(const NodeType& type, const std::string& name, Node* dagParent, VStatus& status);
    // Renames and answers the name the node got.
    std::string rename(Node& node, const std::string& requested);
    void deleteNode(Node& node);

    // Names.
    const std::vector<Node*>& nodesNamed(const std::string& name) const;
    bool namespaceExists(const std::string& name) const;  // "" is the root
    void addNamespace(const std::string& name);          // with its parents
    bool removeNamespace(const std::string& name);       // only an empty one
    const std::set<std::string>& namespaces() const { return namespaces_; }
    const std::string& currentNamespace() const { return currentNamespace_; }
    bool setCurrentNamespace(const std::string& name);

    // DAG.
    VStatus addChild(Node& parent, Node& child, size_t index, bool keepExistingParents);
    VStatus removeChild(Node& parent, Node& child);
    static std::vector<NodeChain> allPaths(const Node& node);
    static NodeChain firstPath(const Node& node);
    static std::string fullPathName(const NodeChain& chain);
    std::string partialPathName(const NodeChain& chain) const;
    // Every path whose tail matches the "a|b" or "|a|b" text.
    std::vector<NodeChain> findPaths(const std::string& pathText) const;

    // Connections. kFailure: locked destination, destination already driven, not
    // connectable; kInvalidParameter: plugs of kinds that do not fit, unresolved indices.
    VStatus connect(Node& source, const PlugPath& sourcePath, Node& destination, const PlugPath& destinationPath);
    VStatus disconnect(Node& source, const PlugPath& sourcePath, Node& destination, const PlugPath& destinationPath);
    // Removes an attribute's values, locks and connections from a node, then the attribute.
    VStatus removeAttribute(Node& node, const AttributeDef& attribute);

    // Time, in seconds. The time stamp moves on whenever the current time changes (and at a
    // reset): values set on driven plugs hold while it stays the same.
    double currentTime() const { return currentTime_; }
    void setCurrentTime(double seconds);
    std::uint64_t timeStamp() const { return timeStamp_; }
    double minTime() const { return minTime_; }
    double maxTime() const { return maxTime_; }
    void setTimeRange(double minTime, double maxTime);

    ActiveSelection& activeSelection() { return *activeSelection_; }

    // Holds the first path that firstPathLink (PathLink.h) built last, so that its steps stay kept
    // when nothing else holds them: a script that names each new node of a deep chain by its
    // parent finds the parent's steps kept and builds one step, not the whole path. Let go when
    // a node is deleted.
    void holdLastBuiltPath(std::shared_ptr<const PathLink> steps) { lastBuiltPath_ = std::move(steps); }

    // The next number of the scene's component groups (1, 2, ...; from 1 again after a reset).
    int nextGroupId() { return ++lastGroupId_; }

    // Notes on the scene as a whole (the fileInfo command): name -> text, until a reset.
    const std::map<std::string, std::string>& fileInfo() const { return fileInfo_; }
    void setFileInfo(const std::string& name, const std::string& text) { fileInfo_[name] = text; }

private:
    Scene();
    ~Scene();
    // The parents a DAG name has to be free under: one parent (or none), or a node's links.
    // A view: it lists nothing of its own.
    class NameParents {
    public:
        explicit NameParents(const Node* one) : one_(one) {}
        explicit NameParents(const std::vector<ParentLink>& links) : links_(&links) {}
        bool contains(const Node* parent) const;

    private:
        const Node* one_ = nullptr;
        const std::vector<ParentLink>* links_ = nullptr;
    };
    bool nameFree(const std::string& name, const Node& node, const NameParents& parents) const;
    std::string uniqueName(const std::string& requested, const Node& node, const NameParents& parents);
    void indexName(Node& node, const std::string& name);
    void unindexName(Node& node);
    void deleteOne(Node& node, std::vector<NodePtr>& keepAlive, std::vector<Node*>& curves);

    NodePtr world_;
    std::map<std::uint64_t, NodePtr> nodes_;
    std::uint64_t nextId_ = 1;
    std::unordered_map<std::string, std::vector<Node*>> names_;  // an entry may list no node: the spare
    std::string spareName_;  // the one name whose entry is kept when it lists no node
    std::unordered_map<std::string, unsigned> nextNumber_;
    std::set<std::string> namespaces_;
    std::string currentNamespace_;
    double currentTime_ = 0.0;
    std::uint64_t timeStamp_ = 0;
    int lastGroupId_ = 0;
    double minTime_ = 0.0;
    double maxTime_ = 10.0;
    std::unique_ptr<ActiveSelection> activeSelection_;
    std::map<std::string, std::string> fileInfo_;
    std::shared_ptr<const PathLink> lastBuiltPath_;
    // The last whole path that findPaths resolved by walking down, with its answer.
    struct WholePathAnswer {
        std::string text;
        std::uint64_t stamp = 0;  // Node::structureStamp() of the answer; 0 for none
        std::vector<NodeChain> found;
    };
    mutable WholePathAnswer lastWholePath_;
};

}  // namespace vexa_host

#endif
