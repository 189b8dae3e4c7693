#ifndef WYX_FORMATS_GEOMETRY_RWYXGEOMETRYFILEWRITER_H
#define WYX_FORMATS_GEOMETRY_RWYXGEOMETRYFILEWRITER_H

// What the OBJ and DXF writers share: the output file (a C stream opened with "wt") and its
// path. FileCreate closes a file already open, creates the path's folders when the writer
// asks for it, then opens the path; failure is error 1 ("File not opened").

#include "core/RString.h"
#include "fileio/RWyxWriter.h"

#include <cstdio>

class RWyxNode;
class RWyxScene;

class RWyxGeometryFileWriter : public RWyxWriter {
public:
    RWyxGeometryFileWriter(RWyxObjectFactory* factory, RWyxIO* owner, bool createFolders)
        : RWyxWriter(factory, owner), createFolders_(createFolders) {}
    ~RWyxGeometryFileWriter() override;

    bool FileCreate(const char* path) override;
    // True when the stream closed cleanly or none was open; the path is cleared.
    bool FileClose() override;
    bool IsFileOpen() const override { return file_ != nullptr; }

    const RString& GetPath() const { return path_; }
    // Warnings of the last write: every item left out or repaired counts one.
    int GetWarningCount() const { return warningCount_; }

protected:
    std::FILE* File() const { return file_; }
    // The scene's root node when the options are of the class given, a file is open and the
    // scene has a root; otherwise null with error 4 (options) or 5 set. Clears the warnings.
    RWyxNode* BeginWrite(RWyxScene* scene, RStreamOptions* options, int optionsClassId);
    void Warn(const RString& text) {
        ++warningCount_;
        MessageText() += text;
    }
    void CountWarnings(int count) { warningCount_ += count; }
    void ResetWarnings() { warningCount_ = 0; }

private:
    std::FILE* file_ = nullptr;
    RString path_;
    bool createFolders_;
    int warningCount_ = 0;
};

#endif
