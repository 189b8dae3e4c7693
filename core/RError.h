#ifndef WYX_CORE_RERROR_H
#define WYX_CORE_RERROR_H

// An error state: a code and its text, the text taken from a message table that the owner
// gives (usually a static table of the owning class). Code -1 means no error.

#include "core/RString.h"

#include <memory>

class RError {
public:
    static constexpr int kNoError = -1;

    // The table stays the caller's and must outlive the error object (its texts are read in
    // place); it holds count texts (a null text reads as empty).
    RError(const char* const* messages, int count);

    // The code and the table's text at that index. -1 clears; a code outside the table
    // keeps the code with an empty text.
    void SetErrorCode(int code);
    // The code, then the given text (null: empty).
    void SetError(int code, const char* text);
    // The text only.
    void SetErrorText(const char* text);
    // Code -1, empty text.
    void ClearError();

    int GetLastErrorCode() const { return code_; }
    const char* GetLastErrorString() const { return text_; }
    bool HasError() const { return code_ != kNoError; }
    int GetMessageCount() const { return count_; }

private:
    int code_ = kNoError;
    int count_;
    // The table's text itself, or a copy of a text given (ownText_, made on first need): most
    // objects never hold an error, and most errors are the table's.
    const char* text_ = "";
    std::unique_ptr<RString> ownText_;
    const char* const* messages_;
};

#endif
