#ifndef WYX_CORE_RNAMEPAIR_H
#define WYX_CORE_RNAMEPAIR_H

// A name as first given (the initial name) and as it stands now (the current name), so
// that renaming for uniqueness keeps the original at hand. The pair's owner may ask to be
// told right before either name changes, whoever changes it.

#include "core/RString.h"

// Told right before a name pair's names change.
class RNamePairObserver {
public:
    virtual void OnNamePairChanging() = 0;

protected:
    ~RNamePairObserver() = default;
};

class RNamePair {
public:
    RNamePair() = default;
    explicit RNamePair(const RString& text);
    // A copy takes the names only: the observer stays with the original.
    RNamePair(const RNamePair& other) : initial_(other.initial_), current_(other.current_) {}
    RNamePair& operator=(const RNamePair& other);

    void SetBoth(const RString& text);
    void SetCurrent(const RString& text);
    const RString& GetCurrent() const { return current_; }
    const RString& GetInitial() const { return initial_; }

    // Null for none.
    void SetObserver(RNamePairObserver* observer) { observer_ = observer; }

private:
    void TellChanging() {
        if (observer_ != nullptr) observer_->OnNamePairChanging();
    }

    RString initial_;
    RString current_;
    RNamePairObserver* observer_ = nullptr;
};

#endif
