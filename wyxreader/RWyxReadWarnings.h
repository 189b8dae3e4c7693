#ifndef WYX_WYXREADER_RWYXREADWARNINGS_H
#define WYX_WYXREADER_RWYXREADWARNINGS_H

// What a WYX read dropped or repaired: one line of text per warning, with their count. A file
// whose content the container accepts but which does not hold together (a connection to a
// missing object, an index past its array, a count that disagrees with its array) is read as
// far as it is sound; each thing left out or mended is told here, and the reader appends the
// lines to its message text.

#include "core/RString.h"

class RWyxReadWarnings {
public:
    // Appends the text as one line, its control characters (line breaks among them, from the
    // names of a file) replaced by '_'.
    void Add(const RString& text);
    // Each line of the text (a property block's report) as one warning, after the prefix.
    void AddLines(const RString& text, const RString& prefix);

    int GetCount() const { return count_; }
    // Every line, each ended by '\n'.
    const RString& GetText() const { return text_; }
    void Clear();

private:
    RString text_;
    int count_ = 0;
};

#endif
