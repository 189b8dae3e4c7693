#include "core/RIniFile.h"

#include "core/FilePaths.h"
#include "core/ROwnedPointerArray.h"
#include "core/RRegistryKey.h"
#include "core/RStringMap.h"
#include "platform/NativeFiles.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace {

constexpr int kCacheBlockSize = 20;
constexpr int kLineBufferSize = 4096;
constexpr int kMachineNameSize = 255;

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string_view TrimStart(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

std::string_view TrimEnd(std::string_view text) {
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view Trim(std::string_view text) { return TrimEnd(TrimStart(text)); }

// The value part of an entry: leading blanks and '=' skipped.
std::string_view ValueText(std::string_view afterKey) {
    while (!afterKey.empty() && (IsBlank(afterKey.front()) || afterKey.front() == '=')) {
        afterKey.remove_prefix(1);
    }
    return afterKey;
}

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool BeginsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (FoldCase(text[i]) != FoldCase(prefix[i])) {
            return false;
        }
    }
    return true;
}

// Reads one whole line of any length, without its line end; false at the end of the file.
bool ReadWholeLine(std::FILE* file, std::string& line) {
    line.clear();
    char buffer[kLineBufferSize];
    bool readAny = false;
    while (ReadLine(buffer, sizeof(buffer), file) != nullptr) {
        readAny = true;
        line += buffer;
        if (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            break;
        }
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    return readAny;
}

// The line without its comment and without surrounding blanks.
std::string_view CleanLine(const std::string& line) {
    std::string_view text(line);
    const std::size_t comment = text.find(';');
    if (comment != std::string_view::npos) {
        text = text.substr(0, comment);
    }
    return Trim(text);
}

// The name of a section line ("[name]", name trimmed); false for any other line.
bool SectionName(std::string_view line, std::string_view& name) {
    if (line.empty() || line.front() != '[') {
        return false;
    }
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos) {
        return false;
    }
    name = Trim(line.substr(1, close - 1));
    return true;
}

RString ToRString(std::string_view text) {
    return text.empty() ? RString() : RString(text.data(), static_cast<int>(text.size()));
}

bool HoldsAny(std::string_view text, const char* characters) {
    return text.find_first_of(characters) != std::string_view::npos;
}

bool HasSurroundingBlanks(std::string_view text) {
    return !text.empty() && (IsBlank(text.front()) || IsBlank(text.back()));
}

bool IsStorableSection(const char* name) {
    const std::string_view text(name);
    return !text.empty() && !HoldsAny(text, "];\r\n") && !HasSurroundingBlanks(text);
}

bool IsStorableKey(const char* key) {
    const std::string_view text(key);
    return !text.empty() && text.front() != '[' && !HoldsAny(text, "=;\r\n") && !HasSurroundingBlanks(text);
}

bool IsStorableValue(const char* value) {
    const std::string_view text(value);
    return !HoldsAny(text, ";\r\n") && !HasSurroundingBlanks(text) && (text.empty() || text.front() != '=');
}

}  // namespace

// Section name -> section; within a section, key -> value text. The maps hold pointers to
// the records owned beside them.
struct RIniFile::Cache {
    struct Section {
        Section() : keys(kCacheBlockSize), values(kCacheBlockSize) {}
        RStringMap keys;
        ROwnedPointerArray<RString> values;
    };

    Cache() : sections(kCacheBlockSize), owned(kCacheBlockSize) {}

    Section* Find(const char* name) const { return reinterpret_cast<Section*>(sections.Lookup(name)); }

    // The section of that name, added when missing; null when memory cannot be had.
    Section* FindOrAdd(const char* name) {
        if (Section* found = Find(name)) {
            return found;
        }
        auto section = MakeOwned<Section>();
        Section* raw = section.get();
        if (raw == nullptr || owned.Append(std::move(section)) < 0) {
            return nullptr;
        }
        if (sections.Add(name, reinterpret_cast<std::intptr_t>(raw)) < 0) {
            owned.RemoveAt(owned.GetCount() - 1);
            return nullptr;
        }
        return raw;
    }

    static RString* FindValue(const Section& section, const char* key) {
        return reinterpret_cast<RString*>(section.keys.Lookup(key));
    }

    // Sets or adds the value; false when memory cannot be had.
    static bool Store(Section& section, const char* key, const RString& text) {
        if (RString* existing = FindValue(section, key)) {
            *existing = text;
            return true;
        }
        auto value = MakeOwned<RString>(text);
        RString* raw = value.get();
        if (raw == nullptr || section.values.Append(std::move(value)) < 0) {
            return false;
        }
        if (section.keys.Add(key, reinterpret_cast<std::intptr_t>(raw)) < 0) {
            section.values.RemoveAt(section.values.GetCount() - 1);
            return false;
        }
        return true;
    }

    RStringMap sections;
    ROwnedPointerArray<Section> owned;
};

RIniFile::RIniFile(const char* name, bool cache) {
    const char* fileName = name != nullptr ? name : "";
    path_ = GetTempPath();
    path_ += '/';
    if (fileName[0] == '@') {
        char machine[kMachineNameSize];
        GetMachineName(machine, sizeof(machine));
        path_ += machine;
        path_ += '.';
        path_ += fileName + 1;
    } else {
        path_ += fileName;
    }
    if (cache) {
        cache_ = MakeOwned<Cache>();
        if (cache_ != nullptr) {
            LoadAll();
        }
    }
}

