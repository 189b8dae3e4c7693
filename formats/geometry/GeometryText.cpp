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
    // The buffer is sized to what is left of a file whose length can be told, so the text
    // arrives in one read; one byte more shows the end. A stream of unknown length (or one
    // that grew) doubles the buffer as it fills.
    std::size_t size = 1 << 16;
    const long start = std::ftell(file);
    if (start >= 0 && std::fseek(file, 0, SEEK_END) == 0) {
        const long end = std::ftell(file);
        if (std::fseek(file, start, SEEK_SET) != 0) return false;
        if (end > start) size = static_cast<std::size_t>(end - start) + 1;
    }
    std::size_t filled = 0;
    for (;;) {
        bytes.resize(size);
        filled += std::fread(bytes.data() + filled, 1, size - filled, file);
        if (filled < size) break;
        size *= 2;
    }
    bytes.resize(filled);
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
