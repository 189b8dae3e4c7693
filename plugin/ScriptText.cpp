#include "plugin/ScriptText.h"

#include <string>

namespace {

void AppendLiteral(const std::string& text, std::string& out) {
    for (const char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        default: out += c; break;
        }
    }
}

}  // namespace

VString ScriptLiteralText(const VString& text) {
    std::string escaped;
    escaped.reserve(text.length());
    AppendLiteral(text.str(), escaped);
    return VString(escaped);
}

// Built in one piece: the import quotes a name for every run of polygons it assigns.
VString QuotedScriptText(const VString& text) {
    std::string quoted;
    quoted.reserve(text.length() + 2);
    quoted += '"';
    AppendLiteral(text.str(), quoted);
    quoted += '"';
    return VString(quoted);
}
