#ifndef WYX_FORMATS_GEOMETRY_RWYXGEOMETRYFILEREADER_H
#define WYX_FORMATS_GEOMETRY_RWYXGEOMETRYFILEREADER_H

// What the OBJ and DXF readers share: the open file (a C stream opened with "rt") and its
// path. FileOpen closes a file already open, then opens the path; failure is error 3 ("File
// not opened"). The readers read the whole file into memory and parse those bytes.

#include "core/RString.h"
#include "fileio/RWyxReader.h"

#include <cstdio>
#include <string>

class RWyxGeometryFileReader : public RWyxReader {
public:
    explicit RWyxGeometryFileReader(RWyxObjectFactory* factory) : RWyxReader(factory) {}
    ~RWyxGeometryFileReader() override;

    bool FileOpen(const char* path) override;
    // True when the stream closed cleanly or none was open; the path is cleared.
    bool FileClose() override;
    bool IsFileOpen() const override { return file_ != nullptr; }

    const RString& GetPath() const { return path_; }
    // Warnings of the last read: every dropped or repaired item counts one.
    int GetWarningCount() const { return warningCount_; }

protected:
    // The open file's bytes from where the stream stands (it is left there); false, error 3
    // set, when no file is open or it cannot be read.
    bool ReadOpenFile(std::string& bytes);
    // The path's file name without folder and extension followed by "_root".
    RString ReferenceNodeName() const;
    void SetWarningCount(int count) { warningCount_ = count; }

private:
    std::FILE* file_ = nullptr;
    RString path_;
    int warningCount_ = 0;
};

#endif
