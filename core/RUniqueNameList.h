#ifndef WYX_CORE_RUNIQUENAMELIST_H
#define WYX_CORE_RUNIQUENAMELIST_H

// Makes names unique by numbering repeats: the first use of a name keeps it, later uses
// get the name followed by a use counter ("n", "n1", "n2", ...).

#include "core/RNamePair.h"
#include "core/ROwnedPointerArray.h"
#include "core/RString.h"

#include <memory>
#include <string>
#include <unordered_map>

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
    // Looks the current name up among the listed names, case-sensitively (texts up to their
    // first zero byte). On a match that entry's counter grows by one and the current name
    // becomes the listed name followed by the counter in decimal; true. Otherwise the name
    // is listed with counter 0 and left unchanged; false. The names made are not listed.
    bool MakeUnique(RNamePair& name) override;
    std::unique_ptr<RNameUniquifier> Create() const override;

    int GetCount() const { return entries_.GetCount(); }

private:
    struct Entry {
        RString name;
        int counter = 0;
    };

    // The entry listed for a text; null when none.
    Entry* Find(const RString& name) const;

    ROwnedPointerArray<Entry> entries_;
    // Each listed text and its entry, so a lookup does not compare with every name.
    std::unordered_map<std::string, Entry*> index_;
};

#endif
