#include "fileio/RStreamOptionsBase.h"

#include <utility>

RStreamOptionsBase::RStreamOptionsBase() {
    // Record 0 is never reachable; it starts as a heading.
    options_[0].maximum = 0;
}

RStreamOptionRecord* RStreamOptionsBase::Reachable(int slot) {
    return IsReachable(slot) ? &options_[slot] : nullptr;
}

const RStreamOptionRecord* RStreamOptionsBase::GetOption(int slot) const {
    return IsReachable(slot) ? &options_[slot] : nullptr;
}

void RStreamOptionsBase::SetOptionValue(int slot, int value) {
    if (RStreamOptionRecord* option = Reachable(slot)) option->value = value;
}

void RStreamOptionsBase::SetOptionEnabled(int slot, unsigned char enabled) {
    if (RStreamOptionRecord* option = Reachable(slot)) option->enabled = enabled;
}

void RStreamOptionsBase::SetOptionDirection(int slot, int direction) {
    if (RStreamOptionRecord* option = Reachable(slot)) option->direction = direction;
}

void RStreamOptionsBase::SetOptionMaximum(int slot, int maximum) {
    if (RStreamOptionRecord* option = Reachable(slot)) option->maximum = maximum;
}

void RStreamOptionsBase::SetOptionLabel(int slot, RString label) {
    if (RStreamOptionRecord* option = Reachable(slot)) option->label = std::move(label);
}

void RStreamOptionsBase::SetOptionExtra(int slot, int extra) {
    if (RStreamOptionRecord* option = Reachable(slot)) option->extra = extra;
}

int RStreamOptionsBase::GetOptionValue(int slot) const {
    const RStreamOptionRecord* option = GetOption(slot);
    return option != nullptr ? option->value : 0;
}

void RStreamOptionsBase::SetTakeName(const char* name) {
    if (AcceptsTakeName()) {
        takeName_ = name != nullptr ? name : "";
    }
}
