#include "plugin/ScriptText.h"

#include <cstring>
#include <string>
#include <utility>

namespace {

// The bytes a script string escapes, marked in a table: the import quotes a name or two for
// every command it sends.
struct SpecialBytes {
    bool special[256] = {};
    constexpr SpecialBytes() {
        for (const char c : {'\\', '"', '\n', '\t', '\r'}) special[static_cast<unsigned char>(c)] = true;
    }
};
constexpr SpecialBytes kSpecial;

// Whether the text holds a byte to escape; a NUL inside it counts as one too (the text is
// then escaped whole, which keeps it as it is).
bool HasSpecial(const std::string& text) { return std::strcspn(text.c_str(), "\\\"\n\t\r") != text.size(); }

// Runs without a special character are appended whole.
void AppendLiteral(const std::string& text, std::string& out) {
    const char* const bytes = text.data();
    const size_t size = text.size();
    size_t from = 0;
    while (true) {
        size_t stop = from;
        while (stop < size && !kSpecial.special[static_cast<unsigned char>(bytes[stop])]) ++stop;
        out.append(bytes + from, stop - from);
        if (stop == size) return;
        switch (bytes[stop]) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default: out += "\\r"; break;
        }
        from = stop + 1;
    }
}

}  // namespace

VString ScriptLiteralText(const VString& text) {
    std::string escaped;
    escaped.reserve(text.length());
    AppendLiteral(text.str(), escaped);
    return VString(escaped);
}

VString QuotedScriptText(const VString& text) {
    std::string quoted;
    AppendQuotedScriptText(text, quoted);
    return VString(std::move(quoted));
}

// Built in place, without a text of its own.
void AppendQuotedScriptText(const VString& text, std::string& out) {
    out += '"';
    AppendLiteral(text.str(), out);
    out += '"';
}

// A text without specials (a node's name, a component) goes in whole.
void AppendScriptLiteralText(const VString& text, VString& out) {
    if (HasSpecial(text.str())) {
        out += ScriptLiteralText(text);
    } else {
        out += text;
    }
}
