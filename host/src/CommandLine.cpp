#include "host/src/CommandLine.h"

#include <vexa/VMessageLog.h>
#include <vexa/VStringArray.h>

namespace vexa_host {

namespace {

char unescape(char c) {
    switch (c) {
    case 'n': return '\n';
    case 't': return '\t';
    case 'r': return '\r';
    default: return c;
    }
}

}  // namespace

bool splitCommands(const std::string& text, std::vector<CommandWords>& commands, std::string& error) {
    commands.clear();
    CommandWords current;
    std::string word;
    bool inWord = false;
    auto endWord = [&] {
        if (inWord) current.words.push_back(word);
        word.clear();
        inWord = false;
    };
    auto endCommand = [&] {
        endWord();
        if (!current.words.empty()) commands.push_back(current);
        current.words.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            endWord();
            inWord = true;
            size_t j = i + 1;
            for (; j < text.size() && text[j] != '"'; ++j) {
                if (text[j] == '\\' && j + 1 < text.size()) {
                    word += unescape(text[++j]);
                } else {
                    word += text[j];
                }
            }
            if (j >= text.size()) {
                error = "unterminated string";
                return false;
            }
            endWord();
            i = j;
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/' && !inWord) {
            while (i < text.size() && text[i] != '\n') ++i;
            endCommand();
        } else if (c == ';' || c == '\n') {
            endCommand();
        } else if (c == ' ' || c == '\t' || c == '\r') {
            endWord();
        } else {
            word += c;
            inWord = true;
        }
    }
    endCommand();
    return true;
}

VStatus runCommands(const std::string& text, CommandResult& result,
                    const std::function<void(const CommandResult&)>& afterEach) {
    std::vector<CommandWords> commands;
    std::string error;
    result.clear();
    if (!splitCommands(text, commands, error)) {
        VMessageLog::add(VMessageLog::kError, VString("Syntax error: " + error));
        return VStatus(VStatus::kFailure, "syntax error: " + error);
    }
    for (const CommandWords& command : commands) {
        VStringArray arguments;
        for (size_t i = 1; i < command.words.size(); ++i) arguments.append(VString(command.words[i]));
        result.clear();
        VStatus status = CommandEngine::instance().invoke(command.words.front(), VArgList(arguments), result);
        if (afterEach) afterEach(result);
        if (!status) return status;
    }
    return VStatus();
}

std::string quoted(const std::string& text) {
    std::string result = "\"";
    for (char c : text) {
        switch (c) {
        case '"': result += "\\\""; break;
        case '\\': result += "\\\\"; break;
        case '\n': result += "\\n"; break;
        case '\t': result += "\\t"; break;
        case '\r': result += "\\r"; break;
        default: result += c;
        }
    }
    return result + "\"";
}

}  // namespace vexa_host
