#ifndef WYX_CORE_RREGISTRYKEY_H
#define WYX_CORE_RREGISTRYKEY_H

// A key of the settings registry: a root (connected on this machine), at most one opened
// key below it, and what the registry told of that key.
//
// Every operation keeps the registry's Windows error code in the last-error field (0 on
// success) and answers true on success: 87 for a missing argument, 6 for a machine name
// given with HKEY_CLASSES_ROOT or HKEY_CURRENT_USER, 2 for a missing key or value, 53 for
// another machine, 1630 for a value of the wrong type, otherwise the registry's own code.
// Value operations act on the opened key, or on the root when no key is open.

#include "core/RString.h"
#include "platform/RegistryStore.h"

#include <cstdint>

// The machine's name into buffer; "?" and false when it cannot be read or does not fit.
bool GetMachineName(char* buffer, int size);

class RRegistryKey {
public:
    using Handle = platform::RegistryHandle;
    using Info = platform::RegistryKeyInfo;

    static constexpr Handle kClassesRoot = platform::kRegistryClassesRoot;
    static constexpr Handle kCurrentUser = platform::kRegistryCurrentUser;
    static constexpr Handle kLocalMachine = platform::kRegistryLocalMachine;
    static constexpr Handle kUsers = platform::kRegistryUsers;
    static constexpr Handle kPerformanceData = platform::kRegistryPerformanceData;
    static constexpr Handle kCurrentConfig = platform::kRegistryCurrentConfig;
    static constexpr Handle kDynData = platform::kRegistryDynData;

    static constexpr int kErrorNotFound = 2;
    static constexpr int kErrorInvalidHandle = 6;
    static constexpr int kErrorInvalidParameter = 87;
    static constexpr int kErrorUnsupportedType = 1630;

    // The size of the buffer QueryString reads into.
    static constexpr std::uint32_t kStringBufferSize = 2048;

    RRegistryKey() = default;
    // Closes what is still open.
    ~RRegistryKey();
    RRegistryKey(const RRegistryKey&) = delete;
    RRegistryKey& operator=(const RRegistryKey&) = delete;

    // Connects to root on machineName (null or empty: this machine), closing any earlier
    // connection first. Records the computer name (machineName, else this machine's name)
    // and the root's name.
    bool Connect(Handle root, const char* machineName);
    // Closes the opened key, then the root; on success every field is reset.
    bool Close();

    // Opens subKey below the root, creating it (with every missing key on the way, and the
    // class name; null counts as empty) when missing. Closes an opened key first; records the
    // key path. disposition (may be null) receives 1 for a new key, 2 for an existing one.
    // options and security are accepted for their Windows meaning and not used here.
    bool CreateKey(const char* subKey, const char* className, std::uint32_t options, std::uint32_t access,
                   void* security, std::uint32_t* disposition);
    // Opens an existing subKey below the root (closing an opened key first), reads its
    // information and records the key path.
    bool OpenKey(const char* subKey, std::uint32_t access);
    // Reads the class name and counts of the current key.
    bool QueryInfo();

    // Reads a value; see platform::RegistryQueryValue.
    bool QueryValue(const char* name, std::uint32_t* type, void* data, std::uint32_t* size);
    // A REG_DWORD value; value is left as it was on failure.
    bool QueryDWORD(const char* name, std::uint32_t& value);
    // A REG_SZ value of at most kStringBufferSize bytes; on failure value becomes empty.
    // A value that fills the buffer without a terminator is taken whole and no further.
    bool QueryString(const char* name, RString& value);

    bool SetValue(const char* name, std::uint32_t type, const void* data, std::uint32_t size);
    bool SetDWORD(const char* name, std::uint32_t value);
    // A REG_SZ value: the text with its terminating zero.
    bool SetString(const char* name, const char* text);

    int GetLastError() const { return lastError_; }
    Handle GetRoot() const { return root_; }
    bool IsKeyOpen() const { return key_ != 0; }
    const RString& GetClassName() const { return className_; }
    const RString& GetComputerName() const { return computerName_; }
    const RString& GetRootName() const { return rootName_; }
    const RString& GetKeyPath() const { return keyPath_; }
    const Info& GetInfo() const { return info_; }

    // "HKEY_CLASSES_ROOT" to "HKEY_DYN_DATA"; "Unknown" for any other handle.
    static const char* RootName(Handle root);

private:
    Handle CurrentKey() const { return key_ != 0 ? key_ : root_; }
    bool Record(long error);
    void CloseOpenedKey();

    Handle root_ = 0;
    Handle key_ = 0;
    RString className_;
    RString computerName_;
    RString rootName_;
    RString keyPath_;
    Info info_;
    int lastError_ = 0;
};

#endif
