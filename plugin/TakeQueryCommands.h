#ifndef WYX_PLUGIN_TAKEQUERYCOMMANDS_H
#define WYX_PLUGIN_TAKEQUERYCOMMANDS_H

// WYXRead and the take queries: a script looks into a WYX file before importing it.
//
//   WYXRead -f|-file NAME                 opens the file in the cached import session (the
//                                         same name again: opened anew in that session)
//   WYXGetTakeCount                       the number of takes
//   WYXGetTakeIndex NAME                  the index of the first take of that name
//   WYXGetTakeName INDEX                  its name
//   WYXGetTakeComment INDEX               its comment
//   WYXGetTakeLocalTimeSpan INDEX         start and stop of its local span, in frames of the
//   WYXGetTakeReferenceTimeSpan INDEX     host's time unit; likewise its reference span
//
// A later WYXImport of the same file name uses the session WYXRead opened. Any failure of
// WYXRead drops the cached session; the queries never change it. "Success" is WYXRead's
// result only when the file opened.

#include "plugin/WyxVexaCommand.h"

class ReadCommand : public WyxVexaCommand {
public:
    ReadCommand() : WyxVexaCommand("WYXRead") {}

protected:
    VStatus Run(const VArgList& args) override;
};

// What a query answers, by kTakeQueries[index].
enum class TakeQuery { kCount, kIndex, kName, kComment, kLocalSpan, kReferenceSpan };

struct TakeQueryEntry {
    const char* name;
    TakeQuery query;
    const char* usage;
};

// The six queries, in registration order.
extern const TakeQueryEntry kTakeQueries[6];

VStatus RunTakeQuery(const TakeQueryEntry& entry, const VArgList& args);

template <int Index>
class TakeQueryCommand : public WyxVexaCommand {
public:
    TakeQueryCommand() : WyxVexaCommand(kTakeQueries[Index].name) {}

protected:
    VStatus Run(const VArgList& args) override { return RunTakeQuery(kTakeQueries[Index], args); }
};

#endif
