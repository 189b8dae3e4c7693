#ifndef WYX_CORE_RINIFILE_H
#define WYX_CORE_RINIFILE_H

// A settings file of sections and entries, kept in the settings folder (GetTempPath).
//
// The file holds "[section]" lines, each followed by "key = value" lines; ';' starts a
// comment that runs to the end of the line and blank lines are ignored. Reading strips
// bytes of code 32 or below around keys and values (and '=' at the start of a value).
//
// A name beginning with '@' is made per machine: "@Application.txt" names
// "<folder>/<machine name>.Application.txt"; any other name "<folder>/<name>".
//
// Opened with caching, the whole file is read at once into sections and keys (both compared
// without regard to ASCII letter case); values can then be changed, and a changed file is
// saved when the object is destroyed. Without caching, every GetValue reads the file anew.

#include "core/RString.h"

#include <memory>

class RIniFile {
public:
    RIniFile(const char* name, bool cache);
    // Saves a cached file whose values were changed.
    ~RIniFile();
    RIniFile(const RIniFile&) = delete;
    RIniFile& operator=(const RIniFile&) = delete;

    // The value of key in section, or defaultValue (which may be null) when the file, the
    // section or the key is missing. Lines without '=' are no entries, and the first entry
    // that matches wins (a section that appears twice is read as one). With a cache, names
    // are matched whole. Without one, a section line is taken when its (trimmed) name
    // begins with section, and an entry when its key begins with key (both without regard
    // to case), and the text answered stays valid until the next call.
    const char* GetValue(const char* section, const char* key, const char* defaultValue);

    // Sets the value of key in section, adding either when missing, and marks the file
    // modified. Only for a cached file. False, nothing changed, when any text is null or
    // could not be read back unchanged: an empty name, a line break or ';' anywhere, a
    // section name holding ']', a key holding '=' or beginning with '[', or bytes of code
    // 32 or below around a name or value (or '=' at the start of a value).
    bool SetValue(const char* section, const char* key, const char* value);

    // Writes the cached sections and entries, in the order of their names: "[%s]" lines,
    // "%s = %s" entries, an empty line before every section but the first. The text goes to
    // a temporary file beside the file, which then replaces it in one rename, so the old
    // file stays whole until the new one is complete. False without a cache or when the
    // file cannot be written; a successful save clears the modified flag.
    bool Save();

    const RString& GetPath() const { return path_; }
    bool HasCache() const { return cache_ != nullptr; }
    bool IsModified() const { return modified_; }

private:
    struct Cache;

    void LoadAll();
    const char* ReadValueFromFile(const char* section, const char* key, const char* defaultValue);
    RString CacheText() const;

    RString path_;
    RString value_;  // the last value read from the file without a cache
    std::unique_ptr<Cache> cache_;
    bool modified_ = false;
};

#endif
