#include "host/src/script/CommandFlags.h"

#include <vexa/VMessageLog.h>
#include <vexa/VString.h>

namespace vexa_host {

bool looksLikeFlag(const std::string& word) {
    if (word.size() < 2 || word[0] != '-') return false;
    const char letter = static_cast<char>(word[1] | 0x20);  // either case
    return letter >= 'a' && letter <= 'z';
}

namespace {

// Two texts compared in place, as strcmp would: flag names are a few letters, shorter than a
// call into the C library.
bool sameText(const char* a, const char* b) {
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// Flags of a table mostly differ in their first letter: only names that share it are compared.
bool sameFlag(const std::string& word, const char* name) {
    return name != nullptr && name[1] == word[1] && sameText(word.c_str(), name);
}

const FlagSpec* lookUp(const std::vector<FlagSpec>& table, const std::string& word) {
    for (const FlagSpec& spec : table) {
        if (sameFlag(word, spec.shortName) || sameFlag(word, spec.longName)) return &spec;
    }
    return nullptr;
}

// Short names mostly differ in their second letter ("-fe", "-add"), compared before the rest.
bool sameShortName(const char* held, const char* asked) {
    return held[0] == asked[0] && (held[0] == '\0' || (held[1] == asked[1] && sameText(held, asked)));
}

// The entry of a word that looks like a flag but is none of the table's.
const FlagSpec kNotInTable{"", nullptr, 0};

bool isModeFlag(const FlagSpec* spec, const char* name) {
    return spec != nullptr && spec->valueCount == 0 && sameShortName(spec->shortName, name);
}

}  // namespace

bool CommandFlags::read(const VArgList& args, const std::vector<FlagSpec>& table, std::string& error) {
    const std::vector<VString>& words = args.arguments().items();
    words_ = &words;
    query_ = false;
    edit_ = false;
    usesBeyond_.clear();
    useCount_ = 0;
    flags_.clear();
    flagsMade_ = false;
    positionalBeyond_.clear();
    positionalCount_ = 0;
    positional_.clear();
    positionalCopied_ = false;
    // Each word's table entry, looked up once (null for a word that is no flag, kNotInTable for
    // one that is no flag of the table); commands of a few words keep them on the stack.
    constexpr size_t kWordsOnStack = 16;
    const FlagSpec* onStack[kWordsOnStack] = {};
    std::vector<const FlagSpec*> onHeap(words.size() > kWordsOnStack ? words.size() : 0, nullptr);
    const FlagSpec** specs = onHeap.empty() ? onStack : onHeap.data();
    for (size_t i = 0; i < words.size(); ++i) {
        if (!looksLikeFlag(words[i].str())) continue;
        const FlagSpec* spec = lookUp(table, words[i].str());
        specs[i] = spec != nullptr ? spec : &kNotInTable;
        query_ = query_ || isModeFlag(spec, "-q");
        edit_ = edit_ || isModeFlag(spec, "-e");
    }
    for (size_t i = 0; i < words.size(); ++i) {
        const FlagSpec* spec = specs[i];
        if (spec == nullptr) {
            addPositional(i);
            continue;
        }
        if (spec == &kNotInTable) {
            error = "invalid flag " + words[i].str();
            return false;
        }
        const size_t count = query_ ? 0 : static_cast<size_t>(spec->valueCount);
        if (words.size() - i - 1 < count) {
            error = "the flag " + words[i].str() + " needs " + std::to_string(count) + " value" + (count == 1 ? "" : "s");
            return false;
        }
        addUse(*spec, i + 1, count);
        i += count;
    }
    return true;
}

const CommandFlags::Use* CommandFlags::find(const char* shortName) const {
    for (size_t index = useCount_; index > 0; --index) {
        const Use& use = useAt(index - 1);
        if (sameShortName(use.spec.shortName, shortName)) return &use;
    }
    return nullptr;
}

void CommandFlags::addUse(const FlagSpec& spec, size_t first, size_t count) {
    Use use;
    use.spec = spec;
    use.first = first;
    use.count = count;
    if (useCount_ < kUsesInPlace) {
        usesInPlace_[useCount_] = use;
    } else {
        usesBeyond_.push_back(use);
    }
    ++useCount_;
}

void CommandFlags::addPositional(size_t at) {
    if (positionalCount_ < kPositionalInPlace) {
        positionalInPlace_[positionalCount_] = at;
    } else {
        positionalBeyond_.push_back(at);
    }
    ++positionalCount_;
}

const std::vector<std::string>* CommandFlags::values(const char* shortName) const {
    if (find(shortName) == nullptr) return nullptr;
    const std::vector<Flag>& all = flags();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        if (sameShortName(it->spec.shortName, shortName)) return &it->values;
    }
    return nullptr;
}

std::string CommandFlags::value(const char* shortName, const std::string& fallback) const {
    const std::string* first = firstValue(shortName);
    return first != nullptr ? *first : fallback;
}

const std::string* CommandFlags::firstValue(const char* shortName) const {
    const Use* use = find(shortName);
    return use != nullptr && use->count > 0 ? &word(use->first) : nullptr;
}

const std::vector<CommandFlags::Flag>& CommandFlags::flags() const {
    if (flagsMade_) return flags_;
    flags_.reserve(useCount_);
    for (size_t index = 0; index < useCount_; ++index) {
        const Use& use = useAt(index);
        Flag& flag = flags_.emplace_back();
        flag.spec = use.spec;
        flag.first = use.first;
        flag.count = use.count;
        for (size_t k = use.first; k < use.first + use.count; ++k) flag.values.push_back(word(k));
    }
    flagsMade_ = true;
    return flags_;
}

const std::vector<std::string>& CommandFlags::positional() const {
    if (!positionalCopied_) {
        positional_.reserve(positionalCount_);
        for (size_t index = 0; index < positionalCount_; ++index) positional_.push_back(word(positionalAt(index)));
        positionalCopied_ = true;
    }
    return positional_;
}

bool readBoolWord(const std::string& word, bool& value) {
    VStatus status;
    const bool read = VArgList(VStringArray(1, VString(word))).asBool(0, &status);
    if (status) value = read;
    return static_cast<bool>(status);
}

bool readNumberWord(const std::string& word, double& value) {
    const VString text(word);
    if (!text.isDouble()) return false;
    value = text.asDouble();
    return true;
}

VStatus commandFailure(const std::string& message) {
    VMessageLog::add(VMessageLog::kError, VString(message));
    return VStatus(VStatus::kFailure, message);
}

}  // namespace vexa_host
