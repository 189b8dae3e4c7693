#ifndef WYX_SCENE_RWYXNODELIMITS_H
#define WYX_SCENE_RWYXNODELIMITS_H

// The translation, rotation and scaling limits of a node as the older file layout and the
// motion-capture formats know them. Every node owns one, made with the node right after its
// properties object. Completed by the node-limits work: for now it holds its owning node.

class RWyxNode;

class RWyxNodeLimits {
public:
    explicit RWyxNodeLimits(RWyxNode* node) : node_(node) {}
    RWyxNodeLimits(const RWyxNodeLimits&) = delete;
    RWyxNodeLimits& operator=(const RWyxNodeLimits&) = delete;
    virtual ~RWyxNodeLimits() = default;

    RWyxNode* GetNode() const { return node_; }

private:
    RWyxNode* node_;  // not owned
};

#endif
