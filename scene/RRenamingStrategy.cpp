#include "scene/RRenamingStrategy.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

const char* const kRepeatMarker = "_ncl1_";
const char* const kCaseMarker = "_ncl2_";
constexpr int kMarkerLength = 6;
constexpr int kMaskBits = 32;

// ASCII only: names never depend on the process locale.
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetterOrDigit(char c) { return IsUpper(c) || IsLower(c) || IsDigit(c); }
char ToUpper(char c) { return IsLower(c) ? static_cast<char>(c - 'a' + 'A') : c; }
char ToLower(char c) { return IsUpper(c) ? static_cast<char>(c - 'A' + 'a') : c; }

std::string FoldCase(const RString& name) {
    std::string folded(name.Buffer(), static_cast<size_t>(name.GetLength()));
    std::transform(folded.begin(), folded.end(), folded.begin(), ToUpper);
    return folded;
}

RString Decimal(std::uint32_t value) {
    return RString(std::to_string(value).c_str());
}

bool HasTextAt(const RString& text, int position, const char* expected) {
    return text.FindText(expected, position) == position;
}

// The decimal number at the position, which moves past it. False for no digit or a number
// beyond 32 bits.
bool ParseMask(const RString& text, int& position, std::uint32_t& mask) {
    std::uint64_t value = 0;
    const int start = position;
    for (; position < text.GetLength() && IsDigit(text[static_cast<unsigned>(position)]); ++position) {
        value = value * 10 + static_cast<std::uint64_t>(text[static_cast<unsigned>(position)] - '0');
        if (value > UINT32_MAX) {
            return false;
        }
    }
    mask = static_cast<std::uint32_t>(value);
    return position > start;
}

// The masks after a case marker: "ul" and a number, then "lu" and a number, each optional
// (0 when absent); whatever follows is not read. False when a number is missing or too large.
bool ParseCaseMasks(const RString& text, int position, std::uint32_t& upperToLower, std::uint32_t& lowerToUpper) {
    upperToLower = 0;
    lowerToUpper = 0;
    if (HasTextAt(text, position, "ul") && !ParseMask(text, position += 2, upperToLower)) {
        return false;
    }
    if (HasTextAt(text, position, "lu") && !ParseMask(text, position += 2, lowerToUpper)) {
        return false;
    }
    return true;
}

// A bracketed number "(<digits>)" after at least one character of name.
bool IsBracketSuffix(const RString& text, int open, int close) {
    if (open <= 0 || close <= open) {
        return false;
    }
    for (int i = open + 1; i < close; ++i) {
        if (!IsDigit(text[static_cast<unsigned>(i)])) {
            return false;
        }
    }
    return true;
}

}  // namespace

RRenamingStrategy::RRenamingStrategy(int direction, bool bracketFlag)
    : direction_(direction), bracketFlag_(bracketFlag) {}

bool RRenamingStrategy::Rename(RNamePair& names) {
    return direction_ == 0 ? MakeUnique(names) : RestoreName(names);
}

void RRenamingStrategy::SetCaseMode(int mode) {
    if (mode != caseMode_) {
        entries_.clear();
        entriesByFoldedName_.clear();
        caseMode_ = mode;
    }
}

RRenamingStrategy::Entry* RRenamingStrategy::FindClash(const RString& name) {
    const auto bucket = entriesByFoldedName_.find(FoldCase(name));
    if (bucket == entriesByFoldedName_.end()) {
        return nullptr;
    }
    // Every entry of the bucket equals the name but for case; they are in recording order.
    for (const size_t index : bucket->second) {
        Entry& entry = entries_[index];
        const bool exact = entry.name == name;
        if ((exact && caseMode_ != kCaseDifferencesOnly) || (!exact && caseMode_ != kExactRepeatsOnly)) {
            return &entry;
        }
    }
    return nullptr;
}

void RRenamingStrategy::Record(const RString& name) {
    entriesByFoldedName_[FoldCase(name)].push_back(entries_.size());
    entries_.push_back(Entry{name, 0});
}

