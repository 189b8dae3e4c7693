// The script interpreter: what it accepts and refuses, the words commands receive, values
// and variables across runs, and results in every form executeCommand offers.

#include "tests/support/HostTestSupport.h"

#include "host/src/script/CommandEngine.h"
#include "host/src/script/CommandFlags.h"
#include "host/src/script/ScriptInterpreter.h"
#include "host/src/script/ScriptParser.h"

#include <vexa/VGlobal.h>
#include <vexa/VPxCommand.h>
#include <vexa/VStringArray.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using vexa_host::CommandEngine;
using vexa_host::CommandResult;
using vexa_host::ScriptInterpreter;
using Words = std::vector<std::string>;

// An interpreter whose commands only record their words and answer "ok".
class RecordingInterpreter {
public:
    RecordingInterpreter()
        : interpreter_([this](const std::string& name, const VArgList& args, CommandResult& result) {
              Words words{name};
              for (unsigned i = 0; i < args.length(); ++i) words.push_back(args.asString(i).str());
              calls.push_back(words);
              result.addText("ok");
              return VStatus();
          }) {}
    VStatus run(const std::string& text) {
        CommandResult result;
        return interpreter_.run(text, result);
    }
    std::vector<Words> calls;

private:
    ScriptInterpreter interpreter_;
};

class ScriptTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        CommandEngine::instance().setOutput(&printed);
    }
    void TearDown() override {
        CommandEngine::instance().setOutput(nullptr);
        HostTest::TearDown();
    }
    static VStringArray run(const std::string& script) {
        VStringArray result;
        const VStatus status = VGlobal::executeCommand(VString(script), result);
        EXPECT_TRUE(status) << script << ": " << status.errorString().asChar();
        return result;
    }
    static std::string lastError() {
        const VStringArray errors = VMessageLog::linesOf(VMessageLog::kError);
        return errors.length() == 0 ? std::string() : errors[errors.length() - 1].str();
    }
    std::ostringstream printed;
};

TEST_F(ScriptTest, CommandsReceiveTheirWordsAsTheHostSplitsThem) {
    struct Case {
        const char* script;
        Words words;
    };
    const std::vector<Case> cases = {
        {"cmd -label\"x y\"", {"cmd", "-label", "x y"}},
        {"cmd \"x.divisions\"3", {"cmd", "x.divisions", "3"}},
        {"cmd -al \"left\"-v false", {"cmd", "-al", "left", "-v", "false"}},
        {"cmd\t-a\t\"b\"\t", {"cmd", "-a", "b"}},
        {"cmd \"q\\\"uote\\\\ \\n\\t;`x`//\\z\"", {"cmd", "q\"uote\\ \n\t;`x`//z"}},
        {"cmd \"two\nlines\"", {"cmd", "two\nlines"}},
        {"cmd \"\\\\\" \"\\\"\\\"\" \"end\\\\\"", {"cmd", "\\", "\"\"", "end\\"}},
        {"cmd ..  -0.5 a|b|c ns:x.tx[2] \"\"", {"cmd", "..", "-0.5", "a|b|c", "ns:x.tx[2]", ""}},
        {"cmd (\"a\" + 1 + \"b\") (1 + 2) (1.5 + 2) (true + 1) (false)", {"cmd", "a1b", "3", "3.5", "2", "0"}},
        {"cmd(1, \"two\", 3.5, -2)", {"cmd", "1", "two", "3.5", "-2"}},
        {"cmd (2e3) (1.5e1) (-.5)", {"cmd", "2000", "15", "-0.5"}},
        {"cmd // a comment; not a statement\n -x", {"cmd", "-x"}},
        {"cmd `other`", {"cmd", "ok"}},
        {"sets -e -forceElement \"lambert2SG_longer_name\" \"pGridShape1.f[12345:12346]\"",
         {"sets", "-e", "-forceElement", "lambert2SG_longer_name", "pGridShape1.f[12345:12346]"}},
        {"cmd `inner a_word_longer_than_fifteen` a_word_longer_than_fifteen", {"cmd", "ok", "a_word_longer_than_fifteen"}},
        {"cmd a`other`b\"c\"d;", {"cmd", "a", "ok", "b", "c", "d"}},
        {"cmd_2x\r-v\r\n\xc3\xa9t\xc3\xa9 [x]{y}", {"cmd_2x", "-v", "\xc3\xa9t\xc3\xa9", "[x]{y}"}},
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.script);
        RecordingInterpreter interpreter;
        ASSERT_TRUE(interpreter.run(entry.script));
        ASSERT_FALSE(interpreter.calls.empty());
        EXPECT_EQ(interpreter.calls.back(), entry.words);
    }
}

