#ifndef VEXA_HOST_COMMANDITEMS_H
#define VEXA_HOST_COMMANDITEMS_H

// What the shading and deformer commands share: reading flags with errors that name the
// command, and the scene items their words (or the active selection) name (NamedItems.h).

#include "host/src/scene/NamedItems.h"
#include "host/src/script/CommandFlags.h"

#include <vexa/VArgList.h>
#include <vexa/VStatus.h>

#include <string>
#include <vector>

namespace vexa_host {

// Logs "<command>: <what>" as an error and answers kFailure.
VStatus commandError(const std::string& command, const std::string& what);
bool readCommandFlags(const char* command, const VArgList& args, const std::vector<FlagSpec>& table, CommandFlags& flags,
                      VStatus& status);
// The flags refer into the arguments: a temporary list would leave them dangling.
bool readCommandFlags(const char* command, const VArgList&& args, const std::vector<FlagSpec>& table, CommandFlags& flags,
                      VStatus& status) = delete;
// The items the positional words name, read where they stand (itemsNamed without copies).
VStatus positionalItems(const CommandFlags& flags, std::vector<SelectionItem>& items);

}  // namespace vexa_host

#endif
