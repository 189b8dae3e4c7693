#include "formats/geometry/RWyxGeometryFileReader.h"

#include "core/FilePaths.h"
#include "formats/geometry/GeometryText.h"

RWyxGeometryFileReader::~RWyxGeometryFileReader() { FileClose(); }

bool RWyxGeometryFileReader::FileOpen(const char* path) {
    FileClose();
    if (path == nullptr || !OpenFileUtf8(file_, path, "rt")) {
        file_ = nullptr;
        SetError(kErrorNotOpened, RString("Cannot open \"") + (path != nullptr ? path : "") + "\"");
        return false;
    }
    path_ = path;
    return true;
}

bool RWyxGeometryFileReader::FileClose() {
    path_ = RString("");
    return CloseStream(file_);
}

bool RWyxGeometryFileReader::ReadOpenFile(std::string& bytes) {
    if (file_ == nullptr) {
        SetError(kErrorNotOpened, "No file is open");
        return false;
    }
    // The stream returns to where it stood, so that every Read sees the same bytes.
    const long start = std::ftell(file_);
    const bool read = ReadRestOfStream(file_, bytes);
    if (start >= 0) std::fseek(file_, start, SEEK_SET);
    if (!read) {
        SetError(kErrorNotOpened, RString("Cannot read \"") + path_ + "\"");
        return false;
    }
    return true;
}

RString RWyxGeometryFileReader::ReferenceNodeName() const {
    RString name;
    GetFileName(name, path_.Buffer(), false);
    return name + "_root";
}
