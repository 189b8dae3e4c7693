#ifndef VEXA_VARGLIST_H
#define VEXA_VARGLIST_H

// The arguments of a command, as the command runner split them: one text per word or quoted
// string, flags included ("-f"). The as... readers convert one argument; a text that is not
// such a value (or an index past the end) gives kInvalidParameter and 0 / false / "".
// asBool takes "true", "on", "yes" and non-zero numbers as true, "false", "off", "no" and 0
// as false.

#include <vexa/VStatus.h>
#include <vexa/VString.h>
#include <vexa/VStringArray.h>
#include <vexa/VexaExport.h>

#include <utility>

class VEXA_API VArgList {
public:
    static constexpr unsigned kInvalidArgIndex = 0xffffffffu;

    VArgList() = default;
    explicit VArgList(const VStringArray& arguments) : arguments_(arguments) {}
    explicit VArgList(VStringArray&& arguments) : arguments_(std::move(arguments)) {}

    unsigned length(VStatus* status = nullptr) const;
    VString asString(unsigned index, VStatus* status = nullptr) const;
    bool asBool(unsigned index, VStatus* status = nullptr) const;
    int asInt(unsigned index, VStatus* status = nullptr) const;
    double asDouble(unsigned index, VStatus* status = nullptr) const;
    // The index of the first argument equal to either flag text, or kInvalidArgIndex.
    unsigned flagIndex(const char* shortFlag, const char* longFlag = nullptr) const;

    VStatus addArg(const VString& argument);
    VStatus addArg(int value);
    VStatus addArg(double value);

    // Host side only: the words as they stand.
    const VStringArray& arguments() const { return arguments_; }

private:
    VStringArray arguments_;
};

#endif
