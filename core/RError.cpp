#include "core/RError.h"

RError::RError(const char* const* messages, int count)
    : count_(messages != nullptr && count > 0 ? count : 0), messages_(messages) {}

void RError::SetErrorCode(int code) {
    if (code == kNoError) {
        ClearError();
        return;
    }
    code_ = code;
    const bool inTable = code >= 0 && code < count_ && messages_[code] != nullptr;
    text_ = inTable ? messages_[code] : "";
}

void RError::SetError(int code, const char* text) {
    code_ = code;
    SetErrorText(text);
}

void RError::SetErrorText(const char* text) {
    if (text == nullptr || *text == '\0') {
        text_ = "";
        return;
    }
    if (ownText_ == nullptr) ownText_ = std::make_unique<RString>();
    *ownText_ = text;  // the text may be the copy held already
    text_ = ownText_->Buffer();
}

void RError::ClearError() {
    code_ = kNoError;
    text_ = "";
}
