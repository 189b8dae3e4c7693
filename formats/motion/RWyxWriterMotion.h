#ifndef WYX_FORMATS_MOTION_RWYXWRITERMOTION_H
#define WYX_FORMATS_MOTION_RWYXWRITERMOTION_H

// What the motion writers share: the format object they own while a file is being written,
// and the checks every write starts with.
//
// The text goes to a temporary file beside the file; FileClose (after a successful Write)
// puts it in place, and a writer destroyed without FileClose leaves the file as it was.
//
// Errors: "File not opened" (1), also with "Cannot open file "<path>" for writing." when the
// file cannot be made and from FileClose without a file; "Stream options not set" (4) for
// options missing or of another class; "Out of disk space" (3) when the text could not be
// written whole.

#include "fileio/RWyxWriter.h"
#include "formats/motion/RMotionTextFile.h"

#include <memory>

class RStreamOptionsMotion;
class RWyxNode;

class RWyxWriterMotion : public RWyxWriter {
public:
    explicit RWyxWriterMotion(RWyxObjectFactory* factory, RWyxIO* owner = nullptr) : RWyxWriter(factory, owner) {}
    // A file not closed is dropped.
    ~RWyxWriterMotion() override;

    bool FileCreate(const char* path) override;
    // Puts the written file in place; error 1 without a file, error 3 when it could not be
    // completed.
    bool FileClose() override;
    bool IsFileOpen() const override { return file_ != nullptr; }

protected:
    virtual std::unique_ptr<RMotionTextFile> NewFormatFile() const = 0;

    RMotionTextFile* GetFormatFile() const { return file_.get(); }
    // Error 1 and false when no file is open.
    bool CheckOpen();
    // The options as motion options; error 4 and null when missing or of another class.
    RStreamOptionsMotion* CheckOptions(RStreamOptions* options);
    // Shows the text through the options' message hook with the title "Error".
    static void ShowError(const RStreamOptionsMotion& options, const RString& text, const char* button);
    // Flushes the text written so far; error 3 and false when it could not be written.
    bool FinishText();
    // No node at or below the root may have a blank, tab or line feed in its name ("Spaces
    // are not allowed in <label> node names:" with the names) and the tree may be at most
    // kMaxSkeletonDepth levels deep; each is told through the options' message hook with
    // error 5.
    bool CheckNodes(RWyxNode* root, const RStreamOptionsMotion& options, const char* label);
    // The text through the message hook and as error 5; false.
    bool Refuse(const RStreamOptionsMotion& options, const RString& text);

private:
    std::unique_ptr<RMotionTextFile> file_;
};

#endif