VArgList argsOf(const Words& words) {
    VStringArray array;
    for (const std::string& word : words) array.append(VString(word));
    return VArgList(std::move(array));
}

// Flags refer into the argument list; the lists of copies that callers may ask for agree.
TEST_F(ScriptTest, FlagsReadInPlaceAgreeWithTheirCopies) {
    using vexa_host::CommandFlags;
    const std::vector<vexa_host::FlagSpec> table = {
        {"-q", "-query", 0}, {"-e", "-edit", 0}, {"-fe", "-forceElement", 1}, {"-co", "-count", 2}};
    const VArgList args = argsOf({"-e", "first_long_positional_word", "-forceElement", "groupSG", "-co", "1", "2", "second",
                                  "-co", "3", "4"});
    CommandFlags flags;
    std::string error;
    ASSERT_TRUE(flags.read(args, table, error)) << error;
    EXPECT_TRUE(flags.edit());
    EXPECT_FALSE(flags.query());
    ASSERT_EQ(flags.positionalCount(), 2u);
    EXPECT_EQ(flags.positionalWord(0), "first_long_positional_word");
    EXPECT_EQ(&flags.positionalWord(1), &args.arguments().items()[7].str());
    EXPECT_EQ(flags.positional(), (Words{"first_long_positional_word", "second"}));
    ASSERT_NE(flags.firstValue("-fe"), nullptr);
    EXPECT_EQ(*flags.firstValue("-fe"), "groupSG");
    EXPECT_EQ(flags.firstValue("-e"), nullptr);
    EXPECT_EQ(flags.firstValue("-q"), nullptr);
    EXPECT_EQ(*flags.values("-co"), (Words{"3", "4"}));  // the last use
    EXPECT_EQ(flags.value("-co"), "3");
    EXPECT_EQ(flags.value("-q", "none"), "none");
    ASSERT_EQ(flags.flags().size(), 4u);
    EXPECT_TRUE(flags.flags()[0].values.empty());
    EXPECT_EQ(flags.flags()[1].values, Words{"groupSG"});
    EXPECT_EQ(flags.flags()[2].values, (Words{"1", "2"}));
    EXPECT_STREQ(flags.flags()[3].spec.shortName, "-co");

    // A second read starts afresh: a query takes no values, so "x" is positional.
    const VArgList query = argsOf({"-q", "-fe", "x"});
    ASSERT_TRUE(flags.read(query, table, error)) << error;
    EXPECT_TRUE(flags.query());
    EXPECT_FALSE(flags.edit());
    EXPECT_EQ(flags.positional(), Words{"x"});
    ASSERT_EQ(flags.flags().size(), 2u);
    EXPECT_TRUE(flags.values("-fe")->empty());
    EXPECT_EQ(flags.firstValue("-fe"), nullptr);
    EXPECT_FALSE(flags.has("-co"));

    // More positional words than are kept in place.
    const Words many = {"p0", "p1", "-e", "p2", "p3", "p4", "p5", "p6"};
    const VArgList manyArgs = argsOf(many);
    ASSERT_TRUE(flags.read(manyArgs, table, error)) << error;
    ASSERT_EQ(flags.positionalCount(), 7u);
    EXPECT_EQ(flags.positionalWord(2), "p2");
    EXPECT_EQ(flags.positionalWord(6), "p6");
    EXPECT_EQ(flags.positional(), (Words{"p0", "p1", "p2", "p3", "p4", "p5", "p6"}));

    // More flags than are kept in place: the last use still answers.
    const VArgList manyFlags = argsOf({"-fe", "a", "-co", "1", "2", "-e", "-fe", "b", "-co", "3", "4", "-fe", "c"});
    ASSERT_TRUE(flags.read(manyFlags, table, error)) << error;
    ASSERT_EQ(flags.flags().size(), 6u);
    ASSERT_NE(flags.firstValue("-fe"), nullptr);
    EXPECT_EQ(*flags.firstValue("-fe"), "c");
    EXPECT_EQ(*flags.values("-co"), (Words{"3", "4"}));
    EXPECT_EQ(flags.flags()[4].values, (Words{"3", "4"}));
    EXPECT_EQ(flags.flags()[5].values, Words{"c"});
    EXPECT_TRUE(flags.edit());
    EXPECT_EQ(flags.positionalCount(), 0u);

    const VArgList shortOfValues = argsOf({"-co", "1"});
    EXPECT_FALSE(flags.read(shortOfValues, table, error));
    EXPECT_EQ(error, "the flag -co needs 2 values");
    const VArgList unknown = argsOf({"word", "-zz"});
    EXPECT_FALSE(flags.read(unknown, table, error));
    EXPECT_EQ(error, "invalid flag -zz");
}

