#ifndef VEXA_VSTRING_H
#define VEXA_VSTRING_H

// The host's text: a byte string (UTF-8 for file names).
//
// Numbers appended with operator+ and operator+= have one text form everywhere in the host:
// integers as "%d", doubles as the shortest text that reads back to the same double
// ("0.1", "2", "1e-07", "-0.33333333333333331"), so a number written into a command reads
// back exactly. The same form is used by the command runner for numeric results.

#include <vexa/VexaExport.h>

#include <string>
#include <utility>

class VStringArray;

class VEXA_API VString {
public:
    VString() = default;
    VString(const char* text);  // null gives the empty string
    VString(const std::string& text) : text_(text) {}
    VString(std::string&& text) : text_(std::move(text)) {}
    VString(const char* bytes, int count);

    // The host's text of a double (see above).
    static VString fromDouble(double value);
    static VString fromInt(int value);

    const char* asChar() const { return text_.c_str(); }
    const std::string& str() const { return text_; }
    unsigned length() const { return static_cast<unsigned>(text_.size()); }
    bool isEmpty() const { return text_.empty(); }

    VString& operator+=(const VString& other);
    VString& operator+=(const char* text);
    VString& operator+=(char c);
    VString& operator+=(int value);
    VString& operator+=(unsigned value);
    VString& operator+=(long value);
    VString& operator+=(double value);
    VString operator+(const VString& other) const;
    VString operator+(const char* text) const;
    VString operator+(int value) const;
    VString operator+(unsigned value) const;
    VString operator+(long value) const;
    VString operator+(double value) const;

    bool operator==(const VString& other) const { return text_ == other.text_; }
    bool operator!=(const VString& other) const { return text_ != other.text_; }
    bool operator==(const char* text) const;
    bool operator!=(const char* text) const { return !(*this == text); }
    bool operator<(const VString& other) const { return text_ < other.text_; }

    // Byte positions; -1 when absent.
    int index(char c) const;
    int rindex(char c) const;
    int indexOf(const VString& text, int start = 0) const;
    // Bytes first..last inclusive, clamped to the text; empty when first > last.
    VString substring(int first, int last) const;
    VString toLowerCase() const;
    VString toUpperCase() const;
    // Splits at every occurrence of the separator; empty pieces are dropped.
    void split(char separator, VStringArray& pieces) const;

    // Whole-text conversions; the is... forms say whether the whole text is such a number.
    bool isInt() const;
    bool isDouble() const;
    int asInt() const;        // 0 when not a number
    double asDouble() const;  // 0 when not a number

private:
    std::string text_;
};

VEXA_API VString operator+(const char* text, const VString& string);

#endif
