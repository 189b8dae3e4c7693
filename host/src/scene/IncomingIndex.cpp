#include "host/src/scene/IncomingIndex.h"

#include "host/src/scene/Node.h"

#include <functional>

namespace vexa_host {

namespace {

// Moves the places past the erased one down one and drops the erased one's.
void forget(std::unordered_multimap<size_t, size_t>& places, size_t erased) {
    for (auto it = places.begin(); it != places.end();) {
        if (it->second == erased) {
            it = places.erase(it);
            continue;
        }
        if (it->second > erased) --it->second;
        ++it;
    }
}

}  // namespace

size_t IncomingIndex::hashStep(size_t hash, const PlugStep& step) {
    const size_t attribute = std::hash<const void*>()(step.attribute.get());
    hash ^= attribute + 0x9e3779b97f4a7c15ull + (hash << 6) + (hash >> 2);
    hash ^= std::hash<int>()(step.index) + 0x9e3779b97f4a7c15ull + (hash << 6) + (hash >> 2);
    return hash;
}

void IncomingIndex::add(const PlugPath& local, size_t place) {
    if (!maps_) maps_ = std::make_unique<Maps>();
    size_t hash = 0;
    for (size_t i = 0; i < local.steps.size(); ++i) {
        hash = hashStep(hash, local.steps[i]);
        (i + 1 == local.steps.size() ? maps_->whole : maps_->heads).emplace(hash, place);
    }
}

void IncomingIndex::erase(size_t place) {
    if (!maps_) return;
    forget(maps_->whole, place);
    forget(maps_->heads, place);
}

size_t IncomingIndex::above(const std::vector<Connection>& list, const PlugPath& path) const {
    if (!maps_) return kNone;
    size_t first = kNone;
    size_t hash = 0;
    for (const PlugStep& step : path.steps) {
        hash = hashStep(hash, step);
        auto range = maps_->whole.equal_range(hash);
        for (auto it = range.first; it != range.second; ++it) {
            if (it->second < first && path.startsWith(list[it->second].local)) first = it->second;
        }
    }
    return first;
}

bool IncomingIndex::overlaps(const std::vector<Connection>& list, const PlugPath& path) const {
    if (path.steps.empty()) return !list.empty();  // every path starts with the empty one
    if (above(list, path) != kNone) return true;
    if (!maps_) return false;
    size_t hash = 0;
    for (const PlugStep& step : path.steps) hash = hashStep(hash, step);
    auto range = maps_->heads.equal_range(hash);
    for (auto it = range.first; it != range.second; ++it) {
        if (list[it->second].local.startsWith(path)) return true;
    }
    return false;
}

}  // namespace vexa_host
