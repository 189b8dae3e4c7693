#include "attributes/RWyxLayerElement.h"

#include <cstddef>
#include <new>
#include <utility>

namespace {

bool IsInside(int position, std::size_t count) {
    return position >= 0 && static_cast<std::size_t>(position) < count;
}

}  // namespace

int RWyxLayerElement::GetIndexAt(int position) const {
    return IsInside(position, indices_.size()) ? indices_[static_cast<std::size_t>(position)] : -1;
}

bool RWyxLayerElement::SetIndexAt(int position, int value) {
    if (!IsInside(position, indices_.size())) return false;
    indices_[static_cast<std::size_t>(position)] = value;
    return true;
}

int RWyxLayerElement::AddIndex(int value) {
    indices_.push_back(value);
    return GetIndexCount() - 1;
}

bool RWyxLayerElement::StoreIndexAt(int position, int value, int gap) {
    if (position < 0) return false;
    const auto at = static_cast<std::size_t>(position);
    if (indices_.size() <= at && !ResizeIndices(at + 1, gap)) return false;
    indices_[at] = value;
    return true;
}

bool RWyxLayerElement::SetIndexCount(int count, int fill) {
    return count >= 0 && ResizeIndices(static_cast<std::size_t>(count), fill);
}

// A count from a file may be more than memory holds: that is a refusal, not an exception.
bool RWyxLayerElement::ResizeIndices(std::size_t count, int fill) {
    try {
        indices_.resize(count, fill);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

int RWyxLayerElement::ResolveDirectIndex(int position) const {
    const auto directCount = static_cast<std::size_t>(GetDirectCount());
    switch (referenceMode_) {
        case kDirect:
            return IsInside(position, directCount) ? position : -1;
        case kIndexToDirect: {
            const int index = GetIndexAt(position);
            return IsInside(index, directCount) ? index : -1;
        }
        default:
            return -1;
    }
}

bool RWyxLayerElement::GatherIndices(const std::vector<int>& sources) {
    std::vector<int> gathered;
    gathered.reserve(sources.size());
    for (const int source : sources) {
        if (!IsInside(source, indices_.size())) return false;
        gathered.push_back(indices_[static_cast<std::size_t>(source)]);
    }
    indices_ = std::move(gathered);
    return true;
}

int RWyxLayerElement::GetMappedCount() const {
    return referenceMode_ == kDirect ? GetDirectCount() : GetIndexCount();
}

bool RWyxLayerElement::GatherMapped(const std::vector<int>& sources) {
    return referenceMode_ == kDirect ? GatherDirect(sources) : GatherIndices(sources);
}
