#include "plugin/ScriptText.h"

#include <string>
#include <utility>

namespace {

bool IsSpecial(char c) { return c == '\\' || c == '"' || c == '\n' || c == '\t' || c == '\r'; }

// Runs without a special character are appended whole.
void AppendLiteral(const std::string& text, std::string& out) {
    size_t from = 0;
    while (true) {
        size_t stop = from;
        while (stop < text.size() && !IsSpecial(text[stop])) ++stop;
        out.append(text, from, stop - from);
        if (stop == text.size()) return;
        switch (text[stop]) {
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
