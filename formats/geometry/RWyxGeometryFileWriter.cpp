#include "formats/geometry/RWyxGeometryFileWriter.h"

#include "core/FilePaths.h"
#include "fileio/RStreamOptions.h"
#include "fileio/RWriteFailure.h"
#include "formats/geometry/GeometryTextWriter.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"


RWyxGeometryFileWriter::~RWyxGeometryFileWriter() {
    companion_.Abandon();
    output_.Abandon();
}

bool RWyxGeometryFileWriter::FileCreate(const char* path) {
    companion_.Abandon();
    output_.Abandon();
    abandoned_ = false;
    // An error of an earlier file would make Write drop this one.
    GetError().ClearError();
    path_ = RString("");
    if (path != nullptr && createFolders_) CreateDirectoryPath(path);
    if (path == nullptr || !output_.Begin(path)) {
        const int reason = path != nullptr ? output_.FailureCode() : 0;
        return FailCreate(kErrorNotOpened, RString("Cannot create \"") + (path != nullptr ? path : "") + "\"", reason);
    }
    path_ = path;
    return true;
}

std::FILE* RWyxGeometryFileWriter::BeginCompanion(const char* path, int& reason) {
    reason = 0;
    if (!companion_.Begin(path)) {
        reason = companion_.FailureCode();
        return nullptr;
    }
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

bool RWyxGeometryFileWriter::Flush(platform::RFileReplacement& file, const RString& path) {
    RWriteFailure failure;
    return !file.IsActive() || failure.Write(file.File(), nullptr, 0) || FailWriteWhole(path.Buffer(), failure);
}

bool RWyxGeometryFileWriter::Commit(platform::RFileReplacement& file, const RString& path) {
    if (!file.IsActive() || file.Commit()) return true;
    RWriteFailure failure;
    failure.NoteCommitFailure(file);
    return FailWriteWhole(path.Buffer(), failure);
}

bool RWyxGeometryFileWriter::RefuseNonFinite(RWyxNode& node, const RString& what, const char* file) {
    SetError(kErrorUnidentified, RString("Mesh \"") + node.GetNameWithoutPrefix() + "\": its " + what +
                                     " lies beyond the real numbers " + file + " holds");
    return false;
}

bool RWyxGeometryFileWriter::FailStream(const GeometryTextWriter& stream, const RString& path) {
    return FailWriteWhole(path.Buffer(), stream.GetFailure());
}

bool RWyxGeometryFileWriter::FileClose() {
    const RString path = path_;
    path_ = RString("");
    if (abandoned_) {
        abandoned_ = false;
        if (!HasError()) SetError(kErrorUnidentified, "The write failed: nothing was put in place");
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
