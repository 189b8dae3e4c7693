#include "fileio/RWyxFileExporter.h"

#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxFormatTable.h"

RWyxFileExporter::RWyxFileExporter(RWyxObjectFactory* factory) : RWyxIO(factory) {}

RWyxFileExporter::~RWyxFileExporter() = default;

bool RWyxFileExporter::Initialize(const char* path) {
    fileName_ = path != nullptr ? path : "";
    ClearError();
    MessageText().Clear();
    return !fileName_.IsEmptyText();
}

bool RWyxFileExporter::SetIOFlag(int index, bool on) {
    if (index != kIOFlagEmbedMedia) {
        return false;
    }
    embedMedia_ = on;
    return true;
}

bool RWyxFileExporter::Export(RWyxScene* scene, RStreamOptions* options) {
    ClearError();
    MessageText().Clear();
    int form = 0;
    RStreamOptionsPtr own;
    const RWyxFormatRow* row = ResolveFormat(formatId_, form, options, own);
    if (row == nullptr) {
        return false;
    }
    if (fileName_.IsEmptyText()) {
        SetError(kErrorFileNameNotSet, nullptr);
        return false;
    }
    std::unique_ptr<RWyxWriter> writer = NewWriter(*row, form, scene);
    if (writer == nullptr || !CreateFile(*writer)) {
        return false;
    }
    if (!TakeOverWrite(*writer, writer->Write(scene, options))) {
        return false;  // no FileClose: the failed file is not to be put in place
    }
    const bool closed = writer->FileClose();
    // Closing may add warnings (the OBJ writer copies its textures once its files are in place).
    writer->GetMessageText(MessageText());
    if (!closed) {
        TakeOverError(kErrorNotWritten, *writer);
        return false;
    }
    return true;
}

bool RWyxFileExporter::WriteV5Scene(RWyxScene* scene, RStreamOptions* options, RWyxPropertyFile* file) {
    ClearError();
    MessageText().Clear();
    if (file == nullptr) {
        SetError(kErrorNotOpened, "No file to write the nested scene into");
        return false;
    }
    int form = 0;
    RStreamOptionsPtr own;
    const RWyxFormatRow* row = ResolveFormat(kFormatWyx5Binary, form, options, own);
    std::unique_ptr<RWyxWriter> writer = row != nullptr ? NewWriter(*row, form, scene) : nullptr;
    return writer != nullptr && TakeOverWrite(*writer, writer->WriteScene(scene, options, file));
}

const RWyxFormatRow* RWyxFileExporter::ResolveFormat(int formatId, int& form, RStreamOptions*& options,
                                                     RStreamOptionsPtr& own) {
    const RWyxFormatRow* row = GetFormatTable().FindExportId(formatId, form);
    if (row == nullptr) {
        SetError(kErrorUnknownFormat, RString("No file format has the export id ") + formatId);
        return nullptr;
    }
    if (options != nullptr) {
        return row;
    }
    own = row->newOptions != nullptr ? row->newOptions() : nullptr;
    if (own == nullptr) {
        SetError(kErrorOptionsNotSet, RString("Writing ") + row->name + " files needs the options its writer gives");
        return nullptr;
    }
    if (own->Is(RStreamOptionsWyx::ClassId())) {
        static_cast<RStreamOptionsWyx&>(*own).SetFlag(RStreamOptionsWyx::kFlagEmbedMedia, embedMedia_);
    }
    options = own.get();
    return row;
}

std::unique_ptr<RWyxWriter> RWyxFileExporter::NewWriter(const RWyxFormatRow& row, int form, const RWyxScene* scene) {
    if (scene == nullptr) {
        SetError(kErrorUnidentified, "No scene to export");
        return nullptr;
    }
    std::unique_ptr<RWyxWriter> writer = row.newWriter != nullptr ? row.newWriter(GetFactory(), this, form) : nullptr;
    if (writer == nullptr) {
        SetError(kErrorUnsupportedFormat, RString("Writing ") + row.name + " files (export id " +
                                              (row.firstExportId + form) + ") is not supported yet");
    }
    return writer;
}

bool RWyxFileExporter::CreateFile(RWyxWriter& writer) {
    if (writer.FileCreate(fileName_.Buffer())) {
        return true;
    }
    switch (writer.GetLastErrorCode()) {
        case RWyxWriter::kErrorCorrupted: TakeOverError(kErrorCorrupted, writer); break;
        case RWyxWriter::kErrorNotCreated: TakeOverError(kErrorNotCreated, writer); break;
        default: TakeOverError(kErrorUnidentified, writer); break;
    }
    return false;
}

bool RWyxFileExporter::TakeOverWrite(const RWyxWriter& writer, bool written) {
    writer.GetMessageText(MessageText());
    if (written && !writer.HasError()) {
        return true;
    }
    TakeOverError(kErrorNotWritten, writer);
    return false;
}
