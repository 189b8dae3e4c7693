#include "formats/geometry/RWyxGeometryFileWriter.h"

#include "core/FilePaths.h"
#include "fileio/RStreamOptions.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "formats/geometry/GeometryText.h"

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
    path_ = RString("");
    return CloseStream(file_);
}

RWyxNode* RWyxGeometryFileWriter::BeginWrite(RWyxScene* scene, RStreamOptions* options, int optionsClassId) {
    if (scene == nullptr || options == nullptr || !options->Is(optionsClassId)) {
        SetError(kErrorOptionsNotSet, "");
        return nullptr;
    }
    ResetWarnings();
    RWyxNode* root = scene->GetRootNode();
    if (root == nullptr || file_ == nullptr) {
        SetError(kErrorUnidentified, root == nullptr ? "The scene has no root node" : "No file is open");
        return nullptr;
    }
    return root;
}
