#include "formats/motion/RWyxReaderTrc.h"

#include "core/FilePaths.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "formats/motion/RTimeCodeFile.h"

void RWyxReaderTrc::SetDefaultOptions(RStreamOptionsMotion& options) {
    options.SetOption(kMotionUnusedSegments, 1);
    options.SetOption(kMotionImportAsOpticalSegments, 1);
    options.SetOption(kMotionImportSetOccludedToLastValidPosition, 1);
    ApplyTimeCodeFile(options);
}

void RWyxReaderTrc::ApplyTimeCodeFile(RStreamOptionsMotion& options) const {
    RString path;
    ChangeFileExtension(path, GetPath().Buffer(), ".tc");
    if (GetPath().IsEmptyText() || !FileExists(path.Buffer())) {
        return;
    }
    RString name;
    GetFileName(name, path.Buffer(), true);
    const RString question = RString("Load ") + name + "?";
    if (options.AskQuestion("Time Code File", question.Buffer(), "Yes", "No", nullptr, 1) != 1) {
        return;
    }
    RTime start;
    switch (RTimeCodeFile::Read(path.Buffer(), start)) {
        case RTimeCodeFile::Result::kRead:
            options.SetStartTime(start);
            break;
        case RTimeCodeFile::Result::kInvalid:
            options.ShowMessage("Time Code File", (name + " is invalid").Buffer(), "Ok", nullptr, nullptr, 0);
            break;
        default:
            options.ShowMessage("Time Code File", (RString("Unable to open ") + name).Buffer(), "Ok", nullptr, nullptr,
                                0);
            break;
    }
}
