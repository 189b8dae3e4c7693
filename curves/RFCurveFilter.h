#ifndef WYX_CURVES_RFCURVEFILTER_H
#define WYX_CURVES_RFCURVEFILTER_H

// The base of the key filters: small objects made on the stack, given their parameters and a
// time span, applied to a curve, an array of curves or a curve-node tree, and destroyed.
// Filters change the keys of the curves in place and leave their failures in their error
// object; no filter throws.
//
// A filter works only on the keys its span selects. After construction every concrete filter
// calls its own Reset, which ends by resetting the span to the whole time line.
//
// Results are true for success (for the reducers: keys were changed) and false for failure,
// the reason then left in the error object.
//
// A derived class that overrides one form of Apply or IsNeeded hides the others for calls
// made through the derived type; derived classes therefore bring the base forms back with
// `using RFCurveFilter::Apply;` and `using RFCurveFilter::IsNeeded;`.

#include <cstdint>

#include "core/RError.h"
#include "core/RTime.h"

class RFCurve;
class RFCurveNode;

class RFCurveFilter {
public:
    // The name is a fixed text of the concrete class, neither copied nor freed; the message
    // table stays the concrete class's too.
    RFCurveFilter(const char* name, const char* const* messages, int messageCount);
    virtual ~RFCurveFilter();
    RFCurveFilter(const RFCurveFilter&) = delete;
    RFCurveFilter& operator=(const RFCurveFilter&) = delete;

    // ---- Overridable operations ----------------------------------------------------------

    // Whether the curve needs the filter: true in the base.
    virtual bool IsNeeded(RFCurve& curve);
    // The single-curve form on each curve in array order, none skipped; true when any
    // answered true.
    virtual bool IsNeeded(RFCurve* const* curves, int count);
    // With recursive, the node form on every child in child order first; then, when the node
    // carries a curve, the array form on that one curve. True when any answered true.
    virtual bool IsNeeded(RFCurveNode& node, bool recursive);

    virtual bool Apply(RFCurve& curve) = 0;
    // The single-curve form on each curve in array order, none skipped. True when any
    // application succeeded (no caller relies on it).
    virtual bool Apply(RFCurve* const* curves, int count);
    // With recursive, the node form on every child in child order first (so the deepest
    // curves are filtered first); then, when the node carries a curve, the single-curve form
    // on it. True when any application succeeded.
    virtual bool Apply(RFCurveNode& node, bool recursive);

    // Puts the parameters back to their defaults; the base part resets the span to the whole
    // time line.
    virtual void Reset();

    // Told the first and last key index of a range just processed; does nothing here.
    virtual void ReportProgress(int64_t firstKey, int64_t lastKey);

    // ---- Span ----------------------------------------------------------------------------

    const RTime& GetStartTime() const { return startTime_; }
    void SetStartTime(RTime time) { startTime_ = time; }
    const RTime& GetStopTime() const { return stopTime_; }
    void SetStopTime(RTime time) { stopTime_ = time; }
    // Start and stop together.
    void SetSpan(RTime start, RTime stop);

    // The span's first key on the curve: the key just before the later of the start and the
    // first key's time (floored at 0); -1 for a curve without keys.
    int GetFirstKeyIndex(const RFCurve& curve) const;
    // One past the key at or before the earlier of the stop and the last key's time: the key
    // count with the default span; -1 for a curve without keys. An exclusive bound.
    int GetLastKeyIndex(const RFCurve& curve) const;
    // GetLastKeyIndex clamped to the curve's last key: an inclusive bound.
    int GetLastKeyIndexInKeys(const RFCurve& curve) const;
    // Whether a time lies inside the span, both ends included.
    bool IsInSpan(RTime time) const { return startTime_ <= time && time <= stopTime_; }

    // ---- Identity and errors -------------------------------------------------------------

    const char* GetName() const { return name_; }
    const RError& GetError() const { return error_; }
    int GetLastErrorCode() const { return error_.GetLastErrorCode(); }
    const char* GetLastErrorString() const { return error_.GetLastErrorString(); }

    // The whole time line.
    static constexpr int64_t kSpanStart = RTime::kInfinitelyEarly;
    static constexpr int64_t kSpanStop = RTime::kInfinitelyLate;

protected:
    RError& Error() { return error_; }
    // Leaves the code and text in the error object and answers false, for `return Fail(...)`.
    bool Fail(int code, const char* text);
    // Resets the span to the whole time line (the base part of every Reset).
    void ResetSpan();

private:
    const char* name_;
    RTime startTime_;
    RTime stopTime_;
    RError error_;
};

#endif
