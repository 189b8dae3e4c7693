// Embedding a file's bytes in a binary WYX file as one raw value.

#include "fileio/RWyxFile.h"

#include "core/FilePaths.h"
#include "fileio/LittleEndian.h"
#include "platform/NativeFiles.h"

#include <limits>

bool RWyxFile::FieldWriteFileContent(const char* path, const char* alternativePath) {
    if (!CanWrite() || !binary_) {
        return false;
    }
    if (OpenFrame() == nullptr || frames_.back().phase != Phase::kValues) {
        FailField("Write field error : Field not opened");
        return false;
    }
    RString opened(path != nullptr ? path : "");
    std::FILE* source = platform::OpenFile(opened.Buffer(), "rb");
    if (source == nullptr && alternativePath != nullptr && alternativePath[0] != '\0') {
        MakeAbsolutePath(opened, folder_.Buffer(), alternativePath);
        source = platform::OpenFile(opened.Buffer(), "rb");
    }
    if (source == nullptr) {
        return false;
    }
    // A file is known by its absolute, normalised name.
    const std::string identity = platform::FullPath(opened.Buffer());
    if (embeddedFiles_.count(identity) != 0) {
        std::fclose(source);
        return true;
    }
    const bool copied = CopyFileAsRawValue(source);
    std::fclose(source);
    NoteOutputFailure();
    if (copied) {
        embeddedFiles_.insert(identity);
        ++frames_.back().valueCount;
    }
    return copied && !error_.HasError();
}

bool RWyxFile::CopyFileAsRawValue(std::FILE* source) {
    // The length is patched in once the copy is done, so the file is read exactly once.
    const std::uint64_t lengthAt = output_.Position() + 1;
    static constexpr unsigned char kPlaceholder[4] = {};
    output_.AppendTagged('R', kPlaceholder);
    const auto piece = std::make_unique<unsigned char[]>(kContentPieceSize);
    std::uint64_t total = 0;
    std::size_t got;
    while ((got = std::fread(piece.get(), 1, kContentPieceSize, source)) > 0) {
        total += got;
        if (total > std::numeric_limits<std::uint32_t>::max()) {
            FailField("Write field error : file too large to embed");
            return false;
        }
        output_.Append(piece.get(), got);
    }
    if (std::ferror(source) != 0) {
        Fail(kErrorRead);
        return false;
    }
    unsigned char length[4];
    wyx_le::StoreU32(length, static_cast<std::uint32_t>(total));
    output_.Patch(lengthAt, length, sizeof length);
    return true;
}
