#ifndef VEXA_VFILEOBJECT_H
#define VEXA_VFILEOBJECT_H

// A file name as the user gave it (raw) and as the host resolves it: fullName() is absolute,
// with "/" separators, relative names taken from the current folder.

#include <vexa/VString.h>
#include <vexa/VexaExport.h>

class VEXA_API VFileObject {
public:
    VFileObject() = default;
    explicit VFileObject(const VString& rawFullName) { setRawFullName(rawFullName); }

    void setRawFullName(const VString& name);
    VString rawFullName() const { return raw_; }
    VString fullName() const;  // absolute
    VString name() const;      // without its folder
    VString path() const;      // the folder, ending in "/"
    bool exists() const;

private:
    VString raw_;
};

#endif
