#include "host/src/script/ScriptParser.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace vexa_host {

namespace {

// What each byte is to the scanner, looked up once per character: the words and strings of
// a command are scanned a byte at a time.
enum CharClass : unsigned char {
    kBlank = 1,
    kEndsWord = 2,
    kEndsStringRun = 4,
    kNameStart = 8,
    kNameChar = 16,
    kDigit = 32,
    kOpensNonLiteral = 64,  // at the start of an argument: something to evaluate, or an error
    kNul = 128,             // the byte that ends every text, and that may stand inside one
};

struct CharTable {
    unsigned char classes[256] = {};
    constexpr CharTable() {
        for (const char c : {' ', '\t', '\r', '\n'}) classes[static_cast<unsigned char>(c)] = kBlank | kEndsWord;
        for (const char c : {';', '"', '`'}) classes[static_cast<unsigned char>(c)] |= kEndsWord;
        for (const char c : {'"', '\\'}) classes[static_cast<unsigned char>(c)] |= kEndsStringRun;
        for (int c = 'a'; c <= 'z'; ++c) classes[c] |= kNameStart | kNameChar;
        for (int c = 'A'; c <= 'Z'; ++c) classes[c] |= kNameStart | kNameChar;
        classes[static_cast<unsigned char>('_')] |= kNameStart | kNameChar;
        for (int c = '0'; c <= '9'; ++c) classes[c] |= kNameChar | kDigit;
        for (const char c : {';', '`', '(', '$', ')', ',', '{', '}'}) classes[static_cast<unsigned char>(c)] |= kOpensNonLiteral;
        classes[0] = kNul;
    }
};
constexpr CharTable kChars;

bool is(char c, CharClass what) { return (kChars.classes[static_cast<unsigned char>(c)] & what) != 0; }
bool isBlank(char c) { return is(c, kBlank); }
bool isNameStart(char c) { return is(c, kNameStart); }
bool isNameChar(char c) { return is(c, kNameChar); }
bool isDigit(char c) { return is(c, kDigit); }
bool endsWord(char c) { return is(c, kEndsWord); }

// The word is the keyword; the lengths are compared first, which settles most words.
template <size_t N>
bool isWord(const std::string& word, const char (&keyword)[N]) {
    return word.size() == N - 1 && std::char_traits<char>::compare(word.data(), keyword, N - 1) == 0;
}

// A word written over the one the list holds at its place, in the room that word already has:
// the interpreter keeps a literal command's list for the next command, so a stream of
// commands stops asking the heap for their words. The list's words are not const objects;
// only VString's accessor is.
void setWord(VString& word, const char* bytes, size_t size) {
    auto& text = const_cast<std::string&>(word.str());
    text.clear();
    text.append(bytes, size);  // the word never lies inside the text it is written over
}

char escaped(char c) {
    switch (c) {
    case 'n': return '\n';
    case 't': return '\t';
    case 'r': return '\r';
    default: return c;
    }
}

// Reads one text; the substitutions inside it are read by readers of their own, one level
// deeper. A reader of a substitution knows where its text starts in the whole script, so that
// errors and statements give their places in the whole script.
class Reader {
public:
    Reader(const std::string& text, int depth, const std::string& whole, size_t base)
        : text_(text), depth_(depth), whole_(whole), base_(base) {}

    // The statements already in the block are read over, keeping their storage; those left
    // over are dropped.
    bool block(ScriptBlock& statements) {
        size_t used = 0;
        const bool read = readStatements(statements, used);
        statements.erase(statements.begin() + static_cast<std::ptrdiff_t>(used), statements.end());
        return read;
    }
    const std::string& error() const { return error_; }

