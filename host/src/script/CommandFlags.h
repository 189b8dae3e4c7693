#ifndef VEXA_HOST_COMMANDFLAGS_H
#define VEXA_HOST_COMMANDFLAGS_H

// The flags of a command's arguments, read against the command's table of flags.
//
// A flag is a word that starts with "-" and a letter; it takes the number of words its table
// entry says ("-co both 10" takes two). A command whose table has a "-q" that takes no value
// can be queried: with "-q" (or "-query") among the words, every flag is read as a question
// and takes no value ("checkBox -q -v BOX"). "-e" / "-edit" mark an edit in the same way. Any
// other word is positional. An unknown flag, or a flag short of its values, is an error.

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
        std::vector<std::string> values;
    };

    // False with an error text (without the command's name) when the words do not fit.
    bool read(const VArgList& args, const std::vector<FlagSpec>& table, std::string& error);

    bool query() const { return query_; }
    bool edit() const { return edit_; }
    bool has(const char* shortName) const { return find(shortName) != nullptr; }
    // The values of the last use of the flag (null when it is absent).
    const std::vector<std::string>* values(const char* shortName) const;
    // The first value of the last use; the fallback when the flag is absent.
    std::string value(const char* shortName, const std::string& fallback = std::string()) const;
    const std::vector<Flag>& flags() const { return flags_; }
    const std::vector<std::string>& positional() const { return positional_; }

private:
    const Flag* find(const char* shortName) const;

    bool query_ = false;
    bool edit_ = false;
    std::vector<Flag> flags_;
    std::vector<std::string> positional_;
};

// Reads a boolean word ("true", "on", "yes", non-zero numbers; "false", "off", "no", 0).
VEXA_API bool readBoolWord(const std::string& word, bool& value);
// Reads a number word.
VEXA_API bool readNumberWord(const std::string& word, double& value);
// Logs the message as an error and answers it as a failure.
VEXA_API VStatus commandFailure(const std::string& message);

}  // namespace vexa_host

#endif
