#ifndef VEXA_HOST_NAMEDITEMS_H
#define VEXA_HOST_NAMEDITEMS_H

// The scene items that words of a command name (or the active selection), and the paths that
// reach a node, as commands and the database's own builders look them up.

#include "host/src/scene/Node.h"
#include "host/src/scene/SelectionItems.h"

#include <vexa/VDagPath.h>
#include <vexa/VStatus.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vexa_host {

// The items the words name, in order; the active selection when there are no words.
VStatus itemsNamed(const std::vector<std::string>& words, std::vector<SelectionItem>& items);
// The one node a word names.
VStatus nodeNamed(const std::string& word, Node*& node);
// The last answer of plainNamed, kept by its caller: commands name the same set and shape
// again and again (one set edit per polygon).
struct PlainNameCache {
    std::string name;
    Node* node = nullptr;  // not held: a deletion moves the stamp on before the node goes
    std::uint64_t stamp = 0;  // Node::structureStamp() of the answer; 0 for none
};
// The one node that the text's first `size` bytes name when they are a plain name (no path,
// pattern, namespace or dot; no NUL); null for any other text, or a name of no node or of
// several. The cache answers while no name or parent link has changed since it was filled.
Node* plainNamed(const std::string& text, size_t size, PlainNameCache& cache);
// The shape a DAG item stands for (its own node, or the one shape below a transform); null
// for other items.
Node* shapeOfItem(const SelectionItem& item);
// A DAG path from the node's first parents, made of the steps the node keeps (PathLink.h).
VDagPath firstPathOf(const Node& node);
// Whether the path is the one firstPathOf gives for the node.
bool isFirstPathOf(const VDagPath& path, const Node& node);

}  // namespace vexa_host

#endif
