#ifndef WYX_FORMATS_GEOMETRY_RINFLUENCETABLE_H
#define WYX_FORMATS_GEOMETRY_RINFLUENCETABLE_H

// A two-sided table of weighted pairs between items of two kinds: list i of side 0 belongs to
// item i of the first kind (a source control point, a skin link), list k of side 1 to item k
// of the second kind (a generated vertex, a source control point). Every pair is stored twice,
// {k, w} in list i of side 0 and {i, w} in list k of side 1, and each copy knows where its
// mirror is, so that Normalize keeps both equal even when one pair was added more than once.
//
// The surface evaluators record in one how much each control point weighs on each generated
// vertex; the geometry converter carries skin weights over through it. Side and list numbers
// are checked: a bad one answers -1, 0 or null and changes nothing.

#include <vector>

class RInfluenceTable {
public:
    struct Entry {
        int index;  // the item on the other side
        double weight;
    };

    RInfluenceTable() = default;
    RInfluenceTable(int count0, int count1) { Init(count0, count1); }

    // Frees every list, then makes count0 empty lists on side 0 and count1 on side 1 (a
    // negative count makes none).
    void Init(int count0, int count1);
    // Both sides empty.
    void Clear();

    // Appends {k, weight} to list i of side 0 and {i, weight} to list k of side 1; answers the
    // position used in side 1's list, -1 (nothing added) when i or k names no list.
    int Add(int i, int k, double weight);

    // 0 for a side other than 0 and 1.
    int GetListCount(int side) const;
    // 0 for a bad side or list.
    int GetEntryCount(int side, int list) const;
    // The entry itself, writable (a weight written here is not written to its mirror); null
    // for a bad side, list or position.
    Entry* GetEntry(int side, int list, int position);
    const Entry* GetEntry(int side, int list, int position) const;
    // The position of the first entry of the list whose index is `index`; -1 when none.
    int Find(int side, int list, int index) const;
    // The sum of the list's weights (of their absolute values with `absolute`); 0 for an empty
    // or bad list.
    double GetWeightSum(int side, int list, bool absolute) const;

    // Divides the weights of every list of the side by the list's sum (GetWeightSum with
    // `absolute`), makes them absolute with `absolute`, and writes each new weight to its
    // mirror too. A list whose sum is 0 gets weights 0.
    void Normalize(int side, bool absolute);

private:
    struct Stored {
        Entry entry;
        // Where the copy lies: the list on the other side and the position in it (kept apart
        // from the writable entry, so that a changed index cannot lead Normalize astray).
        int otherList;
        int mirror;
    };
    using List = std::vector<Stored>;

    const List* ListAt(int side, int list) const;
    List* ListAt(int side, int list);

    std::vector<List> sides_[2];
};

#endif