RIniFile::~RIniFile() {
    if (cache_ != nullptr && modified_) {
        Save();
    }
}

void RIniFile::LoadAll() {
    std::FILE* file = nullptr;
    if (!OpenFileUtf8(file, path_.Buffer(), "rt")) {
        return;
    }
    std::string line;
    Cache::Section* current = nullptr;
    while (ReadWholeLine(file, line)) {
        const std::string_view text = CleanLine(line);
        std::string_view name;
        if (SectionName(text, name)) {
            current = cache_->FindOrAdd(ToRString(name).Buffer());
            continue;
        }
        const std::size_t equals = text.find('=');
        if (current == nullptr || equals == std::string_view::npos) {
            continue;
        }
        const RString key = ToRString(TrimEnd(text.substr(0, equals)));
        if (!key.IsEmptyText() && Cache::FindValue(*current, key.Buffer()) == nullptr) {
            Cache::Store(*current, key.Buffer(), ToRString(ValueText(text.substr(equals + 1))));
        }
    }
    std::fclose(file);
}

const char* RIniFile::GetValue(const char* section, const char* key, const char* defaultValue) {
    if (cache_ == nullptr) {
        return ReadValueFromFile(section, key, defaultValue);
    }
    if (section == nullptr || key == nullptr) {
        return defaultValue;
    }
    const Cache::Section* found = cache_->Find(section);
    const RString* value = found != nullptr ? Cache::FindValue(*found, key) : nullptr;
    return value != nullptr ? value->Buffer() : defaultValue;
}

const char* RIniFile::ReadValueFromFile(const char* section, const char* key, const char* defaultValue) {
    if (defaultValue != nullptr) {
        value_ = defaultValue;
    }
    std::FILE* file = nullptr;
    if (section == nullptr || key == nullptr || !OpenFileUtf8(file, path_.Buffer(), "rt")) {
        return defaultValue != nullptr ? value_.Buffer() : nullptr;
    }
    bool selected = false;
    bool found = false;
    std::string line;
    while (!found && ReadWholeLine(file, line)) {
        const std::string_view text = CleanLine(line);
        std::string_view name;
        // Names are taken as the cached reading takes them: the section name trimmed, and
        // only lines with '=' as entries, so that both readings agree on the first match.
        if (SectionName(text, name)) {
            selected = BeginsWithIgnoringCase(name, section);
        } else if (selected && text.find('=') != std::string_view::npos && BeginsWithIgnoringCase(text, key)) {
            value_ = ToRString(ValueText(text.substr(std::strlen(key))));
            found = true;
        }
    }
    std::fclose(file);
    return (found || defaultValue != nullptr) ? value_.Buffer() : nullptr;
}

bool RIniFile::SetValue(const char* section, const char* key, const char* value) {
    if (cache_ == nullptr || section == nullptr || key == nullptr || value == nullptr ||
        !IsStorableSection(section) || !IsStorableKey(key) || !IsStorableValue(value)) {
        return false;
    }
    Cache::Section* target = cache_->FindOrAdd(section);
    if (target == nullptr || !Cache::Store(*target, key, RString(value))) {
        return false;
    }
    modified_ = true;
    return true;
}

RString RIniFile::CacheText() const {
    RString text;
    const RStringMap& sections = cache_->sections;
    for (int i = 0; i < sections.GetCount(); ++i) {
        const char* name = nullptr;
        const auto* section = reinterpret_cast<const Cache::Section*>(sections.ValueAt(i, &name));
        if (i > 0) {
            text += '\n';
        }
        text += '[';
        text += name;
        text += "]\n";
        for (int k = 0; k < section->keys.GetCount(); ++k) {
            const char* key = nullptr;
            const auto* value = reinterpret_cast<const RString*>(section->keys.ValueAt(k, &key));
            text += key;
            text += " = ";
            text += *value;
            text += '\n';
        }
    }
    return text;
}

bool RIniFile::Save() {
    if (cache_ == nullptr) {
        return false;
    }
    RString folder;
    GetFileDirectory(folder, path_.Buffer());
    if (folder.IsEmptyText()) {
        folder = (path_.GetLength() > 0 && (path_[0u] == '/' || path_[0u] == '\\')) ? "/" : ".";
    }
    if (!platform::IsDirectory(folder.Buffer())) {
        return false;
    }
    RString prefix;
    GetFileName(prefix, path_.Buffer(), true);
    prefix += '.';
    const RString temp = TempFileName(folder.Buffer(), prefix.Buffer());
    if (temp.IsEmptyText()) {
        return false;
    }
    std::FILE* file = nullptr;
    if (!OpenFileUtf8(file, temp.Buffer(), "wt")) {
        RemoveFile(temp.Buffer());
        return false;
    }
    const RString text = CacheText();
    const bool written = std::fwrite(text.Buffer(), 1, static_cast<std::size_t>(text.GetLength()), file) ==
                         static_cast<std::size_t>(text.GetLength());
    if (std::fclose(file) != 0 || !written) {
        RemoveFile(temp.Buffer());
        return false;
    }
    if (!platform::CommitTempFile(temp.Buffer(), path_.Buffer())) {
        return false;
    }
    modified_ = false;
    return true;
}
