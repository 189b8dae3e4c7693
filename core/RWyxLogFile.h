#ifndef WYX_CORE_RWYXLOGFILE_H
#define WYX_CORE_RWYXLOGFILE_H

// A text log of warnings, gathered in memory and written to the application folder once,
// when the log is destroyed.
//
// The file holds (after a blank line between runs when appending):
//   Date: d/m/yyyy h:m        from the local clock, numbers without leading zeros
//   <title>
//   <empty line>
//   \t<line>                  each line in the order added
// A log without lines writes nothing at all.

#include "core/RString.h"
#include "core/RWyxStringList.h"
#include "core/RWyxTimeStamp.h"

class RWyxLogFile {
public:
    // Fills a time stamp with the time the log is written.
    using Clock = void (*)(RWyxTimeStamp& now);

    // The path is the application folder followed directly by name.
    RWyxLogFile(const char* name, const char* title, bool append, bool writeOnDestroy);
    // Writes the log when writeOnDestroy was set.
    ~RWyxLogFile();
    RWyxLogFile(const RWyxLogFile&) = delete;
    RWyxLogFile& operator=(const RWyxLogFile&) = delete;

    // Appends a copy of text as one line (null: an empty line).
    void AddLine(const char* text);

    // Writes the log now: false when there are no lines or the file cannot be written.
    bool Write() const;

    // The clock of the "Date:" line; the local clock unless replaced (tests fix it).
    void SetClock(Clock clock);

    const RString& GetPath() const { return path_; }
    const RString& GetTitle() const { return title_; }
    int GetLineCount() const { return lines_.GetCount(); }

private:
    RString path_;
    RString title_;
    bool append_;
    bool writeOnDestroy_;
    RWyxStringList lines_;
    Clock clock_;
};

#endif
