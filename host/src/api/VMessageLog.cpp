#include <vexa/VMessageLog.h>

#include <cstdio>
#include <deque>
#include <utility>

namespace {

// Only the latest messages are kept, so a long session does not grow without end.
constexpr size_t kKeptMessages = 10000;

struct Log {
    std::deque<std::pair<VMessageLog::Kind, VString>> messages;
    bool echo = false;
};

Log& log() {
    static Log instance;
    return instance;
}

VString shown(VMessageLog::Kind kind, const VString& text) {
    switch (kind) {
    case VMessageLog::kWarning: return "// Warning: " + text;
    case VMessageLog::kError: return "// Error: " + text;
    default: return text;
    }
}

}  // namespace

void VMessageLog::add(Kind kind, const VString& text) {
    log().messages.emplace_back(kind, text);
    if (log().messages.size() > kKeptMessages) log().messages.pop_front();
    if (log().echo) std::fprintf(stderr, "%s\n", shown(kind, text).asChar());
}

VStringArray VMessageLog::lines() {
    VStringArray result;
    for (const auto& message : log().messages) result.append(shown(message.first, message.second));
    return result;
}

VStringArray VMessageLog::linesOf(Kind kind) {
    VStringArray result;
    for (const auto& message : log().messages) {
        if (message.first == kind) result.append(message.second);
    }
    return result;
}

void VMessageLog::clear() { log().messages.clear(); }

void VMessageLog::setEcho(bool on) { log().echo = on; }
