#include "fileio/RStreamOptionsWyx.h"

#include <openssl/crypto.h>

#include <utility>

namespace {

constexpr int kFirstFlagOffByDefault = 10;

// Overwrites a password's bytes before the text lets them go.
void Wipe(RString& password) {
    if (!password.IsEmptyText()) {
        OPENSSL_cleanse(&password[0], static_cast<std::size_t>(password.GetLength()));
    }
    password.Clear();
}

}  // namespace

RStreamTakeEntry::~RStreamTakeEntry() { Wipe(password); }

RStreamOptionsWyx::~RStreamOptionsWyx() { Wipe(password_); }

RStreamOptionsWyx* RStreamOptionsWyx::Create() { return CreatePlugObject<RStreamOptionsWyx>(nullptr); }

RStreamOptionsWyx::RStreamOptionsWyx() { ResetOwnValues(); }

void RStreamOptionsWyx::ResetHooks() {
    RStreamOptions::ResetHooks();
    ResetOwnValues();
}

void RStreamOptionsWyx::ResetOwnValues() {
    for (int i = 0; i < kFlagCount; ++i) {
        flags_[i] = i < kFirstFlagOffByDefault;
    }
    ClearTakes();
    passwordProtected_ = false;
    Wipe(password_);
    template_ = 0;
}

bool RStreamOptionsWyx::GetFlag(int index) const { return index >= 0 && index < kFlagCount && flags_[index]; }

void RStreamOptionsWyx::SetFlag(int index, bool on) {
    if (index >= 0 && index < kFlagCount) {
        flags_[index] = on;
    }
}

int RStreamOptionsWyx::AddTake(const char* name) {
    if (name == nullptr) {
        return -1;
    }
    const int existing = FindTake(name);
    if (existing >= 0) {
        return existing;
    }
    RStreamTakeEntry entry;
    entry.name = name;
    takes_.push_back(std::move(entry));
    const int index = GetTakeCount() - 1;
    indexedNames_.emplace_back(takes_.back().name.Buffer());
    firstTakeOfName_.emplace(indexedNames_.back(), index);
    return index;
}

RStreamTakeEntry* RStreamOptionsWyx::GetTake(int index) {
    if (index < 0 || index >= GetTakeCount()) {
        return nullptr;
    }
    // Past one per take, checking every name at the next lookup costs less to keep.
    if (handedOut_.size() < takes_.size()) {
        handedOut_.push_back(index);
    } else {
        checkAllNames_ = true;
    }
    return &takes_[static_cast<std::size_t>(index)];
}

const RStreamTakeEntry* RStreamOptionsWyx::GetTake(int index) const {
    return index >= 0 && index < GetTakeCount() ? &takes_[static_cast<std::size_t>(index)] : nullptr;
}

int RStreamOptionsWyx::FindTake(const char* name) const {
    if (name == nullptr) {
        return -1;
    }
    CheckHandedOutNames();
    const auto found = firstTakeOfName_.find(name);
    return found != firstTakeOfName_.end() ? found->second : -1;
}

void RStreamOptionsWyx::CheckHandedOutNames() const {
    const auto changed = [this](std::size_t i) { return i < takes_.size() && takes_[i].name != indexedNames_[i].c_str(); };
    bool rebuild = false;
    for (std::size_t i = 0; checkAllNames_ && !rebuild && i < takes_.size(); ++i) rebuild = changed(i);
    for (std::size_t k = 0; !rebuild && k < handedOut_.size(); ++k) rebuild = changed(static_cast<std::size_t>(handedOut_[k]));
    if (rebuild) {
        RebuildTakeIndex();
    }
    handedOut_.clear();
    checkAllNames_ = false;
}

// Names compare as the text up to its end, byte for byte; the first take of a name wins.
void RStreamOptionsWyx::RebuildTakeIndex() const {
    indexedNames_.clear();
    firstTakeOfName_.clear();
    for (const RStreamTakeEntry& take : takes_) {
        indexedNames_.emplace_back(take.name.Buffer());
        firstTakeOfName_.emplace(indexedNames_.back(), static_cast<int>(indexedNames_.size()) - 1);
    }
}

int RStreamOptionsWyx::GetSelectedTakeCount() const {
    int count = 0;
    for (const RStreamTakeEntry& take : takes_) {
        count += take.selected ? 1 : 0;
    }
    return count;
}

void RStreamOptionsWyx::ClearTakes() {
    takes_.clear();
    indexedNames_.clear();
    firstTakeOfName_.clear();
    handedOut_.clear();
    checkAllNames_ = false;
}

void RStreamOptionsWyx::SetPassword(const char* text) {
    Wipe(password_);
    password_ = text != nullptr ? text : "";
}
