#include "formats/geometry/RWyxGeometryFileWriter.h"

#include "core/FilePaths.h"
#include "fileio/RStreamOptions.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"

#include <cerrno>
#include <cstring>

RWyxGeometryFileWriter::~RWyxGeometryFileWriter() {
    companion_.Abandon();
    output_.Abandon();
}

bool RWyxGeometryFileWriter::FileCreate(const char* path) {
    companion_.Abandon();
    output_.Abandon();
    abandoned_ = false;
    path_ = RString("");
    if (path != nullptr && createFolders_) CreateDirectoryPath(path);
    if (path == nullptr || !output_.Begin(path)) {
        SetError(kErrorNotOpened, RString("Cannot create \"") + (path != nullptr ? path : "") + "\"");
        return false;
    }
    path_ = path;
    return true;
}

std::FILE* RWyxGeometryFileWriter::BeginCompanion(const char* path) {
    if (!companion_.Begin(path)) return nullptr;
    companionPath_ = path;
    return companion_.File();
}

void RWyxGeometryFileWriter::Abandon() {
    companion_.Abandon();
    output_.Abandon();
    abandoned_ = true;
}

bool RWyxGeometryFileWriter::Write(RWyxScene* scene, RStreamOptions* options) {
    const bool written = WriteToTarget(scene, options);
    if ((!written || HasError()) && output_.IsActive()) Abandon();
    return written;
}

bool RWyxGeometryFileWriter::FailWhole(const RString& path, int reason, const std::string& kept) {
    RString text = RString("Cannot write \"") + path + "\" whole";
    if (reason != 0) text += RString(": ") + std::strerror(reason);
    if (!kept.empty()) text += RString("; its old content is kept in \"") + kept.c_str() + "\"";
    SetError(kErrorOutOfDiskSpace, text);
    return false;
}

bool RWyxGeometryFileWriter::Flush(platform::RFileReplacement& file, const RString& path) {
    return !file.IsActive() || std::fflush(file.File()) == 0 || FailWhole(path, errno, std::string());
}

bool RWyxGeometryFileWriter::Commit(platform::RFileReplacement& file, const RString& path) {
    return !file.IsActive() || file.Commit() || FailWhole(path, file.FailureCode(), file.KeptOldContent());
}

bool RWyxGeometryFileWriter::FileClose() {
    const RString path = path_;
    path_ = RString("");
    if (abandoned_) {
        abandoned_ = false;
        if (!HasError()) SetError(kErrorOutOfDiskSpace, "The write failed: nothing was put in place");
        return false;
    }
    // Every byte out before any target changes; the output's replacement, the larger and
    // the one a failure most likely hits, before its companion's.
    const bool closed = Flush(output_, path) && Flush(companion_, companionPath_) && Commit(output_, path) &&
                        Commit(companion_, companionPath_);
    companion_.Abandon();
    output_.Abandon();
    return closed;
}

RWyxNode* RWyxGeometryFileWriter::BeginWrite(RWyxScene* scene, RStreamOptions* options, int optionsClassId) {
    if (scene == nullptr || options == nullptr || !options->Is(optionsClassId)) {
        SetError(kErrorOptionsNotSet, "");
        return nullptr;
    }
    ResetWarnings();
    RWyxNode* root = scene->GetRootNode();
    if (root == nullptr || !output_.IsActive()) {
        SetError(kErrorUnidentified, root == nullptr ? "The scene has no root node" : "No file is open");
        return nullptr;
    }
    return root;
}
