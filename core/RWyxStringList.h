#ifndef WYX_CORE_RWYXSTRINGLIST_H
#define WYX_CORE_RWYXSTRINGLIST_H

// An ordered list of texts, each with an integer value, that owns its items and reads and
// writes a "~"-separated text form.

#include "core/ROwnedPointerArray.h"
#include "core/RString.h"

struct RWyxStringListItem {
    RString text;
    int value = 0;
};

class RWyxStringList {
public:
    explicit RWyxStringList(int blockSize = 16);
    virtual ~RWyxStringList();
    RWyxStringList(const RWyxStringList&) = delete;
    RWyxStringList& operator=(const RWyxStringList&) = delete;

    // Replaces the text of item index; false when there is no such item.
    virtual bool SetAt(int index, const RString& text);
    // A new item at index (clamped to the count, so any index at or past it appends).
    // Answers the index used, or -1 for a negative index or when memory cannot be had.
    virtual int InsertAt(int index, const RString& text, int value);
    // Deletes the item at index; false when there is no such item.
    virtual bool RemoveAt(int index);
    // Deletes every item.
    virtual void Clear();
    // Appends the items' texts to `out`, with "~" between them; answers the count.
    virtual int GetText(RString& out) const;
    // Replaces the items by the pieces of a "~"-separated text, each with value 0. Pieces
    // between adjacent "~" become empty items; an empty final piece is not added. False
    // when an item could not be added (the pieces before it are kept).
    virtual bool SetText(const char* text);

    int GetCount() const { return items_.GetCount(); }
    // The item at index; null out of range.
    RWyxStringListItem* GetItem(int index) const { return items_.At(index); }

private:
    ROwnedPointerArray<RWyxStringListItem> items_;
};

#endif
