#include "platform/RegistryStore.h"

#include "platform/NativeFiles.h"
#include "platform/SystemServices.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

namespace platform {

namespace {

constexpr char kFileHeader[] = "; HKEY_CURRENT_USER of the WYX SDK";
// Windows file time of the Unix epoch, in 100-nanosecond units since 1601.
constexpr std::uint64_t kFileTimeOfUnixEpoch = 116444736000000000ull;
constexpr std::size_t kMachineNameSize = 256;

// ---- the keys in memory ---------------------------------------------------------------

struct Value {
    std::string name;
    std::uint32_t type = kRegistryTypeNone;
    std::vector<unsigned char> data;
};

struct Key {
    std::string path;  // components joined by '\', without the root; "" is the root itself
    std::string className;
    std::uint64_t lastWrite = 0;
    std::vector<Value> values;
};

// Every key of HKEY_CURRENT_USER; each key's ancestors are present too. A deque, so that
// adding a key never moves the others.
struct Image {
    std::deque<Key> keys;
};

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const std::string& left, const std::string& right) {
    if (left.size() != right.size()) {
        return false;
    }
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (FoldCase(left[i]) != FoldCase(right[i])) {
            return false;
        }
    }
    return true;
}

std::uint64_t FileTimeNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return kFileTimeOfUnixEpoch + static_cast<std::uint64_t>(now.tv_sec) * 10000000ull +
           static_cast<std::uint64_t>(now.tv_nsec) / 100ull;
}

// "a\\b\c\" gives "a\b\c": empty components are dropped.
std::string JoinPath(const std::string& parent, const char* subKey) {
    std::string result = parent;
    std::string component;
    for (const char* c = subKey;; ++c) {
        if (*c == '\\' || *c == '\0') {
            if (!component.empty()) {
                if (!result.empty()) {
                    result += '\\';
                }
                result += component;
                component.clear();
            }
            if (*c == '\0') {
                break;
            }
        } else {
            component += *c;
        }
    }
    return result;
}

std::string ParentPath(const std::string& path) {
    const std::size_t separator = path.rfind('\\');
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

Key* FindKey(Image& image, const std::string& path) {
    if (path.empty()) {
        // The root exists whether or not the file mentions it.
        for (Key& key : image.keys) {
            if (key.path.empty()) {
                return &key;
            }
        }
        image.keys.push_back(Key{});
        return &image.keys.back();
    }
    for (Key& key : image.keys) {
        if (SameName(key.path, path)) {
            return &key;
        }
    }
    return nullptr;
}

Value* FindValue(Key& key, const std::string& name) {
    for (Value& value : key.values) {
        if (SameName(value.name, name)) {
            return &value;
        }
    }
    return nullptr;
}

bool IsDirectChild(const std::string& parent, const std::string& path) {
    if (path.empty()) {
        return false;
    }
    if (parent.empty()) {
        return path.find('\\') == std::string::npos;
    }
    return path.size() > parent.size() + 1 && path[parent.size()] == '\\' &&
           SameName(path.substr(0, parent.size()), parent) &&
           path.find('\\', parent.size() + 1) == std::string::npos;
}

// ---- the file -------------------------------------------------------------------------

const char kHexDigits[] = "0123456789abcdef";

void AppendEscaped(std::string& out, const std::string& text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7f) {
            out += "\\x";
            out += kHexDigits[byte >> 4];
            out += kHexDigits[byte & 0xf];
        } else {
            out += c;
        }
    }
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = FoldCase(c);
    return (lower >= 'a' && lower <= 'f') ? lower - 'a' + 10 : -1;
}

// Reads an escaped text from `at` up to an unescaped '"' (or the end of the text when
// quoted is false); moves `at` past it. False when malformed.
bool ParseEscaped(const char*& at, bool quoted, std::string& out) {
    out.clear();
    while (*at != '\0' && !(quoted && *at == '"')) {
        if (*at != '\\') {
            out += *at++;
            continue;
        }
        ++at;
        if (*at == '\\' || *at == '"') {
            out += *at++;
        } else if (*at == 'x' && HexValue(at[1]) >= 0 && HexValue(at[2]) >= 0) {
            out += static_cast<char>(HexValue(at[1]) * 16 + HexValue(at[2]));
            at += 3;
        } else {
            return false;
        }
    }
    if (quoted) {
        if (*at != '"') {
            return false;
        }
        ++at;
    }
    return true;
}

