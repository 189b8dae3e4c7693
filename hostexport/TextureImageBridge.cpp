#include "hostexport/TextureImageBridge.h"

#include "core/FilePaths.h"
#include "fileio/RImageBuffer.h"
#include "fileio/RImageConverter.h"
#include "fileio/TiffImage.h"
#include "plugin/WyxVexaOptions.h"
#include "scene/RWyxObjectFactory.h"

#include <vexa/VImage.h>

#include <cstring>

namespace {

constexpr const char* kTempPrefix = "texfile";
constexpr const char* kTempSuffix = ".tif";

// The picture formats of the general callback, which the write-back also serves: a picture
// the export converts comes back in its own format.
const char* const kPictureExtensions[] = {"als", "bmp",  "cin", "gif", "iff", "jpg", "jpe", "jpeg",
                                          "jfif", "rgb", "rgba", "sgi", "pic", "tga", "rla", "yuv"};
const char* const kTiffExtensions[] = {"tif", "tiff"};

bool ConvertToTiff() { return GetPluginOptions()->GetBoolOption(kExportConvert_2Tiff); }

template <size_t N>
bool IsOneOf(const RString& extension, const char* const (&list)[N]) {
    for (const char* entry : list) {
        if (extension == entry) return true;
    }
    return false;
}

RString LowerExtension(const RString& path) {
    RString extension;
    GetFileExtension(extension, path.Buffer());
    return extension.ToLowerCase();
}

// The buffer empty and named after the file, with the keep-file flag.
void PrepareBuffer(RImageBuffer& buffer, const RString& fileName, bool keep) {
    buffer.Init(0, 0, false, RImageBuffer::kType8Bit, 4);
    buffer.SetName(fileName.Buffer());
    buffer.SetKeepOriginal(keep);
}

// Reads the picture through the host into the buffer and replaces the file name by a new
// temporary TIFF for the framework to write. 1, the name unchanged, when the host cannot read
// the picture or no temporary file can be made; a picture whose size cannot be had keeps its
// file.
int ReadPictureIntoTempTiff(RImageBuffer& buffer, RString& fileName) {
    VImage image;
    if (!image.readFromFile(fileName.Buffer())) return 1;
    unsigned width = 0;
    unsigned height = 0;
    if (!image.getSize(width, height)) {
        buffer.SetKeepOriginal(true);
        return 1;
    }
    const int channels = static_cast<int>(image.depth());
    if (image.pixels() == nullptr ||
        !buffer.Init(static_cast<int>(width), static_cast<int>(height), true, RImageBuffer::kType8Bit, channels) ||
        buffer.GetPixelByteCount() != static_cast<size_t>(width) * height * image.depth()) {
        buffer.Init(0, 0, false, RImageBuffer::kType8Bit, 4);
        return 1;
    }
    std::memcpy(buffer.GetPixels(), image.pixels(), buffer.GetPixelByteCount());
    const RString temporary = TempFileName(nullptr, kTempPrefix, kTempSuffix);
    if (temporary.IsEmptyText()) {
        buffer.Init(0, 0, false, RImageBuffer::kType8Bit, 4);
        return 1;
    }
    fileName = temporary;
    return 0;
}

// Writes the image back as the picture the buffer was made from, beside the file name, through
// a temporary TIFF that goes on every road.
int WritePictureBack(RString& fileName, const RImageBuffer& buffer, const RString& extension) {
    RString baseName;
    GetFileName(baseName, buffer.GetFileName().Buffer(), true);
    if (baseName.IsEmptyText() || baseName == "." || baseName == "..") return 1;
    RString folder;
    GetFileDirectory(folder, fileName.Buffer());
    const RString target = (folder.IsEmptyText() ? RString("") : folder + "/") + baseName;
    const RString temporary = TempFileName(folder.IsEmptyText() ? "." : folder.Buffer(), kTempPrefix, kTempSuffix);
    if (temporary.IsEmptyText()) return 1;
    VImage image;
    const bool written = WriteImageAsTiff(temporary.Buffer(), false, buffer) &&
                         image.readFromFile(temporary.Buffer()) &&
                         image.writeToFile(target.Buffer(), extension.Buffer());
    RemoveFile(temporary.Buffer());
    if (!written) return 1;
    fileName = target;
    return 0;
}

}  // namespace

void RegisterTextureImageBridge(RWyxObjectFactory* factory) {
    if (factory == nullptr) return;
    RImageConverter* converter = factory->CreateImageConverter();
    if (converter == nullptr) return;
    // In the order the extensions have always been registered: the TIFF pair after "tga".
    for (const char* extension : kPictureExtensions) {
        converter->Register(extension, &ConvertPictureImage);
        if (std::strcmp(extension, "tga") == 0) {
            for (const char* tiff : kTiffExtensions) converter->Register(tiff, &ConvertTiffImage);
        }
    }
}

int ConvertPictureImage(int direction, RString& fileName, RImageBuffer& buffer) {
    if (direction == RImageConverter::kExport) {
        const bool keep = !ConvertToTiff();
        PrepareBuffer(buffer, fileName, keep);
        return keep ? 1 : ReadPictureIntoTempTiff(buffer, fileName);
    }
    if (direction == RImageConverter::kImport) return buffer.GetKeepOriginal() ? 1 : 0;
    return 1;
}

int ConvertTiffImage(int direction, RString& fileName, RImageBuffer& buffer) {
    if (direction == RImageConverter::kExport) {
        const bool keep = !ConvertToTiff() || IsCompressedTiff(fileName.Buffer());
        PrepareBuffer(buffer, fileName, keep);
        return keep ? 1 : ReadPictureIntoTempTiff(buffer, fileName);
    }
    if (direction != RImageConverter::kImport || buffer.GetKeepOriginal()) return 1;
    const RString extension = LowerExtension(buffer.GetFileName());
    if (IsOneOf(extension, kTiffExtensions)) return WriteImageAsTiff(fileName.Buffer(), false, buffer) ? 0 : 1;
    if (IsOneOf(extension, kPictureExtensions)) return WritePictureBack(fileName, buffer, extension);
    return 1;
}
