#ifndef VEXA_HOST_PLUGPATH_H
#define VEXA_HOST_PLUGPATH_H

// Where a plug lies on its node: the chain of attributes from a top-level attribute down to
// the plug's own, with the logical index chosen at each array (-1: none chosen).
//
// The key of a plug is its canonical text: the steps that carry an index, and the last one,
// joined by "." with long names ("translateX", "weight[3]", "input[0].groupId"). Child
// attribute names are unique on a node, so the key names the plug; values are stored by key.

#include "host/src/scene/AttributeDef.h"

#include <vexa/VexaExport.h>

#include <string>
#include <vector>

namespace vexa_host {

class Node;

struct PlugStep {
    AttributePtr attribute;
    int index = -1;
    bool operator==(const PlugStep& other) const { return attribute == other.attribute && index == other.index; }
};

struct VEXA_API PlugPath {
    std::vector<PlugStep> steps;

    const AttributeDef& leaf() const { return *steps.back().attribute; }
    const AttributePtr& leafPtr() const { return steps.back().attribute; }
    bool empty() const { return steps.empty(); }
    // Every array on the way down has an index (the last step may be an array plug itself).
    bool indicesResolved() const;
    bool isArrayPlug() const { return leaf().array && steps.back().index < 0; }
    std::string key() const;
    // No step carries an index: the key is the leaf's long name as it stands. Inline: every
    // write and read of a plug asks it.
    bool keyIsLeafName() const {
        for (const PlugStep& step : steps) {
            if (step.index >= 0) return false;
        }
        return !steps.empty();
    }
    // The text with long or short names; with everyStep the non-indexed parents are included.
    std::string text(bool longNames, bool everyStep) const;
    bool operator==(const PlugPath& other) const { return steps == other.steps; }
    bool operator!=(const PlugPath& other) const { return !(steps == other.steps); }
    bool startsWith(const PlugPath& prefix) const;
    // The index of the element of the array plug (the same attributes and indices above it)
    // that this path is or lies in; -1 when it lies in no element of that array.
    int elementIndexIn(const PlugPath& arrayPath) const;

    // The path of an attribute: its parents down to it, no indices chosen.
    static PlugPath of(const AttributePtr& attribute);
};

// Parses "name", "name[3]", "a[0].b" against a node's attributes. False when a name is
// unknown, an index is malformed or given to a non-array, or a later name is not a child.
VEXA_API bool parsePlugPath(const Node& node, const std::string& text, PlugPath& path);

}  // namespace vexa_host

#endif
