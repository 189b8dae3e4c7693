#ifndef VEXA_HOST_COMMANDFLAGS_H
#define VEXA_HOST_COMMANDFLAGS_H

// The flags of a command's arguments, read against the command's table of flags.
//
// A flag is a word that starts with "-" and a letter; it takes the number of words its table
// entry says ("-co both 10" takes two). A command whose table has a "-q" that takes no value
// can be queried: with "-q" (or "-query") among the words, every flag is read as a question
// and takes no value ("checkBox -q -v BOX"). "-e" / "-edit" mark an edit in the same way. Any
// other word is positional. An unknown flag, or a flag short of its values, is an error.
//
// The flags refer into the argument list they were read from, which must outlive them: a word
// is copied only when a caller asks for a list of copies (values(), positional(), flags()).

#include <vexa/VArgList.h>
#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

#include <string>
#include <vector>

namespace vexa_host {

struct FlagSpec {
    const char* shortName;
    const char* longName;
    int valueCount;
};

class VEXA_API CommandFlags {
public:
    struct Flag {
        FlagSpec spec{"", nullptr, 0};  // a copy: tables may be temporaries
        std::vector<std::string> values;  // filled when flags() or values() is asked for
        size_t first = 0;                 // where its values start among the words
        size_t count = 0;                 // how many words it took
    };

    // False with an error text (without the command's name) when the words do not fit. Reads
    // afresh: what an earlier read found is dropped.
    bool read(const VArgList& args, const std::vector<FlagSpec>& table, std::string& error);
    bool read(const VArgList&& args, const std::vector<FlagSpec>& table, std::string& error) = delete;

    bool query() const { return query_; }
    bool edit() const { return edit_; }
    bool has(const char* shortName) const { return find(shortName) != nullptr; }
    // The values of the last use of the flag (null when it is absent).
    const std::vector<std::string>* values(const char* shortName) const;
    // The first value of the last use; the fallback when the flag is absent.
    std::string value(const char* shortName, const std::string& fallback = std::string()) const;
    // The first value of the last use as it stands in the arguments; null when the flag is
    // absent or took no value.
    const std::string* firstValue(const char* shortName) const;
    const std::vector<Flag>& flags() const;
    // The flags in the order read, without copies: how many, each one's short name, and its
    // first value as it stands in the arguments (null when it took none).
    size_t flagCount() const { return useCount_; }
    const char* flagShortName(size_t index) const { return useAt(index).spec.shortName; }
    const std::string* flagFirstValue(size_t index) const {
        const Use& use = useAt(index);
        return use.count > 0 ? &word(use.first) : nullptr;
    }
    const std::vector<std::string>& positional() const;
    // The positional words as they stand in the arguments, without copies.
    size_t positionalCount() const { return positionalCount_; }
    const std::string& positionalWord(size_t index) const { return word(positionalAt(index)); }

private:
    // A flag as read: its table entry and where its values stand among the words.
    struct Use {
        FlagSpec spec{"", nullptr, 0};  // a copy: tables may be temporaries
        size_t first = 0;
        size_t count = 0;
    };

    const Use* find(const char* shortName) const;
    const std::string& word(size_t index) const { return (*words_)[index].str(); }
    void addUse(const FlagSpec& spec, size_t first, size_t count);
    const Use& useAt(size_t index) const {
        return index < kUsesInPlace ? usesInPlace_[index] : usesBeyond_[index - kUsesInPlace];
    }
    void addPositional(size_t at);
    size_t positionalAt(size_t index) const {
        return index < kPositionalInPlace ? positionalInPlace_[index] : positionalBeyond_[index - kPositionalInPlace];
    }

    bool query_ = false;
    bool edit_ = false;
    const std::vector<VString>* words_ = nullptr;
    // The flags in the order read: the first few in place (a command names a handful), the
    // rest in a list, so that reading them asks no heap block.
    static constexpr size_t kUsesInPlace = 4;
    Use usesInPlace_[kUsesInPlace];
    std::vector<Use> usesBeyond_;
    size_t useCount_ = 0;
    mutable std::vector<Flag> flags_;  // with their values, made on demand (flags(), values())
    mutable bool flagsMade_ = false;
    // Where the positional words stand among the words: the first few in place (most commands
    // name one or two), the rest in a list.
    static constexpr size_t kPositionalInPlace = 4;
    size_t positionalInPlace_[kPositionalInPlace] = {};
    std::vector<size_t> positionalBeyond_;
    size_t positionalCount_ = 0;
    mutable std::vector<std::string> positional_;  // copies, made on demand
    mutable bool positionalCopied_ = false;
};

// Whether the word is read as a flag: "-" and a letter.
VEXA_API bool looksLikeFlag(const std::string& word);
// Reads a boolean word ("true", "on", "yes", non-zero numbers; "false", "off", "no", 0).
VEXA_API bool readBoolWord(const std::string& word, bool& value);
// Reads a number word.
VEXA_API bool readNumberWord(const std::string& word, double& value);
// Logs the message as an error and answers it as a failure.
VEXA_API VStatus commandFailure(const std::string& message);

}  // namespace vexa_host

#endif
