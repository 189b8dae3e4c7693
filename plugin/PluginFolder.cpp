#include "plugin/PluginFolder.h"

#include "core/RDirectoryIterator.h"
#include "platform/NativeFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace {

const char kFolderSeparator = '\\';

// The environment variable's value; empty when it is not set.
RString Environment(const char* name) {
    const char* value = std::getenv(name);
    return RString(value != nullptr ? value : "");
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

RString SystemTempFolder() {
    const RString fromEnvironment = Environment("TMPDIR");
    return fromEnvironment.IsEmptyText() ? RString("/tmp") : fromEnvironment;
}

}  // namespace

bool IsWritablePath(const RString& path) {
    const std::string native = platform::ToNativePath(path.Buffer());
    struct stat info {};
    if (native.empty() || ::stat(native.c_str(), &info) != 0) return false;
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 && ::access(native.c_str(), W_OK) == 0;
}

RString FindPluginFolder() {
    const RString list = Environment("VEXA_PLUG_IN_PATH");
    for (int i = 0; i < list.CountTokens(";"); ++i) {
        const RString folder = list.TokenAt(i, ";");
        if (HoldsPluginFile(folder)) return WithSeparator(folder);
    }
    const RString temp = Environment("TEMP");
    return WithSeparator(temp.IsEmptyText() ? SystemTempFolder() : temp);
}
