#ifndef WYX_PLUGIN_PROGRESSDISPLAY_H
#define WYX_PLUGIN_PROGRESSDISPLAY_H

// The textual progress display of the import and the export: a status line (the text control
// WYXVEXASTATUS) and a marker that walks along a line (WYXVEXAPROGRESSMETER), both in the
// dialog window that ResetProgress names. With the display off nothing is sent to the host;
// the status text is still kept. One display serves the process and belongs to whichever
// import or export runs.

#include <vexa/VString.h>

// The number of ticks after which the marker starts again at the left.
constexpr int kProgressTicksPerSweep = 40;

// Sets the show flag and the window, puts the marker back and empties the status text.
void ResetProgress(bool show, const VString& windowName);
// Keeps the text and shows it.
void SetProgressStatus(const VString& text);
// Shows the status text, two blanks and the detail; the status text is kept as it was.
void ShowProgressDetail(const VString& detail);
// Moves the marker on (0, 1, ..., 40, 0, ...) and shows it; with a detail, shows it as
// ShowProgressDetail does.
void ProgressTick(const VString* detail);
// Whether the display is on: nothing of a detail is shown while it is off.
bool ProgressShown();
// ProgressTick with the detail makeDetail() gives, made only while the display is on: a
// detail per node costs its name, and most imports run without the display.
template <typename MakeDetail>
void ProgressTickWith(const MakeDetail& makeDetail) {
    if (!ProgressShown()) {
        ProgressTick(nullptr);
        return;
    }
    const VString detail = makeDetail();
    ProgressTick(&detail);
}

// What the display holds now.
const VString& GetProgressStatus();
int GetProgressTicks();

#endif
