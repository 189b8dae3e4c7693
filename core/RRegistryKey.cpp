#include "core/RRegistryKey.h"

#include "platform/SystemServices.h"

#include <cstring>

namespace {

constexpr int kComputerNameSize = 260;
constexpr std::uint32_t kClassBufferSize = 2047;

const char* const kRootNames[] = {
    "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",     "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG",   "HKEY_DYN_DATA",
};

}  // namespace

bool GetMachineName(char* buffer, int size) {
    if (buffer == nullptr || size <= 0) {
        return false;
    }
    if (platform::GetHostName(buffer, static_cast<std::size_t>(size))) {
        return true;
    }
    std::strncpy(buffer, "?", static_cast<std::size_t>(size) - 1);
    buffer[size - 1] = '\0';
    return false;
}

RRegistryKey::~RRegistryKey() { Close(); }

const char* RRegistryKey::RootName(Handle root) {
    if (root >= kClassesRoot && root <= kDynData) {
        return kRootNames[root - kClassesRoot];
    }
    return "Unknown";
}

bool RRegistryKey::Record(long error) {
    lastError_ = static_cast<int>(error);
    return error == platform::kRegistrySuccess;
}

void RRegistryKey::CloseOpenedKey() {
    if (key_ != 0) {
        platform::RegistryCloseKey(key_);
        key_ = 0;
    }
}

bool RRegistryKey::Connect(Handle root, const char* machineName) {
    Close();
    const bool namesMachine = machineName != nullptr && machineName[0] != '\0';
    Handle connected = 0;
    if (root == kClassesRoot || root == kCurrentUser) {
        if (namesMachine) {
            return Record(kErrorInvalidHandle);
        }
        connected = root;
    } else if (!Record(platform::RegistryConnect(machineName, root, &connected))) {
        return false;
    }
    root_ = connected;
    if (namesMachine) {
        computerName_ = machineName;
    } else {
        char local[kComputerNameSize];
        computerName_ = platform::GetHostName(local, sizeof(local)) ? local : "";
    }
    rootName_ = RootName(root);
    return Record(platform::kRegistrySuccess);
}

bool RRegistryKey::Close() {
    CloseOpenedKey();
    if (root_ != 0 && !Record(platform::RegistryCloseKey(root_))) {
        return false;
    }
    root_ = 0;
    className_.Clear();
    computerName_.Clear();
    rootName_.Clear();
    keyPath_.Clear();
    info_ = Info();
    return Record(platform::kRegistrySuccess);
}

bool RRegistryKey::CreateKey(const char* subKey, const char* className, std::uint32_t /*options*/,
                             std::uint32_t access, void* /*security*/, std::uint32_t* disposition) {
    CloseOpenedKey();
    if (subKey == nullptr) {
        return Record(kErrorInvalidParameter);
    }
    Handle created = 0;
    if (!Record(platform::RegistryCreateKey(root_, subKey, className != nullptr ? className : "", access, &created,
                                            disposition))) {
        return false;
    }
    key_ = created;
    keyPath_ = subKey;
    return true;
}

bool RRegistryKey::OpenKey(const char* subKey, std::uint32_t access) {
    CloseOpenedKey();
    Handle opened = 0;
    const long error = platform::RegistryOpenKey(root_, subKey, access, &opened);
    if (!Record(error)) {
        return false;
    }
    key_ = opened;
    QueryInfo();
    keyPath_ = subKey != nullptr ? subKey : "";
    return Record(error);
}

bool RRegistryKey::QueryInfo() {
    char className[kClassBufferSize] = {};
    std::uint32_t classLength = kClassBufferSize;
    Info info;
    if (!Record(platform::RegistryQueryInfo(CurrentKey(), className, &classLength, &info))) {
        return false;
    }
    className_ = className;
    info_ = info;
    return true;
}

bool RRegistryKey::QueryValue(const char* name, std::uint32_t* type, void* data, std::uint32_t* size) {
    if (name == nullptr) {
        return Record(kErrorInvalidParameter);
    }
    return Record(platform::RegistryQueryValue(CurrentKey(), name, type, data, size));
}

bool RRegistryKey::QueryDWORD(const char* name, std::uint32_t& value) {
    std::uint32_t type = platform::kRegistryTypeDword;
    std::uint32_t read = 0;
    std::uint32_t size = sizeof(read);
    if (!QueryValue(name, &type, &read, &size)) {
        return false;
    }
    if (type != platform::kRegistryTypeDword || size != sizeof(read)) {
        return Record(kErrorUnsupportedType);
    }
    value = read;
    return true;
}

bool RRegistryKey::QueryString(const char* name, RString& value) {
    char buffer[kStringBufferSize] = {};
    std::uint32_t type = platform::kRegistryTypeString;
    std::uint32_t size = kStringBufferSize;
    if (!QueryValue(name, &type, buffer, &size)) {
        value.Clear();
        return false;
    }
    if (type != platform::kRegistryTypeString) {
        value.Clear();
        return Record(kErrorUnsupportedType);
    }
    // The value need not end in a zero: never read past what was returned.
    const void* terminator = std::memchr(buffer, 0, size);
    const std::size_t length = terminator != nullptr ? static_cast<const char*>(terminator) - buffer : size;
    value = length > 0 ? RString(buffer, static_cast<int>(length)) : RString();
    return true;
}

bool RRegistryKey::SetValue(const char* name, std::uint32_t type, const void* data, std::uint32_t size) {
    if (name == nullptr || data == nullptr) {
        return Record(kErrorInvalidParameter);
    }
    return Record(platform::RegistrySetValue(CurrentKey(), name, type, data, size));
}

bool RRegistryKey::SetDWORD(const char* name, std::uint32_t value) {
    return SetValue(name, platform::kRegistryTypeDword, &value, sizeof(value));
}

bool RRegistryKey::SetString(const char* name, const char* text) {
    if (text == nullptr) {
        return Record(kErrorInvalidParameter);
    }
    const std::size_t length = std::strlen(text) + 1;
    if (length > UINT32_MAX) {
        return Record(kErrorInvalidParameter);
    }
    return SetValue(name, platform::kRegistryTypeString, text, static_cast<std::uint32_t>(length));
}