bool IsPlainString(const Value& value) {
    if (value.type != kRegistryTypeString || value.data.empty() || value.data.back() != 0) {
        return false;
    }
    return std::memchr(value.data.data(), 0, value.data.size() - 1) == nullptr;
}

void AppendValue(std::string& out, const Value& value) {
    out += '"';
    AppendEscaped(out, value.name);
    out += "\"=";
    if (value.type == kRegistryTypeDword && value.data.size() == 4) {
        std::uint32_t number = 0;
        std::memcpy(&number, value.data.data(), 4);
        char digits[9];
        for (int i = 7; i >= 0; --i) {
            digits[i] = kHexDigits[number & 0xf];
            number >>= 4;
        }
        digits[8] = '\0';
        out += "dword:";
        out += digits;
    } else if (IsPlainString(value)) {
        out += '"';
        AppendEscaped(out, std::string(reinterpret_cast<const char*>(value.data.data())));
        out += '"';
    } else {
        char type[16];
        const auto end = std::to_chars(type, type + sizeof(type), value.type).ptr;
        out += "hex(";
        out.append(type, end);
        out += "):";
        for (std::size_t i = 0; i < value.data.size(); ++i) {
            if (i > 0) {
                out += ',';
            }
            out += kHexDigits[value.data[i] >> 4];
            out += kHexDigits[value.data[i] & 0xf];
        }
    }
    out += '\n';
}

std::string Serialize(const Image& image) {
    std::string out = kFileHeader;
    out += '\n';
    for (const Key& key : image.keys) {
        out += "\n[";
        AppendEscaped(out, key.path);
        out += "]\n";
        if (!key.className.empty()) {
            out += "@class=\"";
            AppendEscaped(out, key.className);
            out += "\"\n";
        }
        char written[24];
        const auto end = std::to_chars(written, written + sizeof(written), key.lastWrite).ptr;
        out += "@written=";
        out.append(written, end);
        out += '\n';
        for (const Value& value : key.values) {
            AppendValue(out, value);
        }
    }
    return out;
}

bool ParseHexBytes(const char* at, std::vector<unsigned char>& out) {
    out.clear();
    while (*at != '\0') {
        if (HexValue(at[0]) < 0 || HexValue(at[1]) < 0) {
            return false;
        }
        out.push_back(static_cast<unsigned char>(HexValue(at[0]) * 16 + HexValue(at[1])));
        at += 2;
        if (*at == ',') {
            ++at;
        } else if (*at != '\0') {
            return false;
        }
    }
    return true;
}

bool ParseValueData(const char* at, Value& value) {
    if (std::strncmp(at, "dword:", 6) == 0) {
        std::uint32_t number = 0;
        const char* end = at + 6 + std::strlen(at + 6);
        const auto parsed = std::from_chars(at + 6, end, number, 16);
        if (parsed.ec != std::errc() || parsed.ptr != end) {
            return false;
        }
        value.type = kRegistryTypeDword;
        value.data.resize(4);
        std::memcpy(value.data.data(), &number, 4);
        return true;
    }
    if (*at == '"') {
        std::string text;
        ++at;
        if (!ParseEscaped(at, true, text) || *at != '\0') {
            return false;
        }
        value.type = kRegistryTypeString;
        value.data.assign(text.begin(), text.end());
        value.data.push_back(0);
        return true;
    }
    if (std::strncmp(at, "hex(", 4) == 0) {
        const char* close = std::strchr(at, ')');
        if (close == nullptr || close[1] != ':') {
            return false;
        }
        const auto parsed = std::from_chars(at + 4, close, value.type);
        return parsed.ec == std::errc() && parsed.ptr == close && ParseHexBytes(close + 2, value.data);
    }
    return false;
}

