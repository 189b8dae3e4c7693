#ifndef WYX_FILEIO_RWRITEFAILURE_H
#define WYX_FILEIO_RWRITEFAILURE_H

// Why a file being written could not be written whole, as a writer's output stream keeps it:
// whether the system refused a write (or the file could not be put in place), the errno of the
// first such failure, and where a failed in-place replacement kept the file's old content. The
// writer turns it into its error (RWyxWriter::FailWriteWhole): a full disk is told apart from
// a file-size limit or an I/O error.

#include "core/RString.h"
#include "platform/RFileReplacement.h"

#include <cstddef>
#include <cstdio>
#include <string>

class RWriteFailure {
public:
    // No failure, for a new file.
    void Reset() { *this = RWriteFailure(); }
    // Writes the bytes to the stream and flushes it; false when this or an earlier write of
    // the file failed. The first failure's errno is kept (EIO when the call set none).
    bool Write(std::FILE* file, const void* bytes, std::size_t size);
    // The replacement's Commit failed: its reason and where it kept the old content.
    void NoteCommitFailure(const platform::RFileReplacement& replacement);

    bool HasFailed() const { return failed_; }
    // The errno of the first failure; 0 while none, or when the system gave no reason.
    int GetReason() const { return reason_; }
    // Empty unless a failed in-place replacement could not restore the file.
    const std::string& GetKeptOldContent() const { return keptOldContent_; }

private:
    void Note(int reason);

    bool failed_ = false;
    int reason_ = 0;
    std::string keptOldContent_;
};

// The text of a failure followed by ": " and the text of the system's reason (an errno), put
// before the text's closing full stop when it has one ('Cannot open file "x" for writing:
// Permission denied.'); the text alone for reason 0. Every writer's text of a file it could
// not create or write whole is made so.
RString WithFailureReason(const RString& text, int reason);

#endif
