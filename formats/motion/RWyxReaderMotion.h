#ifndef WYX_FORMATS_MOTION_RWYXREADERMOTION_H
#define WYX_FORMATS_MOTION_RWYXREADERMOTION_H

// What the motion readers share: the open file's path, the checks every read starts with,
// and for the text formats the format object they own while a file is open (the marker
// readers keep a marker-file object instead, through the source operations).
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
#include <string>
#include <vector>

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
    bool IsFileOpen() const override { return HasSource(); }
    // Reads the bytes (kept by the caller while the reader reads) as the file of that name.
    bool OpenBytes(const void* data, std::size_t size, const char* name);

    const RString& GetPath() const { return path_; }

protected:
    // The text format's object; null for readers that keep another source.
    virtual std::unique_ptr<RMotionTextFile> NewFormatFile() const { return nullptr; }
    // The source of the reads: the path (null for bytes) or the bytes. The text readers'
    // source is their format object.
    virtual bool OpenSource(const char* path, const void* data, std::size_t size);
    virtual void CloseSource() { file_.reset(); }
    virtual bool HasSource() const { return file_ != nullptr; }
    // Where and why the source refused the file; empty when it did not say.
    virtual std::string GetSourceErrorText() const;
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
    // The checks a read starts with: an open file, motion options, a scene with a root; the
    // options as motion options, or null with the error set.
    RStreamOptionsMotion* BeginRead(RWyxScene* scene, RStreamOptions* options);
    // A node with an optical-marker attribute, and a take of that name when one is given;
    // null when the node or the attribute could not be made.
    RWyxNode* CreateMarkerNode(const char* name, const char* takeName = nullptr);
    // The parent of a read's markers or segments: "<format>:optical" with ImportAsOpticalSegments
    // 1, else "<format>:reference", with an optical attribute; null when it could not be made.
    RWyxNode* CreateGroupNode(const char* format, const RStreamOptionsMotion& options);
    // The name CreateGroupNode gives the parent.
    static RString GroupNodeName(const char* format, const RStreamOptionsMotion& options);
    // True when no two nodes below the node share a name; otherwise the names go, once each,
    // through the options' message hook ("Duplicate names found in <file>:") and into error 0.
    bool RefuseDuplicateNames(RWyxNode* node, const RStreamOptionsMotion& options);
    // The same answer and report for nodes still to be made, from the names they will be given
    // (parents before their children, each parent's children in order), so that a refused
    // read makes no node at all. Only while NodesKeepTheirNames.
    bool RefuseDuplicateNames(const std::vector<RString>& names, const RStreamOptionsMotion& options);
    // True when the factory names a new node BuildPrefixedName("Model::", name): it has no node
    // renaming strategy, which could change names.
    bool NodesKeepTheirNames() const;
    // Stores the take's information (the options' start to start + period x (frames - 1)) in
    // the scene and makes the take current.
    static void StoreTake(RWyxScene& scene, const RString& takeName, const RStreamOptionsMotion& options);
    // StoreTake, then the options' time mode, when it is not 0 (custom), as the scene's.
    static void StoreTakeAndTimeMode(RWyxScene& scene, const RString& takeName, const RStreamOptionsMotion& options);
    // False with error 0 when the options' frames, from their start, reach beyond the time range.
    bool CheckFramesFitTimeRange(const RStreamOptionsMotion& options);

private:
    void ReportDuplicateNames(const RString& clashes, const RStreamOptionsMotion& options);

    std::unique_ptr<RMotionTextFile> file_;
    RString path_;
};

#endif
