#include "fileio/RWyxIO.h"

#include "fileio/RWyxFormatTable.h"

namespace {

const char* const kMessages[RWyxIO::kErrorCount] = {
    "File is corrupted",
    "File version is not supported yet",
    "File version is not supported anymore",
    "File not opened",
    "File not created",
    "File not written",
    "File name not set",
    "Unidentified error",
    "Unknown file format",
    "Unsupported file format",
    "Stream options not set",
};

}  // namespace

RWyxIO::RWyxIO(RWyxObjectFactory* factory) : RWyxMessageHolder(kMessages, kErrorCount), factory_(factory) {}

RWyxIO::~RWyxIO() = default;

void RWyxIO::ReportProgress(int status, const char* text, const char* detail, float percent) const {
    if (progressHandler_) {
        progressHandler_(status, text, detail, percent);
    }
}

const RWyxFormatTable& RWyxIO::GetFormatTable() const {
    return table_ != nullptr ? *table_ : ::GetFormatTable();
}
