// The SDK's table of file formats: one row per format, with the factories of the readers and
// writers built so far. A reader or writer that lands fills its row's factory here (this
// layer sees every format's classes); a factory answering null for a form leaves that form
// unsupported.

#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxFileExporter.h"
#include "fileio/RWyxFileImporter.h"
#include "fileio/RWyxFormatTable.h"
#include "fileio/WyxHeaderForm.h"
#include "formats/3ds/RWyxReader3ds.h"
#include "formats/3ds/RWyxWriter3ds.h"
#include "formats/geometry/RWyxReaderDxf.h"
#include "formats/geometry/RWyxReaderObj.h"
#include "formats/geometry/RWyxWriterDxf.h"
#include "formats/geometry/RWyxWriterObj.h"
#include "formats/motion/RWyxReaderAmc.h"
#include "formats/motion/RWyxReaderAsf.h"
#include "formats/motion/RWyxReaderBrd.h"
#include "formats/motion/RWyxReaderBvh.h"
#include "formats/motion/RWyxReaderC3d.h"
#include "formats/motion/RWyxReaderHtr.h"
#include "formats/motion/RWyxReaderMcd.h"
#include "formats/motion/RWyxReaderMov.h"
#include "formats/motion/RWyxReaderTrc.h"
#include "formats/motion/RWyxReaderVpm.h"
#include "formats/motion/RWyxWriterAmc.h"
#include "formats/motion/RWyxWriterAsf.h"
#include "formats/motion/RWyxWriterBrd.h"
#include "formats/motion/RWyxWriterBvh.h"
#include "formats/motion/RWyxWriterC3d.h"
#include "formats/motion/RWyxWriterHtr.h"
#include "formats/motion/RWyxWriterMcd.h"
#include "formats/motion/RWyxWriterMov.h"
#include "formats/motion/RWyxWriterTrc.h"
#include "formats/motion/RWyxWriterVpm.h"
#include "wyxreader/RWyxReaderWyx.h"
#include "wyxwriter/RWyxWriterWyx5.h"
#include "wyxwriter/RWyxWriterWyx6.h"

