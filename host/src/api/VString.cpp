#include <vexa/VString.h>

#include <vexa/VStringArray.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

VString::VString(const char* text) : text_(text != nullptr ? text : "") {}

VString::VString(const char* bytes, int count) : text_(bytes != nullptr && count > 0 ? std::string(bytes, static_cast<size_t>(count)) : std::string()) {}

VString VString::fromDouble(double value) {
    if (std::isnan(value)) return VString("nan");
    if (std::isinf(value)) return VString(value > 0 ? "inf" : "-inf");
    char buffer[40];
    // The shortest of 15, 16 or 17 significant digits that reads back to the same double.
    for (int digits = 15; digits <= 17; ++digits) {
        std::snprintf(buffer, sizeof(buffer), "%.*g", digits, value);
        if (std::strtod(buffer, nullptr) == value) break;
    }
    return VString(buffer);
}

VString VString::fromInt(int value) { return VString(std::to_string(value)); }

VString& VString::operator+=(const VString& other) {
    text_ += other.text_;
    return *this;
}
VString& VString::operator+=(const char* text) {
    if (text != nullptr) text_ += text;
    return *this;
}
VString& VString::operator+=(char c) {
    text_ += c;
    return *this;
}
VString& VString::operator+=(int value) { return *this += fromInt(value); }
VString& VString::operator+=(unsigned value) { return *this += VString(std::to_string(value)); }
VString& VString::operator+=(long value) { return *this += VString(std::to_string(value)); }
VString& VString::operator+=(double value) { return *this += fromDouble(value); }

VString VString::operator+(const VString& other) const { return VString(text_ + other.text_); }
VString VString::operator+(const char* text) const { return VString(*this) += text; }
VString VString::operator+(int value) const { return VString(*this) += value; }
VString VString::operator+(unsigned value) const { return VString(*this) += value; }
VString VString::operator+(long value) const { return VString(*this) += value; }
VString VString::operator+(double value) const { return VString(*this) += value; }

VString operator+(const char* text, const VString& string) { return VString(text) + string; }

bool VString::operator==(const char* text) const { return text_ == (text != nullptr ? text : ""); }

int VString::index(char c) const {
    const size_t at = text_.find(c);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int VString::rindex(char c) const {
    const size_t at = text_.rfind(c);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int VString::indexOf(const VString& text, int start) const {
    if (start < 0 || static_cast<size_t>(start) > text_.size()) return -1;
    const size_t at = text_.find(text.text_, static_cast<size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

VString VString::substring(int first, int last) const {
    first = std::max(first, 0);
    last = std::min(last, static_cast<int>(text_.size()) - 1);
    if (first > last) return VString();
    return VString(text_.substr(static_cast<size_t>(first), static_cast<size_t>(last - first + 1)));
}

VString VString::toLowerCase() const {
    std::string result = text_;
    for (char& c : result) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return VString(result);
}

VString VString::toUpperCase() const {
    std::string result = text_;
    for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return VString(result);
}

void VString::split(char separator, VStringArray& pieces) const {
    pieces.clear();
    size_t begin = 0;
    while (begin <= text_.size()) {
        const size_t at = text_.find(separator, begin);
        const size_t end = at == std::string::npos ? text_.size() : at;
        if (end > begin) pieces.append(VString(text_.substr(begin, end - begin)));
        if (at == std::string::npos) break;
        begin = at + 1;
    }
}

bool VString::isInt() const {
    if (text_.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text_.c_str(), &end, 10);
    return *end == '\0' && errno == 0 && value >= -2147483648L && value <= 2147483647L &&
           !std::isspace(static_cast<unsigned char>(text_.front()));
}

bool VString::isDouble() const {
    if (text_.empty() || std::isspace(static_cast<unsigned char>(text_.front()))) return false;
    char* end = nullptr;
    std::strtod(text_.c_str(), &end);
    return *end == '\0';
}

int VString::asInt() const { return isInt() ? static_cast<int>(std::strtol(text_.c_str(), nullptr, 10)) : 0; }

double VString::asDouble() const { return isDouble() ? std::strtod(text_.c_str(), nullptr) : 0.0; }
