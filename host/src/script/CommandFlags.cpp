#include "host/src/script/CommandFlags.h"

#include <vexa/VMessageLog.h>
#include <vexa/VString.h>

#include <cstring>

namespace vexa_host {

namespace {

bool looksLikeFlag(const std::string& word) {
    if (word.size() < 2 || word[0] != '-') return false;
    const char letter = static_cast<char>(word[1] | 0x20);  // either case
    return letter >= 'a' && letter <= 'z';
}

// Flags of a table mostly differ in their first letter: only names that share it are compared.
bool sameFlag(const std::string& word, const char* name) {
    return name != nullptr && name[1] == word[1] && std::strcmp(word.c_str(), name) == 0;
}

const FlagSpec* lookUp(const std::vector<FlagSpec>& table, const std::string& word) {
    for (const FlagSpec& spec : table) {
        if (sameFlag(word, spec.shortName) || sameFlag(word, spec.longName)) return &spec;
    }
    return nullptr;
}

// Short names mostly differ in their second letter ("-fe", "-add"), compared before the rest.
bool sameShortName(const char* held, const char* asked) {
    return held[0] == asked[0] && (held[0] == '\0' || (held[1] == asked[1] && std::strcmp(held, asked) == 0));
}

bool isModeFlag(const FlagSpec* spec, const char* name) {
    return spec != nullptr && spec->valueCount == 0 && sameShortName(spec->shortName, name);
}

}  // namespace

bool CommandFlags::read(const VArgList& args, const std::vector<FlagSpec>& table, std::string& error) {
    const std::vector<VString>& words = args.arguments().items();
    words_ = &words;
    query_ = false;
    edit_ = false;
    flags_.clear();
    positionalBeyond_.clear();
    positionalCount_ = 0;
    positional_.clear();
    positionalCopied_ = false;
    // Each word's table entry, looked up once (null for a word that is no flag); commands of a
    // few words keep them on the stack.
    constexpr size_t kWordsOnStack = 16;
    const FlagSpec* onStack[kWordsOnStack] = {};
    std::vector<const FlagSpec*> onHeap(words.size() > kWordsOnStack ? words.size() : 0, nullptr);
    const FlagSpec** specs = onHeap.empty() ? onStack : onHeap.data();
    for (size_t i = 0; i < words.size(); ++i) {
        const FlagSpec* spec = looksLikeFlag(words[i].str()) ? lookUp(table, words[i].str()) : nullptr;
        specs[i] = spec;
        query_ = query_ || isModeFlag(spec, "-q");
        edit_ = edit_ || isModeFlag(spec, "-e");
    }
    for (size_t i = 0; i < words.size(); ++i) {
        if (!looksLikeFlag(words[i].str())) {
            addPositional(i);
            continue;
        }
        const FlagSpec* spec = specs[i];
        if (spec == nullptr) {
            error = "invalid flag " + words[i].str();
            return false;
        }
        const size_t count = query_ ? 0 : static_cast<size_t>(spec->valueCount);
        if (words.size() - i - 1 < count) {
            error = "the flag " + words[i].str() + " needs " + std::to_string(count) + " value" + (count == 1 ? "" : "s");
            return false;
        }
        if (flags_.empty()) flags_.reserve(words.size() - i);  // one block for the flags of most commands
        Flag& flag = flags_.emplace_back();
        flag.spec = *spec;
        flag.first = i + 1;
        flag.count = count;
        i += count;
    }
    return true;
}

CommandFlags::Flag* CommandFlags::find(const char* shortName) const {
    for (auto it = flags_.rbegin(); it != flags_.rend(); ++it) {
        if (sameShortName(it->spec.shortName, shortName)) return &*it;
    }
    return nullptr;
}

void CommandFlags::addPositional(size_t at) {
    if (positionalCount_ < kPositionalInPlace) {
        positionalInPlace_[positionalCount_] = at;
    } else {
        positionalBeyond_.push_back(at);
    }
    ++positionalCount_;
}

void CommandFlags::fillValues(Flag& flag) const {
    if (flag.values.size() == flag.count) return;
    flag.values.clear();
    for (size_t k = flag.first; k < flag.first + flag.count; ++k) flag.values.push_back(word(k));
}

const std::vector<std::string>* CommandFlags::values(const char* shortName) const {
    Flag* flag = find(shortName);
    if (flag == nullptr) return nullptr;
    fillValues(*flag);
    return &flag->values;
}

std::string CommandFlags::value(const char* shortName, const std::string& fallback) const {
    const std::string* first = firstValue(shortName);
    return first != nullptr ? *first : fallback;
}

const std::string* CommandFlags::firstValue(const char* shortName) const {
    const Flag* flag = find(shortName);
    return flag != nullptr && flag->count > 0 ? &word(flag->first) : nullptr;
}

const std::vector<CommandFlags::Flag>& CommandFlags::flags() const {
    for (Flag& flag : flags_) fillValues(flag);
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
