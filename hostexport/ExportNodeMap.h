#ifndef WYX_HOSTEXPORT_EXPORTNODEMAP_H
#define WYX_HOSTEXPORT_EXPORTNODEMAP_H

// The nodes the export's DAG walk made, each found again by the host DAG path it was made for.
// A path is named by its full path name ("|a|b|c"), one node per name; but that text is as long
// as the path, and a deep hierarchy would keep and build a text per node as long as its depth.
// So the map files each path under the name of its last node (which the export renames
// nowhere) and tells the paths of one name apart by comparing them: the same answers, at a cost
// per node that does not grow with the depth.

#include <vexa/VDagPath.h>

#include <string>
#include <unordered_map>
#include <vector>

class VexaNode;

class ExportNodeMap {
public:
    // The node of the path; the walk gives each path once.
    void Add(const VDagPath& path, VexaNode* node);
    // The node given for a path equal to this one; null when none.
    VexaNode* Find(const VDagPath& path) const;

private:
    struct Entry {
        VDagPath path;
        VexaNode* node;
    };
    static std::string LeafName(const VDagPath& path);
    const std::vector<Entry>* EntriesNamed(const std::string& leaf) const;

    // Names compare byte for byte, as path names do: "B" and "b" are two nodes.
    std::unordered_map<std::string, std::vector<Entry>> byLeafName_;
};

#endif
