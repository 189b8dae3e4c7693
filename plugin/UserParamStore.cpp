#include "plugin/UserParamStore.h"

#include "platform/NativeFiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

// "a", "a and b", "a, b and c".
RString JoinedList(const std::vector<RString>& items) {
    RString joined;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) joined += i + 1 == items.size() ? " and " : ", ";
        joined += items[i];
    }
    return joined;
}

// How a variable that would place the registry stands when it places nothing: not set, empty,
// or (for a folder that must be absolute) relative, with its value.
RString VariableState(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) return "not set";
    if (value[0] == '\0') return "empty";
    return RString("relative (\"") + value + "\")";
}

// Why no file can hold the registry, each variable that could place it named with how it
// stands, those that stand alike together: "WYX_REGISTRY_FILE and XDG_CONFIG_HOME are not set
// and HOME is relative ("home")".
RString NoPlaceReason() {
    std::vector<std::pair<RString, std::vector<RString>>> groups;
    for (const char* name : {"WYX_REGISTRY_FILE", "XDG_CONFIG_HOME", "HOME"}) {
        const RString state = VariableState(name);
        auto group = groups.begin();
        while (group != groups.end() && group->first != state) ++group;
        if (group == groups.end()) group = groups.insert(group, {state, {}});
        group->second.push_back(name);
    }
    std::vector<RString> parts;
    for (const auto& group : groups) {
        parts.push_back(JoinedList(group.second) + (group.second.size() > 1 ? " are " : " is ") + group.first);
    }
    return RString("no place for the settings registry: ") + JoinedList(parts);
}

}  // namespace

const char* PluginRegistryKey() { return "SOFTWARE\\Pellix\\WYX_Plugins_6.0"; }

UserParamStore& GetUserParamStore() {
    static UserParamStore store;
    return store;
}

RString UserParamStore::KeyPath() const {
    return subName_.IsEmptyText() ? basePath_ : basePath_ + "\\" + subName_;
}

RString UserParamStore::SectionPath(const char* section) const { return KeyPath() + "\\" + section; }

bool UserParamStore::Open(const RString& basePath, const RString& subName) {
    basePath_ = basePath;
    subName_ = subName;
    return key_.Connect(RRegistryKey::kCurrentUser, nullptr) &&
           key_.CreateKey(KeyPath().Buffer(), nullptr, 0, platform::kRegistryAllAccess, nullptr, nullptr);
}

bool UserParamStore::OpenSection(const char* section) {
    return key_.OpenKey(SectionPath(section).Buffer(), platform::kRegistryAllAccess);
}

bool UserParamStore::OpenOrCreateSection(const char* section) {
    return OpenSection(section) ||
           key_.CreateKey(SectionPath(section).Buffer(), nullptr, 0, platform::kRegistryAllAccess, nullptr, nullptr);
}

std::uint32_t UserParamStore::GetDword(const char* section, const char* name, std::uint32_t defaultValue) {
    std::uint32_t value = defaultValue;
    if (!OpenSection(section) || !key_.QueryDWORD(name, value)) return defaultValue;
    return value;
}

float UserParamStore::GetFloat(const char* section, const char* name, float defaultValue) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &defaultValue, sizeof(bits));
    bits = GetDword(section, name, bits);
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

RString& UserParamStore::GetString(const char* section, const char* name, const RString& defaultValue, RString& out) {
    RString value;
    out = OpenSection(section) && key_.QueryString(name, value) ? value : defaultValue;
    return out;
}

bool UserParamStore::SetDword(const char* section, const char* name, std::uint32_t value) {
    return OpenOrCreateSection(section) && key_.SetDWORD(name, value);
}

bool UserParamStore::SetFloat(const char* section, const char* name, float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof(bits));
    return SetDword(section, name, bits);
}

bool UserParamStore::SetString(const char* section, const char* name, const RString& value) {
    return OpenOrCreateSection(section) && key_.SetString(name, value.Buffer());
}

bool UserParamStore::Close() { return key_.Close(); }

RString UserParamStore::GetFailureReason() const {
    const int error = key_.GetLastError();
    if (error != platform::kRegistryIoFailed) return RString("the settings registry answered error ") + RString(error);
    const std::string path = platform::RegistryFilePath();
    if (path.empty()) return NoPlaceReason();
    const int code = platform::RegistryLastFileError();
    const RString registry = RString("the settings registry ") + path.c_str();
    // The registry refuses to open a folder (EISDIR) or a device, pipe or socket (EINVAL).
    if ((code == EINVAL || code == EISDIR) && platform::PathExists(path.c_str())) {
        return registry + " is not a regular file";
    }
    return registry + (code != 0 ? RString(": ") + std::strerror(code) : RString(" cannot be read or written"));
}
