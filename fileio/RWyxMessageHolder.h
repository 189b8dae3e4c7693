#ifndef WYX_FILEIO_RWYXMESSAGEHOLDER_H
#define WYX_FILEIO_RWYXMESSAGEHOLDER_H

// What a file reader, a file writer and the importer and exporter front ends report: an error
// over the class's own message table (code -1: none) and a message text to which warnings
// are appended, which the front ends pass on after each read or write.

#include "core/RError.h"
#include "core/RString.h"

class RWyxMessageHolder {
public:
    RWyxMessageHolder(const RWyxMessageHolder&) = delete;
    RWyxMessageHolder& operator=(const RWyxMessageHolder&) = delete;

    int GetLastErrorCode() const { return error_.GetLastErrorCode(); }
    const char* GetLastErrorString() const { return error_.GetLastErrorString(); }
    bool HasError() const { return error_.HasError(); }
    // A copy of the message text.
    void GetMessageText(RString& out) const { out = messageText_; }
    const RString& GetMessageText() const { return messageText_; }

protected:
    // The table stays the caller's (a static table of the class).
    RWyxMessageHolder(const char* const* messages, int count) : error_(messages, count) {}
    ~RWyxMessageHolder() = default;

    RError& GetError() { return error_; }
    RString& MessageText() { return messageText_; }
    // The code with the text; with a null or empty text, the table's text of the code.
    void SetError(int code, const char* text);
    void SetError(int code, const RString& text) { SetError(code, text.Buffer()); }

private:
    RError error_;
    RString messageText_;
};

#endif
