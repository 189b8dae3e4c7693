#include "core/RWyxLogFile.h"

#include "core/FilePaths.h"
#include "core/RFileStream.h"

namespace {

void LocalClock(RWyxTimeStamp& now) { now.SetToLocalTime(); }

}  // namespace

RWyxLogFile::RWyxLogFile(const char* name, const char* title, bool append, bool writeOnDestroy)
    : path_(RString(GetApplicationPath()) + (name != nullptr ? name : "")),
      title_(title != nullptr ? title : ""),
      append_(append),
      writeOnDestroy_(writeOnDestroy),
      clock_(&LocalClock) {}

RWyxLogFile::~RWyxLogFile() {
    if (writeOnDestroy_) {
        Write();
    }
}

void RWyxLogFile::AddLine(const char* text) {
    lines_.InsertAt(lines_.GetCount(), RString(text != nullptr ? text : ""), 0);
}

void RWyxLogFile::SetClock(Clock clock) { clock_ = clock != nullptr ? clock : &LocalClock; }

bool RWyxLogFile::Write() const {
    if (lines_.GetCount() == 0) {
        return false;
    }
    RFileStream file;
    if (!file.Open(path_.Buffer(), append_ ? "a+" : "w")) {
        return false;
    }
    RWyxTimeStamp now;
    clock_(now);
    RString text;
    if (append_) {
        text += "\n\n";
    }
    text += "Date: ";
    text += now.day;
    text += '/';
    text += now.month;
    text += '/';
    text += now.year;
    text += ' ';
    text += now.hour;
    text += ':';
    text += now.minute;
    text += '\n';
    text += title_;
    text += "\n\n";
    for (int i = 0; i < lines_.GetCount(); ++i) {
        text += '\t';
        text += lines_.GetItem(i)->text;
        text += '\n';
    }
    return file.Write(text.Buffer(), text.GetLength()) == text.GetLength() && !file.HasError();
}
