#include "plugin/UserParamStore.h"

#include <cstring>
#include <string>

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
    if (path.empty()) return RString("no place for the settings registry: WYX_REGISTRY_FILE and HOME are not set");
    const int code = platform::RegistryLastFileError();
    return RString("the settings registry ") + path.c_str() +
           (code != 0 ? RString(": ") + std::strerror(code) : RString(" cannot be read or written"));
}
