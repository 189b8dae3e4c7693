#ifndef WYX_SCENE_RWYXNODENAMEINDEX_H
#define WYX_SCENE_RWYXNODENAMEINDEX_H

// The object factory's index of its nodes by current name, so that finding a node by name
// does not scan the node list.
//
// Every node recorded gets a serial number that grows with each recording; since the node
// list only appends and closes gaps, serial order is list order. Each name keeps its nodes
// in serial order, so the n-th occurrence of a name in the list is the n-th node of the name
// here. A node whose name may have changed is reported (MarkRenamed) and filed again under
// its current name at the next lookup.

#include "core/RSmallList.h"
#include "core/RString.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class RWyxNode;

class RWyxNodeNameIndex {
public:
    // Files a node just appended to the node list.
    void Add(RWyxNode* node);
    void Remove(const RWyxNode* node);
    bool Contains(const RWyxNode* node) const { return entries_.count(node) != 0; }
    // The node's serial; 0 for a node not recorded.
    std::uint64_t SerialOf(const RWyxNode* node) const;
    // The node's name may change (it is read again at the next lookup).
    void MarkRenamed(RWyxNode* node);
    // The occurrence-th node (from 0) whose current name is `fullName`, in list order; null
    // when there are not that many.
    RWyxNode* Find(const RString& fullName, int occurrence);
    void Clear();

private:
    struct Entry {
        std::uint64_t serial;
        const std::string* name;  // the name it is filed under: its bucket's key
        bool renamed;
    };
    // The nodes filed under one name, in serial order. Nearly every name has one node: the
    // first is held without a heap block, so that recording a node takes none for its name.
    class Bucket {
    public:
        using Item = std::pair<std::uint64_t, RWyxNode*>;
        int Count() const { return static_cast<int>(items_.GetCount()); }
        bool IsEmpty() const { return items_.IsEmpty(); }
        const Item& At(int index) const { return items_.At(static_cast<std::size_t>(index)); }
        // Files the node at its serial's place among the others. Serials grow with every
        // recording: a node just recorded is the newest of its name.
        void Insert(const Item& item) {
            if (items_.IsEmpty() || items_.At(items_.GetCount() - 1).first < item.first) {
                items_.Append(item);
            } else {
                InsertAmongOthers(item);
            }
        }
        // Takes out the node of that serial; false when none has it.
        bool Erase(std::uint64_t serial);

    private:
        void InsertAmongOthers(const Item& item);

        // In serial order.
        RSmallList<Item, 1> items_;
    };

    static std::string Key(const RString& name) {
        return std::string(name.Buffer(), static_cast<size_t>(name.GetLength()));
    }
    // Files the node under the name; answers the bucket's key.
    const std::string* File(RWyxNode* node, std::uint64_t serial, std::string name);
    void Unfile(std::uint64_t serial, const std::string* name);
    void RefileRenamed();

    std::unordered_map<const RWyxNode*, Entry> entries_;
    std::unordered_map<std::string, Bucket> buckets_;
    std::vector<RWyxNode*> renamed_;
    std::uint64_t nextSerial_ = 1;
};

#endif
