#include "host/src/commands/CommandItems.h"

namespace vexa_host {

VStatus commandError(const std::string& command, const std::string& what) { return commandFailure(command + ": " + what); }

bool readCommandFlags(const char* command, const VArgList& args, const std::vector<FlagSpec>& table, CommandFlags& flags,
                      VStatus& status) {
    std::string error;
    if (flags.read(args, table, error)) return true;
    status = commandError(command, error);
    return false;
}

VStatus positionalItems(const CommandFlags& flags, std::vector<SelectionItem>& items) {
    if (flags.positionalCount() == 0) return itemsNamed({}, items);
    items.clear();
    for (size_t i = 0; i < flags.positionalCount(); ++i) {
        if (VStatus status = resolveSelection(flags.positionalWord(i), items); !status) return status;
    }
    return VStatus();
}

}  // namespace vexa_host
