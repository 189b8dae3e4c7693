#ifndef VEXA_SHELL_INTERFACEECHO_H
#define VEXA_SHELL_INTERFACEECHO_H

// What the shell shows of the headless interface on standard error, since it has no screen:
//
//   // WYXIMPORTWINDOW: Importing geometry... |    o
//       the texts an edit changed in a shown window (a dialog's status and progress lines),
//       in the window's order, joined by " | "; at most one line each kStatusInterval, the
//       newest text of a burst printed when the statement that made it ends;
//   // Dialog "WYX Export Warning" (buttons "Ok"; answered "Ok")
//   //   The message, line by line.
//       each confirm dialog, with the answer it got;
//   vexa: the window W ("Title") is still shown and waits for the user; userAction -press ...
//       each window still shown when a script ends, with the buttons a user could press.
//
// Status lines may be turned off; dialogs and windows left shown are always reported.

#include <chrono>
#include <cstdint>
#include <ostream>
#include <set>
#include <string>

namespace vexa_host {
struct ShownDialog;
struct UiControl;
}  // namespace vexa_host

class InterfaceEcho {
public:
    static constexpr std::chrono::milliseconds kStatusInterval{250};

    explicit InterfaceEcho(std::ostream& out) : out_(out) {}
    ~InterfaceEcho();
    InterfaceEcho(const InterfaceEcho&) = delete;
    InterfaceEcho& operator=(const InterfaceEcho&) = delete;

    // Starts watching the interface; status lines only when asked for.
    void watch(bool statusLines);
    // Prints the status line held back, if any (the end of a statement).
    void flush();
    // Reports each window still shown; false when there is none.
    bool reportShownWindows();

private:
    void textEdited(const vexa_host::UiControl& window, const vexa_host::UiControl& text);
    void dialogShown(const vexa_host::ShownDialog& dialog);
    std::string statusLine(const vexa_host::UiControl& window) const;

    std::ostream& out_;
    std::set<std::uint64_t> edited_;  // text controls whose label an edit changed
    std::string printed_;
    std::string pending_;
    std::chrono::steady_clock::time_point lastPrint_{};
};

#endif
