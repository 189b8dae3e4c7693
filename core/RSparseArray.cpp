#include "core/RSparseArray.h"

#include "core/RPoolAllocator.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

namespace {

constexpr int kWordShift = 5;  // log2 of the 32 bits of a word
constexpr int kWordMask = (1 << kWordShift) - 1;
// Setting a bit near a page extends that page rather than making a new one, as long as the
// page stays within this many words; beyond it a new page starts.
constexpr int kMaxPageWords = 1024;
constexpr int kJoinGapWords = 8;

// The sets' storage pool. It does not belong to the pool registry, so sets work before
// SdkInitialize and after SdkTerminate; it is never destroyed, so a set destroyed late in
// the process still frees into a live pool.
RPoolAllocator& SparsePool() {
    alignas(RPoolAllocator) static unsigned char storage[sizeof(RPoolAllocator)];
    static RPoolAllocator* const pool = new (storage) RPoolAllocator(0x20000, 2, 0, 0x200000);
    return *pool;
}

void* PoolAllocate(std::size_t bytes) {
    return SparsePool().Allocate(DefaultAllocatorHooks(), bytes);
}

void* PoolReallocate(void* block, std::size_t bytes) {
    return SparsePool().Reallocate(DefaultAllocatorHooks(), block, bytes);
}

void PoolFree(void* block) {
    SparsePool().Free(DefaultAllocatorHooks(), block);
}

int LowestBit(std::uint32_t bits) {
    return __builtin_ctz(bits);
}

int HighestBit(std::uint32_t bits) {
    return 31 - __builtin_clz(bits);
}

long long FirstIntegerOfWord(long long word) {
    return word << kWordShift;
}

}  // namespace

// A run of words; the words follow the record.
struct RSparseArray::Page {
    int firstWord;
    int wordCount;
    int refCount;

    std::uint32_t* Words() { return reinterpret_cast<std::uint32_t*>(this + 1); }
    const std::uint32_t* Words() const { return reinterpret_cast<const std::uint32_t*>(this + 1); }
    int EndWord() const { return firstWord + wordCount; }
    bool Covers(int word) const { return word >= firstWord && word < EndWord(); }
    long long FirstInteger() const { return FirstIntegerOfWord(firstWord); }
    long long EndInteger() const { return FirstIntegerOfWord(EndWord()); }
    bool IsAllClear() const {
        return std::all_of(Words(), Words() + wordCount, [](std::uint32_t word) { return word == 0; });
    }

    // The first integer of [from, to) whose bit is `wanted` (any bit when absent); -1 if none.
    long long Find(long long from, long long to, std::optional<bool> wanted) const {
        if (!wanted) {
            return from < to ? from : -1;
        }
        for (long long i = from; i < to;) {
            const long long word = i >> kWordShift;
            std::uint32_t bits = Words()[word - firstWord];
            if (!*wanted) {
                bits = ~bits;
            }
            bits &= ~std::uint32_t{0} << (i & kWordMask);
            if (bits != 0) {
                const long long found = FirstIntegerOfWord(word) + LowestBit(bits);
                return found < to ? found : -1;
            }
            i = FirstIntegerOfWord(word + 1);
        }
        return -1;
    }

    // A page over wordCount words from firstWord, filled with the byte `fill`, with the
    // words of `old` that fall inside copied over. Null when storage cannot be had.
    static Page* Create(int firstWord, int wordCount, unsigned char fill, const Page* old) {
        void* raw = PoolAllocate(sizeof(Page) + static_cast<std::size_t>(wordCount) * sizeof(std::uint32_t));
        if (raw == nullptr) {
            return nullptr;
        }
        Page* page = new (raw) Page{firstWord, wordCount, 1};
        std::memset(page->Words(), fill, static_cast<std::size_t>(wordCount) * sizeof(std::uint32_t));
        if (old != nullptr) {
            const int from = std::max(firstWord, old->firstWord);
            const int to = std::min(page->EndWord(), old->EndWord());
            if (from < to) {
                std::memcpy(page->Words() + (from - firstWord), old->Words() + (from - old->firstWord),
                            static_cast<std::size_t>(to - from) * sizeof(std::uint32_t));
            }
        }
        return page;
    }

    void Release() {
        if (--refCount == 0) {
            PoolFree(this);
        }
    }
};

// The pages in order of their first word; entries past the page count are null.
struct alignas(void*) RSparseArray::Table {
    int pageCount;
    int capacity;
    int refCount;

    Page** Entries() { return reinterpret_cast<Page**>(this + 1); }
    Page* const* Entries() const { return reinterpret_cast<Page* const*>(this + 1); }

    static std::size_t BytesFor(int capacity) {
        return sizeof(Table) + static_cast<std::size_t>(capacity) * sizeof(Page*);
    }

