#ifndef WYX_CORE_RGENERICOBJECTLIST_H
#define WYX_CORE_RGENERICOBJECTLIST_H

// An object that holds an ordered list of weak references to other objects.
//
// Every change is put to a watcher first (codes 0 clear, 1 add, 2 remove: a false answer
// vetoes it) and reported to it afterwards (4 added, 5 removed). The list watches itself
// until another watcher is set; a watcher that has been destroyed is never called again,
// and the list watches itself once more. Entries whose objects were destroyed stay in the
// list until removed and resolve to none.
//
// The watcher may edit or destroy the list from its callbacks: every operation holds a lock
// on the list, so a destruction waits for the operation to end.

#include "core/RObject.h"
#include "core/RPlugRef.h"

#include <vector>

class RGenericObjectList : public RObject {
    WYX_DECLARE_CLASS(RGenericObjectList)

public:
    // Watcher codes.
    static constexpr int kAskClear = 0;
    static constexpr int kAskAdd = 1;
    static constexpr int kAskRemove = 2;
    static constexpr int kTellAdded = 4;
    static constexpr int kTellRemoved = 5;

    RGenericObjectList();

    // Appends the entry; answers its index, -1 when the watcher refuses.
    int Add(const RPlugRef& entry);
    // Adds the entries another list holds now, in order (the list itself included); answers
    // how many were added.
    int AddAll(const RGenericObjectList& list);
    // Inserts before the entry at the index (an index past the end appends); answers the
    // index used, -1 for a negative index or when the watcher refuses.
    int InsertAt(int index, const RPlugRef& entry);
    // Overwrites the entry at the index; answers the index, -1 when the index is out of
    // range or the watcher refuses.
    int SetAt(int index, const RPlugRef& entry);
    // Removes the entry at the index; false when out of range or refused.
    bool RemoveAt(int index);
    // Removes the last entry equal to the given one (same serial and cell); false when
    // absent or refused.
    bool Remove(const RPlugRef& entry);
    // Empties the list, unless the watcher refuses. With destroyObjects, the objects listed
    // when the call began that still live are destroyed, from the last entry to the first.
    // False when refused.
    bool Clear(bool destroyObjects);

    // The first entry whose live object's full name equals the text exactly; the empty
    // reference when none does.
    RPlugRef FindByFullName(const char* text) const;

    // The entry at the index; the empty reference out of range.
    RPlugRef GetAt(int index) const;
    int GetCount() const { return static_cast<int>(entries_.size()); }
    // The entry's object, none when it is gone or is not an object.
    static RObject* Resolve(const RPlugRef& entry);

    // The object asked about changes; null makes the list watch itself.
    void SetWatcher(RObject* watcher);
    // The live watcher: the one set, or the list itself once that is gone.
    RObject* GetWatcher();

protected:
    // The entries are weak references: nothing is called back while the list ends.
    ~RGenericObjectList() override = default;

private:
    bool Ask(int code, const RPlugRef& entry, int index);
    void Tell(int code, const RPlugRef& entry, int index);
    // The last place of an equal entry; -1 when absent.
    int LastIndexOf(const RPlugRef& entry) const;
    // Where an entry asked about at `index` stands after the watcher had its say; -1 gone.
    int FindAgain(int index, const RPlugRef& entry) const;

    std::vector<RPlugRef> entries_;
    RPlugRef watcher_;
};

#endif
