#ifndef WYX_FILEIO_RWYXFILEIMPORTER_H
#define WYX_FILEIO_RWYXFILEIMPORTER_H

// The front end that reads a file into a scene of the object factory that made it
// (CreateFileImporter, DestroyFileImporter).
//
// The format is known from the file: the WYX extension ("wyx", in any case) has its form
// told by the file's header (importer ids 0 ASCII, 1 binary, 2 encrypted); any other
// extension names its format (RWyxFormatTable). The importer holds one reader at a time,
// made for that format when first needed and kept until the importer is given another
// file or destroyed; it never calls the reader's FileClose.
//
// Before any reader is made the file is checked, each failure with its own error and
// nothing made: no name (6), a folder or a file that does not open for reading (3), no
// extension, an extension no format has, a WYX file whose header shows no form (8), a
// format whose reader is not built (9).
//
// Mapping of the reader's failures (the front ends' codes, RWyxIO): FileOpen and ReadHeader
// keep the reader's codes 0 to 3 and make any other 7; GetReadOptions answering null (unless
// the caller asked for quiet) and Read failing are 7; each with the reader's text. Import
// without options, for a format that has no options of its own (every format but WYX), is
// 10 before anything is read.
//
// SelectTakes needs the take descriptions: it is defined in the top layer,
// fileformats/RWyxFileImporterTakes.cpp.

#include "core/RString.h"
#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxIO.h"
#include "fileio/RWyxReader.h"

#include <array>
#include <memory>

class RStreamOptions;
struct RWyxFormatRow;
class RWyxObjectFactory;
class RWyxScene;
class RWyxTakeInfo;

class RWyxFileImporter : public RWyxIO {
public:
    // Format ids.
    enum FormatId {
        kFormatWyxAscii,
        kFormatWyxBinary,
        kFormatWyxEncrypted,
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
        kFormatUnknown = -1,
    };

    explicit RWyxFileImporter(RWyxObjectFactory* factory);
    // Destroys the reader.
    ~RWyxFileImporter() override;

    // Forgets the previous file (its reader, header, error and message text; the stream
    // flags go back to their defaults), records the name, tells the format, and for a format
    // that keeps a header (WYX) makes the reader and reads the header. False with the error
    // set when any of that fails.
    virtual bool Initialize(const char* path);

    const RString& GetFileName() const { return fileName_; }
    // kFormatUnknown until the format is told.
    int GetFormatId() const { return formatId_; }

    // The version of a file with a header, read once: a stored major of 1 to 4 is reported
    // as 5.0.0. False, all three 0, for other formats or when the header cannot be read.
    bool GetFileVersion(int& major, int& minor, int& revision);
    // The number of take descriptions of a file with a header (read once); 0 for other
    // formats or when the header cannot be read.
    int GetTakeCount();
    // The reader's take description of that index, valid while the reader lives; its
    // selection is what an import without options reads. Null out of range and for other
    // formats.
    RWyxTakeInfo* GetTakeInfo(int index);

    // The WYX stream flags (RStreamOptionsWyx, indices 0 to 11) an import without options
    // uses. False, nothing stored, for any other index.
    bool SetStreamFlag(int index, bool on);
    bool GetStreamFlag(int index) const;

    // Makes the reader when none lives and answers its options for the file, which the
    // caller owns. Null with error 7 (unless quiet) when the reader gives none.
    RStreamOptionsPtr GetReadOptions(bool quiet = false);

    // Reads the file into the scene. Without options, a format with options of its own (WYX)
    // gets new ones carrying the stream flags and the take selection; any other fails with
    // error 10. The reader's message text is copied whatever the result.
    [[nodiscard]] bool Import(RWyxScene* scene, RStreamOptions* options = nullptr);

    // The reader, while one lives.
    RWyxReader* GetReader() const { return reader_.get(); }

private:
    enum class HeaderState { kNotRead, kRead, kFailed };

    void Forget();
    // Tells the format from the name and, for WYX, the header bytes.
    bool Identify();
    bool IdentifyByHeader(const RWyxFormatRow& row);
    bool EnsureReader();
    // Whether the format keeps a header and it has been read.
    bool EnsureHeader();
    bool HasHeaderFormat() const;
    // The reader's code 0 to 3 as it is, any other as 7, with its text.
    void TakeOverReaderError(const RWyxReader& reader);
    void CopyStreamFlags(RStreamOptionsWyx& options) const;
    // Takes entries named after the take descriptions, each selected as its description is.
    void SelectTakes(RStreamOptionsWyx& options) const;

    RString fileName_;
    int formatId_ = kFormatUnknown;
    const RWyxFormatRow* row_ = nullptr;
    int form_ = 0;
    std::unique_ptr<RWyxReader> reader_;
    HeaderState headerState_ = HeaderState::kNotRead;
    RWyxFileHeaderSummary header_;
    std::array<bool, RStreamOptionsWyx::kFlagCount> streamFlags_{};
};

#endif
