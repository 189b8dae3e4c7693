#include "fileio/RWyxMessageHolder.h"

void RWyxMessageHolder::SetError(int code, const char* text) {
    if (text == nullptr || *text == '\0') {
        error_.SetErrorCode(code);
    } else {
        error_.SetError(code, text);
    }
}
