#include "fileio/RWyxReader.h"

namespace {

const char* const kMessages[RWyxReader::kErrorCount] = {
    "File is corrupted",
    "File version is not supported yet",
    "File version is not supported anymore",
    "File not opened",
    "File not created",
    "Wrong password",
    "Stream options not set",
    "Unidentified error",
};

}  // namespace

RWyxReader::RWyxReader(RWyxObjectFactory* factory) : RWyxMessageHolder(kMessages, kErrorCount), factory_(factory) {}

RWyxReader::~RWyxReader() = default;

bool RWyxReader::ReadHeader(RWyxFileHeaderSummary& /*header*/) { return false; }
