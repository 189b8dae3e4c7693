#include "core/RWyxStringList.h"

#include <cstring>

namespace {

constexpr char kSeparator = '~';

}  // namespace

RWyxStringList::RWyxStringList(int blockSize) : items_(blockSize) {}

RWyxStringList::~RWyxStringList() = default;

bool RWyxStringList::SetAt(int index, const RString& text) {
    RWyxStringListItem* item = items_.At(index);
    if (item == nullptr) {
        return false;
    }
    item->text = text;
    return true;
}

int RWyxStringList::InsertAt(int index, const RString& text, int value) {
    if (index < 0) {
        return -1;
    }
    return items_.InsertAt(index, MakeOwned<RWyxStringListItem>(text, value));
}

bool RWyxStringList::RemoveAt(int index) {
    return items_.RemoveAt(index);
}

void RWyxStringList::Clear() {
    items_.Clear();
}

int RWyxStringList::GetText(RString& out) const {
    for (int i = 0; i < GetCount(); ++i) {
        if (i > 0) {
            out += kSeparator;
        }
        out += items_.At(i)->text;
    }
    return GetCount();
}

bool RWyxStringList::SetText(const char* text) {
    Clear();
    if (text == nullptr) {
        return true;
    }
    const char* piece = text;
    for (;;) {
        const char* separator = std::strchr(piece, kSeparator);
        const int length = static_cast<int>(separator != nullptr ? separator - piece : std::strlen(piece));
        if (separator != nullptr || length > 0) {
            if (InsertAt(GetCount(), RString(piece, length), 0) < 0) {
                return false;
            }
        }
        if (separator == nullptr) {
            return true;
        }
        piece = separator + 1;
    }
}
