#include "fileio/RImageConverter.h"

#include "core/FilePaths.h"

namespace {

const char kExtensionSeparators[] = " \t,;";

}  // namespace

int RImageConverter::Register(const char* extensions, Callback callback) {
    if (extensions == nullptr || callback == nullptr) {
        return 0;
    }
    const RString list(extensions);
    const int count = list.CountTokens(kExtensionSeparators);
    int taken = 0;
    for (int i = 0; i < count; ++i) {
        RString extension = list.TokenAt(i, kExtensionSeparators);
        if (extension[0u] == '.') {
            extension = extension.SubstringFrom(1);
        }
        if (extension.IsEmptyText() || FindCallback(extension.Buffer()) != nullptr) {
            continue;
        }
        entries_.push_back(Entry{extension, callback});
        ++taken;
    }
    return taken;
}

RImageConverter::Callback RImageConverter::FindCallback(const char* extension) const {
    if (extension == nullptr || extension[0] == '\0') {
        return nullptr;
    }
    for (const Entry& entry : entries_) {
        if (entry.extension.CompareIgnoringCase(extension) == 0) {
            return entry.callback;
        }
    }
    return nullptr;
}

bool RImageConverter::Convert(int direction, RString& path, RImageBuffer& buffer) const {
    RString extension;
    GetFileExtension(extension, path.Buffer());
    const Callback callback = FindCallback(extension.Buffer());
    return callback != nullptr && callback(direction, path, buffer) == 0;
}
