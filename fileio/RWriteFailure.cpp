#include "fileio/RWriteFailure.h"

#include <cerrno>
#include <cstring>

RString WithFailureReason(const RString& text, int reason) {
    if (reason == 0) return text;
    const RString because = RString(": ") + std::strerror(reason);
    const int length = text.GetLength();
    if (length > 0 && text.Buffer()[length - 1] == '.') return text.Substring(0, length - 1) + because + ".";
    return text + because;
}

void RWriteFailure::Note(int reason) {
    if (!failed_) {
        reason_ = reason;
    }
    failed_ = true;
}

bool RWriteFailure::Write(std::FILE* file, const void* bytes, std::size_t size) {
    if (file == nullptr) {
        Note(EBADF);
        return false;
    }
    errno = 0;
    if (size > 0 && std::fwrite(bytes, 1, size, file) != size) {
        Note(errno != 0 ? errno : EIO);
    }
    errno = 0;
    if (std::fflush(file) != 0 || std::ferror(file) != 0) {
        Note(errno != 0 ? errno : EIO);
    }
    return !failed_;
}

void RWriteFailure::NoteCommitFailure(const platform::RFileReplacement& replacement) {
    Note(replacement.FailureCode());
    keptOldContent_ = replacement.KeptOldContent();
}
