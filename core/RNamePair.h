#ifndef WYX_CORE_RNAMEPAIR_H
#define WYX_CORE_RNAMEPAIR_H

// A name as first given (the initial name) and as it stands now (the current name), so
// that renaming for uniqueness keeps the original at hand.

#include "core/RString.h"

class RNamePair {
public:
    RNamePair() = default;
    explicit RNamePair(const RString& text);

    void SetBoth(const RString& text);
    void SetCurrent(const RString& text);
    const RString& GetCurrent() const { return current_; }
    const RString& GetInitial() const { return initial_; }

private:
    RString initial_;
    RString current_;
};

#endif
