#ifndef VEXA_HOST_SCRIPTPARSER_H
#define VEXA_HOST_SCRIPTPARSER_H

// The host script, parsed: a text becomes a list of statements before any of it runs, so a
// text that cannot be parsed runs nothing.
//
//   text        := statement (";" statement)*          blanks, tabs and line ends separate words
//   statement   := declaration | assignment | call | command | (empty)
//   declaration := ["global"] ("string" | "int" | "float") variable ["[]"] ["=" expression]
//   assignment  := variable "=" expression
//   call        := name "(" [expression ("," expression)*] ")"      (no blank before "(")
//   command     := name argument*
//   argument    := string | variable ["[" expression "]"] | "`" text "`" | "(" expression ")" | word
//   expression  := term ("+" term)*
//   term        := string | number | "true" | "false" | variable ["[" expression "]"]
//                | "`" text "`" | "(" expression ")" | call
//
// A word is any run of characters up to a blank, ";", a double quote or a backquote, so
// "-label\"x\"" is the word -label and the string x. A string is written in double quotes
// with C escapes (\" \\ \n \t \r; any other escaped character stands for itself); line ends,
// backquotes, ";" and the rest are plain characters inside it. "//" at
// the start of a word comments out the rest of the line. Blocks ("{", "}") and every other
// construct are refused with an error that says where: "unexpected ';' at line 2, column 7"
// (lines and columns count from 1, columns in bytes). Nesting (parentheses, substitutions)
// is limited to kMaxNesting levels.

#include <vexa/VStringArray.h>
#include <vexa/VexaExport.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace vexa_host {

struct ScriptStatement;
using ScriptBlock = std::vector<ScriptStatement>;

struct ScriptExpression {
    enum Kind { kText, kNumber, kVariable, kSubstitution, kCall, kSum };
    Kind kind = kText;
    std::string text;                        // kText: the text; kNumber: its spelling; kVariable, kCall: the name
    std::vector<ScriptExpression> operands;  // kCall: arguments; kSum: terms; kVariable: the index, if any
    std::shared_ptr<const ScriptBlock> script;  // kSubstitution
};

struct ScriptStatement {
    enum Kind { kCommand, kDeclaration, kAssignment };
    Kind kind = kCommand;
    std::string name;  // the command or the variable
    std::string type;  // declarations: "string", "int" or "float"
    bool array = false;
    std::vector<ScriptExpression> arguments;  // a command's arguments; the assigned value, if any
    size_t offset = 0;  // where the statement starts in the whole script text
};

class VEXA_API ScriptParser {
public:
    static constexpr int kMaxNesting = 64;

    // False with an error (what and where) when the text is not a script; the block is then
    // incomplete and not to be run. The block's earlier statements are replaced (their storage
    // is reused).
    static bool parse(const std::string& text, ScriptBlock& block, std::string& error);
    // Reads a text that is one command of literal words (plain words and strings, nothing to
    // evaluate, no ";") into its name and words, as parse() and a run of its statement would
    // give them, without a block. False for any other text, which parse() then reads and
    // refuses with its error where it is malformed; name and words are then unspecified.
    static bool parseLiteralCommand(const std::string& text, std::string& name, VStringArray& words);
    // The line and column (from 1) of a byte offset of a text, and the same as "line L, column C".
    static void lineAndColumn(const std::string& text, size_t offset, size_t& line, size_t& column);
    static std::string placeOf(const std::string& text, size_t offset);
};

}  // namespace vexa_host

#endif
