#ifndef WYX_FILEIO_RWYXREADER_H
#define WYX_FILEIO_RWYXREADER_H

// The base of every file reader. A reader is made by the importer front end for the file's
// format (RWyxFormatTable) with the importer's object factory, through which it makes every
// scene object it reads. The importer drives it in this order:
//
//   FileOpen(path)            once; on failure the reader is destroyed
//   ReadHeader(header)        formats whose files keep a header (WYX), at most once
//   GetReadOptions(quiet)     when the importer's caller asks for the options
//   Read(scene, options)      any number of times while the reader lives
//   destructor                ends the reader's work; the importer never calls FileClose
//
// After each call the importer reads the error (the codes below) and after Read it copies
// the message text, to which a reader appends its warnings.
//
// CheckDuplicateNames needs the scene classes: it is defined in the top layer,
// fileformats/RWyxReaderChecks.cpp.

#include "core/RPlug.h"
#include "core/RString.h"
#include "fileio/RWyxMessageHolder.h"

#include <memory>
#include <vector>

class RStreamOptions;
class RWyxNode;
class RWyxObjectFactory;
class RWyxScene;
class RWyxTakeInfo;

// Stream options handed from a reader or writer to its caller, who owns them.
using RStreamOptionsPtr = std::unique_ptr<RStreamOptions, RPlugDestroyer>;

// What a file's header tells before the file is read.
struct RWyxFileHeaderSummary {
    // As the container stores it: major * 1000 + minor * 100 + revision (6000 is 6.0.0).
    int fileVersion = 0;
    // The reader's own take descriptions, valid while the reader lives; callers may change
    // their selection.
    std::vector<RWyxTakeInfo*> takeInfos;
};

class RWyxReader : public RWyxMessageHolder {
public:
    // Error codes.
    static constexpr int kErrorCorrupted = 0;
    static constexpr int kErrorVersionTooNew = 1;
    static constexpr int kErrorVersionTooOld = 2;
    static constexpr int kErrorNotOpened = 3;
    static constexpr int kErrorNotCreated = 4;
    static constexpr int kErrorWrongPassword = 5;
    static constexpr int kErrorOptionsNotSet = 6;
    static constexpr int kErrorUnidentified = 7;
    static constexpr int kErrorCount = 8;

    // The factory is not owned.
    explicit RWyxReader(RWyxObjectFactory* factory);

    // ---- the virtual operations, in this order -----------------------------------------------
    virtual ~RWyxReader();
    virtual bool FileOpen(const char* path) = 0;
    virtual bool FileClose() = 0;
    virtual bool IsFileOpen() const = 0;
    // New options describing the open file, or null. `quiet` is the importer's caller asking
    // for no error when there are none; the format readers need not heed it.
    virtual RStreamOptionsPtr GetReadOptions(bool quiet) = 0;
    virtual bool Read(RWyxScene* scene, RStreamOptions* options) = 0;
    // True when no two nodes of the node's subtree share a name. Otherwise appends, for each
    // clashing name once in the order found, "\n    " and the name (with its "Model::"
    // prefix) to text, and answers false. A null node has no clash.
    virtual bool CheckDuplicateNames(RWyxNode* node, RString& text);
    // Fills the header of a format that keeps one. Formats without a header keep this base,
    // which answers false and leaves the header as it was.
    virtual bool ReadHeader(RWyxFileHeaderSummary& header);

    RWyxObjectFactory* GetFactory() const { return factory_; }

private:
    RWyxObjectFactory* factory_;
};

#endif