    // An empty table, or a copy of `other` sharing its pages. Null when storage cannot be had.
    static Table* Create(int capacity, const Table* other) {
        void* raw = PoolAllocate(BytesFor(capacity));
        if (raw == nullptr) {
            return nullptr;
        }
        Table* table = new (raw) Table{0, capacity, 1};
        std::fill(table->Entries(), table->Entries() + capacity, nullptr);
        if (other != nullptr) {
            table->pageCount = other->pageCount;
            std::copy(other->Entries(), other->Entries() + other->pageCount, table->Entries());
            for (int i = 0; i < table->pageCount; ++i) {
                ++table->Entries()[i]->refCount;
            }
        }
        return table;
    }

    // Doubles the entries (one when there are none); false, table unchanged, on failure.
    static bool Grow(Table*& table) {
        const int capacity = table->capacity == 0 ? 1 : table->capacity * 2;
        if (capacity <= table->capacity) {
            return false;
        }
        auto* grown = static_cast<Table*>(PoolReallocate(table, BytesFor(capacity)));
        if (grown == nullptr) {
            return false;
        }
        std::fill(grown->Entries() + grown->capacity, grown->Entries() + capacity, nullptr);
        grown->capacity = capacity;
        table = grown;
        return true;
    }

    void Release() {
        if (--refCount == 0) {
            for (int i = 0; i < pageCount; ++i) {
                Entries()[i]->Release();
            }
            PoolFree(this);
        }
    }
};

RSparseArray::RSparseArray(const RSparseArray& other) : table_(other.table_) {
    if (table_ != nullptr) {
        ++table_->refCount;
    }
}

RSparseArray::RSparseArray(RSparseArray&& other) noexcept : table_(std::exchange(other.table_, nullptr)) {}

RSparseArray& RSparseArray::operator=(const RSparseArray& other) {
    RSparseArray copy(other);
    std::swap(table_, copy.table_);
    return *this;
}

RSparseArray& RSparseArray::operator=(RSparseArray&& other) noexcept {
    RSparseArray taken(std::move(other));
    std::swap(table_, taken.table_);
    return *this;
}

RSparseArray::~RSparseArray() {
    if (table_ != nullptr) {
        table_->Release();
    }
}

// Gives this set a table of its own, copying a shared one.
bool RSparseArray::MakeTableOwn() {
    if (table_ != nullptr && table_->refCount == 1) {
        return true;
    }
    Table* own = Table::Create(table_ != nullptr ? table_->capacity : 1, table_);
    if (own == nullptr) {
        return false;
    }
    if (table_ != nullptr) {
        table_->Release();
    }
    table_ = own;
    return true;
}

// Gives the (own) table a page of its own at entry, copying a shared one.
RSparseArray::Page* RSparseArray::MakePageOwn(int entry) {
    Page* page = table_->Entries()[entry];
    return page->refCount == 1 ? page : ReplacePage(entry, page->firstWord, page->wordCount);
}

// Replaces the page at entry by a new, unshared page over the given words holding the
// old page's words that fall inside them.
RSparseArray::Page* RSparseArray::ReplacePage(int entry, int firstWord, int wordCount) {
    Page*& slot = table_->Entries()[entry];
    Page* page = Page::Create(firstWord, wordCount, 0, slot);
    if (page != nullptr) {
        slot->Release();
        slot = page;
    }
    return page;
}

// The entry of the first page that starts after the word.
int RSparseArray::FindFirstAfter(int word) const {
    if (table_ == nullptr) {
        return 0;
    }
    Page* const* first = table_->Entries();
    Page* const* found = std::upper_bound(first, first + table_->pageCount, word,
                                          [](int w, const Page* page) { return w < page->firstWord; });
    return static_cast<int>(found - first);
}

// The entry of the page covering the word; -1 when none does.
int RSparseArray::FindCovering(int word) const {
    const int entry = FindFirstAfter(word) - 1;
    return (entry >= 0 && table_->Entries()[entry]->Covers(word)) ? entry : -1;
}

// Inserts a page where it keeps the table sorted; its entry, or -1 when the table
// cannot grow.
int RSparseArray::InsertPage(Page* page) {
    if (table_->pageCount == table_->capacity && !Table::Grow(table_)) {
        return -1;
    }
    const int entry = FindFirstAfter(page->firstWord);
    Page** entries = table_->Entries();
    std::copy_backward(entries + entry, entries + table_->pageCount, entries + table_->pageCount + 1);
    entries[entry] = page;
    ++table_->pageCount;
    return entry;
}

void RSparseArray::RemovePage(int entry) {
    Page** entries = table_->Entries();
    entries[entry]->Release();
    std::copy(entries + entry + 1, entries + table_->pageCount, entries + entry);
    entries[--table_->pageCount] = nullptr;
}

