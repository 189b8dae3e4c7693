#include <vexa/VStatus.h>

#include <vexa/VMessageLog.h>

VStatus::TextSource::~TextSource() = default;

VString VStatus::errorString() const {
    if (!text_.isEmpty()) return text_;
    if (source_ != nullptr) {
        const VString text = source_->text();
        if (!text.isEmpty()) return text;
    }
    switch (code_) {
    case kSuccess: return "success";
    case kFailure: return "failure";
    case kInsufficientMemory: return "insufficient memory";
    case kInvalidParameter: return "invalid parameter";
    case kNotImplemented: return "not implemented";
    case kUnknownParameter: return "unknown parameter";
    case kEndOfFile: return "end of file";
    case kNotFound: return "not found";
    }
    return "unknown status";
}

void VStatus::perror(const VString& context) const { VMessageLog::add(VMessageLog::kStatus, context + ": " + errorString()); }
