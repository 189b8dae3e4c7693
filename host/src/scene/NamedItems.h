#ifndef VEXA_HOST_NAMEDITEMS_H
#define VEXA_HOST_NAMEDITEMS_H

// The scene items that words of a command name (or the active selection), and the paths that
// reach a node, as commands and the database's own builders look them up.

#include "host/src/scene/Node.h"
#include "host/src/scene/SelectionItems.h"

#include <vexa/VDagPath.h>
#include <vexa/VStatus.h>

#include <string>
#include <vector>

namespace vexa_host {

// The items the words name, in order; the active selection when there are no words.
VStatus itemsNamed(const std::vector<std::string>& words, std::vector<SelectionItem>& items);
// The one node a word names.
VStatus nodeNamed(const std::string& word, Node*& node);
// The shape a DAG item stands for (its own node, or the one shape below a transform); null
// for other items.
Node* shapeOfItem(const SelectionItem& item);
// A DAG path from the node's first parents; the second form builds it in the empty storage
// given, so that a caller with storage to spare asks the heap for none.
VDagPath firstPathOf(const Node& node);
VDagPath firstPathOf(const Node& node, std::vector<NodePtr>&& storage);

}  // namespace vexa_host

#endif
