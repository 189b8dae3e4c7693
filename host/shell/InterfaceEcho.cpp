#include "host/shell/InterfaceEcho.h"

#include "host/src/ui/UiModel.h"

#include <vector>

namespace {

using vexa_host::UiControl;
using vexa_host::UiModel;

// A label on one line: its line breaks and tabs become blanks.
std::string oneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    }
    return text;
}

std::string withoutTrailingBlanks(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// A label on one line without the blanks around it.
std::string shownText(const std::string& label) {
    const std::string text = withoutTrailingBlanks(oneLine(label));
    const size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

template <typename Visit>
void visitInOrder(const UiControl& control, Visit visit) {
    visit(control);
    for (const auto& child : control.children) visitInOrder(*child, visit);
}

// The name by which userAction reaches the control: its own name, unless a newer control
// carries it too, then its full path.
std::string reachableName(const UiControl& control) {
    const UiModel& model = UiModel::instance();
    return model.find(control.name) == &control ? control.name : model.pathOf(control);
}

}  // namespace

InterfaceEcho::~InterfaceEcho() { UiModel::instance().setWatcher({}); }

void InterfaceEcho::watch(bool statusLines) {
    vexa_host::UiWatcher watcher;
    if (statusLines) {
        watcher.textEdited = [this](const UiControl& window, const UiControl& text) { textEdited(window, text); };
    }
    watcher.dialogShown = [this](const vexa_host::ShownDialog& dialog) { dialogShown(dialog); };
    UiModel::instance().setWatcher(std::move(watcher));
}

std::string InterfaceEcho::statusLine(const UiControl& window) const {
    std::string texts;
    visitInOrder(window, [&](const UiControl& control) {
        if (edited_.count(control.id) == 0) return;
        // The leading blanks of a progress meter are its position: only the end is trimmed.
        const std::string text = withoutTrailingBlanks(oneLine(control.label));
        texts += (texts.empty() ? "" : " | ") + text;
    });
    return "// " + window.name + ": " + texts;
}

void InterfaceEcho::textEdited(const UiControl& window, const UiControl& text) {
    edited_.insert(text.id);
    const std::string line = statusLine(window);
    if (line == printed_) {
        pending_.clear();
        return;
    }
    pending_ = line;
    if (std::chrono::steady_clock::now() - lastPrint_ >= kStatusInterval) flush();
}

void InterfaceEcho::flush() {
    if (pending_.empty()) return;
    out_ << pending_ << std::endl;
    printed_ = pending_;
    pending_.clear();
    lastPrint_ = std::chrono::steady_clock::now();
}

void InterfaceEcho::dialogShown(const vexa_host::ShownDialog& dialog) {
    flush();
    out_ << "// Dialog \"" << shownText(dialog.title) << "\" (buttons";
    for (size_t i = 0; i < dialog.buttons.size(); ++i) out_ << (i == 0 ? " \"" : ", \"") << dialog.buttons[i] << '"';
    out_ << "; answered \"" << dialog.answer << "\")\n";
    size_t start = 0;
    while (start < dialog.message.size()) {
        const size_t end = dialog.message.find('\n', start);
        const size_t stop = end == std::string::npos ? dialog.message.size() : end;
        out_ << "//   " << dialog.message.substr(start, stop - start) << '\n';
        start = stop + 1;
    }
    out_.flush();
}

bool InterfaceEcho::reportShownWindows() {
    flush();
    bool any = false;
    for (const auto& window : UiModel::instance().windows()) {
        if (!window->visible) continue;
        any = true;
        std::vector<std::string> buttons;
        visitInOrder(*window, [&](const UiControl& control) {
            if (control.type == "button" && control.enabled) {
                buttons.push_back(reachableName(control) + " (\"" + shownText(control.label) + "\")");
            }
        });
        out_ << "vexa: the window " << window->name;
        const std::string title = shownText(window->label);
        if (!title.empty()) out_ << " (\"" << title << "\")";
        out_ << " is still shown and waits for the user;";
        if (buttons.empty()) {
            out_ << " it has no button to press\n";
            continue;
        }
        out_ << " userAction -press takes";
        for (size_t i = 0; i < buttons.size(); ++i) out_ << (i == 0 ? " " : ", ") << buttons[i];
        out_ << '\n';
    }
    out_.flush();
    return any;
}
