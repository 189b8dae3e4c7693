#ifndef WYX_TESTS_SCENE_NODETESTSUPPORT_H
#define WYX_TESTS_SCENE_NODETESTSUPPORT_H

// Shared by the node, node-properties and object-factory tests: an attribute kind of the
// tests' own that logs what its node asks of it, and small tree builders.

#include "curves/RFCurveNode.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeAttribute.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNode.h"

#include <string>
#include <vector>

namespace node_test {

// Adds a "Probe" channel to every take node of the node it is attached to and removes it
// again on detach. Type 0 (the shape id), so that no typed accessor of the node answers it.
class ProbeAttribute : public RWyxNodeAttribute {
public:
    explicit ProbeAttribute(std::vector<std::string>* log = nullptr) : RWyxNodeAttribute(nullptr), log_(log) {}
    ~ProbeAttribute() override { Log("deleted"); }

    int GetAttributeType() const override { return kShape; }
    RString GetTypeName() const override { return RString("Probe"); }
    void AddChannels(RWyxTakeNode& takeNode) override {
        Log("add " + std::string(takeNode.GetName().Buffer()));
        takeNode.GetRootCurveNode()->FindOrAddChild("Probe", true);
    }
    void RemoveChannels(RWyxTakeNode& takeNode) override {
        Log("remove " + std::string(takeNode.GetName().Buffer()));
        RFCurveNode* root = takeNode.GetRootCurveNode();
        const int index = root->GetChildIndexByName("Probe");
        if (index >= 0) root->DeleteChild(index);
    }

private:
    void Log(const std::string& entry) {
        if (log_ != nullptr) log_->push_back(entry);
    }
    std::vector<std::string>* log_;
};

// True when the take node's root has a child of that name.
inline bool HasChannel(RWyxTakeNode* takeNode, const char* name) {
    return takeNode != nullptr && takeNode->GetRootCurveNode()->GetChildIndexByName(name) >= 0;
}

// A chain of `depth` nodes below (and including) a new top node; answers the nodes, top first.
inline std::vector<RWyxNode*> MakeChain(RWyxObjectFactory& factory, int depth) {
    std::vector<RWyxNode*> chain;
    chain.reserve(static_cast<size_t>(depth));
    for (int i = 0; i < depth; ++i) {
        RWyxNode* node = factory.CreateNode(("Link" + std::to_string(i)).c_str());
        if (!chain.empty()) chain.back()->AddChild(node);
        chain.push_back(node);
    }
    return chain;
}

}  // namespace node_test

#endif
