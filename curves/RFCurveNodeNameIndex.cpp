#include "curves/RFCurveNodeNameIndex.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/RString.h"
#include "curves/RFCurveNode.h"
#include "platform/RCriticalSection.h"

namespace {

// Bumped by a name change that may touch the children of any node.
std::atomic<std::uint64_t> nameEpoch{0};

// Names compare with only the ASCII letters folded, as RString::CompareIgnoringCase does;
// null is the empty name.
std::string Folded(const char* name) {
    std::string folded(name != nullptr ? name : "");
    for (char& c : folded) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return folded;
}

struct ChildNames {
    std::uint64_t epoch = 0;
    int indexed = 0;
    // The first child of each folded name among those named by their channel name.
    std::unordered_map<std::string, int> first;
    // Children named by their property, in child order.
    std::vector<int> byProperty;

    void CatchUp(const RFCurveNode& parent) {
        const int count = parent.GetChildCount();
        const std::uint64_t now = nameEpoch.load(std::memory_order_relaxed);
        if (epoch != now || indexed > count) {
            *this = ChildNames();
            epoch = now;
        }
        for (; indexed < count; ++indexed) {
            const RFCurveNode& child = *parent.GetChild(indexed);
            if (child.GetProperty() != nullptr) {
                byProperty.push_back(indexed);
            } else {
                first.emplace(Folded(child.GetName()), indexed);
            }
        }
    }

    int Find(const RFCurveNode& parent, const char* name) const {
        const auto found = first.find(Folded(name));
        const int best = found != first.end() ? found->second : indexed;
        for (const int index : byProperty) {
            if (index >= best) break;
            if (RString::CompareIgnoringCase(parent.GetChild(index)->GetName(), name) == 0) return index;
        }
        return best < indexed ? best : -1;
    }
};

struct Table {
    RCriticalSection lock;
    std::unordered_map<const RFCurveNode*, ChildNames> nodes;
};

Table& TheTable() {
    static auto* const table = new Table();  // for the process's life: nodes die at exit too
    return *table;
}

}  // namespace

int RFCurveNodeNameIndex::Find(const RFCurveNode& parent, const char* name) {
    Table& table = TheTable();
    RCriticalSectionGuard guard(table.lock);
    ChildNames& names = table.nodes[&parent];
    names.CatchUp(parent);
    return names.Find(parent, name);
}

void RFCurveNodeNameIndex::Forget(const RFCurveNode& parent) {
    Table& table = TheTable();
    RCriticalSectionGuard guard(table.lock);
    table.nodes.erase(&parent);
}

void RFCurveNodeNameIndex::NamesChanged() {
    nameEpoch.fetch_add(1, std::memory_order_relaxed);
}
