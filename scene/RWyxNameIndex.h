#ifndef WYX_SCENE_RWYXNAMEINDEX_H
#define WYX_SCENE_RWYXNAMEINDEX_H

// The object factory's index of the objects of one of its lists (nodes, materials, textures)
// by current name, so that finding one by name does not scan the list.
//
// Every object recorded gets a serial number that grows with each recording; since the
// factory's lists only append and close gaps, serial order is list order. Each name keeps its
// objects in serial order, so the n-th occurrence of a name in the list is the n-th object of
// the name here. An object whose name may have changed is reported (MarkRenamed) and filed
// again under its current name at the next lookup.

#include "core/RSmallList.h"
#include "core/RString.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class RWyxSceneObject;

class RWyxNameIndex {
public:
    // How far a name counts: all its bytes, or up to its first zero byte, as a comparison of
    // C strings sees it (so a name holding a zero byte is found by the text before it).
    enum class NameEnd { kAllBytes, kFirstZeroByte };

    explicit RWyxNameIndex(NameEnd nameEnd = NameEnd::kAllBytes) : nameEnd_(nameEnd) {}

    // Files an object just appended to its list.
    void Add(RWyxSceneObject* object);
    void Remove(const RWyxSceneObject* object);
    bool Contains(const RWyxSceneObject* object) const { return entries_.count(object) != 0; }
    // The object's serial; 0 for an object not recorded.
    std::uint64_t SerialOf(const RWyxSceneObject* object) const;
    // The object's name may change (it is read again at the next lookup).
    void MarkRenamed(RWyxSceneObject* object);
    // The occurrence-th object (from 0) whose current name is `fullName`, in list order; null
    // when there are not that many.
    RWyxSceneObject* Find(const RString& fullName, int occurrence);
    void Clear();

private:
    struct Entry {
        std::uint64_t serial;
        const std::string* name;  // the name it is filed under: its bucket's key
        bool renamed;
    };
    // The objects filed under one name, in serial order. Nearly every name has one object: the
    // first is held without a heap block, so that recording an object takes none for its name.
    class Bucket {
    public:
        using Item = std::pair<std::uint64_t, RWyxSceneObject*>;
        int Count() const { return static_cast<int>(items_.GetCount()); }
        bool IsEmpty() const { return items_.IsEmpty(); }
        const Item& At(int index) const { return items_.At(static_cast<std::size_t>(index)); }
        // Files the object at its serial's place among the others. Serials grow with every
        // recording: an object just recorded is the newest of its name.
        void Insert(const Item& item) {
            if (items_.IsEmpty() || items_.At(items_.GetCount() - 1).first < item.first) {
                items_.Append(item);
            } else {
                InsertAmongOthers(item);
            }
        }
        // Takes out the object of that serial; false when none has it.
        bool Erase(std::uint64_t serial);

    private:
        void InsertAmongOthers(const Item& item);

        // In serial order.
        RSmallList<Item, 1> items_;
    };

    std::string Key(const RString& name) const {
        return nameEnd_ == NameEnd::kAllBytes ? std::string(name.Buffer(), static_cast<size_t>(name.GetLength()))
                                              : std::string(name.Buffer());
    }
    // Files the object under the name; answers the bucket's key.
    const std::string* File(RWyxSceneObject* object, std::uint64_t serial, std::string name);
    void Unfile(std::uint64_t serial, const std::string* name);
    void RefileRenamed();

    std::unordered_map<const RWyxSceneObject*, Entry> entries_;
    std::unordered_map<std::string, Bucket> buckets_;
    std::vector<RWyxSceneObject*> renamed_;
    std::uint64_t nextSerial_ = 1;
    NameEnd nameEnd_;
};

#endif
