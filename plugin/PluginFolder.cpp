#include "plugin/PluginFolder.h"

#include "core/RDirectoryIterator.h"
#include "platform/NativeFiles.h"
#include "platform/SystemServices.h"

namespace {

const char kFolderSeparator = '\\';

// The environment variable's value; empty when it is not set.
RString Environment(const char* name) {
    return RString(platform::EnvironmentValue(name).c_str());
}

RString WithSeparator(const RString& folder) { return folder + RString(kFolderSeparator, 1); }

bool IsPluginFileName(const char* name, const char* extension) {
    return RString(name).FirstChars(7).CompareIgnoringCase("wyxvexa") == 0 &&
           RString(extension).CompareIgnoringCase("vll") == 0;
}

bool HoldsPluginFile(const RString& folder) {
    RDirectoryIterator entries;
    if (!entries.Open(folder.Buffer()) || !IsWritablePath(folder)) return false;
    do {
        if (IsPluginFileName(entries.EntryName(), entries.EntryExtension())) return true;
    } while (entries.Next());
    return false;
}

}  // namespace

bool IsWritablePath(const RString& path) { return platform::IsWritablePath(path.Buffer()); }

RString FindPluginFolder() {
    const RString list = Environment("VEXA_PLUG_IN_PATH");
    for (int i = 0; i < list.CountTokens(";"); ++i) {
        const RString folder = list.TokenAt(i, ";");
        if (HoldsPluginFile(folder)) return WithSeparator(folder);
    }
    const RString temp = Environment("TEMP");
    return WithSeparator(temp.IsEmptyText() ? RString(platform::SystemTempFolder().c_str()) : temp);
}