// A command of literal words goes to its command without a parsed block: whatever that route
// takes, the general parse reads as the same one command with the same words; the rest it
// leaves to the general parse.
TEST_F(ScriptTest, LiteralCommandsReadAsTheGeneralParseReadsThem) {
    using vexa_host::ScriptExpression;
    using vexa_host::ScriptParser;
    const std::vector<std::string> literal = {
        "sets -e -forceElement \"lambert2SG\"  \"pGridShape1.f[12345]\"",
        "  cmd\t-a\t\"b\"\t",
        "cmd -label\"x y\"-v",
        "cmd \"q\\\"uote\\\\ \\n\\t;`x`//\\z\" \"\\\\\"",
        "cmd",
        "cmd \"\" \"two\nlines\"",
        "// first a comment\ncmd // then another\n -x",
        "cmd ..  -0.5 a|b|c ns:x.tx[2] a\"b\"c",
        "cmd_2x\r-v\r\n[x]{y} \xc3\xa9t\xc3\xa9",
        "string_of x",
        "c 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16",
        std::string("cmd a\0b \"c\0d\" e\0", 16),
    };
    std::string name;
    VStringArray words;
    const auto readLiteral = [&name, &words](const std::string& text) { return ScriptParser::parseLiteralCommand(text, name, words); };
    for (const std::string& text : literal) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(readLiteral(text));
        vexa_host::ScriptBlock block;
        std::string error;
        ASSERT_TRUE(ScriptParser::parse(text, block, error)) << error;
        ASSERT_EQ(block.size(), 1u);
        EXPECT_EQ(block[0].kind, vexa_host::ScriptStatement::kCommand);
        EXPECT_EQ(block[0].name, name);
        ASSERT_EQ(block[0].arguments.size(), words.length());
        for (unsigned i = 0; i < words.length(); ++i) {
            EXPECT_EQ(block[0].arguments[i].kind, ScriptExpression::kText);
            EXPECT_EQ(block[0].arguments[i].text, words[i].str());
        }
    }
    const std::vector<std::string> general = {
        "",           "   ",          "a; b",         "cmd a;",          "cmd `x`",        "cmd $v",         "cmd (1 + 2)",
        "cmd(1)",     "cmd-x",        "3cmd",         "int $x = 1",      "string $s",      "string x",       "global int $g",
        "$v = 2",     "cmd {",        "cmd )",        "cmd ,b",          "cmd \"open",     "cmd \"ends\\", "cmd a\"b",
        "c 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17",
    };
    for (const std::string& text : general) EXPECT_FALSE(readLiteral(text)) << text;
    // Both routes answer the same through the interpreter: words, results and errors.
    RecordingInterpreter interpreter;
    ASSERT_TRUE(interpreter.run("cmd \"a\\\"b\" c"));
    ASSERT_TRUE(interpreter.run("cmd \"a\\\"b\" c;"));
    ASSERT_EQ(interpreter.calls.size(), 2u);
    EXPECT_EQ(interpreter.calls[0], interpreter.calls[1]);
    EXPECT_EQ(interpreter.calls[0], (Words{"cmd", "a\"b", "c"}));
    // A NUL byte inside a word or a string is part of it on both routes; the text's end is not.
    using namespace std::string_literals;
    ASSERT_TRUE(interpreter.run("cmd a\0b \"c\0d\" e\0"s));
    ASSERT_TRUE(interpreter.run("cmd a\0b \"c\0d\" e\0;"s));
    EXPECT_EQ(interpreter.calls[2], (Words{"cmd", "a\0b"s, "c\0d"s, "e\0"s}));
    EXPECT_EQ(interpreter.calls[3], interpreter.calls[2]);
    interpreter.calls.resize(2);
    EXPECT_FALSE(interpreter.run("cmd \"open"));
    EXPECT_EQ(lastError(), "Syntax error: unterminated string at line 1, column 5");
    EXPECT_FALSE(interpreter.run("a.b c"));
    EXPECT_EQ(lastError(), "Syntax error: unexpected '.' at line 1, column 2");
    EXPECT_EQ(interpreter.calls.size(), 2u) << "a malformed text runs nothing";
}

