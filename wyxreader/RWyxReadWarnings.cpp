#include "wyxreader/RWyxReadWarnings.h"

void RWyxReadWarnings::Add(const RString& text) {
    // A name from the file may hold line breaks: one warning stays one line.
    text_ += text.ControlCharsReplaced('_');
    text_ += '\n';
    ++count_;
}

void RWyxReadWarnings::AddLines(const RString& text, const RString& prefix) {
    int start = 0;
    while (start < text.GetLength()) {
        int end = text.FindChar('\n', start);
        if (end < 0) end = text.GetLength();
        if (end > start) Add(prefix + text.Substring(start, end - start));
        start = end + 1;
    }
}

void RWyxReadWarnings::Clear() {
    text_.Clear();
    count_ = 0;
}