    // One command of literal words (see ScriptParser::parseLiteralCommand), read with the
    // scanners that the general parse uses; false as soon as anything else shows. Where each
    // word lies is found first, so that the words are made once, in place.
    bool literalCommand(std::string& name, VStringArray& words) {
        skipBlanks();
        name = this->name();
        if (name.empty() || isWord(name, "global") || isWord(name, "string") || isWord(name, "int") || isWord(name, "float")) {
            return false;
        }
        if (!atEnd() && !endsWord(peek())) return false;  // a call "name(", or a malformed name
        struct Span {
            size_t start;  // an escaped string: where its opening quote stands
            size_t size;
            bool escaped;
        };
        constexpr size_t kMostWords = 16;
        Span spans[kMostWords];
        size_t count = 0;
        while (true) {
            skipBlanks();
            if (atEnd()) break;
            if (is(peek(), kOpensNonLiteral) || count == kMostWords) return false;
            Span& span = spans[count++];
            const size_t start = pos_;
            if (peek() != '"') {
                pos_ = scanUntil(pos_, kEndsWord);
                span = {start, pos_ - start, false};
                continue;
            }
            const size_t stop = scanUntil(pos_ + 1, kEndsStringRun);
            if (stop < text_.size() && text_[stop] == '"') {
                span = {start + 1, stop - start - 1, false};
                pos_ = stop + 1;
                continue;
            }
            std::string checked;
            if (!stringLiteral(checked)) return false;
            span = {start, 0, true};
        }
        words.setLength(static_cast<unsigned>(count));
        for (size_t i = 0; i < count; ++i) {
            const Span& span = spans[i];
            if (!span.escaped) {
                setWord(words[static_cast<unsigned>(i)], text_.data() + span.start, span.size);
                continue;
            }
            std::string text;
            pos_ = span.start;
            stringLiteral(text);
            words[static_cast<unsigned>(i)] = VString(std::move(text));
        }
        return true;
    }

private:
    bool readStatements(ScriptBlock& statements, size_t& used) {
        while (true) {
            skipBlanks();
            if (atEnd()) return true;
            if (peek() == ';') {
                ++pos_;
                continue;
            }
            // Read in place: a failed statement leaves the block incomplete, as a failed parse may.
            ScriptStatement& statement = nextStatement(statements, used);
            statement.offset = base_ + pos_;
            if (!this->statement(statement)) return false;
            skipBlanks();
            if (atEnd()) return true;
            if (peek() != ';') return unexpected();
            ++pos_;
        }
    }

    // The next statement of the block, blank: one held from an earlier parse keeps the room of
    // its texts and arguments, so a block parsed again and again stops allocating.
    static ScriptStatement& nextStatement(ScriptBlock& statements, size_t& used) {
        if (used == statements.size()) {
            ++used;
            return statements.emplace_back();
        }
        ScriptStatement& statement = statements[used++];
        statement.kind = ScriptStatement::kCommand;
        statement.name.clear();
        statement.type.clear();
        statement.array = false;
        statement.arguments.clear();
        statement.offset = 0;
        return statement;
    }

    // Counts one level of nesting for as long as it lives.
    struct Level {
        explicit Level(int& depth) : depth_(depth) { ++depth_; }
        ~Level() { --depth_; }
        Level(const Level&) = delete;
        Level& operator=(const Level&) = delete;
        int& depth_;
    };

