#ifndef VEXA_HOST_COMMANDITEMS_H
#define VEXA_HOST_COMMANDITEMS_H

// What the shading and deformer commands share: reading flags with errors that name the
// command, and the scene items their words (or the active selection) name.

#include "host/src/CommandFlags.h"
#include "host/src/Node.h"
#include "host/src/SelectionItems.h"

#include <vexa/VArgList.h>
#include <vexa/VStatus.h>

#include <string>
#include <vector>

namespace vexa_host {

// Logs "<command>: <what>" as an error and answers kFailure.
VStatus commandError(const std::string& command, const std::string& what);
bool readCommandFlags(const char* command, const VArgList& args, const std::vector<FlagSpec>& table, CommandFlags& flags,
                      VStatus& status);
// The items the words name, in order; the active selection when there are no words.
VStatus itemsNamed(const std::vector<std::string>& words, std::vector<SelectionItem>& items);
// The one node a word names.
VStatus nodeNamed(const std::string& word, Node*& node);
// The shape a DAG item stands for (its own node, or the one shape below a transform); null
// for other items.
Node* shapeOfItem(const SelectionItem& item);
// A DAG path from the node's first parents.
VDagPath firstPathOf(const Node& node);

}  // namespace vexa_host

#endif
