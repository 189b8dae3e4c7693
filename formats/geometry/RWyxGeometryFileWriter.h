#ifndef WYX_FORMATS_GEOMETRY_RWYXGEOMETRYFILEWRITER_H
#define WYX_FORMATS_GEOMETRY_RWYXGEOMETRYFILEWRITER_H

// What the OBJ and DXF writers share: the output file and its path, and a file written beside
// it (the OBJ's material library).
//
// No file is written over in place while it is written: each one goes to a temporary file
// beside its target (platform::RFileReplacement), and FileClose after a successful Write puts
// them in place, the output first, then the file beside it. Both are flushed before either
// target changes, so that a write cut short (a full disk, a file-size limit) leaves both as
// they were; only a failure of the second file's own replacement leaves the output new. A
// target with several hard links is overwritten in place through all its names, its old
// content put back when that fails. A failed Write drops the files, and so does a writer
// destroyed without FileClose: every target stays as it was.
//
// FileCreate drops a file being written and the error of an earlier file, creates the path's
// folders when the writer asks for it, then starts the output; a path a plain write could not
// write (a folder, a missing folder, a file this process may not write) is error 1 ("File not
// opened") with the text 'Cannot create "<path>"' and the system's reason
// (RWyxWriter::FailCreate: 'Cannot create "<path>": Permission denied'). A file that could not
// be written or put in place whole fails the Write or FileClose with the text of
// RWyxWriter::FailWriteWhole, naming the file and the system's reason (of a stream, the first
// write it refused): error 3 ("Out of disk space") for a full disk or quota, error 5 otherwise.
// FileClose also fails after a Write that failed or was refused, whose error it keeps (error 5
// when it set none). FileClose after FileCreate without a Write puts the empty output in place,
// as the WYX writers put a created file.

#include "core/RString.h"
#include "fileio/RWyxWriter.h"
#include "platform/RFileReplacement.h"

#include <cstdio>
#include <string>

class GeometryTextWriter;
class RWyxNode;
class RWyxScene;

class RWyxGeometryFileWriter : public RWyxWriter {
public:
    RWyxGeometryFileWriter(RWyxObjectFactory* factory, RWyxIO* owner, bool createFolders)
        : RWyxWriter(factory, owner), createFolders_(createFolders) {}
    // Drops files not put in place.
    ~RWyxGeometryFileWriter() override;

    bool FileCreate(const char* path) override;
    // Puts the written files in place; true when they all are, or when no file was created.
    // The path is cleared.
    bool FileClose() override;
    bool IsFileOpen() const override { return output_.IsActive(); }
    // WriteToTarget, then drops the files when it failed.
    bool Write(RWyxScene* scene, RStreamOptions* options) final;

    const RString& GetPath() const { return path_; }
    // Warnings of the last write: every item left out or repaired counts one.
    int GetWarningCount() const { return warningCount_; }

protected:
    std::FILE* File() const { return output_.File(); }
    // Starts the file beside the output (a file started before is dropped); its stream, owned
    // here, or null when the path cannot be written, with the system's reason (an errno) in
    // reason.
    std::FILE* BeginCompanion(const char* path, int& reason);
    // The format's write into the output (and the file beside it); false (or an error set)
    // when it failed or refused the scene.
    virtual bool WriteToTarget(RWyxScene* scene, RStreamOptions* options) = 0;
    // The scene's root node when the options are of the class given, a file is open and the
    // scene has a root; otherwise null with error 4 (options) or 5 set. Clears the warnings.
    RWyxNode* BeginWrite(RWyxScene* scene, RStreamOptions* options, int optionsClassId);
    void Warn(const RString& text) {
        ++warningCount_;
        MessageText() += text;
    }
    void CountWarnings(int count) { warningCount_ += count; }
    void ResetWarnings() { warningCount_ = 0; }
    // Refuses the write with error 5 ('Mesh "<name>": its <what> lies beyond the real numbers
    // <file> holds', file as "an OBJ file"): the number is NaN or infinite, which the format's
    // numbers do not hold (the reader would read it as another); false. The files are dropped.
    bool RefuseNonFinite(RWyxNode& node, const RString& what, const char* file);
    // Fails the write of the file at path, which the stream could not write whole, with the
    // reason of the stream's first refused write (RWyxWriter::FailWriteWhole); false.
    bool FailStream(const GeometryTextWriter& stream, const RString& path);

private:
    // Drops the output and the file beside it, after a write that failed; FileClose then fails.
    void Abandon();
    bool Flush(platform::RFileReplacement& file, const RString& path);
    bool Commit(platform::RFileReplacement& file, const RString& path);

    platform::RFileReplacement output_;
    platform::RFileReplacement companion_;
    RString path_;
    RString companionPath_;
    bool createFolders_;
    bool abandoned_ = false;
    int warningCount_ = 0;
};

#endif
