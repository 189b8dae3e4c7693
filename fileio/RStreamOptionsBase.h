#ifndef WYX_FILEIO_RSTREAMOPTIONSBASE_H
#define WYX_FILEIO_RSTREAMOPTIONSBASE_H

// The stream options of the geometry formats: numbered option slots that describe one
// option each (a check box, a choice list or a heading) and hold its value.
//
// There are 18 records, of which slots 1 to 17 are reachable: setters ignore any other slot
// and the getter answers 0 for it. Only the value is read back by the readers and writers;
// the other fields describe the option to whoever shows it.

#include "core/RString.h"
#include "fileio/RStreamOptions.h"

struct RStreamOptionRecord {
    int value = 0;
    unsigned char enabled = 0;
    // kOptionForReading, kOptionForWriting or kOptionForBoth.
    int direction = 2;
    // 1 for a check box, the highest choice index for a choice list, 0 for a heading.
    int maximum = 1;
    RString label;
    // The slot this option depends on; 0 for none.
    int extra = 0;
};

class RStreamOptionsBase : public RStreamOptions {
    WYX_DECLARE_CLASS(RStreamOptionsBase)

public:
    static constexpr int kOptionCount = 18;
    static constexpr int kFirstSlot = 1;
    static constexpr int kLastSlot = 17;

    static constexpr int kOptionForReading = 0;
    static constexpr int kOptionForWriting = 1;
    static constexpr int kOptionForBoth = 2;

    RStreamOptionsBase();

    void SetOptionValue(int slot, int value);
    void SetOptionEnabled(int slot, unsigned char enabled);
    void SetOptionDirection(int slot, int direction);
    void SetOptionMaximum(int slot, int maximum);
    void SetOptionLabel(int slot, RString label);
    void SetOptionExtra(int slot, int extra);

    // The value of slot 1 to 17; 0 for any other slot. A check box is on at value 1.
    int GetOptionValue(int slot) const;
    // The whole record of slot 1 to 17; null for any other slot.
    const RStreamOptionRecord* GetOption(int slot) const;

    // Stores the text (null as empty) when AcceptsTakeName answers true; else does nothing.
    void SetTakeName(const char* name);
    const RString& GetTakeName() const { return takeName_; }
    // Whether these options take a take name; the base does not.
    virtual bool AcceptsTakeName() const { return false; }

protected:
    ~RStreamOptionsBase() override = default;

private:
    static bool IsReachable(int slot) { return slot >= kFirstSlot && slot <= kLastSlot; }
    RStreamOptionRecord* Reachable(int slot);

    RStreamOptionRecord options_[kOptionCount];
    RString takeName_;
};

#endif
