#include "plugin/TakeQueryCommands.h"

#include "fileio/RWyxFileImporter.h"
#include "hostimport/WyxVexaImportSession.h"
#include "plugin/HostUtilities.h"
#include "plugin/ImportSessionCache.h"
#include "scene/RWyxTakeInfo.h"

#include <vexa/VDoubleArray.h>

const TakeQueryEntry kTakeQueries[6] = {
    {"WYXGetTakeCount", TakeQuery::kCount, "Use syntax: WYXGetTakeCount"},
    {"WYXGetTakeIndex", TakeQuery::kIndex, "Use syntax: WYXGetTakeIndex takename"},
    {"WYXGetTakeName", TakeQuery::kName, "Use syntax: WYXGetTakeName takeindex"},
    {"WYXGetTakeComment", TakeQuery::kComment, "Use syntax: WYXGetTakeComment takeindex"},
    {"WYXGetTakeLocalTimeSpan", TakeQuery::kLocalSpan, "Use syntax: WYXGetTakeLocalTimeSpan takeindex"},
    {"WYXGetTakeReferenceTimeSpan", TakeQuery::kReferenceSpan,
     "Use syntax: CommandGetTakeReferenceTimeSpan takeindex"},
};

namespace {

// Start and stop in frames of the host's time unit.
VDoubleArray SpanInFrames(RTime start, RTime stop) {
    const double framesPerSecond = HostTimeUnitsPerSecond();
    VDoubleArray span;
    span.append(start.ToSeconds() * framesPerSecond);
    span.append(stop.ToSeconds() * framesPerSecond);
    return span;
}

VStatus AnswerTake(TakeQuery query, const RWyxTakeInfo& take) {
    switch (query) {
        case TakeQuery::kName:
            WyxVexaCommand::setResult(take.name.Buffer());
            break;
        case TakeQuery::kComment:
            WyxVexaCommand::setResult(take.description.Buffer());
            break;
        case TakeQuery::kLocalSpan:
            WyxVexaCommand::setResult(SpanInFrames(take.localStart, take.localStop));
            break;
        default:
            WyxVexaCommand::setResult(SpanInFrames(take.referenceStart, take.referenceStop));
            break;
    }
    return VStatus();
}

}  // namespace

VStatus ReadCommand::Run(const VArgList& args) {
    const bool valid = args.length() == 2 && (args.asString(0) == "-f" || args.asString(0) == "-file");
    const VString fileName = valid ? args.asString(1) : VString();
    VStatus status(VStatus::kFailure);
    if (valid && fileName.length() > 0) {
        WyxVexaImportSession* session = CachedImportSession();
        if (session == nullptr || fileName != CachedImportFileName()) session = &CacheNewImportSession();
        status = session->Open(fileName);
    }
    if (!status) {
        ReleaseCachedImportSession();
        if (status == VStatus::kNotFound) return Fail(FileNotFoundMessage(fileName));
        if (fileName.length() == 0) return Fail("Use syntax: WYXRead -f filename");
        return Fail("WYXRead error: " + status.errorString());
    }
    SetCachedImportFileName(fileName);
    return Succeed();
}

VStatus RunTakeQuery(const TakeQueryEntry& entry, const VArgList& args) {
    const unsigned wanted = entry.query == TakeQuery::kCount ? 0u : 1u;
    if (args.length() != wanted) return WyxVexaCommand::Fail(entry.usage);
    const WyxVexaImportSession* session = CachedImportSession();
    if (session == nullptr || session->GetImporter() == nullptr) {
        return WyxVexaCommand::Fail("No WYX file to query. Use command WYXRead first.");
    }
    RWyxFileImporter& importer = *session->GetImporter();
    const int count = importer.GetTakeCount();
    if (entry.query == TakeQuery::kCount) {
        WyxVexaCommand::setResult(count);
        return VStatus();
    }
    if (entry.query == TakeQuery::kIndex) {
        const VString name = args.asString(0);
        for (int i = 0; i < count; ++i) {
            if (name == importer.GetTakeInfo(i)->name.Buffer()) {
                WyxVexaCommand::setResult(i);
                return VStatus();
            }
        }
        return WyxVexaCommand::Fail("No such take.");
    }
    const int index = args.asInt(0);
    const RWyxTakeInfo* take = importer.GetTakeInfo(index);
    if (index < 0 || index >= count || take == nullptr) return WyxVexaCommand::Fail("No such take.");
    return AnswerTake(entry.query, *take);
}
