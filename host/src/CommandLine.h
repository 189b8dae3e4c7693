#ifndef VEXA_HOST_COMMANDLINE_H
#define VEXA_HOST_COMMANDLINE_H

// The simple command runner: a script is a list of commands separated by ";" or line ends;
// a command is words separated by blanks, its first word the command's name. A word in double
// quotes keeps its blanks and semicolons and reads C escapes (\" \\ \n \t \r; any other
// escaped character stands for itself). "//" starts a comment to the end of the line. There is
// no substitution, no variables and no procedures: the full interpreter brings those.

#include "host/src/CommandEngine.h"

#include <vexa/VexaExport.h>

#include <functional>
#include <string>
#include <vector>

namespace vexa_host {

struct CommandWords {
    std::vector<std::string> words;
};

// False with a message for an unterminated string.
VEXA_API bool splitCommands(const std::string& text, std::vector<CommandWords>& commands, std::string& error);

// Runs the commands one after the other and stops at the first failure. The result is the
// last command's; afterEach sees each command's result as it completes.
VEXA_API VStatus runCommands(const std::string& text, CommandResult& result,
                             const std::function<void(const CommandResult&)>& afterEach = {});

// Writes a text as a double-quoted word with C escapes.
VEXA_API std::string quoted(const std::string& text);

}  // namespace vexa_host

#endif
