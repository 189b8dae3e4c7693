#ifndef WYX_PLUGIN_USERPARAMSTORE_H
#define WYX_PLUGIN_USERPARAMSTORE_H

// The store through which the plug-in options keep their values from one run of the host to
// the next: the current user's settings registry (core/RRegistryKey), under the key
// PluginRegistryKey() + "\" + the options' name, one value per option in a section sub-key
// ("UserParams"). Booleans are 32-bit values 1 or 0, numbers 32-bit values holding the bits
// of the single-precision number, strings texts.
//
// The calling order is Open, one get or set per value, Close. A get answers its default when
// the section or value is missing or of another type; a set answers whether it was written,
// and GetFailureReason why not. Nothing is reported to the user here.
//
// One store serves the process (GetUserParamStore). It is made on first use: the options
// object built when the plug-in is loaded uses it first, so the store (and the registry
// below it) is destroyed after the options' last save at unload.

#include "core/RRegistryKey.h"
#include "core/RString.h"

#include <cstdint>

// "SOFTWARE\Pellix\WYX_Plugins_6.0".
const char* PluginRegistryKey();

class UserParamStore {
public:
    UserParamStore() = default;
    UserParamStore(const UserParamStore&) = delete;
    UserParamStore& operator=(const UserParamStore&) = delete;

    // Keeps the base path and sub name, and creates (or opens) basePath\subName below the
    // current user's root.
    bool Open(const RString& basePath, const RString& subName);
    std::uint32_t GetDword(const char* section, const char* name, std::uint32_t defaultValue);
    float GetFloat(const char* section, const char* name, float defaultValue);
    // out becomes the stored text, or the default (also for a text that does not fit the
    // registry wrapper's 2048-byte buffer).
    RString& GetString(const char* section, const char* name, const RString& defaultValue, RString& out);
    // Each creates the section when it is missing.
    bool SetDword(const char* section, const char* name, std::uint32_t value);
    bool SetFloat(const char* section, const char* name, float value);
    bool SetString(const char* section, const char* name, const RString& value);
    bool Close();
    // Why the last Open or set failed (read before Close): the registry file with the system's
    // reason ("No space left on device") when the file could not be read or written, or with
    // "is not a regular file"; what no variable placed it by, each named with how it stands
    // (WYX_REGISTRY_FILE, XDG_CONFIG_HOME and HOME: not set, empty, relative); else the
    // registry's error code.
    RString GetFailureReason() const;

    // The key path (base path, then "\" and the sub name when there is one) and a section's.
    RString KeyPath() const;
    RString SectionPath(const char* section) const;

private:
    bool OpenSection(const char* section);
    bool OpenOrCreateSection(const char* section);

    RString basePath_;
    RString subName_;
    RRegistryKey key_;
};

UserParamStore& GetUserParamStore();

#endif
