#ifndef WYX_PLUGIN_SCRIPTTEXT_H
#define WYX_PLUGIN_SCRIPTTEXT_H

// Text put into the host's script as a string literal.
//
// The plug-in talks to the host by building script commands as text. A text inserted between
// the double quotes of a literal (a file name, a take name, a dialog's message) must come out
// of the host's reader exactly as it went in, and must never end the literal early: a file
// named `x"; file -f -new; "` would otherwise run a command of its own. ScriptLiteralText
// writes '\', '"', line feed, tab and carriage return as the host reads them back (\\ \" \n
// \t \r). A literal that sits inside another literal (a command kept in a string variable)
// is escaped once per level: ScriptLiteralText(ScriptLiteralText(name)).

#include <vexa/VString.h>

#include <string>

// The text with every character the host's reader treats specially escaped; no quotes added.
VString ScriptLiteralText(const VString& text);

// ScriptLiteralText in double quotes.
VString QuotedScriptText(const VString& text);
// The same appended to a command being built.
void AppendQuotedScriptText(const VString& text, std::string& out);
// ScriptLiteralText appended to a host text; no quotes added.
void AppendScriptLiteralText(const VString& text, VString& out);

#endif