    bool atEnd() const { return pos_ >= text_.size(); }
    char peek(size_t ahead = 0) const { return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0'; }

    bool fail(const std::string& what) { return failWith(what + " at " + place(pos_)); }
    bool failWith(const std::string& error) {
        if (error_.empty()) error_ = error;
        return false;
    }
    std::string place(size_t pos) const { return ScriptParser::placeOf(whole_, base_ + pos); }
    bool unexpected() {
        if (atEnd()) return fail("unexpected end of the text");
        const unsigned char c = static_cast<unsigned char>(peek());
        if (std::isprint(c) != 0) return fail(std::string("unexpected '") + peek() + "'");
        return fail("unexpected character code " + std::to_string(c));
    }
    bool tooDeep() const { return depth_ > ScriptParser::kMaxNesting; }

    void skipBlanks() {
        while (!atEnd()) {
            if (isBlank(peek())) {
                pos_ = scanWhile(pos_ + 1, kBlank);
            } else if (peek() == '/' && peek(1) == '/') {
                while (!atEnd() && peek() != '\n') ++pos_;
            } else {
                return;
            }
        }
    }

    // The first position from `from` on whose byte is not of the class (or the end), scanned
    // through a pointer. The NUL byte after the text is of no class the scans ask for, so it
    // stops them without a check of the end at every byte.
    size_t scanWhile(size_t from, CharClass what) const {
        const char* const begin = text_.c_str();
        const char* at = begin + from;
        while (is(*at, what)) ++at;
        return static_cast<size_t>(at - begin);
    }
    // The same, up to the first byte of the class; a NUL inside the text is stepped over.
    size_t scanUntil(size_t from, CharClass what) const {
        const char* const begin = text_.c_str();
        const char* const end = begin + text_.size();
        const char* at = begin + from;
        while (true) {
            while (!is(*at, static_cast<CharClass>(what | kNul))) ++at;
            if (at == end || *at != '\0') break;
            ++at;
        }
        return static_cast<size_t>(at - begin);
    }

    std::string name() {
        const size_t start = pos_;
        if (isNameStart(peek())) pos_ = scanWhile(pos_ + 1, kNameChar);
        return text_.substr(start, pos_ - start);
    }

    bool statement(ScriptStatement& statement) {
        if (peek() == '$') return assignment(statement);
        std::string word = name();
        if (word.empty()) return unexpected();
        const bool global = isWord(word, "global") && isBlank(peek());
        if (global) {
            skipBlanks();
            word = name();
        }
        if ((isWord(word, "string") || isWord(word, "int") || isWord(word, "float")) && isBlank(peek())) {
            return declaration(word, statement);
        }
        if (global) return fail("a type must follow global");
        statement.kind = ScriptStatement::kCommand;
        statement.name = std::move(word);
        if (peek() == '(') {
            ScriptExpression call;
            if (!callArguments(call)) return false;
            statement.arguments = std::move(call.operands);
            return true;
        }
        if (!atEnd() && !endsWord(peek())) return unexpected();
        return commandArguments(statement);
    }

    bool declaration(const std::string& type, ScriptStatement& statement) {
        statement.kind = ScriptStatement::kDeclaration;
        statement.type = type;
        skipBlanks();
        if (peek() != '$') return fail("a variable must follow " + type);
        ++pos_;
        statement.name = name();
        if (statement.name.empty()) return fail("a variable needs a name");
        if (peek() == '[') {
            if (peek(1) != ']') return fail("an array is declared with []");
            pos_ += 2;
            statement.array = true;
        }
        skipBlanks();
        if (peek() != '=') return true;
        ++pos_;
        statement.arguments.emplace_back();
        return expression(statement.arguments.back());
    }

    bool assignment(ScriptStatement& statement) {
        ScriptExpression target;
        if (!variable(target)) return false;
        if (!target.operands.empty()) return fail("an element cannot be assigned to");
        statement.kind = ScriptStatement::kAssignment;
        statement.name = target.text;
        skipBlanks();
        if (peek() != '=') return unexpected();
        ++pos_;
        statement.arguments.emplace_back();
        return expression(statement.arguments.back());
    }

    bool commandArguments(ScriptStatement& statement) {
        statement.arguments.reserve(8);  // most commands: a flag or two and their words, one growth at most
        while (true) {
            skipBlanks();
            if (atEnd() || peek() == ';') return true;
            statement.arguments.emplace_back();
            if (!argument(statement.arguments.back())) return false;
        }
    }

    bool argument(ScriptExpression& argument) {
        switch (peek()) {
        case '"': argument.kind = ScriptExpression::kText; return stringLiteral(argument.text);
        case '`': return substitution(argument);
        case '(': return parenthesised(argument);
        case '$':
            if (!variable(argument)) return false;
            return atEnd() || endsWord(peek()) ? true : unexpected();
        case ')':
        case ',':
            return unexpected();
        case '{':
        case '}':
            return fail("blocks are not supported");
        default: break;
        }
        const size_t start = pos_;
        pos_ = scanUntil(pos_, kEndsWord);
        argument.kind = ScriptExpression::kText;
        argument.text.assign(text_, start, pos_ - start);
        return true;
    }

    bool expression(ScriptExpression& expression) {
        Level level(depth_);
        if (tooDeep()) return fail("nesting too deep");
        ScriptExpression first;
        if (!term(first)) return false;
        skipBlanks();
        if (peek() != '+') {
            expression = std::move(first);
            return true;
        }
        expression.kind = ScriptExpression::kSum;
        expression.operands.push_back(std::move(first));
        while (peek() == '+') {
            ++pos_;
            expression.operands.emplace_back();
            if (!term(expression.operands.back())) return false;
            skipBlanks();
        }
        return true;
    }

    bool term(ScriptExpression& term) {
        skipBlanks();
        const char c = peek();
        if (c == '"') {
            term.kind = ScriptExpression::kText;
            return stringLiteral(term.text);
        }
        if (c == '$') return variable(term);
        if (c == '`') return substitution(term);
        if (c == '(') return parenthesised(term);
        if (isDigit(c) || ((c == '-' || c == '.') && (isDigit(peek(1)) || peek(1) == '.'))) return number(term);
        const std::string word = name();
        if (word.empty()) return unexpected();
        if (peek() == '(') {
            term.kind = ScriptExpression::kCall;
            term.text = word;
            return callArguments(term);
        }
        if (word == "true" || word == "false") {
            term.kind = ScriptExpression::kNumber;
            term.text = word == "true" ? "1" : "0";
            return true;
        }
        pos_ -= word.size();
        return fail("unexpected word '" + word + "'");
    }

    bool number(ScriptExpression& term) {
        const size_t start = pos_;
        if (peek() == '-') ++pos_;
        size_t digits = 0;
        for (; isDigit(peek()); ++pos_) ++digits;
        if (peek() == '.') {
            for (++pos_; isDigit(peek()); ++pos_) ++digits;
        }
        if (digits == 0) return unexpected();
        if ((peek() == 'e' || peek() == 'E') && (isDigit(peek(1)) || ((peek(1) == '+' || peek(1) == '-') && isDigit(peek(2))))) {
            pos_ += 2;
            while (isDigit(peek())) ++pos_;
        }
        if (isNameChar(peek()) || peek() == '.') return unexpected();
        term.kind = ScriptExpression::kNumber;
        term.text = text_.substr(start, pos_ - start);
        return true;
    }

    bool parenthesised(ScriptExpression& term) {
        ++pos_;
        if (!expression(term)) return false;
        skipBlanks();
        if (peek() != ')') return unexpected();
        ++pos_;
        return true;
    }

    bool variable(ScriptExpression& term) {
        ++pos_;
        term.kind = ScriptExpression::kVariable;
        term.text = name();
        if (term.text.empty()) return fail("a variable needs a name");
        if (peek() != '[') return true;
        ++pos_;
        term.operands.emplace_back();
        if (!expression(term.operands.back())) return false;
        skipBlanks();
        if (peek() != ']') return unexpected();
        ++pos_;
        return true;
    }

    bool callArguments(ScriptExpression& call) {
        Level level(depth_);
        if (tooDeep()) return fail("nesting too deep");
        ++pos_;
        skipBlanks();
        if (peek() == ')') {
            ++pos_;
            return true;
        }
        while (true) {
            call.operands.emplace_back();
            if (!expression(call.operands.back())) return false;
            skipBlanks();
            if (peek() == ')') {
                ++pos_;
                return true;
            }
            if (peek() != ',') return unexpected();
            ++pos_;
        }
    }

    // Plain runs between escapes are taken whole: commands quote a name or two each.
    bool stringLiteral(std::string& value) {
        const size_t start = pos_;
        ++pos_;
        while (true) {
            const size_t stop = scanUntil(pos_, kEndsStringRun);
            if (stop >= text_.size() || (text_[stop] == '\\' && stop + 1 >= text_.size())) break;
            value.append(text_, pos_, stop - pos_);
            pos_ = stop + 1;
            if (text_[stop] == '"') return true;
            value += escaped(text_[pos_++]);
        }
        pos_ = start;
        return fail("unterminated string");
    }

    // The text between backquotes is a script of its own; a backquote inside one of its
    // strings does not end it.
    bool substitution(ScriptExpression& term) {
        const size_t open = pos_;
        size_t end = pos_ + 1;
        while (end < text_.size() && text_[end] != '`') {
            if (text_[end] == '"') {
                for (++end; end < text_.size() && text_[end] != '"'; ++end) {
                    if (text_[end] == '\\') ++end;
                }
            }
            if (end < text_.size()) ++end;
        }
        if (end >= text_.size()) return fail("unterminated `");
        const std::string inner = text_.substr(open + 1, end - open - 1);
        auto block = std::make_shared<ScriptBlock>();
        Reader reader(inner, depth_ + 1, whole_, base_ + open + 1);
        if (!reader.block(*block)) {
            pos_ = open;
            return failWith("in the command substitution at " + place(open) + ": " + reader.error());
        }
        term.kind = ScriptExpression::kSubstitution;
        term.script = std::move(block);
        pos_ = end + 1;
        return true;
    }

    const std::string& text_;
    size_t pos_ = 0;
    int depth_;
    const std::string& whole_;
    size_t base_;
    std::string error_;
};

}  // namespace

bool ScriptParser::parse(const std::string& text, ScriptBlock& block, std::string& error) {
    Reader reader(text, 0, text, 0);
    if (reader.block(block)) return true;
    error = reader.error();
    return false;
}

bool ScriptParser::parseLiteralCommand(const std::string& text, std::string& name, VStringArray& words) {
    Reader reader(text, 0, text, 0);
    return reader.literalCommand(name, words);
}

void ScriptParser::lineAndColumn(const std::string& text, size_t offset, size_t& line, size_t& column) {
    offset = std::min(offset, text.size());
    line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    column = offset - lineStart + 1;
}

std::string ScriptParser::placeOf(const std::string& text, size_t offset) {
    size_t line = 0;
    size_t column = 0;
    lineAndColumn(text, offset, line, column);
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

}  // namespace vexa_host
