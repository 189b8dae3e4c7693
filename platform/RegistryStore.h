#ifndef WYX_PLATFORM_REGISTRYSTORE_H
#define WYX_PLATFORM_REGISTRYSTORE_H

// The stand-in for the Windows registry.
//
// Only HKEY_CURRENT_USER holds keys. It lives in one small text file: by default
// $XDG_CONFIG_HOME/wyx/registry.txt, else ~/.config/wyx/registry.txt; the environment
// variable WYX_REGISTRY_FILE names another file (tests point it into a temporary folder).
// Every change is written to a temporary file beside it and put in place with one atomic
// rename, so a reader never sees a half-written file.
//
// The functions behave as their Windows namesakes do and answer Windows error codes.
// Key paths are components joined by '\'; key and value names compare without regard to
// ASCII letter case. The other predefined roots exist but hold nothing that can be read or
// written (access denied); remote machines are refused.
//
// File layout (comment lines begin with ';'):
//   [SOFTWARE\\Pellix\\WYX]            a key: its path, written as an escaped text
//   @class="..."                       its class name (only when it has one)
//   @written=133480000000000000        its last write time, in Windows file-time units
//   "Name"=dword:0000002a              a REG_DWORD value
//   "Title"="text"                     a REG_SZ value (one terminating zero)
//   "Other"=hex(3):01,02,ff            any other type or shape, as bytes
// Texts escape '\' and '"' with a backslash and other control bytes as \xHH.

#include <cstdint>
#include <string>

namespace platform {

using RegistryHandle = std::uintptr_t;

inline constexpr RegistryHandle kRegistryClassesRoot = 0x80000000u;
inline constexpr RegistryHandle kRegistryCurrentUser = 0x80000001u;
inline constexpr RegistryHandle kRegistryLocalMachine = 0x80000002u;
inline constexpr RegistryHandle kRegistryUsers = 0x80000003u;
inline constexpr RegistryHandle kRegistryPerformanceData = 0x80000004u;
inline constexpr RegistryHandle kRegistryCurrentConfig = 0x80000005u;
inline constexpr RegistryHandle kRegistryDynData = 0x80000006u;

// Windows error codes the registry answers.
inline constexpr long kRegistrySuccess = 0;
inline constexpr long kRegistryFileNotFound = 2;
inline constexpr long kRegistryAccessDenied = 5;
inline constexpr long kRegistryInvalidHandle = 6;
inline constexpr long kRegistryBadNetPath = 53;
inline constexpr long kRegistryInvalidParameter = 87;
inline constexpr long kRegistryMoreData = 234;
inline constexpr long kRegistryIoFailed = 1016;
inline constexpr long kRegistryKeyDeleted = 1018;

// Value types.
inline constexpr std::uint32_t kRegistryTypeNone = 0;
inline constexpr std::uint32_t kRegistryTypeString = 1;
inline constexpr std::uint32_t kRegistryTypeDword = 4;

// Access rights checked on opened keys.
inline constexpr std::uint32_t kRegistryQueryValue = 0x0001;
inline constexpr std::uint32_t kRegistrySetValue = 0x0002;
inline constexpr std::uint32_t kRegistryCreateSubKey = 0x0004;
inline constexpr std::uint32_t kRegistryEnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t kRegistryRead = 0x20019;
inline constexpr std::uint32_t kRegistryWrite = 0x20006;
inline constexpr std::uint32_t kRegistryAllAccess = 0xF003F;

// Dispositions of a created key.
inline constexpr std::uint32_t kRegistryCreatedNewKey = 1;
inline constexpr std::uint32_t kRegistryOpenedExistingKey = 2;

// What RegistryQueryInfo tells of a key. Lengths count characters without the terminator;
// the data length counts bytes.
struct RegistryKeyInfo {
    std::uint32_t subKeyCount = 0;
    std::uint32_t maxSubKeyLength = 0;
    std::uint32_t maxClassLength = 0;
    std::uint32_t valueCount = 0;
    std::uint32_t maxValueNameLength = 0;
    std::uint32_t maxValueDataLength = 0;
    std::uint32_t securityDescriptorSize = 0;
    std::uint32_t lastWriteLow = 0;
    std::uint32_t lastWriteHigh = 0;
};

// The file that holds HKEY_CURRENT_USER; empty when no location can be found.
std::string RegistryFilePath();

// Why the calling thread's last call on keys (any but RegistryConnect and RegistryCloseKey)
// answered kRegistryIoFailed: the errno of the file step that failed, such as ENOSPC for a
// full disk or ENOTDIR for a file below a regular file. 0 after a call that succeeded or failed
// otherwise, or when no location for the file can be found.
int RegistryLastFileError();

// A handle to root on machine (null or empty: this machine; this machine's own name counts
// as this machine). Another machine: kRegistryBadNetPath. An unknown root:
// kRegistryInvalidHandle.
long RegistryConnect(const char* machine, RegistryHandle root, RegistryHandle* result);

// Opens or creates parent\subKey, with every missing key on the way. A new key takes the
// class name (null: none). disposition (may be null) tells which happened.
long RegistryCreateKey(RegistryHandle parent, const char* subKey, const char* className, std::uint32_t access,
                       RegistryHandle* result, std::uint32_t* disposition);

// Opens an existing key; null or empty subKey opens parent itself again.
long RegistryOpenKey(RegistryHandle parent, const char* subKey, std::uint32_t access, RegistryHandle* result);

// Closes an opened key. The predefined roots close without effect.
long RegistryCloseKey(RegistryHandle key);

// The class name (into className, whose room in characters with the terminator is
// *classLength, which receives the name's length) and the key's counts. className may be
// null, and then classLength is ignored.
long RegistryQueryInfo(RegistryHandle key, char* className, std::uint32_t* classLength, RegistryKeyInfo* info);

// Reads a value. type (may be null) receives its type. With data null only *size is filled;
// otherwise *size is the room on entry and the value's length on return, and a value
// larger than the room gives kRegistryMoreData with nothing copied.
long RegistryQueryValue(RegistryHandle key, const char* name, std::uint32_t* type, void* data,
                        std::uint32_t* size);

// Writes a value of any type; data may be null only when size is 0.
long RegistrySetValue(RegistryHandle key, const char* name, std::uint32_t type, const void* data,
                      std::uint32_t size);

}  // namespace platform

#endif