// One line of the file into the image; malformed lines are passed over.
void ParseLine(const std::string& line, Image& image, Key*& current) {
    const char* at = line.c_str();
    if (line.empty() || line[0] == ';') {
        return;
    }
    if (line[0] == '[' && line.back() == ']') {
        std::string path;
        const std::string inner = line.substr(1, line.size() - 2);
        const char* innerAt = inner.c_str();
        if (!ParseEscaped(innerAt, false, path)) {
            current = nullptr;
            return;
        }
        current = FindKey(image, path);
        if (current == nullptr) {
            image.keys.push_back(Key{path, std::string(), 0, {}});
            current = &image.keys.back();
        }
        return;
    }
    if (current == nullptr) {
        return;
    }
    if (std::strncmp(at, "@class=\"", 8) == 0) {
        at += 8;
        std::string name;
        if (ParseEscaped(at, true, name) && *at == '\0') {
            current->className = name;
        }
    } else if (std::strncmp(at, "@written=", 9) == 0) {
        const char* end = line.c_str() + line.size();
        std::from_chars(at + 9, end, current->lastWrite);
    } else if (*at == '"') {
        ++at;
        Value value;
        if (!ParseEscaped(at, true, value.name) || *at != '=' || !ParseValueData(at + 1, value)) {
            return;
        }
        if (Value* existing = FindValue(*current, value.name)) {
            *existing = value;
        } else {
            current->values.push_back(value);
        }
    }
}

// Creates every missing ancestor so that the image holds whole branches.
void CompleteAncestors(Image& image) {
    for (std::size_t i = 0; i < image.keys.size(); ++i) {
        const std::string parent = ParentPath(image.keys[i].path);
        if (!image.keys[i].path.empty() && FindKey(image, parent) == nullptr) {
            image.keys.push_back(Key{parent, std::string(), image.keys[i].lastWrite, {}});
        }
    }
}

// The errno of the file step that failed the thread's last call on keys (RegistryLastFileError).
thread_local int gLastFileError = 0;

// kRegistryIoFailed, keeping the errno of the step that failed (taken before any clean-up).
long FileFailure(int code) {
    gLastFileError = code;
    return kRegistryIoFailed;
}

// Reads the file; a missing file is an empty registry.
long LoadImage(Image& image) {
    image.keys.clear();
    const std::string path = RegistryFilePath();
    if (path.empty()) {
        return kRegistryIoFailed;
    }
    std::FILE* file = OpenFile(path.c_str(), "rb");
    if (file == nullptr) {
        const int code = errno;
        return PathExists(path.c_str()) ? FileFailure(code) : kRegistrySuccess;
    }
    std::string line;
    Key* current = nullptr;
    for (int c = std::fgetc(file);; c = std::fgetc(file)) {
        if (c == '\n' || c == EOF) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            ParseLine(line, image, current);
            line.clear();
            if (c == EOF) {
                break;
            }
        } else {
            line += static_cast<char>(c);
        }
    }
    const bool failed = std::ferror(file) != 0;
    const int code = errno;
    std::fclose(file);
    CompleteAncestors(image);
    return failed ? FileFailure(code) : kRegistrySuccess;
}

// Creates the folders above the registry file that are missing.
void MakeParentFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (!IsDirectory(folder.c_str())) {
            MakeDirectory(folder.c_str());
        }
    }
}

long SaveImage(const Image& image) {
    const std::string path = RegistryFilePath();
    if (path.empty()) {
        return kRegistryIoFailed;
    }
    MakeParentFolders(path);
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    const std::string temp = CreateTempFile(folder.c_str(), "registry.");
    if (temp.empty()) {
        return FileFailure(errno);
    }
    std::FILE* file = OpenFile(temp.c_str(), "wb");
    if (file == nullptr) {
        const int code = errno;
        RemoveFile(temp.c_str());
        return FileFailure(code);
    }
    const std::string text = Serialize(image);
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    int code = written ? 0 : errno;
    if (std::fclose(file) != 0 || !written) {
        code = code != 0 ? code : errno;
        RemoveFile(temp.c_str());
        return FileFailure(code);
    }
    return CommitTempFile(temp.c_str(), path.c_str()) ? kRegistrySuccess : FileFailure(errno);
}

// ---- handles --------------------------------------------------------------------------

struct OpenKey {
    std::string path;
    std::uint32_t access = 0;
};

// The opened keys, and the lock that makes each registry call one step.
struct HandleTable {
    std::mutex lock;
    std::map<RegistryHandle, OpenKey> keys;
    RegistryHandle next = 0x1000;
};

HandleTable& Handles() {
    static HandleTable table;
    return table;
}

bool IsPredefinedRoot(RegistryHandle handle) {
    return handle >= kRegistryClassesRoot && handle <= kRegistryDynData;
}

