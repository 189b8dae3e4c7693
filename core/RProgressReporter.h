#ifndef WYX_CORE_RPROGRESSREPORTER_H
#define WYX_CORE_RPROGRESSREPORTER_H

// The process-wide progress reporter that the readers and writers report to.
//
// In this system it keeps a title, a detail text, a progress value and two cancel flags; the
// notices the readers and writers send while they work are received and change nothing.
// The reporter is made on first use (GetProgressReporter) and lives until it is released
// or the program ends. Used from one thread.

#include "core/RString.h"

class RProgressReporter;

// The reporter's second interface: everything the readers and writers call.
class RProgress {
public:
    static constexpr int kInterfaceId = 12;

    RProgress(const RProgress&) = delete;
    RProgress& operator=(const RProgress&) = delete;

    // The interfaces of the reporter (see RProgressReporter::QueryInterface).
    void* QueryInterface(int interfaceId);
    // Destroys the reporter; the next GetProgressReporter makes a new one.
    void Release();

    const char* GetTitle() const { return title_.Buffer(); }
    const char* GetDetail() const { return detail_.Buffer(); }
    int GetProgress() const { return progress_; }

    // Progress 0 and both cancel flags cleared; the texts stay.
    void Reset();
    // Answers whether a cancel was requested, and from then on the cancel counts as seen.
    bool IsCancelRequested();
    bool IsCancelSeen() const { return cancelSeen_; }
    void RequestCancel() { cancelRequested_ = true; }

    // The title, and an empty detail text.
    void SetTitle(const char* title);
    // Title and detail both empty.
    void ClearTexts();

    // Notices of the readers and writers, in the order they send them: a run begins, it has
    // this many steps, a step is done (once per step), the run ends. They change nothing.
    void BeginRun() {}
    void SetStepCount(int /*steps*/) {}
    void StepDone() {}
    void EndRun() {}

private:
    friend class RProgressReporter;
    explicit RProgress(RProgressReporter& owner) : owner_(owner) {}

    RProgressReporter& owner_;
    RString title_;
    RString detail_;
    int progress_ = 0;
    bool cancelRequested_ = false;
    bool cancelSeen_ = false;
};

class RProgressReporter {
public:
    static constexpr int kInterfaceObject = 0;
    static constexpr int kInterfaceId = 3;

    // Ids 0 and 3 give the reporter, 12 its RProgress; anything else null.
    void* QueryInterface(int interfaceId);
    void Release();

    RProgress& GetProgress() { return progress_; }

private:
    friend RProgress* GetProgressReporter();
    RProgressReporter() : progress_(*this) {}
    ~RProgressReporter();
    RProgressReporter(const RProgressReporter&) = delete;
    RProgressReporter& operator=(const RProgressReporter&) = delete;

    RProgress progress_;
};

// The progress interface of the reporter, made on first use; null only when memory cannot
// be had.
RProgress* GetProgressReporter();

#endif
