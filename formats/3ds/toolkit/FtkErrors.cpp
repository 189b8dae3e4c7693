#include "formats/3ds/toolkit/FtkErrors.h"

#include <utility>

bool ftkErrorPending = false;
bool ftkContinueOnError = false;

namespace {

struct ErrorText {
    int code;
    const char* message;
};

constexpr ErrorText kMessages[] = {
    {NO_FTK_ERRORS, "NO_FTK_ERRORS: No errors are pending"},
    {ERR_NO_MEM, "ERR_NO_MEM: Not enough memory to complete operation"},
    {ERR_INVALID_ARG,
     "ERR_INVALID_ARG: The argument passed to the function is invalid.  Usually caused by a NULL pointer or an out "
     "of range numeric argument."},
    {ERR_INVALID_DATA,
     "ERR_INVALID_DATA: The structure passed as an argument to the function has invalid or out of range data in its "
     "fields."},
    {ERR_INVALID_CHUNK,
     "ERR_INVALID_CHUNK: An invalid chunk structure was encountered while reading the database. Usually caused by a "
     "corrupt database or file"},
    {ERR_INVALID_DATABASE, "ERR_INVALID_DATABASE: The database passed as an argument has not be created yet."},
    {ERR_WRONG_DATABASE,
     "ERR_WRONG_DATABASE: The database passed as an argument is the wrong kind of database for this function."},
    {ERR_UNFOUND_CHUNK,
     "ERR_UNFOUND_CHUNK: The database is missing important file chunks needed to fill out the requested structure.  "
     "Usually caused by a corrupt database or file"},
    {ERR_WRONG_OBJECT,
     "ERR_WRONG_OBJECT: The name passed to the functions exists, but is not the type of object asked for.  For "
     "example, asking for a mesh object with the GetCameraByName3ds function."},
    {ERR_NO_SUCH_FILE, "ERR_NO_SUCH_FILE: The filename passed as an argument for reading does not exist"},
    {ERR_INIT_FAILED, "ERR_INIT_FAILED: Failed to initialize structure passed as an argument"},
    {ERR_OPENING_FILE, "ERR_OPENING_FILE: Could not open requested file"},
    {ERR_CLOSING_FILE, "ERR_CLOSING_FILE: Could not close requested file"},
    {ERR_READING_FILE, "ERR_READING_FILE: Error occured while reading file"},
    {ERR_CREATING_DATABASE, "ERR_CREATING_DATABASE: Error occured while creating database"},
    {ERR_READING_DATABASE, "ERR_READING_DATABASE: Error occured while reading database"},
    {ERR_WRITING_DATABASE, "ERR_WRITING_DATABASE: Error occured while writing database"},
    {ERR_WRITING_FILE, "ERR_WRITING_FILE: Error occured while writing file"},
    {ERR_STRING_TOO_LONG,
     "ERR_STRING_TOO_LONG: String encountered in file, structure, or as an argument was longer than expected.  "
     "Possibly caused by an uninitialed pointer, corrupt file or database"},
    {ERR_TOO_MANY_FILES, "ERR_TOO_MANY_FILES: The toolkit has reached its maximum open file limit of 252 files."},
    {N_ERRORS, "N_ERRORS: More errors were reported then could be recorded."},
};

FtkErrorEntry gErrors[kFtkErrorListSize];

std::string& Detail() {
    static std::string detail;
    return detail;
}

std::vector<std::string>& Warnings() {
    static std::vector<std::string> warnings;
    return warnings;
}

}  // namespace

const char* FtkErrorMessage(int code) {
    for (const ErrorText& entry : kMessages) {
        if (entry.code == code) {
            return entry.message;
        }
    }
    return "Unknown error code was encountered";
}

void FtkSetError(int code) {
    if (code == NO_FTK_ERRORS) {
        return;
    }
    ftkErrorPending = true;
    for (int i = 0; i < kFtkErrorEntries; ++i) {
        if (gErrors[i].code == 0) {
            gErrors[i] = FtkErrorEntry{code, FtkErrorMessage(code)};
            gErrors[i + 1].code = 0;  // for the last entry this is the terminator
            return;
        }
    }
    FtkErrorEntry& overflow = gErrors[kFtkOverflowEntry];
    overflow = overflow.code == 0 ? FtkErrorEntry{code, FtkErrorMessage(code)}
                                  : FtkErrorEntry{N_ERRORS, FtkErrorMessage(N_ERRORS)};
}

void FtkSetError(int code, std::string detail) {
    if (code == NO_FTK_ERRORS) {
        return;
    }
    FtkSetError(code);
    if (Detail().empty()) {
        Detail() = std::move(detail);
    }
}

const std::string& FtkErrorDetail() { return Detail(); }

const FtkErrorEntry* FtkErrorList() { return gErrors; }

bool FtkHasErrorCode(int code) {
    for (const FtkErrorEntry& entry : gErrors) {
        if (entry.code == code && code != 0) {
            return true;
        }
    }
    return false;
}

void FtkClearErrors() {
    for (FtkErrorEntry& entry : gErrors) {
        entry = FtkErrorEntry{};
    }
    ftkErrorPending = false;
    Detail().clear();
}

void FtkAddWarning(std::string text) { Warnings().push_back(std::move(text)); }

const std::vector<std::string>& FtkWarnings() { return Warnings(); }

void FtkClearWarnings() { Warnings().clear(); }
