#ifndef WYX_WYXREADER_RWYXREADERWYX_H
#define WYX_WYXREADER_RWYXREADERWYX_H

// The WYX scene reader: a version-6 file (binary, ASCII or encrypted) or a version-5 one
// (binary or ASCII) into an SDK scene. The
// importer front end makes it for the WYX forms (RWyxFormatTable) and drives it: FileOpen,
// ReadHeader, GetReadOptions, Read.
//
// Design note
// -----------
// Bytes first, scene second. FileOpen (or OpenFromMemory) hands the bytes to the container
// (RWyxFile), which checks the file header and footer, every section and record header against
// what encloses it, authenticates sealed sections, and indexes the records into a tree shaped
// like the document; nothing of the scene is made then. Read walks that tree and builds the
// scene (RWyxSceneReaderWyx6, or RWyxSceneReaderWyx5 for a version-5 file). The path-taking
// FileOpen is a thin wrapper over the same open from memory.
//
// Password: a file protected by a password opens at FileOpen as far as the container allows
// without it (the header and footer checked, the version known); its content is read only by
// Read, with the password of the options (RStreamOptionsWyx::HasPassword), which then opens it
// again. GetReadOptions sets the options' password flag for such a file; its header read gives
// the version and no takes (the takes are inside the sealed section).
//
// Versions: the version-6 layout is read from 6000 on, the version-5 layout below it. The
// header's take descriptions come from the Summary or the main "Takes" block in both.
//
// Errors (the reader base's table): 0 "File is corrupted" (the container's text: damage found
// at FileOpen, or by a value read during Read), 1 a version newer than the container knows,
// 3 "File not opened" (no such file, nothing open), 5 a missing or wrong
// password, 6 options that are not WYX options, 7 no scene. A Read that fails leaves in the
// scene what was read before the failure.
//
// Warnings: what Read drops or mends in a file that holds together only in part (see
// RWyxSceneReaderWyx6 and RWyxSceneReaderWyx5) is counted and told one line each (GetWarnings); Read appends the lines
// to the message text, which the importer passes on.

#include "fileio/RWyxReader.h"
#include "wyxreader/RWyxReadWarnings.h"

#include <cstddef>
#include <memory>
#include <vector>

class RWyxPropertyFile;
class RWyxTakeInfo;

class RWyxReaderWyx : public RWyxReader {
public:
    // The first version of the version-6 layout.
    static constexpr int kFirstVersion6 = 6000;

    // The factory is not owned.
    explicit RWyxReaderWyx(RWyxObjectFactory* factory);
    ~RWyxReaderWyx() override;

    // Opens the file (closing the one open before); false with the error set when it cannot
    // be read or is not a sound WYX file. A file that needs a password opens too.
    bool FileOpen(const char* path) override;
    // The same from size bytes at data (copied; the caller's buffer may go afterwards).
    bool OpenFromMemory(const void* data, std::size_t size);
    // Releases the file; false with error 3 when none was open.
    bool FileClose() override;
    bool IsFileOpen() const override { return file_ != nullptr; }
    // New WYX options: the takes of the header, each selected as its description is, and the
    // password flag of a protected file. Null, with error 3 (unless quiet), when no file is
    // open.
    RStreamOptionsPtr GetReadOptions(bool quiet) override;
    // The file version and the take descriptions (RWyxTakeInfoReader), read once per file;
    // false with error 3 when no file is open.
    bool ReadHeader(RWyxFileHeaderSummary& header) override;
    // Reads the file into the scene with the options (see the design note and
    // RWyxSceneReaderWyx6). Any number of times while the file is open.
    bool Read(RWyxScene* scene, RStreamOptions* options) override;

    int GetFileVersion() const { return fileVersion_; }
    bool IsPasswordProtected() const { return passwordProtected_; }
    // What the last Read (or header read) dropped or mended.
    const RWyxReadWarnings& GetWarnings() const { return warnings_; }

private:
    // Opens the container from the source kept (path or bytes) with the password.
    bool OpenContainer(const char* password);
    // The container's failure as the reader's error.
    void TakeOverFileError();
    bool ReadVersionOfProtectedFile();
    bool UnlockWith(const RStreamOptions& options);
    void ForgetFile();

    std::unique_ptr<RWyxPropertyFile> file_;
    // Where the file comes from, to open it again with a password.
    RString path_;
    std::vector<char> bytes_;
    bool fromMemory_ = false;
    bool passwordProtected_ = false;
    bool unlocked_ = false;
    int fileVersion_ = 0;
    bool headerRead_ = false;
    std::vector<std::unique_ptr<RWyxTakeInfo>> headerTakes_;
    RWyxReadWarnings warnings_;
};

#endif