// Literal commands in a row, longer and shorter, and one run inside another: each command
// gets its own words, whatever the commands before it or around it had.
TEST_F(ScriptTest, LiteralCommandsInARowAndInsideEachOtherKeepTheirOwnWords) {
    std::vector<Words> calls;
    ScriptInterpreter* self = nullptr;
    ScriptInterpreter interpreter([&](const std::string& name, const VArgList& args, CommandResult& result) {
        Words words{name};
        if (name == "outer") {
            CommandResult inner;
            if (VStatus status = self->run("inner \"x\" y z w", inner); !status) return status;
        }
        for (unsigned i = 0; i < args.length(); ++i) words.push_back(args.asString(i).str());
        calls.push_back(words);
        result.addText("ok");
        return VStatus();
    });
    self = &interpreter;
    CommandResult result;
    for (const char* text : {"cmd a_word_past_small_strings b c d e", "cmd f", "cmd", "outer -e \"g h\"", "cmd i j"}) {
        ASSERT_TRUE(interpreter.run(text, result)) << text;
    }
    const std::vector<Words> expected = {{"cmd", "a_word_past_small_strings", "b", "c", "d", "e"}, {"cmd", "f"}, {"cmd"},
                                         {"inner", "x", "y", "z", "w"},    {"outer", "-e", "g h"}, {"cmd", "i", "j"}};
    EXPECT_EQ(calls, expected);
}

TEST_F(ScriptTest, StatementsOfOneLineRunInOrderWithTheirOwnWords) {
    RecordingInterpreter interpreter;
    ASSERT_TRUE(interpreter.run("first a; second \"b;c\" -x;;third\tlast"));
    EXPECT_EQ(interpreter.calls, (std::vector<Words>{{"first", "a"}, {"second", "b;c", "-x"}, {"third", "last"}}));
    // Words longer than a short string, in the run's own statements and in a substitution.
    interpreter.calls.clear();
    ASSERT_TRUE(interpreter.run("first \"a_long_quoted_member.f[10]\"; second `inner b_long_unquoted_word_here` c_long_unquoted_word_here"));
    EXPECT_EQ(interpreter.calls, (std::vector<Words>{{"first", "a_long_quoted_member.f[10]"},
                                                     {"inner", "b_long_unquoted_word_here"},
                                                     {"second", "ok", "c_long_unquoted_word_here"}}));
}

