#include "plugin/ScriptText.h"

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

// Built in place: the import quotes a name for every run of polygons it assigns.
void AppendQuotedScriptText(const VString& text, std::string& out) {
    out += '"';
    AppendLiteral(text.str(), out);
    out += '"';
}
