#include "core/RNamePair.h"

RNamePair::RNamePair(const RString& text) : initial_(text), current_(text) {}

RNamePair& RNamePair::operator=(const RNamePair& other) {
    if (this != &other) {
        TellChanging();
        initial_ = other.initial_;
        current_ = other.current_;
    }
    return *this;
}

void RNamePair::SetBoth(const RString& text) {
    TellChanging();
    initial_ = text;
    current_ = text;
}

void RNamePair::SetCurrent(const RString& text) {
    TellChanging();
    current_ = text;
}