// The opened key of a handle (the lock held). kRegistryAccessDenied for a root that holds
// nothing here, kRegistryInvalidHandle for an unknown handle.
long ResolveHandle(HandleTable& table, RegistryHandle handle, OpenKey& out) {
    if (handle == kRegistryCurrentUser) {
        out = OpenKey{std::string(), kRegistryAllAccess};
        return kRegistrySuccess;
    }
    if (IsPredefinedRoot(handle)) {
        return kRegistryAccessDenied;
    }
    const auto found = table.keys.find(handle);
    if (found == table.keys.end()) {
        return kRegistryInvalidHandle;
    }
    out = found->second;
    return kRegistrySuccess;
}

// Runs operation(table, image, key, opened) under the lock, on the key that handle names
// in a freshly loaded image, when the handle carries the access rights `needed`.
template <typename Operation>
long WithHandleKey(RegistryHandle handle, std::uint32_t needed, Operation operation) {
    gLastFileError = 0;
    HandleTable& table = Handles();
    std::lock_guard<std::mutex> guard(table.lock);
    OpenKey opened;
    if (const long error = ResolveHandle(table, handle, opened)) {
        return error;
    }
    if ((opened.access & needed) != needed) {
        return kRegistryAccessDenied;
    }
    Image image;
    if (const long error = LoadImage(image)) {
        return error;
    }
    Key* key = FindKey(image, opened.path);
    return key != nullptr ? operation(table, image, *key, opened) : kRegistryKeyDeleted;
}

RegistryHandle AddHandle(HandleTable& table, const std::string& path, std::uint32_t access) {
    const RegistryHandle handle = table.next++;
    table.keys[handle] = OpenKey{path, access};
    return handle;
}

bool IsThisMachine(const char* machine) {
    if (machine == nullptr || machine[0] == '\0') {
        return true;
    }
    while (*machine == '\\') {
        ++machine;
    }
    char local[kMachineNameSize];
    return GetHostName(local, sizeof(local)) && SameName(machine, local);
}

std::uint32_t Length32(std::size_t length) { return static_cast<std::uint32_t>(length); }

// The counts RegistryQueryInfo tells of key.
RegistryKeyInfo KeyInfo(const Image& image, const Key& key) {
    RegistryKeyInfo counts;
    for (const Key& other : image.keys) {
        if (IsDirectChild(key.path, other.path)) {
            const std::size_t nameLength = other.path.size() - (key.path.empty() ? 0 : key.path.size() + 1);
            ++counts.subKeyCount;
            counts.maxSubKeyLength = std::max(counts.maxSubKeyLength, Length32(nameLength));
            counts.maxClassLength = std::max(counts.maxClassLength, Length32(other.className.size()));
        }
    }
    for (const Value& value : key.values) {
        ++counts.valueCount;
        counts.maxValueNameLength = std::max(counts.maxValueNameLength, Length32(value.name.size()));
        counts.maxValueDataLength = std::max(counts.maxValueDataLength, Length32(value.data.size()));
    }
    counts.lastWriteLow = static_cast<std::uint32_t>(key.lastWrite & 0xffffffffu);
    counts.lastWriteHigh = static_cast<std::uint32_t>(key.lastWrite >> 32);
    return counts;
}

}  // namespace

int RegistryLastFileError() { return gLastFileError; }

std::string RegistryFilePath() {
    const char* overridden = std::getenv("WYX_REGISTRY_FILE");
    if (overridden != nullptr && overridden[0] != '\0') {
        return ToNativePath(overridden);
    }
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        return std::string(config) + "/wyx/registry.txt";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/.config/wyx/registry.txt";
    }
    return std::string();
}

long RegistryConnect(const char* machine, RegistryHandle root, RegistryHandle* result) {
    if (result == nullptr) {
        return kRegistryInvalidParameter;
    }
    if (!IsPredefinedRoot(root)) {
        return kRegistryInvalidHandle;
    }
    if (!IsThisMachine(machine)) {
        return kRegistryBadNetPath;
    }
    *result = root;
    return kRegistrySuccess;
}

