#ifndef WYX_FORMATS_3DS_TOOLKIT_FTKERRORS_H
#define WYX_FORMATS_3DS_TOOLKIT_FTKERRORS_H

// The error record of the 3DS toolkit, and its warning list.
//
// Every toolkit operation reports a failure by recording a code here and returning its
// neutral value (false, 0, null). After each toolkit call the caller tests FtkShouldStop():
// an error is pending and ftkContinueOnError is not set. The record keeps the first 19 codes
// in 19 entries; the 20th goes into the overflow entry, and every later one turns the
// overflow entry into N_ERRORS. The list and the pending flag live for the life of the
// process; FtkClearErrors empties them, so that one failed file does not stop every later
// one (the reader and writer call it when they start).
//
// A code may come with a text that says what in the file is wrong in the user's terms (a name
// longer than the format allows, for instance): the first such text is kept beside the list
// until FtkClearErrors, for the caller to show instead of the code's own message.
//
// Warnings are losses the toolkit repairs and goes on from (a keyframer node whose parent
// link would make a cycle, for instance): each is a text that says what was dropped.

#include <string>
#include <vector>

enum FtkErrorCode : int {
    NO_FTK_ERRORS = 0,
    ERR_NO_MEM = 1,
    ERR_INVALID_ARG = 2,
    ERR_INVALID_DATA = 3,
    ERR_INVALID_CHUNK = 4,
    ERR_INVALID_DATABASE = 5,
    ERR_WRONG_DATABASE = 6,
    ERR_UNFOUND_CHUNK = 7,
    ERR_WRONG_OBJECT = 8,
    ERR_NO_SUCH_FILE = 9,
    ERR_INIT_FAILED = 10,
    ERR_OPENING_FILE = 11,
    ERR_CLOSING_FILE = 12,
    ERR_READING_FILE = 13,
    ERR_CREATING_DATABASE = 14,
    ERR_READING_DATABASE = 15,
    ERR_WRITING_DATABASE = 16,
    ERR_WRITING_FILE = 17,
    ERR_STRING_TOO_LONG = 18,
    ERR_TOO_MANY_FILES = 19,
    // The mesh put records this code when it cannot make a chunk; it has no text of its own.
    ERR_PUT_FAILED = 21,
    N_ERRORS = 22,
};

struct FtkErrorEntry {
    int code = 0;  // 0: free
    const char* message = nullptr;
};

// 19 entries, a terminator entry and the overflow entry.
constexpr int kFtkErrorEntries = 19;
constexpr int kFtkErrorListSize = kFtkErrorEntries + 2;
constexpr int kFtkOverflowEntry = kFtkErrorEntries + 1;

// Set by every recorded error.
extern bool ftkErrorPending;
// When set, an operation that records an error goes on; nothing in the system sets it.
extern bool ftkContinueOnError;

// Records a code; 0 changes nothing, not even the pending flag.
void FtkSetError(int code);
// Records a code with a text that says what is wrong; the first text recorded is kept.
void FtkSetError(int code, std::string detail);
// The text kept by FtkSetError(code, detail); empty when none was given.
const std::string& FtkErrorDetail();
// The constant text of a code; "Unknown error code was encountered" for codes without one.
const char* FtkErrorMessage(int code);
// The kFtkErrorListSize entries of the record.
const FtkErrorEntry* FtkErrorList();
// Whether any recorded entry holds the code.
bool FtkHasErrorCode(int code);
// An error is pending and the toolkit is not told to go on: the caller stops.
inline bool FtkShouldStop() { return ftkErrorPending && !ftkContinueOnError; }
// Empties the error list and its text and clears the pending flag.
void FtkClearErrors();

// The warning list.
void FtkAddWarning(std::string text);
const std::vector<std::string>& FtkWarnings();
void FtkClearWarnings();

#endif
