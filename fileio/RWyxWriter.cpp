#include "fileio/RWyxWriter.h"

#include "fileio/RWriteFailure.h"
#include "fileio/RWyxIO.h"

#include <algorithm>
#include <cerrno>

namespace {

const char* const kMessages[RWyxWriter::kErrorCount] = {
    "File is corrupted",
    "File not opened",
    "File not created",
    "Out of disk space",
    "Stream options not set",
    "Unidentified error",
};

}  // namespace

RWyxWriter::RWyxWriter(RWyxObjectFactory* factory, RWyxIO* owner)
    : RWyxMessageHolder(kMessages, kErrorCount), factory_(factory), owner_(owner) {}

RWyxWriter::~RWyxWriter() = default;

bool RWyxWriter::WriteScene(RWyxScene* scene, RStreamOptions* options, RWyxPropertyFile* file) {
    if (file == nullptr) {
        return Write(scene, options);
    }
    SetError(kErrorUnidentified, "This writer cannot write into another file");
    return false;
}

bool RWyxWriter::FailWriteWhole(const char* path, const RWriteFailure& failure) {
    const int reason = failure.GetReason();
    const std::string& kept = failure.GetKeptOldContent();
    RString text = WithFailureReason(RString("Cannot write \"") + path + "\" whole", reason);
    if (!kept.empty()) text += RString("; its old content is kept in \"") + kept.c_str() + "\"";
    SetError(reason == ENOSPC || reason == EDQUOT ? kErrorOutOfDiskSpace : kErrorUnidentified, text);
    return false;
}

bool RWyxWriter::FailCreate(int code, const RString& text, int reason) {
    SetError(code, WithFailureReason(text, reason));
    return false;
}

RString RWyxWriter::ListedNames(const std::vector<RString>& entries, const char* separator) {
    RString text;
    const std::size_t listed = std::min(entries.size(), static_cast<std::size_t>(kMaxNamesListed));
    for (std::size_t i = 0; i < listed; ++i) {
        text += RString(i > 0 ? separator : "") + entries[i];
    }
    if (entries.size() > listed) {
        text += RString(separator) + "and " + static_cast<int>(entries.size() - listed) + " more";
    }
    return text;
}

void RWyxWriter::ReportProgress(int status, const char* text, const char* detail, float percent) const {
    if (owner_ != nullptr) {
        owner_->ReportProgress(status, text, detail, percent);
    }
}
