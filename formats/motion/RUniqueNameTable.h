#ifndef WYX_FORMATS_MOTION_RUNIQUENAMETABLE_H
#define WYX_FORMATS_MOTION_RUNIQUENAMETABLE_H

// Turns a stream of marker names into names unique without regard to case: a name met again
// gets its trailing number raised ("Marker12" -> "Marker13") or, without one, a blank and a
// number appended ("Hip" -> "hip 1" -> "HIP 2"), the number growing until the name is new. A
// file extension's digit (".sd", ".mp", ".mpg" followed by a digit) is no counter. Every
// stored name carries a user value (the marker's index) by which it is found again.
//
// Names land in hash buckets by the sum of their characters taken without regard to case, so
// that "Hip" and "hip" meet. Names are cut to kMaxNameLength characters before they are looked
// at; blanks around them are dropped and an empty name becomes "Default". A counter of more
// than kMaxCounterDigits digits is taken as part of the name, so raising it can never
// overflow. Stored names stay where they are for the table's life (until Clear): the pointers
// answered stay valid.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

class RUniqueNameTable {
public:
    static constexpr int kMaxNameLength = 1023;
    static constexpr int kMaxCounterDigits = 18;

    // 2^bits buckets (1 for bits 0); the bucket lists grow by the growth step.
    RUniqueNameTable(int bits, int growthStep);

    void Clear();
    // The stored unique name; null for a null name.
    const char* MakeUnique(const char* name, std::int32_t userValue);
    // The stored name of the last entry with that user value; null when none.
    const char* FindByValue(std::int32_t userValue) const;
    int GetCount() const { return static_cast<int>(entries_.size()); }

private:
    struct Entry {
        std::string name;
        std::int32_t userValue;
    };

    unsigned Hash(const std::string& name) const;
    bool Contains(const std::string& name) const;
    const char* Store(std::string name, std::int32_t userValue);

    unsigned mask_;
    std::size_t growthStep_;
    std::deque<Entry> entries_;
    std::vector<std::vector<int>> buckets_;
};

#endif
