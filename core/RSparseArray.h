#ifndef WYX_CORE_RSPARSEARRAY_H
#define WYX_CORE_RSPARSEARRAY_H

// A set of non-negative integers stored as bits in a sorted table of pages.
//
// Integer n is bit n mod 32 of word n div 32. A page covers a run of words; integers
// outside every page are clear. Copies share the table and the pages, counting their
// references; a write first detaches (copies) whatever it would change that is shared.
// All storage comes from one process-wide pool.

#include <optional>

class RSparseArray {
public:
    RSparseArray() = default;
    RSparseArray(const RSparseArray& other);
    RSparseArray(RSparseArray&& other) noexcept;
    RSparseArray& operator=(const RSparseArray& other);
    RSparseArray& operator=(RSparseArray&& other) noexcept;
    ~RSparseArray();

    // Set and clear one integer. False, set unchanged, for a negative integer or when
    // storage cannot be had. Clearing the last set bit of a page removes the page.
    bool SetBit(int n);
    bool ClearBit(int n);
    // False for a negative integer.
    bool TestBit(int n) const;

    // Visits the pages in order, skipping those that end at or before start (0 when
    // absent). When the wanted value is clear or absent and start lies before a page,
    // start itself is the answer (integers outside the pages are clear). Otherwise the
    // page's bits are scanned from start (or the page's first integer): without a wanted
    // value the first scanned integer is the answer, else the first whose bit equals it.
    // After a page without an answer, start moves past the page. Integers past the last
    // page are never examined. Answers are always below end when an end is given. True
    // with the integer in `index`; false with -1 when there is none, or when start or end
    // is negative.
    bool Search(int& index, std::optional<int> start = std::nullopt, std::optional<int> end = std::nullopt,
                std::optional<bool> wanted = std::nullopt) const;

    // ORs every bit of the other set into this one. False when storage cannot be had
    // (the bits added so far stay).
    bool Union(const RSparseArray& other);

    // The highest set integer; -1 when none is set.
    int HighestSet() const;
    bool IsEmpty() const { return HighestSet() < 0; }

private:
    struct Page;
    struct Table;

    bool MakeTableOwn();
    Page* MakePageOwn(int entry);
    Page* PageForWriting(int word);
    int InsertPage(Page* page);
    void RemovePage(int entry);
    Page* ReplacePage(int entry, int firstWord, int wordCount);
    int FindCovering(int word) const;
    int FindFirstAfter(int word) const;

    Table* table_ = nullptr;
};

#endif
