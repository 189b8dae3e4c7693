#ifndef WYX_FILEIO_RIMAGECONVERTER_H
#define WYX_FILEIO_RIMAGECONVERTER_H

// One image conversion step: callbacks, chosen by a file's extension, that turn a picture
// into something a WYX file can embed (export) or write an embedded image back out in the
// picture's own format (import).
//
// A callback gets the direction, the file name (which it may replace, for instance by the
// name of a temporary TIFF it prepared) and the image buffer; it answers 0 when it
// converted the picture and anything else when it did not.

#include "core/RString.h"

#include <vector>

class RImageBuffer;

class RImageConverter {
public:
    static constexpr int kExport = 0;
    static constexpr int kImport = 1;

    using Callback = int (*)(int direction, RString& fileName, RImageBuffer& buffer);

    // The owner is the object factory that made the converter and keeps it in its list.
    explicit RImageConverter(void* owner) : owner_(owner) {}
    RImageConverter(const RImageConverter&) = delete;
    RImageConverter& operator=(const RImageConverter&) = delete;

    void* GetOwner() const { return owner_; }

    // Registers the callback for each extension of the list (separated by blanks, commas or
    // semicolons; a leading '.' is ignored; letter case does not count). An extension that
    // already has a callback keeps its first one. Answers the number of extensions newly
    // taken; 0 for a null callback or list.
    int Register(const char* extensions, Callback callback);

    // Calls the callback of the path's extension with (direction, path, buffer); true when
    // it answered 0. False when the extension has no callback.
    bool Convert(int direction, RString& path, RImageBuffer& buffer) const;

    // The callback for an extension (without '.'); null when none.
    Callback FindCallback(const char* extension) const;

private:
    struct Entry {
        RString extension;
        Callback callback;
    };

    void* owner_;
    std::vector<Entry> entries_;
};

#endif
