#include "plugin/ScriptText.h"

#include <string>

VString ScriptLiteralText(const VString& text) {
    std::string escaped;
    escaped.reserve(text.length());
    for (const char c : text.str()) {
        switch (c) {
        case '\\': escaped += "\\\\"; break;
        case '"': escaped += "\\\""; break;
        case '\n': escaped += "\\n"; break;
        case '\t': escaped += "\\t"; break;
        case '\r': escaped += "\\r"; break;
        default: escaped += c; break;
        }
    }
    return VString(escaped);
}

VString QuotedScriptText(const VString& text) { return VString("\"") + ScriptLiteralText(text) + "\""; }
