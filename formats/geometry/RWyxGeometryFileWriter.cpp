#include "formats/geometry/RWyxGeometryFileWriter.h"

#include "core/FilePaths.h"

RWyxGeometryFileWriter::~RWyxGeometryFileWriter() { FileClose(); }

bool RWyxGeometryFileWriter::FileCreate(const char* path) {
    FileClose();
    if (path != nullptr && createFolders_) CreateDirectoryPath(path);
    if (path == nullptr || !OpenFileUtf8(file_, path, "wt")) {
        file_ = nullptr;
        SetError(kErrorNotOpened, RString("Cannot create \"") + (path != nullptr ? path : "") + "\"");
        return false;
    }
    path_ = path;
    return true;
}

bool RWyxGeometryFileWriter::FileClose() {
    bool closed = true;
    if (file_ != nullptr) {
        closed = std::fclose(file_) == 0;
        file_ = nullptr;
    }
    path_ = RString("");
    return closed;
}
