#include "host/src/script/CommandFlags.h"

#include <vexa/VMessageLog.h>
#include <vexa/VString.h>

#include <cctype>
#include <cstring>

namespace vexa_host {

namespace {

bool looksLikeFlag(const std::string& word) {
    return word.size() > 1 && word[0] == '-' && std::isalpha(static_cast<unsigned char>(word[1])) != 0;
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

bool isModeFlag(const FlagSpec* spec, const char* name) {
    return spec != nullptr && std::strcmp(spec->shortName, name) == 0 && spec->valueCount == 0;
}

}  // namespace

bool CommandFlags::read(const VArgList& args, const std::vector<FlagSpec>& table, std::string& error) {
    const std::vector<VString>& words = args.arguments().items();
    // Each word's table entry, looked up once (null for a word that is no flag); commands of a
    // few words keep them on the stack.
    constexpr size_t kWordsOnStack = 16;
    const FlagSpec* onStack[kWordsOnStack] = {};
    std::vector<const FlagSpec*> onHeap(words.size() > kWordsOnStack ? words.size() : 0, nullptr);
    const FlagSpec** specs = onHeap.empty() ? onStack : onHeap.data();
    flags_.reserve(words.size());
    for (size_t i = 0; i < words.size(); ++i) {
        const FlagSpec* spec = looksLikeFlag(words[i].str()) ? lookUp(table, words[i].str()) : nullptr;
        specs[i] = spec;
        query_ = query_ || isModeFlag(spec, "-q");
        edit_ = edit_ || isModeFlag(spec, "-e");
    }
    for (size_t i = 0; i < words.size(); ++i) {
        if (!looksLikeFlag(words[i].str())) {
            positional_.push_back(words[i].str());
            continue;
        }
        const FlagSpec* spec = specs[i];
        if (spec == nullptr) {
            error = "invalid flag " + words[i].str();
            return false;
        }
        Flag flag;
        flag.spec = *spec;
        const size_t count = query_ ? 0 : static_cast<size_t>(spec->valueCount);
        if (words.size() - i - 1 < count) {
            error = "the flag " + words[i].str() + " needs " + std::to_string(count) + " value" + (count == 1 ? "" : "s");
            return false;
        }
        for (size_t k = i + 1; k < i + 1 + count; ++k) flag.values.push_back(words[k].str());
        i += count;
        flags_.push_back(std::move(flag));
    }
    return true;
}

const CommandFlags::Flag* CommandFlags::find(const char* shortName) const {
    for (auto it = flags_.rbegin(); it != flags_.rend(); ++it) {
        if (std::strcmp(it->spec.shortName, shortName) == 0) return &*it;
    }
    return nullptr;
}

const std::vector<std::string>* CommandFlags::values(const char* shortName) const {
    const Flag* flag = find(shortName);
    return flag != nullptr ? &flag->values : nullptr;
}

std::string CommandFlags::value(const char* shortName, const std::string& fallback) const {
    const Flag* flag = find(shortName);
    return flag != nullptr && !flag->values.empty() ? flag->values.front() : fallback;
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
