#ifndef WYX_CORE_RPROPERTYNAMEINDEX_H
#define WYX_CORE_RPROPERTYNAMEINDEX_H

// The properties of one object by name, for lookups that do not scan the property list.
//
// An open-addressing table of {name hash, property} in one block (linear probing, at most
// seven eighths full, entries shifted back on removal), so that adding and removing a property
// costs one probe sequence and no allocation of its own: an object with many thousand
// properties is built and torn down in time linear in their number. The table keeps no
// copy of the names; a property must leave the table before its name changes.

#include <cstddef>
#include <string_view>
#include <vector>

class RProperty;

class RPropertyNameIndex {
public:
    void Add(RProperty* property);
    // Room for that many properties without growing.
    void Reserve(int count);
    // Nothing happens for a property that is not in the table.
    void Remove(const RProperty* property);
    void Clear();
    int GetCount() const { return count_; }
    // True while no two properties in the table ever shared a name: a property of the table
    // with a name is then the only one with it.
    bool NamesAreUnique() const { return !sharedNames_; }

    // Where each of a list of names lands when the names are added in list order to an empty
    // table with just enough room for them: a table of the same names in the same order (the
    // fixed properties every object of a class makes) is then laid out by copying, without a
    // probe per name. The names must outlive the layout.
    class Layout {
    public:
        explicit Layout(const std::vector<std::string_view>& names);
        int GetCount() const { return count_; }

    private:
        friend class RPropertyNameIndex;
        struct Entry {
            std::size_t hash = 0;
            int place = -1;  // the list place of the name; -1 for a free slot
        };
        std::vector<Entry> entries_;  // by slot
        std::vector<std::size_t> hashes_;  // by list place: what Matches compares, in list order
        int count_ = 0;
        bool sharedNames_ = false;
    };
    // Fills an empty table as `layout` places its names, properties[i] standing for the i-th:
    // the table is then as adding them one by one in that order would leave it. False, the
    // table left empty, when it was not empty or the count or a name's hash differs.
    bool AddAllAs(const Layout& layout, RProperty* const* properties, int count);
    // As AddAllAs over the list, but without a table of its own: lookups go through the
    // layout's slots to the list's places, so that the many objects of one class share their
    // table while their lists are as laid out. The first Add, Remove or Reserve makes the
    // table from the list as it stands then; the owner of the list calls OwnTable before it
    // changes the list in any other way.
    bool FollowLayout(const Layout& layout, const std::vector<RProperty*>& list);
    // Makes the table of its own from the layout it follows (nothing when it follows none).
    void OwnTable();
    bool FollowsLayout() const { return layout_ != nullptr; }

    // Calls visit(property) for every property of that name, in no particular order. While
    // no two properties ever shared a name the first found is the only one: the walk ends there
    // rather than at the end of its run of slots.
    template <typename Visit>
    void ForEachNamed(std::string_view name, Visit visit) const {
        if (layout_ != nullptr) {
            ForEachFollowed(name, visit);
            return;
        }
        if (slots_.empty()) return;
        const std::size_t hash = HashOf(name);
        for (std::size_t at = hash & Mask(); slots_[at].property != nullptr; at = (at + 1) & Mask()) {
            if (slots_[at].hash != hash || !NameIs(*slots_[at].property, name)) continue;
            visit(slots_[at].property);
            if (!sharedNames_) return;
        }
    }

private:
    struct Slot {
        std::size_t hash = 0;
        RProperty* property = nullptr;
    };

    template <typename Visit>
    void ForEachFollowed(std::string_view name, Visit visit) const {
        const std::vector<Layout::Entry>& entries = layout_->entries_;
        const std::size_t mask = entries.size() - 1;
        const std::size_t hash = HashOf(name);
        for (std::size_t at = hash & mask; entries[at].place >= 0; at = (at + 1) & mask) {
            if (entries[at].hash != hash) continue;
            RProperty* const property = (*list_)[static_cast<std::size_t>(entries[at].place)];
            if (!NameIs(*property, name)) continue;
            visit(property);
            if (!sharedNames_) return;
        }
    }
    // Whether properties[i] has the hash the layout gives the i-th name, for every i.
    static bool Matches(const Layout& layout, RProperty* const* properties, int count);

    static std::size_t HashOf(std::string_view name);
    static bool NameIs(const RProperty& property, std::string_view name);
    std::size_t Mask() const { return slots_.size() - 1; }
    void Grow();
    void Rehash(std::size_t capacity);
    static bool Fits(std::size_t count, std::size_t capacity) { return 8 * count <= 7 * capacity; }
    void Place(const Slot& slot);

    std::vector<Slot> slots_;  // a power of two in size, or empty
    // The layout followed, and the list it is followed over; null while the table is its own.
    const Layout* layout_ = nullptr;
    const std::vector<RProperty*>* list_ = nullptr;
    int count_ = 0;
    bool sharedNames_ = false;  // a property was added while another of its name was in the table
};

#endif
