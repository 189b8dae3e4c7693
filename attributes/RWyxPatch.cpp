#include "attributes/RWyxPatch.h"

#include <algorithm>
#include <climits>
#include <iterator>

RWyxPatch::RWyxPatch(RWyxObjectFactory* factory) : RWyxGeometry(factory) {}

RWyxPatch::~RWyxPatch() = default;

bool RWyxPatch::Assign(const RWyxPatch& other) {
    if (&other == this) return true;
    if (!AssignGeometry(other)) return false;
    uType_ = other.uType_;
    vType_ = other.vType_;
    uCount_ = other.uCount_;
    vCount_ = other.vCount_;
    uStep_ = other.uStep_;
    vStep_ = other.vStep_;
    displayMode_ = other.displayMode_;
    uClosed_ = other.uClosed_;
    vClosed_ = other.vClosed_;
    std::copy(std::begin(other.capped_), std::end(other.capped_), std::begin(capped_));
    return true;
}

bool RWyxPatch::InitControlPoints(int uCount, int uType, int vCount, int vType) {
    if (uCount < 0 || vCount < 0) return false;
    const long long points = static_cast<long long>(uCount) * static_cast<long long>(vCount);
    if (points > INT_MAX || !RWyxLayerContainer::InitControlPoints(static_cast<int>(points))) return false;
    uCount_ = uCount;
    vCount_ = vCount;
    uType_ = uType;
    vType_ = vType;
    return true;
}

void RWyxPatch::SetStep(int uStep, int vStep) {
    uStep_ = uStep;
    vStep_ = vStep;
}

void RWyxPatch::SetClosed(bool uClosed, bool vClosed) {
    uClosed_ = uClosed;
    vClosed_ = vClosed;
}

bool RWyxPatch::GetCapped(int cap) const { return cap >= 0 && cap < kCapCount && capped_[cap]; }

bool RWyxPatch::SetCapped(int cap, bool capped) {
    if (cap < 0 || cap >= kCapCount) return false;
    capped_[cap] = capped;
    return true;
}
