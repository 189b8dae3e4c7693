#include "host/src/geometry/DoubleIndexedComponent.h"

#include <algorithm>
#include <map>
#include <memory>

namespace vexa_host {

namespace {

std::string rangeText(int first, int last) {
    return "[" + std::to_string(first) + (last > first ? ":" + std::to_string(last) : "") + "]";
}

// The V runs of one U index, as (first, last) pairs.
using Runs = std::vector<std::pair<int, int>>;

Runs runsOf(std::vector<int> values) {
    std::sort(values.begin(), values.end());
    Runs runs;
    for (int value : values) {
        if (!runs.empty() && runs.back().second + 1 == value) {
            runs.back().second = value;
        } else {
            runs.emplace_back(value, value);
        }
    }
    return runs;
}

}  // namespace

bool DoubleIndexedComponent::hasFn(VFn::Type type) const {
    return type == VFn::kBase || type == type_ || type == VFn::kComponent || type == VFn::kDoubleIndexedComponent;
}

// Runs of V per U; neighbouring U indices with the same runs share one text: "cv[0:3][2]".
std::vector<std::string> DoubleIndexedComponent::texts() const {
    std::map<int, std::vector<int>> byU;
    for (const Element& element : elements()) byU[element.first].push_back(element.second);
    std::vector<std::pair<std::pair<int, int>, Runs>> groups;  // (U first, U last), runs
    for (const auto& entry : byU) {
        Runs runs = runsOf(entry.second);
        if (!groups.empty() && groups.back().first.second + 1 == entry.first && groups.back().second == runs) {
            groups.back().first.second = entry.first;
        } else {
            groups.push_back({{entry.first, entry.first}, std::move(runs)});
        }
    }
    std::vector<std::string> texts;
    for (const auto& group : groups) {
        for (const auto& run : group.second) {
            texts.push_back("cv" + rangeText(group.first.first, group.first.second) + rangeText(run.first, run.second));
        }
    }
    return texts;
}

std::string DoubleIndexedComponent::text() const {
    std::string joined;
    for (const std::string& run : texts()) joined += (joined.empty() ? "" : " ") + run;
    return joined;
}

bool DoubleIndexedComponent::sameAs(const ComponentRecord& other) const {
    const auto* same = dynamic_cast<const DoubleIndexedComponent*>(&other);
    if (same == nullptr || same->type_ != type_) return false;
    std::vector<Element> mine = elements();
    std::vector<Element> theirs = same->elements();
    std::sort(mine.begin(), mine.end());
    std::sort(theirs.begin(), theirs.end());
    return mine == theirs;
}

std::shared_ptr<ComponentRecord> DoubleIndexedComponent::mergedWith(const ComponentRecord& other) const {
    const auto* same = dynamic_cast<const DoubleIndexedComponent*>(&other);
    if (same == nullptr || same->type_ != type_) return nullptr;
    auto merged = std::make_shared<DoubleIndexedComponent>(type_);
    for (const Element& element : elements()) merged->add(element.first, element.second);
    for (const Element& element : same->elements()) merged->add(element.first, element.second);
    return merged;
}

bool DoubleIndexedComponent::outside(int u, int v) const {
    return u < 0 || v < 0 || (completeU_ >= 0 && (u >= completeU_ || v >= completeV_));
}

VStatus DoubleIndexedComponent::add(int u, int v) {
    if (outside(u, v)) {
        return VStatus(VStatus::kInvalidParameter, "element [" + std::to_string(u) + "][" + std::to_string(v) +
                                                       "] is outside the component");
    }
    if (held_.insert({u, v}).second) elements_.emplace_back(u, v);
    return VStatus();
}

VStatus DoubleIndexedComponent::setCompleteCounts(int countU, int countV) {
    if (countU < 0 || countV < 0) return VStatus(VStatus::kInvalidParameter, "a negative element count");
    for (const Element& element : elements_) {
        if (element.first >= countU || element.second >= countV) {
            return VStatus(VStatus::kInvalidParameter, "an element lies past the counts given");
        }
    }
    completeU_ = countU;
    completeV_ = countV;
    return VStatus();
}

std::vector<DoubleIndexedComponent::Element> DoubleIndexedComponent::elements() const {
    if (!elements_.empty() || completeU_ < 0) return elements_;
    std::vector<Element> all;
    all.reserve(static_cast<size_t>(completeU_) * static_cast<size_t>(completeV_));
    for (int u = 0; u < completeU_; ++u) {
        for (int v = 0; v < completeV_; ++v) all.emplace_back(u, v);
    }
    return all;
}

int DoubleIndexedComponent::elementCount() const {
    return !elements_.empty() || completeU_ < 0 ? static_cast<int>(elements_.size()) : completeU_ * completeV_;
}

}  // namespace vexa_host
