#ifndef WYX_CURVES_RCURVELISTENERLIST_H
#define WYX_CURVES_RCURVELISTENERLIST_H

// The listeners registered on one function curve, in the order of registration.
//
// Nearly every curve that has listeners has exactly one (the link that keeps a property in
// step with it), so the first registration is held in place and only the later ones take
// heap storage: a curve gains and loses its one listener without an allocation.

#include "core/RSmallList.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class RFCurve;
class RCurveChangeRecord;

class RCurveListenerList {
public:
    using Listener = void (*)(RFCurve& curve, const RCurveChangeRecord& record, void* userData);

    struct Entry {
        Listener listener = nullptr;
        void* userData = nullptr;
        // Tells registrations of the same pair apart while a delivery runs.
        std::uint64_t serial = 0;
    };

    bool IsEmpty() const { return entries_.IsEmpty(); }
    std::size_t GetCount() const { return entries_.GetCount(); }
    // Index 0 .. GetCount() - 1, in registration order.
    const Entry& At(std::size_t index) const { return entries_.At(index); }

    void Append(const Entry& entry) { entries_.Append(entry); }
    // The entries after it move up one place.
    void RemoveAt(std::size_t index) { entries_.RemoveAt(index); }
    bool HoldsSerial(std::uint64_t serial) const;
    // Every entry, in order, into a list of their own.
    void CopyTo(std::vector<Entry>& entries) const;

private:
    RSmallList<Entry, 1> entries_;
};

#endif
