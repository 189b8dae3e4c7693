#ifndef WYX_FILEIO_RWYXFILEEXPORTER_H
#define WYX_FILEIO_RWYXFILEEXPORTER_H

// The front end that writes a scene of the object factory that made it to a file
// (CreateFileExporter, DestroyFileExporter). It is given the file name, the format id
// (RWyxFormatTable; 0 to 2 the WYX version-6 writer binary, ASCII, encrypted, 3 and 4 the
// version-5 writer binary, ASCII, 5 to 18 the other formats) and the IO flag 3, media
// embedded in the file.
//
// Export makes a new writer for each call with the exporter as its owner (its progress
// reaches the progress handler) and drives it: FileCreate, Write, FileClose, destruction.
// Without options a format that has options of its own (WYX) gets new ones, whose "embed
// media" flag (11) is the IO flag 3; any other format fails with 10 before a writer is made.
//
// Errors (the front ends' codes, RWyxIO), in the order they are tested: an id no format has
// (8); no options for a format without options of its own (10); no file name (6); no scene
// (7); a writer that is not built (9). FileCreate failing keeps the writer's code 0, makes
// its "File not created" (2) 4 and any other 7. A failed Write (false, or an error left in
// the writer) or a failed FileClose is 5. Each comes with the writer's text; the writer's
// message text is copied after Write whatever the result. A failed Write is not followed by
// FileClose, so that a writer committing its file on close does not put a failed file in
// place.

#include "core/RString.h"
#include "fileio/RWyxIO.h"
#include "fileio/RWyxWriter.h"

#include <memory>

class RStreamOptions;
class RWyxObjectFactory;
class RWyxPropertyFile;
class RWyxScene;
struct RWyxFormatRow;

class RWyxFileExporter : public RWyxIO {
public:
    // Format ids.
    enum FormatId {
        kFormatWyxBinary,
        kFormatWyxAscii,
        kFormatWyxEncrypted,
        kFormatWyx5Binary,
        kFormatWyx5Ascii,
        kFormatBvh,
        kFormatHtr,
        kFormatTrc,
        kFormatAsf,
        kFormatAmc,
        kFormatC3d,
        kFormatAoa,
        kFormatMcd,
        kFormatVpm,
        kFormatMov,
        kFormatBrd,
        kFormatDxf,
        kFormat3ds,
        kFormatObj,
        kFormatCount,
    };

    // The IO flag of SetIOFlag.
    static constexpr int kIOFlagEmbedMedia = 3;

    // No file name, format 0 (WYX binary), media not embedded.
    explicit RWyxFileExporter(RWyxObjectFactory* factory);
    ~RWyxFileExporter() override;

    // Records the name; false for a null or empty one. The error and message text are
    // cleared.
    virtual bool Initialize(const char* path);
    const RString& GetFileName() const { return fileName_; }

    // IO flag 3 only; false, nothing stored, for any other.
    bool SetIOFlag(int index, bool on);
    bool GetIOFlag(int index) const { return index == kIOFlagEmbedMedia && embedMedia_; }

    // Any id is kept; Export tells an unknown one.
    void SetFileFormat(int id) { formatId_ = id; }
    int GetFileFormat() const { return formatId_; }

    [[nodiscard]] bool Export(RWyxScene* scene, RStreamOptions* options = nullptr);

    // Writes the scene with a new version-5 WYX writer into a property file being written
    // (the nested scene of a character pose): WriteScene alone, no FileCreate or FileClose.
    // Options and errors as for Export; no file is 3.
    [[nodiscard]] bool WriteV5Scene(RWyxScene* scene, RStreamOptions* options, RWyxPropertyFile* file);

private:
    // The row and form of the format id and the options to write with: when none are given,
    // new ones of the format held by `own`. Null with the error set.
    const RWyxFormatRow* ResolveFormat(int formatId, int& form, RStreamOptions*& options, RStreamOptionsPtr& own);
    // A new writer of the row's form; null with the error set.
    std::unique_ptr<RWyxWriter> NewWriter(const RWyxFormatRow& row, int form, const RWyxScene* scene);
    bool CreateFile(RWyxWriter& writer);
    // The writer's message text copied; false with error 5 when the write failed.
    bool TakeOverWrite(const RWyxWriter& writer, bool written);

    RString fileName_;
    int formatId_ = kFormatWyxBinary;
    bool embedMedia_ = false;
};

#endif