// A block parsed again holds the new text's statements only, none of the earlier ones' parts;
// an interpreter's runs one after another each run their own statements.
TEST_F(ScriptTest, ABlockParsedAgainHoldsOnlyTheNewStatements) {
    vexa_host::ScriptBlock block;
    std::string error;
    ASSERT_TRUE(vexa_host::ScriptParser::parse("int $n[] = 3; first a b c; second \"x\"", block, error)) << error;
    ASSERT_EQ(block.size(), 3u);
    ASSERT_TRUE(vexa_host::ScriptParser::parse("  sets -e g", block, error)) << error;
    ASSERT_EQ(block.size(), 1u);
    const vexa_host::ScriptStatement& statement = block.front();
    EXPECT_EQ(statement.kind, vexa_host::ScriptStatement::kCommand);
    EXPECT_EQ(statement.name, "sets");
    EXPECT_TRUE(statement.type.empty());
    EXPECT_FALSE(statement.array);
    EXPECT_EQ(statement.offset, 2u);
    ASSERT_EQ(statement.arguments.size(), 2u);
    EXPECT_EQ(statement.arguments[0].text, "-e");
    EXPECT_EQ(statement.arguments[1].text, "g");
    EXPECT_FALSE(vexa_host::ScriptParser::parse("a; b (", block, error));
    ASSERT_TRUE(vexa_host::ScriptParser::parse("$v = 1", block, error)) << error;
    ASSERT_EQ(block.size(), 1u);
    EXPECT_EQ(block.front().kind, vexa_host::ScriptStatement::kAssignment);

    RecordingInterpreter interpreter;
    ASSERT_TRUE(interpreter.run("one a b c d e f g h i j; two k; three; four; five"));
    interpreter.calls.clear();
    ASSERT_TRUE(interpreter.run("six"));
    ASSERT_TRUE(interpreter.run("seven x_long_enough_to_leave_the_short_string"));
    EXPECT_EQ(interpreter.calls, (std::vector<Words>{{"six"}, {"seven", "x_long_enough_to_leave_the_short_string"}}));
}

TEST_F(ScriptTest, MalformedScriptsAreRefusedWholeWithTheReason) {
    struct Case {
        const char* script;
        const char* error;
    };
    const std::string deep = std::string(100, '(') + "1" + std::string(100, ')');
    const std::vector<Case> cases = {
        {"first; cmd \"open", "Syntax error: unterminated string at line 1, column 12"},
        {"first; cmd `other", "Syntax error: unterminated ` at line 1, column 12"},
        {"first; cmd \"a\\\"", "Syntax error: unterminated string at line 1, column 12"},
        {"first; cmd \"a\\", "Syntax error: unterminated string at line 1, column 12"},
        {"first; cmd `x \"`\"", "Syntax error: unterminated ` at line 1, column 12"},
        {"first; cmd `x \"y\" (`", "Syntax error: in the command substitution at line 1, column 12: unexpected end of the text at line 1, column 20"},
        {"first; string $", "Syntax error: a variable needs a name at line 1, column 16"},
        {"first; string $a[3]", "Syntax error: an array is declared with [] at line 1, column 17"},
        {"first; $a[0] = 1", "Syntax error: an element cannot be assigned to at line 1, column 13"},
        {"first; global cmd", "Syntax error: a type must follow global at line 1, column 18"},
        {"first; if ($x) { cmd; }", "Syntax error: blocks are not supported at line 1, column 16"},
        {"first; cmd $a.tx", "Syntax error: unexpected '.' at line 1, column 14"},
        {"first; int $i = 3abc", "Syntax error: unexpected 'a' at line 1, column 18"},
        {"first; string $s = word", "Syntax error: unexpected word 'word' at line 1, column 20"},
        {"first; cmd (1", "Syntax error: unexpected end of the text at line 1, column 14"},
        {"first; cmd ,", "Syntax error: unexpected ',' at line 1, column 12"},
        {"first; string $s = \"a\" \"b\"", "Syntax error: unexpected '\"' at line 1, column 24"},
        {"first; cmd(1) other", "Syntax error: unexpected 'o' at line 1, column 15"},
        {"first; \x01", "Syntax error: unexpected character code 1 at line 1, column 8"},
        {"first; a.b c", "Syntax error: unexpected '.' at line 1, column 9"},
        // Lines count line feeds; columns start again after each.
        {"first;\n\n  cmd \"open", "Syntax error: unterminated string at line 3, column 7"},
        {"first;\ncmd `a;\n  b (`", "Syntax error: in the command substitution at line 2, column 5: unexpected end of the text at line 3, column 6"},
        {"first;\r\n\tcmd ,", "Syntax error: unexpected ',' at line 2, column 6"},
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.script);
        VMessageLog::clear();
        RecordingInterpreter interpreter;
        EXPECT_EQ(interpreter.run(entry.script), VStatus::kFailure);
        EXPECT_TRUE(interpreter.calls.empty()) << "a refused script runs nothing";
        EXPECT_EQ(lastError(), entry.error);
    }
    RecordingInterpreter interpreter;
    EXPECT_EQ(interpreter.run("cmd " + deep), VStatus::kFailure);
    EXPECT_EQ(lastError().substr(0, 33), "Syntax error: nesting too deep at");
    EXPECT_TRUE(interpreter.run("cmd " + std::string(60, '(') + "1" + std::string(60, ')')));
}

