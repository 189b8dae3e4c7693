#include "fileio/RWyxAsciiTokenizer.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Characters that end a bare value.
bool EndsBareValue(char c) {
    return c == ',' || c == '{' || c == '}' || c == '"' || c == '\n';
}

}  // namespace

void RWyxAsciiTokenizer::SkipBlanks() {
    while (pos_ < end_ && IsBlank(text_[pos_])) {
        ++pos_;
    }
}

void RWyxAsciiTokenizer::SkipLine() {
    while (pos_ < end_ && text_[pos_] != '\n') {
        ++pos_;
    }
    if (pos_ < end_) {
        ++pos_;
    }
}

bool RWyxAsciiTokenizer::OnlyBlankLinesLeft() {
    while (pos_ < end_ && (IsBlank(text_[pos_]) || text_[pos_] == '\n')) {
        ++pos_;
    }
    return pos_ >= end_;
}

bool RWyxAsciiTokenizer::Consume(std::string_view prefix) {
    if (end_ - pos_ < prefix.size() || std::string_view(text_ + pos_, prefix.size()) != prefix) {
        return false;
    }
    pos_ += prefix.size();
    return true;
}

bool RWyxAsciiTokenizer::ReadName(std::uint64_t& offset, std::uint64_t& length) {
    SkipBlanks();
    const std::uint64_t start = pos_;
    while (pos_ < end_ && text_[pos_] != ':' && text_[pos_] != '\n' && text_[pos_] != '"') {
        ++pos_;
    }
    if (pos_ >= end_ || text_[pos_] != ':') {
        return false;
    }
    std::uint64_t stop = pos_;
    while (stop > start && IsBlank(text_[stop - 1])) {
        --stop;
    }
    ++pos_;
    offset = start;
    length = stop - start;
    return length > 0;
}

RWyxAsciiTokenizer::Scan RWyxAsciiTokenizer::NextValue(Token& token) {
    SkipBlanks();
    if (AtLineEnd() || text_[pos_] == '{') {
        return Scan::kNone;
    }
    const Scan scan = text_[pos_] == '"' ? ScanQuoted(token) : ScanBare(token);
    return scan == Scan::kValue ? PassSeparator() : scan;
}

RWyxAsciiTokenizer::Scan RWyxAsciiTokenizer::ScanQuoted(Token& token) {
    token.offset = pos_;
    token.quoted = true;
    token.escaped = false;
    ++pos_;
    while (pos_ < end_ && text_[pos_] != '"') {
        if (text_[pos_] == '\\') {
            token.escaped = true;
            ++pos_;
            if (pos_ >= end_) {
                return Scan::kBad;
            }
        }
        ++pos_;
    }
    if (pos_ >= end_) {
        return Scan::kBad;
    }
    ++pos_;
    token.length = pos_ - token.offset;
    return Scan::kValue;
}

RWyxAsciiTokenizer::Scan RWyxAsciiTokenizer::ScanBare(Token& token) {
    token.offset = pos_;
    token.quoted = false;
    token.escaped = false;
    while (pos_ < end_ && !EndsBareValue(text_[pos_])) {
        ++pos_;
    }
    std::uint64_t stop = pos_;
    while (stop > token.offset && IsBlank(text_[stop - 1])) {
        --stop;
    }
    token.length = stop - token.offset;
    return token.length > 0 ? Scan::kValue : Scan::kBad;
}

RWyxAsciiTokenizer::Scan RWyxAsciiTokenizer::PassSeparator() {
    SkipBlanks();
    if (pos_ < end_ && text_[pos_] == ',') {
        ++pos_;
        SkipBlanks();
        if (AtLineEnd() || text_[pos_] == '{' || text_[pos_] == '}' || text_[pos_] == ',') {
            return Scan::kBad;
        }
        return Scan::kValue;
    }
    if (AtLineEnd() || text_[pos_] == '{') {
        return Scan::kValue;
    }
    return Scan::kBad;  // two values without a ',' between them, or a stray '}'
}

std::string_view RWyxAsciiTokenizer::TokenText(const char* text, const Token& token,
                                               std::string& scratch) {
    if (!token.quoted) {
        return std::string_view(text + token.offset, token.length);
    }
    const std::string_view inner(text + token.offset + 1, token.length - 2);
    if (!token.escaped) {
        return inner;
    }
    scratch.clear();
    for (std::size_t i = 0; i < inner.size(); ++i) {
        if (inner[i] == '\\' && i + 1 < inner.size()) {
            ++i;
        }
        scratch += inner[i];
    }
    return scratch;
}
