#include "host/src/geometry/SingleIndexedComponent.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <typeinfo>

namespace vexa_host {

namespace {

const char* prefixOf(VFn::Type type) { return type == VFn::kMeshPolygonComponent ? "f" : "vtx"; }

constexpr size_t kMostDigits = 11;                     // of an int, its sign included
constexpr size_t kMostRangeSize = 2 * kMostDigits + 3;  // "[" number ":" number "]"

// "[first]" or "[first:last]" written into the buffer; answers its length.
size_t writeRange(char (&buffer)[kMostRangeSize], int first, int last) {
    char* at = buffer;
    *at++ = '[';
    at = std::to_chars(at, at + kMostDigits, first).ptr;
    if (last != first) {
        *at++ = ':';
        at = std::to_chars(at, at + kMostDigits, last).ptr;
    }
    *at++ = ']';
    return static_cast<size_t>(at - buffer);
}

// Runs of consecutive indices, ascending: "vtx[0:2]", "vtx[5]". A checkerboard of materials
// gives one run per polygon, so each text is made whole at its final size, written once.
// Elements are mostly added in ascending order already: those are not sorted again.
std::vector<std::string> runTexts(const std::string& prefix, std::vector<int> indices) {
    if (!std::is_sorted(indices.begin(), indices.end())) std::sort(indices.begin(), indices.end());
    size_t runs = indices.empty() ? 0 : 1;
    for (size_t i = 1; i < indices.size(); ++i) runs += indices[i] != indices[i - 1] + 1 ? 1 : 0;
    std::vector<std::string> texts;
    texts.reserve(runs);
    for (size_t begin = 0; begin < indices.size();) {
        size_t end = begin;
        while (end + 1 < indices.size() && indices[end + 1] == indices[end] + 1) ++end;
        char range[kMostRangeSize];
        const size_t rangeSize = writeRange(range, indices[begin], indices[end]);
        std::string text(prefix.size() + rangeSize, '\0');
        prefix.copy(&text[0], prefix.size());
        std::char_traits<char>::copy(&text[prefix.size()], range, rangeSize);
        texts.push_back(std::move(text));
        begin = end + 1;
    }
    return texts;
}

}  // namespace

const SingleIndexedComponent* SingleIndexedComponent::of(const ObjectRecord* record) {
    return record != nullptr && typeid(*record) == typeid(SingleIndexedComponent) ? static_cast<const SingleIndexedComponent*>(record)
                                                                                  : nullptr;
}

SingleIndexedComponent* SingleIndexedComponent::of(ObjectRecord* record) {
    return const_cast<SingleIndexedComponent*>(of(static_cast<const ObjectRecord*>(record)));
}

// Only what holds something is cleared: a set edit takes the component again for every polygon
// it names, and a set of a few elements was never filled.
void SingleIndexedComponent::reset(VFn::Type type) {
    noteEdit();
    type_ = type;
    elements_.clear();
    bits_.clear();
    if (!held_.empty()) held_.clear();
    complete_ = -1;
}

std::uint64_t SingleIndexedComponent::watchedEdits_ = 0;
int SingleIndexedComponent::followed_ = 0;

bool SingleIndexedComponent::isKind(VFn::Type type) {
    return type == VFn::kMeshPolygonComponent || type == VFn::kMeshVertComponent;
}

bool SingleIndexedComponent::hasFn(VFn::Type type) const {
    return type == VFn::kBase || type == type_ || type == VFn::kComponent || type == VFn::kSingleIndexedComponent;
}

const char* SingleIndexedComponent::apiTypeName() const {
    return type_ == VFn::kMeshPolygonComponent ? "meshPolygonComponent" : "meshVertComponent";
}

std::string SingleIndexedComponent::text() const {
    std::string joined;
    for (const std::string& run : texts()) joined += (joined.empty() ? "" : " ") + run;
    return joined;
}

std::vector<std::string> SingleIndexedComponent::texts() const { return runTexts(prefixOf(type_), elements()); }

std::vector<std::string> SingleIndexedComponent::textsAfter(const std::string& head) const {
    return runTexts(head + prefixOf(type_), elements());
}

// Each element is held once, so equal counts and every one of theirs held make equal sets.
bool SingleIndexedComponent::sameAs(const ComponentRecord& other) const {
    const auto* same = of(&other);
    if (same == nullptr || same->type_ != type_ || same->elementCount() != elementCount()) return false;
    const int count = same->elementCount();
    for (int i = 0; i < count; ++i) {
        if (!holds(same->element(i))) return false;
    }
    return true;
}

std::shared_ptr<ComponentRecord> SingleIndexedComponent::mergedWith(const ComponentRecord& other) const {
    const auto* same = of(&other);
    if (same == nullptr || same->type_ != type_) return nullptr;
    auto merged = std::make_shared<SingleIndexedComponent>(type_);
    for (int element : elements()) merged->add(element);
    for (int element : same->elements()) merged->add(element);
    return merged;
}

bool SingleIndexedComponent::absorb(const ComponentRecord& other) {
    const auto* same = of(&other);
    if (same == nullptr || same->type_ != type_ || complete_ >= 0) return false;
    const int count = same->elementCount();
    for (int i = 0; i < count; ++i) add(same->element(i));
    return true;
}

VStatus SingleIndexedComponent::add(const int* elements, size_t count) {
    noteEdit();
    for (const int* element = elements; element != elements + count; ++element) {
        if (*element < 0 || (complete_ >= 0 && *element >= complete_)) {
            return VStatus(VStatus::kInvalidParameter, "element " + std::to_string(*element) + " is outside the component's " +
                                                           std::to_string(complete_) + " elements");
        }
        if (holdsOwn(*element)) continue;
        elements_.push_back(*element);
        index(*element);
    }
    return VStatus();
}

// Keeps the bitmap or the set up to date with an element just added.
void SingleIndexedComponent::index(int element) {
    const size_t bit = static_cast<size_t>(element);
    if (!held_.empty()) {
        held_.insert(element);
    } else if (!bits_.empty()) {
        if (bit / 64 < bits_.size() || fitsBitmap(bit + 1)) {
            markBit(element);
        } else {
            held_.insert(elements_.begin(), elements_.end());
            bits_ = std::vector<std::uint64_t>();
        }
    } else if (elements_.size() > kLinearSearchLimit) {
        const int largest = *std::max_element(elements_.begin(), elements_.end());
        if (fitsBitmap(static_cast<size_t>(largest) + 1)) {
            for (int held : elements_) markBit(held);
        } else {
            held_.insert(elements_.begin(), elements_.end());
        }
    }
}

// Grows the bitmap by doubling, so that indices added in order cost amortised constant time.
void SingleIndexedComponent::markBit(int element) {
    const size_t word = static_cast<size_t>(element) / 64;
    if (word >= bits_.size()) bits_.resize(std::max(word + 1, 2 * bits_.size()), 0);
    bits_[word] |= std::uint64_t{1} << (static_cast<size_t>(element) % 64);
}

VStatus SingleIndexedComponent::setCompleteCount(int count) {
    if (count < 0) return VStatus(VStatus::kInvalidParameter, "a negative element count");
    noteEdit();
    for (int element : elements_) {
        if (element >= count) {
            return VStatus(VStatus::kInvalidParameter, "element " + std::to_string(element) + " lies past " + std::to_string(count));
        }
    }
    complete_ = count;
    return VStatus();
}

bool SingleIndexedComponent::isComplete() const {
    return complete_ >= 0 && (elements_.empty() || static_cast<int>(elements_.size()) == complete_);
}

std::vector<int> SingleIndexedComponent::elements() const {
    if (!elements_.empty() || complete_ < 0) return elements_.toVector();
    std::vector<int> all(static_cast<size_t>(complete_));
    for (int i = 0; i < complete_; ++i) all[static_cast<size_t>(i)] = i;
    return all;
}

int SingleIndexedComponent::elementCount() const {
    return !elements_.empty() || complete_ < 0 ? static_cast<int>(elements_.size()) : complete_;
}

int SingleIndexedComponent::element(int index) const {
    return elements_.empty() ? index : elements_[static_cast<size_t>(index)];
}

bool SingleIndexedComponent::holds(int element) const {
    if (elements_.empty() && complete_ >= 0) return element >= 0 && element < complete_;
    return holdsOwn(element);
}

bool SingleIndexedComponent::holdsOwn(int element) const {
    if (!bits_.empty()) {
        const size_t word = static_cast<size_t>(element) / 64;
        return element >= 0 && word < bits_.size() && (bits_[word] >> (static_cast<size_t>(element) % 64) & 1U) != 0;
    }
    if (held_.empty()) return std::find(elements_.begin(), elements_.end(), element) != elements_.end();
    return held_.count(element) != 0;
}

}  // namespace vexa_host