TEST_F(ScriptTest, TextWithQuotesBackslashesAndSeparatorsReachesTheCommandUnchanged) {
    const std::string text = "C:\\dir\\\"quoted\"; `not run` \\n\ttab";
    std::string literal = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') literal += '\\';
        literal += c == '\t' ? std::string("\\t") : std::string(1, c);
    }
    literal += "\"";
    run("print " + literal);
    EXPECT_EQ(printed.str(), text);
    run("string $kept = " + literal);
    run("createNode transform -n holder");
    vexa_host::Node& holder = *vexa_host::Scene::instance().nodesNamed("holder").front();
    holder.addDynamicAttribute(vexa_host::makeTyped("note", "nt", vexa_host::AttributeKind::String));
    run("setAttr holder.note -type \"string\" $kept");
    EXPECT_EQ(run("getAttr holder.note")[0], VString(text));
}

TEST_F(ScriptTest, VariablesLiveAcrossRunsWithTheirTypes) {
    run("string $name = \"ball\"");
    run("createNode transform -n $name");
    EXPECT_EQ(run("getAttr ($name + \".tx\")")[0], "0");
    run("int $count = `exists createNode`;");
    run("int $count = $count + 1; float $half = 0.5 + $count; $auto = 2.5");
    EXPECT_EQ(run("print ($count + \" \" + $half + \" \" + $auto)").length(), 0u);
    EXPECT_EQ(printed.str(), "2 2.5 2.5");
    run("string $name");
    EXPECT_EQ(run("print $name").length(), 0u);
    EXPECT_EQ(printed.str(), "2 2.5 2.5ball") << "a declaration without a value keeps the value";

    run("int $cut = \"7.9\"; float $none = \"x\"; int $fromFloat = 2.5 + 1; string $number = 4");
    EXPECT_EQ(run("print ($cut + \",\" + $none + \",\" + $fromFloat + \",\" + ($number + 1))").length(), 0u);
    EXPECT_EQ(printed.str(), "2 2.5 2.5ball7,0,3,41");

    run("setAttr ball.translate 1 2 3; string $values[] = `getAttr ball.translate`");
    EXPECT_EQ(run("print $values[2]").length(), 0u);
    EXPECT_EQ(printed.str().substr(printed.str().size() - 1), "3");
    EXPECT_EQ(run("string $all[] = $values").length(), 3u);
}

TEST_F(ScriptTest, ValueErrorsFailTheRunWithAnErrorText) {
    struct Case {
        const char* script;
        const char* error;
    };
    const std::vector<Case> cases = {
        {"print $nope", "undeclared variable $nope"},
        {"string $s = \"a\"; int $s = 1", "$s is a string and cannot become a int"},
        {"createNode transform -n b; string $one = `getAttr b.translate`", "$one holds one value and cannot take 3"},
        {"string $list[] = `getAttr b.translate`; print $list[3]", "the index 3 is outside $list (3 items)"},
        {"string $scalar = \"x\"; print $scalar[0]", "$scalar is not an array"},
        {"$none = `select -cl`; print $none[0]", "the index 0 is outside $none (0 items)"},
        {"string $empty = `select -cl`; int $zero = `select -cl`; print ($empty + $zero + \"|\"); print $nothing", "undeclared variable $nothing"},
        {"string $list[] = `getAttr b.translate`; print ($list + 1)", "+ takes single values, not 3"},
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.script);
        VMessageLog::clear();
        ScriptInterpreter::instance().clearVariables();
        VStringArray result;
        EXPECT_EQ(VGlobal::executeCommand(entry.script, result), VStatus::kFailure);
        EXPECT_EQ(lastError(), entry.error);
    }
}

