// The Media block of the version-5 document: one medium per distinct picture file of the
// textures and camera backgrounds, with its content embedded in binary files when asked.
//
//   Media { Video { Video: media name { Type: "Clip"; Version: 101; OriginalFormat: 1 when the
//     picture travels in its own format, 0 when converted; OriginalFilename: the picture;
//     Filename: the file whose bytes are embedded; RelativeFilename: that file seen from the
//     WYX file's folder; Content: its bytes } ... } }
//   Version, OriginalFormat, OriginalFilename and Content are written only while content is
//   embedded (flag 11, binary files, a picture that can be read).
//
// Gathering, textures first (in the order the take records list them), then the cameras of
// the scene's node list: a picture's path is normalised ("." and ".." resolved) and keeps
// this platform's separators; a new path gets the picture's file name as its media name
// (a texture's without extension, a camera background's with it), followed by 1, 2 ... when
// another medium has that name; a path met before shares its medium. The texture or camera
// gets its medium's name (empty for an empty path), which is the scene change the Media block
// makes.
//
// Content: the image converters of the writer's factory are asked in turn to convert the
// picture for export; a picture converted into pixels is embedded as a Deflate TIFF written
// to a new temporary file (never over the picture or a name the converter gave), removed at
// the end of the block. A picture that cannot be read is stored without its content, with a
// warning; the other media and the models are written all the same.

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxTexture.h"
#include "core/FilePaths.h"
#include "fileio/RImageBuffer.h"
#include "fileio/RImageConverter.h"
#include "fileio/RWyxFile.h"
#include "fileio/TiffImage.h"
#include "platform/NativeFiles.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "wyxwriter/RWyxWriterWyx5.h"
#include "wyxwriter/WyxFields.h"

#include <vector>

using namespace wyx_fields;

namespace {

constexpr int kVideoVersion = 101;
const char* const kTemporaryPrefix = "wyxmedia";

// A picture's path as the media list keeps it: normalised, with this platform's separators.
RString MediaPath(const RString& path) {
    RString normalized;
    NormalizePath(normalized, path.Buffer());
    return RString(platform::ToNativePath(normalized.Buffer()).c_str());
}

// The media of one write: names and paths, same index for the same medium.
class MediaList {
public:
    // The medium of the path (a new one named after baseName, numbered when the name is
    // taken); the empty name for an empty path or base name.
    RString MediumFor(const RString& path, const RString& baseName) {
        if (path.IsEmptyText() || baseName.IsEmptyText()) return RString();
        for (std::size_t i = 0; i < paths_.size(); ++i) {
            if (paths_[i] == path) return names_[i];
        }
        RString name = baseName;
        for (int number = 1; IsNameTaken(name); ++number) name = baseName + RString(number);
        names_.push_back(name);
        paths_.push_back(path);
        return name;
    }
    std::size_t GetCount() const { return names_.size(); }
    const RString& GetName(std::size_t i) const { return names_[i]; }
    const RString& GetPath(std::size_t i) const { return paths_[i]; }

private:
    bool IsNameTaken(const RString& name) const {
        for (const RString& taken : names_) {
            if (taken == name) return true;
        }
        return false;
    }

    std::vector<RString> names_;
    std::vector<RString> paths_;
};

}  // namespace

int RWyxWriterWyx5::WriteMedia(RWyxScene& scene, bool embed) {
    MediaList media;
    for (RWyxTexture* texture : textures_) {
        const RString path = MediaPath(texture->GetFileName());
        RString base;
        GetFileName(base, path.Buffer(), false);
        texture->SetMediaName(media.MediumFor(path, base));
    }
    RWyxEntityContainer& entity = *scene.GetEntity();
    for (int i = 0; i < entity.GetNodeCount(); ++i) {
        RWyxCamera* camera = entity.GetNode(i) != nullptr ? entity.GetNode(i)->GetCamera() : nullptr;
        if (camera == nullptr) continue;
        const RString path = MediaPath(camera->GetBackgroundFileName());
        RString base;
        GetFileName(base, path.Buffer(), true);
        camera->SetBackgroundMediaName(media.MediumFor(path, base));
    }
    {
        FieldBlock block(File(), "Media");
        FieldBlock videos(File(), "Video");
        for (std::size_t i = 0; i < media.GetCount(); ++i) {
            FieldBlock video(File(), "Video", media.GetName(i));
            WriteField(File(), "Type", "Clip");
            WriteMediaContent(media.GetName(i), media.GetPath(i), embed);
        }
    }
    for (const RString& temporary : temporaryFiles_) RemoveFile(temporary.Buffer());
    temporaryFiles_.clear();
    return static_cast<int>(media.GetCount());
}

void RWyxWriterWyx5::WriteMediaContent(const RString& name, const RString& path, bool embed) {
    RWyxFile& file = File();
    bool embedding = embed && file.IsBinary();
    const RString fromFolder(file.GetFullPath(path.Buffer()));
    if (embedding && !FileExists(path.Buffer()) && !FileExists(fromFolder.Buffer())) {
        Warn(RString("The picture \"") + path + "\" of medium " + name + " cannot be read: it is stored without content");
        embedding = false;
    }
    RImageBuffer buffer;
    buffer.SetKeepOriginal(true);
    buffer.SetName(path.Buffer());
    RString content = path;
    RWyxObjectFactory& factory = *GetFactory();
    for (int i = 0; embedding && !buffer.IsValid() && i < factory.GetImageConverterCount(); ++i) {
        const RImageConverter* converter = factory.GetImageConverter(i);
        RString converted = path;
        if (converter == nullptr || !converter->Convert(RImageConverter::kExport, converted, buffer)) continue;
        if (!buffer.OwnsPixels()) {
            content = converted;
            continue;
        }
        const RString temporary = TempFileName(nullptr, kTemporaryPrefix);
        if (!temporary.IsEmptyText() && WriteImageAsTiff(temporary.Buffer(), true, buffer)) {
            temporaryFiles_.push_back(temporary);
            content = MediaPath(temporary);
        } else {
            if (!temporary.IsEmptyText()) RemoveFile(temporary.Buffer());
            Warn(RString("The picture \"") + path + "\" of medium " + name +
                 " could not be converted: it is stored as it is");
            buffer.SetKeepOriginal(true);
        }
    }
    if (embedding) {
        WriteField(file, "Version", kVideoVersion);
        WriteField(file, "OriginalFormat", buffer.GetKeepOriginal());
        WriteField(file, "OriginalFilename", path);
    }
    const RString relative = MediaPath(file.GetRelativePath(content.Buffer()));
    WriteField(file, "Filename", content);
    WriteField(file, "RelativeFilename", relative);
    if (!embedding) return;
    file.FieldWriteBegin("Content");
    if (!file.FieldWriteFileContent(content.Buffer(), relative.Buffer()) && file.GetLastErrorID() < 0) {
        Warn(RString("The picture \"") + content + "\" of medium " + name + " could not be embedded");
    }
    file.FieldWriteEnd();
}
