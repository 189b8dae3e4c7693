#ifndef WYX_FORMATS_MOTION_RWYXREADERMOTION_H
#define WYX_FORMATS_MOTION_RWYXREADERMOTION_H

// What the motion readers share: the format object they own while a file is open, the open
// file's path, and the checks every read starts with.
//
// A reader reads a file (FileOpen) or, with OpenBytes, bytes in memory under a file name of
// the caller's, through the same road: the format object parses the text into records shaped
// like the format and the reader turns them into scene objects.
//
// Errors: "File not opened" (3) without a format object, "Stream options not set" (6) for
// options missing or of another class, "File is corrupted" (0) for a file the format object
// refuses, its text followed by where and why ("File is corrupted: line 7: ...").

#include "core/RString.h"
#include "fileio/RWyxReader.h"
#include "formats/motion/RMotionTextFile.h"

#include <cstddef>
#include <memory>

class RStreamOptionsMotion;
class RWyxNode;
class RWyxScene;

class RWyxReaderMotion : public RWyxReader {
public:
    explicit RWyxReaderMotion(RWyxObjectFactory* factory) : RWyxReader(factory) {}
    ~RWyxReaderMotion() override;

    // Closes a file still open, then opens the path with mode "r". Error 3 on failure.
    bool FileOpen(const char* path) override;
    // Error 3 when nothing is open.
    bool FileClose() override;
    bool IsFileOpen() const override { return file_ != nullptr; }
    // Reads the bytes (kept by the caller while the reader reads) as the file of that name.
    bool OpenBytes(const void* data, std::size_t size, const char* name);

    const RString& GetPath() const { return path_; }

protected:
    virtual std::unique_ptr<RMotionTextFile> NewFormatFile() const = 0;
    // Called when the file closes, for readers that keep what they scanned.
    virtual void OnClose() {}

    RMotionTextFile* GetFormatFile() const { return file_.get(); }
    // The file name without folders and extension.
    RString GetTakeName() const;
    // The file name without folders, with its extension.
    RString GetFileNameWithExtension() const;
    // Error 3 and false when no file is open.
    bool CheckOpen();
    // The options as motion options; error 6 and null when they are missing or not motion options.
    RStreamOptionsMotion* CheckOptions(RStreamOptions* options);
    // Error 0 with the format object's account of where and why.
    void SetCorrupted();
    // Error 7 and false for a scene without a root node.
    bool CheckScene(RWyxScene* scene);
    // True when no two nodes below the node share a name; otherwise the names go, once each,
    // through the options' message hook ("Duplicate names found in <file>:") and into error 0.
    bool RefuseDuplicateNames(RWyxNode* node, const RStreamOptionsMotion& options);
    // Stores the take's information (the options' start to start + period x (frames - 1)) in
    // the scene and makes the take current.
    static void StoreTake(RWyxScene& scene, const RString& takeName, const RStreamOptionsMotion& options);

private:
    std::unique_ptr<RMotionTextFile> file_;
    RString path_;
};

#endif