TEST_F(ScriptTest, ARunStopsAtTheFailingStatementAndAnswersTheLastResult) {
    VStringArray result;
    EXPECT_EQ(VGlobal::executeCommand("createNode transform -n a; setAttr a.tx nothing; createNode transform -n b", result),
              VStatus::kFailure);
    EXPECT_TRUE(vexa_host::Scene::instance().nodesNamed("b").empty());
    EXPECT_EQ(lastError().substr(0, 8), "setAttr:");
    ASSERT_TRUE(VGlobal::executeCommand("createNode transform -n c; window -ex nowhere", result));
    ASSERT_EQ(result.length(), 1u);
    EXPECT_EQ(result[0], "0") << "an int result reads as text as well";
    VString text;
    ASSERT_TRUE(VGlobal::executeCommand("string $t = \"word\"", text));
    EXPECT_EQ(text, "word");
    ASSERT_TRUE(VGlobal::executeCommand("string $t = \"other\"; commandEcho -st false", result));
    EXPECT_EQ(result.length(), 0u);
}

// A plug-in command that runs a script of its own: the text it is given. It counts its runs
// and stops running scripts after 100 of them.
int scriptingRuns = 0;
class ScriptingCommand : public VPxCommand {
public:
    static void* create() { return new ScriptingCommand; }
    VStatus doIt(const VArgList& args) override {
        if (++scriptingRuns > 100) return VStatus();
        VStringArray result;
        const VStatus status = VGlobal::executeCommand(args.asString(0), result);
        setResult(result);
        return status;
    }
};

// A plug-in command that only answers.
class AnsweringCommand : public VPxCommand {
public:
    static void* create() { return new AnsweringCommand; }
    VStatus doIt(const VArgList&) override {
        setResult(VString("answered"));
        return VStatus();
    }
};

TEST_F(ScriptTest, PluginCommandsRunScriptsInsideScriptsToALimit) {
    static const int owner = 0;
    ASSERT_TRUE(CommandEngine::instance().registerPluginCommand("Scripting", ScriptingCommand::create, &owner));
    EXPECT_EQ(run("string $inner = `Scripting \"string $x = \\\"deep\\\"\"`")[0], "deep");
    run("print $x");
    EXPECT_EQ(printed.str(), "deep") << "the inner script's variable is the host's";
    VStringArray result;
    scriptingRuns = 0;
    EXPECT_EQ(VGlobal::executeCommand("string $self = \"Scripting $self\"; Scripting $self", result), VStatus::kFailure);
    EXPECT_EQ(lastError(), "scripts run inside each other too deeply");
    EXPECT_EQ(scriptingRuns, ScriptInterpreter::kMaxRunDepth);
    ASSERT_TRUE(CommandEngine::instance().deregisterPluginCommand("Scripting", &owner));

    // The command just run, deregistered, is unknown; registered again, its new creator runs.
    EXPECT_EQ(VGlobal::executeCommand("Scripting \"print here\"", result), VStatus::kFailure);
    EXPECT_EQ(lastError(), "Cannot find procedure \"Scripting\".");
    ASSERT_TRUE(CommandEngine::instance().registerPluginCommand("Scripting", AnsweringCommand::create, &owner));
    EXPECT_EQ(run("Scripting \"print here\"")[0], "answered");
    ASSERT_TRUE(CommandEngine::instance().deregisterPluginCommand("Scripting", &owner));
}

TEST_F(ScriptTest, EchoedCommandsGoToTheLog) {
    run("commandEcho -st true");
    run("createNode transform -n shown");
    const VStringArray info = VMessageLog::linesOf(VMessageLog::kInfo);
    ASSERT_GE(info.length(), 1u);
    EXPECT_EQ(info[info.length() - 1], "createNode transform -n shown");
    EXPECT_EQ(run("commandEcho -q -st")[0], "1");
}

}  // namespace
