#include "formats/geometry/GeometryText.h"

#include <charconv>
#include <cstring>
#include <system_error>

std::string_view TrimBlanks(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::string_view NextWord(std::string_view& rest) {
    std::size_t begin = 0;
    while (begin < rest.size() && IsBlank(rest[begin])) ++begin;
    std::size_t end = begin;
    while (end < rest.size() && !IsBlank(rest[end])) ++end;
    const std::string_view word = rest.substr(begin, end - begin);
    rest.remove_prefix(end);
    return word;
}

namespace {

// from_chars takes no '+'; "%d" and "%lf" do.
std::string_view SkipPlus(std::string_view word) {
    if (word.size() > 1 && word[0] == '+' && word[1] != '-' && word[1] != '+') word.remove_prefix(1);
    return word;
}

}  // namespace

bool ParseDouble(std::string_view word, double& out) {
    word = SkipPlus(word);
    if (word.empty()) return false;
    double value = 0.0;
    const char* end = word.data() + word.size();
    const std::from_chars_result result = std::from_chars(word.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end) return false;
    out = value;
    return true;
}

bool ParseLeadingInt(std::string_view word, int& out) {
    word = SkipPlus(word);
    if (word.empty()) return false;
    int value = 0;
    const std::from_chars_result result = std::from_chars(word.data(), word.data() + word.size(), value);
    if (result.ec != std::errc()) return false;
    out = value;
    return true;
}

bool ParseInt(std::string_view word, int& out) {
    word = SkipPlus(TrimBlanks(word));
    if (word.empty()) return false;
    int value = 0;
    const char* end = word.data() + word.size();
    const std::from_chars_result result = std::from_chars(word.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end) return false;
    out = value;
    return true;
}

bool ReadRestOfStream(std::FILE* file, std::string& bytes) {
    bytes.clear();
    if (file == nullptr) return false;
    char block[65536];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) {
        bytes.append(block, got);
    }
    return std::ferror(file) == 0;
}

bool TextLines::Next(std::string_view& line) {
    if (position_ >= bytes_.size()) return false;
    const char* begin = bytes_.data() + position_;
    const std::size_t left = bytes_.size() - position_;
    const void* lf = std::memchr(begin, '\n', left);
    std::size_t length = lf != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lf) - begin) : left;
    if (const void* cr = std::memchr(begin, '\r', length)) {
        length = static_cast<std::size_t>(static_cast<const char*>(cr) - begin);
    }
    line = std::string_view(begin, length);
    position_ += length;
    if (position_ < bytes_.size()) {
        const bool cr = bytes_[position_] == '\r';
        ++position_;
        if (cr && position_ < bytes_.size() && bytes_[position_] == '\n') ++position_;
    }
    ++line_;
    return true;
}

bool CloseStream(std::FILE*& file) {
    if (file == nullptr) return true;
    const bool closed = std::fclose(file) == 0;
    file = nullptr;
    return closed;
}
