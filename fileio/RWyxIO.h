#ifndef WYX_FILEIO_RWYXIO_H
#define WYX_FILEIO_RWYXIO_H

// The common base of the importer and exporter front ends: the object factory that made the
// front end (and through which its readers and writers make scene objects), the format
// table it looks formats up in, its error over the front ends' message table, the message
// text it copies from its reader or writer, and the progress handler to which the writers
// report through it.
//
// Error codes of the front ends. Codes 0 to 3 are a reader's codes taken over as they are,
// 4 a writer's "File not created"; the others are the front ends' own:
//    0 "File is corrupted"                       6 "File name not set"
//    1 "File version is not supported yet"       7 "Unidentified error"
//    2 "File version is not supported anymore"   8 "Unknown file format"
//    3 "File not opened"                         9 "Unsupported file format"
//    4 "File not created"                       10 "Stream options not set"
//    5 "File not written"
// The text says more where the front end knows more (the file, the format); a code taken
// over from a reader or writer comes with that one's text.

#include "core/RString.h"
#include "fileio/RWyxMessageHolder.h"
#include "fileio/RWyxReader.h"

#include <functional>
#include <utility>

class RWyxFormatTable;
class RWyxObjectFactory;

class RWyxIO : public RWyxMessageHolder {
public:
    // A reader's codes, taken over as they are.
    static constexpr int kErrorCorrupted = RWyxReader::kErrorCorrupted;
    static constexpr int kErrorVersionTooNew = RWyxReader::kErrorVersionTooNew;
    static constexpr int kErrorVersionTooOld = RWyxReader::kErrorVersionTooOld;
    static constexpr int kErrorNotOpened = RWyxReader::kErrorNotOpened;
    static constexpr int kErrorNotCreated = 4;
    static constexpr int kErrorNotWritten = 5;
    static constexpr int kErrorFileNameNotSet = 6;
    static constexpr int kErrorUnidentified = 7;
    static constexpr int kErrorUnknownFormat = 8;
    static constexpr int kErrorUnsupportedFormat = 9;
    static constexpr int kErrorOptionsNotSet = 10;
    static constexpr int kErrorCount = 11;

    // (status, text or null, detail text or null, percent complete).
    using ProgressHandler = std::function<void(int status, const char* text, const char* detail, float percent)>;

    // The factory is not owned. The format table is the SDK's (GetFormatTable).
    explicit RWyxIO(RWyxObjectFactory* factory);
    virtual ~RWyxIO();

    RWyxObjectFactory* GetFactory() const { return factory_; }

    // An empty handler drops the reports.
    void SetProgressHandler(ProgressHandler handler) { progressHandler_ = std::move(handler); }
    // A writer's progress: (0, text, null, 0) reports a text, (0, null, null, percent) a
    // percentage; passed on to the progress handler as they come.
    void ReportProgress(int status, const char* text, const char* detail, float percent) const;

    // Another table in place of the SDK's, for the front end's remaining life (tests put rows
    // of their own readers and writers here); null goes back to the SDK's. Not owned.
    void SetFormatTable(const RWyxFormatTable* table) { table_ = table; }
    const RWyxFormatTable& GetFormatTable() const;

protected:
    void ClearError() { GetError().ClearError(); }
    // Takes over the error of a reader or writer under the given code of this table, with
    // that one's text (this table's text when it has none).
    void TakeOverError(int code, const RWyxMessageHolder& worker) { SetError(code, worker.GetLastErrorString()); }

private:
    RWyxObjectFactory* factory_;
    const RWyxFormatTable* table_ = nullptr;
    ProgressHandler progressHandler_;
};

#endif