RString RRenamingStrategy::CaseSuffixName(const Entry& entry, const RString& name) {
    std::uint32_t upperToLower = 0;
    std::uint32_t lowerToUpper = 0;
    const int length = std::min(entry.name.GetLength(), name.GetLength());
    for (int k = 0; k < length; ++k) {
        const char recorded = entry.name[static_cast<unsigned>(k)];
        if (recorded != name[static_cast<unsigned>(k)]) {
            // Bits are ORed: a name longer than 32 characters sets a bit again, never carries.
            const std::uint32_t bit = std::uint32_t{1} << (k % kMaskBits);
            (IsUpper(recorded) ? upperToLower : lowerToUpper) |= bit;
        }
    }
    RString unique = entry.name + kCaseMarker;
    if (upperToLower != 0) {
        unique += "ul";
        unique += Decimal(upperToLower);
    }
    if (lowerToUpper != 0) {
        unique += "lu";
        unique += Decimal(lowerToUpper);
    }
    return unique;
}

bool RRenamingStrategy::MakeUnique(RNamePair& names) {
    RString name = names.GetCurrent();
    bool changed = false;
    // A name made unique may clash in turn with a name given before ("Cube_ncl1_1" given
    // verbatim): the rules apply again until the name clashes with none.
    while (Entry* clash = FindClash(name)) {
        name = clash->name == name ? clash->name + kRepeatMarker + Decimal(++clash->repeats)
                                   : CaseSuffixName(*clash, name);
        changed = true;
    }
    if (changed) {
        names.SetCurrent(name);
    }
    Record(name);
    return changed;
}

bool RRenamingStrategy::RestoreName(RNamePair& names) {
    RString text = names.GetCurrent();
    bool changed = false;

    // A repeat suffix, else a bracketed number, is cut off.
    int cut = text.FindText(kRepeatMarker);
    int close = -1;
    bool cutting = cut > 0;
    if (cut < 0) {
        cut = text.FindLastChar('(');
        close = text.FindLastChar(')');
        cutting = IsBracketSuffix(text, cut, close);
    }
    if (cutting) {
        names.SetBoth(text.FirstChars(cut));
        if (bracketFlag_) {
            text[static_cast<unsigned>(cut)] = '_';
            if (close > cut) {
                text[static_cast<unsigned>(close)] = '_';
            }
        }
        names.SetCurrent(text);
        changed = true;
    }

    // A case suffix: the name before it, each recorded character back in its case.
    const int marker = text.FindText(kCaseMarker);
    std::uint32_t upperToLower = 0;
    std::uint32_t lowerToUpper = 0;
    if (marker > 0 && ParseCaseMasks(text, marker + kMarkerLength, upperToLower, lowerToUpper)) {
        names.SetBoth(text);
        // Only the first 32 characters have bits of their own.
        for (int i = 0; i < std::min(marker, kMaskBits); ++i) {
            char& c = text[static_cast<unsigned>(i)];
            if ((upperToLower >> i) & 1u) {
                c = ToLower(c);
            }
            if ((lowerToUpper >> i) & 1u) {
                c = ToUpper(c);
            }
        }
        names.SetCurrent(text.FirstChars(marker));
        changed = true;
    } else {
        // The name as it stood becomes the initial name, the initial name the current one.
        const RString initial = names.GetInitial();
        names.SetBoth(names.GetCurrent());
        names.SetCurrent(initial);
    }

    names.SetCurrent(CleanName(names.GetCurrent(), '_'));
    return changed;
}

RString RRenamingStrategy::CleanName(const RString& text, char replacement) const {
    RString cleaned(text);
    for (int i = 0; i < cleaned.GetLength(); ++i) {
        char& c = cleaned[static_cast<unsigned>(i)];
        if (!IsLetterOrDigit(c)) {
            c = replacement;
        }
    }
    return cleaned;
}

RString RRenamingStrategy::NameWithoutPrefix(const RString& text) {
    const int separator = text.FindText("::");
    return separator >= 0 ? text.SubstringFrom(separator + 2) : text;
}