namespace {

using Importer = RWyxFileImporter;
using Exporter = RWyxFileExporter;

RStreamOptionsPtr NewWyxOptions() { return RStreamOptionsPtr(RStreamOptionsWyx::Create()); }

// Exporter forms 0 to 2 (binary, ASCII, encrypted) are the version-6 writer's file modes 1, 0
// and 2; forms 3 and 4 (binary, ASCII) the version-5 writer's modes 1 and 0.
std::unique_ptr<RWyxWriter> NewWyxWriter(RWyxObjectFactory* factory, RWyxIO* owner, int form) {
    static constexpr int kModes[] = {RWyxWriterWyx::kFileModeBinary, RWyxWriterWyx::kFileModeAscii,
                                     RWyxWriterWyx::kFileModeEncrypted, RWyxWriterWyx::kFileModeBinary,
                                     RWyxWriterWyx::kFileModeAscii};
    if (form < 0 || form > 4) return nullptr;
    std::unique_ptr<RWyxWriterWyx> writer;
    if (form <= 2) {
        writer = std::make_unique<RWyxWriterWyx6>(factory, owner);
    } else {
        writer = std::make_unique<RWyxWriterWyx5>(factory, owner);
    }
    writer->SetFileMode(kModes[form]);
    return writer;
}

// Every WYX form (ASCII, binary, encrypted) is read by the one reader, which tells the form
// from the file itself.
std::unique_ptr<RWyxReader> NewWyxReader(RWyxObjectFactory* factory, int form) {
    if (form < 0 || form > 2) return nullptr;
    return std::make_unique<RWyxReaderWyx>(factory);
}

template <typename Reader>
std::unique_ptr<RWyxReader> NewReader(RWyxObjectFactory* factory, int /*form*/) {
    return std::make_unique<Reader>(factory);
}

template <typename Writer>
std::unique_ptr<RWyxWriter> NewWriter(RWyxObjectFactory* factory, RWyxIO* owner, int /*form*/) {
    return std::make_unique<Writer>(factory, owner);
}

// AOA (false) and MCD (true): one reader class and one writer class, told apart by a flag.
template <bool Mcd>
std::unique_ptr<RWyxReader> NewMcdReader(RWyxObjectFactory* factory, int /*form*/) {
    return std::make_unique<RWyxReaderMcd>(factory, Mcd);
}

template <bool Mcd>
std::unique_ptr<RWyxWriter> NewMcdWriter(RWyxObjectFactory* factory, RWyxIO* owner, int /*form*/) {
    return std::make_unique<RWyxWriterMcd>(factory, owner, Mcd);
}

// A format told by its extension whose caller gives the options (those of its reader's or
// writer's options operation).
template <typename Reader, typename Writer>
constexpr RWyxFormatRow WithClasses(const char* name, const char* extension, int importId, int exportId) {
    return {name, extension, importId, 1, exportId, 1, nullptr, 0, &NewReader<Reader>, &NewWriter<Writer>, nullptr};
}

const RWyxFormatRow kRows[] = {
    // Importer forms 0 ASCII, 1 binary, 2 encrypted (the header tells); exporter forms
    // 0 binary, 1 ASCII, 2 encrypted (version 6), 3 binary, 4 ASCII (version 5).
    {"WYX", "wyx", Importer::kFormatWyxAscii, 3, Exporter::kFormatWyxBinary, 5, &RecognizeWyxHeader, kWyxHeaderBytes,
     &NewWyxReader, &NewWyxWriter, &NewWyxOptions},
    WithClasses<RWyxReaderBvh, RWyxWriterBvh>("BVH", "bvh", Importer::kFormatBvh, Exporter::kFormatBvh),
    WithClasses<RWyxReaderHtr, RWyxWriterHtr>("HTR", "htr", Importer::kFormatHtr, Exporter::kFormatHtr),
    WithClasses<RWyxReaderTrc, RWyxWriterTrc>("TRC", "trc", Importer::kFormatTrc, Exporter::kFormatTrc),
    WithClasses<RWyxReaderAsf, RWyxWriterAsf>("ASF", "asf", Importer::kFormatAsf, Exporter::kFormatAsf),
    WithClasses<RWyxReaderAmc, RWyxWriterAmc>("AMC", "amc", Importer::kFormatAmc, Exporter::kFormatAmc),
    WithClasses<RWyxReaderC3d, RWyxWriterC3d>("C3D", "c3d", Importer::kFormatC3d, Exporter::kFormatC3d),
    {"AOA", "aoa", Importer::kFormatAoa, 1, Exporter::kFormatAoa, 1, nullptr, 0, &NewMcdReader<false>,
     &NewMcdWriter<false>, nullptr},
    {"MCD", "mcd", Importer::kFormatMcd, 1, Exporter::kFormatMcd, 1, nullptr, 0, &NewMcdReader<true>,
     &NewMcdWriter<true>, nullptr},
    WithClasses<RWyxReaderVpm, RWyxWriterVpm>("VPM", "vpm", Importer::kFormatVpm, Exporter::kFormatVpm),
    WithClasses<RWyxReaderMov, RWyxWriterMov>("MOV", "mov", Importer::kFormatMov, Exporter::kFormatMov),
    WithClasses<RWyxReaderBrd, RWyxWriterBrd>("BRD", "brd", Importer::kFormatBrd, Exporter::kFormatBrd),
    WithClasses<RWyxReaderDxf, RWyxWriterDxf>("DXF", "dxf", Importer::kFormatDxf, Exporter::kFormatDxf),
    WithClasses<RWyxReader3ds, RWyxWriter3ds>("3DS", "3ds", Importer::kFormat3ds, Exporter::kFormat3ds),
    WithClasses<RWyxReaderObj, RWyxWriterObj>("OBJ", "obj", Importer::kFormatObj, Exporter::kFormatObj),
};

}  // namespace

const RWyxFormatTable& GetFormatTable() {
    static const RWyxFormatTable table(kRows, static_cast<int>(sizeof kRows / sizeof kRows[0]));
    return table;
}
