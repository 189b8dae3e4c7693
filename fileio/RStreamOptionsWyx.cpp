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
    takes_.clear();
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
    return GetTakeCount() - 1;
}

RStreamTakeEntry* RStreamOptionsWyx::GetTake(int index) {
    return index >= 0 && index < GetTakeCount() ? &takes_[static_cast<std::size_t>(index)] : nullptr;
}

const RStreamTakeEntry* RStreamOptionsWyx::GetTake(int index) const {
    return index >= 0 && index < GetTakeCount() ? &takes_[static_cast<std::size_t>(index)] : nullptr;
}

int RStreamOptionsWyx::FindTake(const char* name) const {
    if (name == nullptr) {
        return -1;
    }
    for (int i = 0; i < GetTakeCount(); ++i) {
        if (takes_[static_cast<std::size_t>(i)].name == name) {
            return i;
        }
    }
    return -1;
}

int RStreamOptionsWyx::GetSelectedTakeCount() const {
    int count = 0;
    for (const RStreamTakeEntry& take : takes_) {
        count += take.selected ? 1 : 0;
    }
    return count;
}

void RStreamOptionsWyx::ClearTakes() { takes_.clear(); }

void RStreamOptionsWyx::SetPassword(const char* text) {
    Wipe(password_);
    password_ = text != nullptr ? text : "";
}