// An unshared page covering the word, in the (own) table: the covering page, a
// neighbouring page extended over the word, or a new one-word page.
RSparseArray::Page* RSparseArray::PageForWriting(int word) {
    const int covering = FindCovering(word);
    if (covering >= 0) {
        return MakePageOwn(covering);
    }
    const int next = FindFirstAfter(word);
    const int previous = next - 1;
    Page** entries = table_->Entries();
    if (previous >= 0) {
        const Page* page = entries[previous];
        const int words = word + 1 - page->firstWord;
        if (word - page->EndWord() < kJoinGapWords && words <= kMaxPageWords) {
            return ReplacePage(previous, page->firstWord, words);
        }
    }
    if (next < table_->pageCount) {
        const Page* page = entries[next];
        const int words = page->EndWord() - word;
        if (page->firstWord - word <= kJoinGapWords && words <= kMaxPageWords) {
            return ReplacePage(next, word, words);
        }
    }
    Page* page = Page::Create(word, 1, 0, nullptr);
    if (page != nullptr && InsertPage(page) < 0) {
        page->Release();
        page = nullptr;
    }
    return page;
}

bool RSparseArray::SetBit(int n) {
    if (n < 0 || !MakeTableOwn()) {
        return false;
    }
    const int word = n >> kWordShift;
    Page* page = PageForWriting(word);
    if (page == nullptr) {
        return false;
    }
    page->Words()[word - page->firstWord] |= std::uint32_t{1} << (n & kWordMask);
    return true;
}

bool RSparseArray::ClearBit(int n) {
    if (n < 0) {
        return false;
    }
    if (!TestBit(n)) {
        return true;
    }
    const int word = n >> kWordShift;
    const int entry = FindCovering(word);
    Page* page = MakeTableOwn() ? MakePageOwn(entry) : nullptr;
    if (page == nullptr) {
        return false;
    }
    std::uint32_t& bits = page->Words()[word - page->firstWord];
    bits &= ~(std::uint32_t{1} << (n & kWordMask));
    if (bits == 0 && page->IsAllClear()) {
        RemovePage(entry);
    }
    return true;
}

bool RSparseArray::TestBit(int n) const {
    if (n < 0) {
        return false;
    }
    const int word = n >> kWordShift;
    const int entry = FindCovering(word);
    if (entry < 0) {
        return false;
    }
    const Page* page = table_->Entries()[entry];
    return (page->Words()[word - page->firstWord] >> (n & kWordMask)) & 1u;
}

bool RSparseArray::Search(int& index, std::optional<int> start, std::optional<int> end,
                          std::optional<bool> wanted) const {
    index = -1;
    long long from = start.value_or(0);
    const long long limit = end ? *end : LLONG_MAX;
    if (from < 0 || limit < 0 || table_ == nullptr) {
        return false;
    }
    const bool wantsClear = !wanted || !*wanted;
    for (int entry = 0; entry < table_->pageCount && from < limit; ++entry) {
        const Page* page = table_->Entries()[entry];
        if (page->EndInteger() <= from) {
            continue;
        }
        long long found = -1;
        if (wantsClear && from < page->FirstInteger()) {
            found = from;
        } else {
            found = page->Find(std::max(from, page->FirstInteger()), std::min(page->EndInteger(), limit), wanted);
        }
        if (found >= 0) {
            index = static_cast<int>(found);
            return true;
        }
        from = page->EndInteger();
    }
    return false;
}

bool RSparseArray::Union(const RSparseArray& other) {
    if (other.table_ == nullptr || other.table_ == table_) {
        return true;
    }
    const Table* source = other.table_;
    for (int entry = 0; entry < source->pageCount; ++entry) {
        const Page* from = source->Entries()[entry];
        for (int i = 0; i < from->wordCount; ++i) {
            const std::uint32_t bits = from->Words()[i];
            if (bits == 0) {
                continue;
            }
            const int word = from->firstWord + i;
            Page* page = MakeTableOwn() ? PageForWriting(word) : nullptr;
            if (page == nullptr) {
                return false;
            }
            page->Words()[word - page->firstWord] |= bits;
        }
    }
    return true;
}

int RSparseArray::HighestSet() const {
    for (int entry = table_ != nullptr ? table_->pageCount - 1 : -1; entry >= 0; --entry) {
        const Page* page = table_->Entries()[entry];
        for (int i = page->wordCount - 1; i >= 0; --i) {
            if (page->Words()[i] != 0) {
                return static_cast<int>(FirstIntegerOfWord(page->firstWord + i) + HighestBit(page->Words()[i]));
            }
        }
    }
    return -1;
}
