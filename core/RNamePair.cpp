#include "core/RNamePair.h"

RNamePair::RNamePair(const RString& text) : initial_(text), current_(text) {}

void RNamePair::SetBoth(const RString& text) {
    initial_ = text;
    current_ = text;
}

void RNamePair::SetCurrent(const RString& text) {
    current_ = text;
}
