#include "hostexport/ExportNodeMap.h"

#include <vexa/VFnDependencyNode.h>

std::string ExportNodeMap::LeafName(const VDagPath& path) { return VFnDependencyNode(path.node()).name().str(); }

const std::vector<ExportNodeMap::Entry>* ExportNodeMap::EntriesNamed(const std::string& leaf) const {
    const auto found = byLeafName_.find(leaf);
    return found != byLeafName_.end() ? &found->second : nullptr;
}

void ExportNodeMap::Add(const VDagPath& path, VexaNode* node) { byLeafName_[LeafName(path)].push_back({path, node}); }

VexaNode* ExportNodeMap::Find(const VDagPath& path) const {
    if (path.length() == 0) return nullptr;
    if (const std::vector<Entry>* entries = EntriesNamed(LeafName(path))) {
        for (const Entry& entry : *entries) {
            if (entry.path == path) return entry.node;
        }
    }
    return nullptr;
}
