#ifndef VEXA_VSTATUS_H
#define VEXA_VSTATUS_H

// The result of a host call: a status code and, for a failure, a text saying what failed.
// perror() writes "<context>: <error text>" into the host's message log (VMessageLog), where
// the shell shows it and tests read it.
//
// A failure that callers often expect and pass over (a probe for something that may well be
// missing) may take its text as a TextSource: the text is made each time it is read, from
// what the source kept when the status was made, so it reads the same as a text made at once.

#include <vexa/VString.h>
#include <vexa/VexaExport.h>

#include <memory>

class VEXA_API VStatus {
public:
    enum StatusCode {
        kSuccess = 0,
        kFailure = 1,
        kInsufficientMemory = 2,
        kInvalidParameter = 3,
        kNotImplemented = 4,
        kUnknownParameter = 5,
        kEndOfFile = 6,
        kNotFound = 7,
    };

    VStatus() = default;
    VStatus(StatusCode code) : code_(code) {}
    VStatus(StatusCode code, const VString& text) : code_(code), text_(text) {}

    class VEXA_API TextSource {
    public:
        virtual ~TextSource();
        virtual VString text() const = 0;
    };
    VStatus(StatusCode code, std::shared_ptr<const TextSource> source) : code_(code), source_(std::move(source)) {}

    StatusCode statusCode() const { return code_; }
    bool error() const { return code_ != kSuccess; }
    explicit operator bool() const { return code_ == kSuccess; }
    bool operator==(StatusCode code) const { return code_ == code; }
    bool operator!=(StatusCode code) const { return code_ != code; }
    bool operator==(const VStatus& other) const { return code_ == other.code_; }
    bool operator!=(const VStatus& other) const { return code_ != other.code_; }

    // The text given at construction (or its source's), else a fixed text for the code.
    VString errorString() const;
    void perror(const VString& context) const;
    void perror(const char* context) const { perror(VString(context)); }
    void clear() {
        code_ = kSuccess;
        text_ = VString();
        source_.reset();
    }

private:
    StatusCode code_ = kSuccess;
    VString text_;
    std::shared_ptr<const TextSource> source_;
};

#endif
