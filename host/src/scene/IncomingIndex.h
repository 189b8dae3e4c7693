#ifndef VEXA_HOST_INCOMINGINDEX_H
#define VEXA_HOST_INCOMINGINDEX_H

// An index of a node's incoming connections by the destination plug, kept beside the list
// of them: the connection above a plug, and whether a plug overlaps a connected one, are
// found without a walk over every connection of the node.
//
// Each connection is filed by a hash of its destination path (attributes and indices) and,
// separately, by a hash of each shorter head of that path. An answer is always checked
// against the connections themselves, so a shared hash costs time, never a wrong result.

#include "host/src/scene/PlugPath.h"

#include <cstddef>
#include <memory>
#include <unordered_map>
#include <vector>

namespace vexa_host {

struct Connection;

class IncomingIndex {
public:
    static constexpr size_t kNone = static_cast<size_t>(-1);

    // Files the connection at that place of the list (the list's last).
    void add(const PlugPath& local, size_t place);
    // Forgets the connection at that place; those after it move down one place.
    void erase(size_t place);
    void clear() { maps_.reset(); }
    // The place of the first connection of the list whose destination is the plug or one
    // above it; kNone for none.
    size_t above(const std::vector<Connection>& list, const PlugPath& path) const;
    // Whether a connection's destination is the plug, lies above it or below it.
    bool overlaps(const std::vector<Connection>& list, const PlugPath& path) const;

private:
    using Places = std::unordered_multimap<size_t, size_t>;  // hash of a path -> place in the list
    struct Maps {
        Places whole;  // by the whole destination path
        Places heads;  // by each shorter head of it
    };
    // The hash of the path's first steps, from the hash of the steps before them.
    static size_t hashStep(size_t hash, const PlugStep& step);
    std::unique_ptr<Maps> maps_;  // made with the first connection
};

}  // namespace vexa_host

#endif
