#ifndef WYX_CORE_RUNIQUENAMELIST_H
#define WYX_CORE_RUNIQUENAMELIST_H

// Makes names unique by numbering repeats: the first use of a name keeps it, later uses
// get the name followed by a use counter ("n", "n1", "n2", ...).

#include "core/RNamePair.h"
#include "core/ROwnedPointerArray.h"
#include "core/RString.h"

#include <memory>

// The renaming operations a name-clash strategy offers.
class RNameUniquifier {
public:
    virtual ~RNameUniquifier() = default;
    // Forgets every name met.
    virtual void Clear() = 0;
    // Renames the pair's current name when it was met before; true when renamed.
    virtual bool MakeUnique(RNamePair& name) = 0;
    // A new, empty strategy of the same class (null when memory cannot be had).
    virtual std::unique_ptr<RNameUniquifier> Create() const = 0;
};

class RUniqueNameList : public RNameUniquifier {
public:
    RUniqueNameList();
    ~RUniqueNameList() override;

    void Clear() override;
    // Compares the current name with each listed name, case-sensitively. On the first
    // match that entry's counter grows by one and the current name becomes the listed
    // name followed by the counter in decimal; true. Otherwise the name is listed with
    // counter 0 and left unchanged; false. The names made are not listed.
    bool MakeUnique(RNamePair& name) override;
    std::unique_ptr<RNameUniquifier> Create() const override;

    int GetCount() const { return entries_.GetCount(); }

private:
    struct Entry {
        RString name;
        int counter = 0;
    };

    ROwnedPointerArray<Entry> entries_;
};

#endif
