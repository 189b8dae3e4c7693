#ifndef WYX_FILEIO_RWYXFORMATTABLE_H
#define WYX_FILEIO_RWYXFORMATTABLE_H

// The file formats the importer and exporter front ends know, one row per format. Both
// front ends look a format up here and nowhere else: adding a format is adding a row, and
// a reader or writer is plugged in by filling its row's factory.
//
// A row gives the format's
//   - name, for messages ("BVH");
//   - extension, without the dot, matched regardless of case;
//   - importer ids and exporter ids: a run of consecutive ids each (count 0: none). The
//     position of an id in its run is its form, which the factories are given: the WYX row
//     has the importer ids 0 ASCII, 1 binary, 2 encrypted and the exporter ids 0 binary,
//     1 ASCII, 2 encrypted (version 6), 3 binary, 4 ASCII (version 5);
//   - header recognizer: for a format whose files keep a header (WYX), the importer's form
//     from the first bytes of the file; null where the extension alone decides. The
//     importer reads such a header (take descriptions, file version) through the reader's
//     ReadHeader;
//   - reader and writer factories: a new reader or writer of the given form; null, or a
//     null answer, while that reader or writer is not built (the front ends then fail with
//     "unsupported file format");
//   - options: the format's own stream options, made by the front ends when their caller
//     gives none; null where the caller must give the options (those of the reader's
//     GetReadOptions or the writer's GetWriteOptions).

#include "fileio/RWyxReader.h"
#include "fileio/RWyxWriter.h"

#include <cstddef>
#include <memory>

class RWyxIO;
class RWyxObjectFactory;

struct RWyxFormatRow {
    using HeaderRecognizer = int (*)(const unsigned char* bytes, std::size_t size);
    using ReaderFactory = std::unique_ptr<RWyxReader> (*)(RWyxObjectFactory* factory, int form);
    using WriterFactory = std::unique_ptr<RWyxWriter> (*)(RWyxObjectFactory* factory, RWyxIO* owner, int form);
    using OptionsFactory = RStreamOptionsPtr (*)();

    const char* name;
    const char* extension;
    int firstImportId;
    int importIdCount;
    int firstExportId;
    int exportIdCount;
    // The form, or a negative value when the bytes show none; it reads at most headerBytes.
    HeaderRecognizer recognizeHeader;
    std::size_t headerBytes;
    ReaderFactory newReader;
    WriterFactory newWriter;
    OptionsFactory newOptions;
};

class RWyxFormatTable {
public:
    // The rows stay the caller's (a static array).
    RWyxFormatTable(const RWyxFormatRow* rows, int count);

    int GetRowCount() const { return count_; }
    // Null out of range.
    const RWyxFormatRow* GetRow(int index) const;

    // The row of that extension (no dot), compared regardless of case; null for none, null
    // or an empty extension.
    const RWyxFormatRow* FindByExtension(const char* extension) const;
    // The row holding the importer (exporter) id, with the id's form in the row; null, form
    // untouched, when no row holds it.
    const RWyxFormatRow* FindImportId(int id, int& form) const;
    const RWyxFormatRow* FindExportId(int id, int& form) const;

private:
    const RWyxFormatRow* FindId(int id, int& form, int RWyxFormatRow::*first, int RWyxFormatRow::*count) const;

    const RWyxFormatRow* rows_;
    int count_;
};

// The formats of this SDK, with the factories of every reader and writer built. Defined in
// the top layer, fileformats/RWyxFormatTableRows.cpp, which sees every format's classes.
const RWyxFormatTable& GetFormatTable();

#endif
