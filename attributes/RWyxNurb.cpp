#include "attributes/RWyxNurb.h"

#include <climits>
#include <cstddef>
#include <new>
#include <utility>

// Even without control points the knot vectors have their length (the orders' knots).
RWyxNurb::RWyxNurb(RWyxObjectFactory* factory) : RWyxGeometry(factory) { FitKnots(); }

RWyxNurb::~RWyxNurb() = default;

int RWyxNurb::KnotCount(int count, int order, int type) {
    const int wrap = (type == kPeriodic || type == kClosed) ? order - 1 : 0;
    return count + order + wrap;
}

bool RWyxNurb::Assign(const RWyxNurb& other) {
    if (&other == this) return true;
    if (!AssignGeometry(other)) return false;
    uOrder_ = other.uOrder_;
    vOrder_ = other.vOrder_;
    uCount_ = other.uCount_;
    vCount_ = other.vCount_;
    uType_ = other.uType_;
    vType_ = other.vType_;
    uStep_ = other.uStep_;
    vStep_ = other.vStep_;
    displayMode_ = other.displayMode_;
    uKnots_ = other.uKnots_;
    vKnots_ = other.vKnots_;
    uMultiplicity_ = other.uMultiplicity_;
    vMultiplicity_ = other.vMultiplicity_;
    swapUV_ = other.swapUV_;
    swapLinks_ = other.swapLinks_;
    return true;
}

bool RWyxNurb::FitKnots() {
    try {
        uKnots_.resize(static_cast<std::size_t>(KnotCount(uCount_, uOrder_, uType_)), 0.0);
        vKnots_.resize(static_cast<std::size_t>(KnotCount(vCount_, vOrder_, vType_)), 0.0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool RWyxNurb::SetOrder(int uOrder, int vOrder) {
    // The knot counts add count and up to twice the order: keep that sum inside int.
    constexpr int kMaxOrder = INT_MAX / 4;
    if (uOrder < 1 || vOrder < 1 || uOrder > kMaxOrder || vOrder > kMaxOrder) return false;
    const int oldU = uOrder_;
    const int oldV = vOrder_;
    uOrder_ = uOrder;
    vOrder_ = vOrder;
    if (!FitKnots()) {
        uOrder_ = oldU;
        vOrder_ = oldV;
        FitKnots();
        return false;
    }
    return true;
}

bool RWyxNurb::InitControlPoints(int uCount, int uType, int vCount, int vType) {
    constexpr int kMaxCount = INT_MAX / 4;
    if (uCount < 0 || vCount < 0 || uCount > kMaxCount || vCount > kMaxCount) return false;
    // No points in one direction leave none at all: the other count would only size knots
    // and multiplicities of a surface that has no point.
    if ((uCount == 0) != (vCount == 0)) return false;
    const long long points = static_cast<long long>(uCount) * static_cast<long long>(vCount);
    if (points > INT_MAX) return false;
    std::vector<double> uKnots;
    std::vector<double> vKnots;
    std::vector<int> uMultiplicity;
    std::vector<int> vMultiplicity;
    try {
        uKnots.assign(static_cast<std::size_t>(KnotCount(uCount, uOrder_, uType)), 0.0);
        vKnots.assign(static_cast<std::size_t>(KnotCount(vCount, vOrder_, vType)), 0.0);
        uMultiplicity.assign(static_cast<std::size_t>(uCount), 1);
        vMultiplicity.assign(static_cast<std::size_t>(vCount), 1);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!RWyxLayerContainer::InitControlPoints(static_cast<int>(points))) return false;
    uCount_ = uCount;
    vCount_ = vCount;
    uType_ = uType;
    vType_ = vType;
    uKnots_ = std::move(uKnots);
    vKnots_ = std::move(vKnots);
    uMultiplicity_ = std::move(uMultiplicity);
    vMultiplicity_ = std::move(vMultiplicity);
    return true;
}

void RWyxNurb::SetStep(int uStep, int vStep) {
    uStep_ = uStep;
    vStep_ = vStep;
}