long RegistryCreateKey(RegistryHandle parent, const char* subKey, const char* className, std::uint32_t access,
                       RegistryHandle* result, std::uint32_t* disposition) {
    if (subKey == nullptr || result == nullptr) {
        return kRegistryInvalidParameter;
    }
    return WithHandleKey(parent, 0, [&](HandleTable& table, Image& image, Key&, const OpenKey& parentKey) {
        const std::string path = JoinPath(parentKey.path, subKey);
        const bool exists = FindKey(image, path) != nullptr;
        if (!exists) {
            if ((parentKey.access & kRegistryCreateSubKey) == 0) {
                return kRegistryAccessDenied;
            }
            const std::uint64_t now = FileTimeNow();
            for (std::string missing = path; FindKey(image, missing) == nullptr; missing = ParentPath(missing)) {
                image.keys.push_back(Key{missing, missing == path && className ? className : "", now, {}});
                if (Key* above = FindKey(image, ParentPath(missing))) {
                    above->lastWrite = now;
                }
            }
            if (const long error = SaveImage(image)) {
                return error;
            }
        }
        *result = AddHandle(table, path, access);
        if (disposition != nullptr) {
            *disposition = exists ? kRegistryOpenedExistingKey : kRegistryCreatedNewKey;
        }
        return kRegistrySuccess;
    });
}

long RegistryOpenKey(RegistryHandle parent, const char* subKey, std::uint32_t access, RegistryHandle* result) {
    if (result == nullptr) {
        return kRegistryInvalidParameter;
    }
    return WithHandleKey(parent, 0, [&](HandleTable& table, Image& image, Key&, const OpenKey& parentKey) {
        const std::string path = JoinPath(parentKey.path, subKey != nullptr ? subKey : "");
        if (FindKey(image, path) == nullptr) {
            return kRegistryFileNotFound;
        }
        *result = AddHandle(table, path, access);
        return kRegistrySuccess;
    });
}

long RegistryCloseKey(RegistryHandle key) {
    if (IsPredefinedRoot(key)) {
        return kRegistrySuccess;
    }
    HandleTable& table = Handles();
    std::lock_guard<std::mutex> guard(table.lock);
    return table.keys.erase(key) == 1 ? kRegistrySuccess : kRegistryInvalidHandle;
}

long RegistryQueryInfo(RegistryHandle key, char* className, std::uint32_t* classLength, RegistryKeyInfo* info) {
    if (className != nullptr && classLength == nullptr) {
        return kRegistryInvalidParameter;
    }
    return WithHandleKey(key, kRegistryQueryValue, [&](HandleTable&, Image& image, Key& found, const OpenKey&) {
        if (className != nullptr) {
            const std::uint32_t length = Length32(found.className.size());
            if (length >= *classLength) {
                *classLength = length;
                return kRegistryMoreData;
            }
            std::memcpy(className, found.className.c_str(), length + 1);
            *classLength = length;
        }
        if (info != nullptr) {
            *info = KeyInfo(image, found);
        }
        return kRegistrySuccess;
    });
}

long RegistryQueryValue(RegistryHandle key, const char* name, std::uint32_t* type, void* data,
                        std::uint32_t* size) {
    if (name == nullptr || (data != nullptr && size == nullptr)) {
        return kRegistryInvalidParameter;
    }
    return WithHandleKey(key, kRegistryQueryValue, [&](HandleTable&, Image&, Key& found, const OpenKey&) {
        const Value* value = FindValue(found, name);
        if (value == nullptr) {
            return kRegistryFileNotFound;
        }
        if (type != nullptr) {
            *type = value->type;
        }
        const std::uint32_t length = Length32(value->data.size());
        if (data != nullptr && length > *size) {
            *size = length;
            return kRegistryMoreData;
        }
        if (data != nullptr) {
            std::memcpy(data, value->data.data(), length);
        }
        if (size != nullptr) {
            *size = length;
        }
        return kRegistrySuccess;
    });
}

long RegistrySetValue(RegistryHandle key, const char* name, std::uint32_t type, const void* data,
                      std::uint32_t size) {
    if (name == nullptr || (data == nullptr && size != 0)) {
        return kRegistryInvalidParameter;
    }
    return WithHandleKey(key, kRegistrySetValue, [&](HandleTable&, Image& image, Key& found, const OpenKey&) {
        Value value;
        value.name = name;
        value.type = type;
        const auto* bytes = static_cast<const unsigned char*>(data);
        value.data.assign(bytes, bytes + size);
        if (Value* existing = FindValue(found, name)) {
            *existing = value;
        } else {
            found.values.push_back(value);
        }
        found.lastWrite = FileTimeNow();
        return SaveImage(image);
    });
}

}  // namespace platform
