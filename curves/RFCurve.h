#ifndef WYX_CURVES_RFCURVE_H
#define WYX_CURVES_RFCURVE_H

// A function curve: the animated scalar channel of the SDK. An ordered list of keys over time
// (strictly increasing key times) with a default value for a curve without keys, per-key
// interpolation and tangents, pre- and post-extrapolation, a display colour, a one-entry
// evaluation cache and change notification.
//
// Times are RTime ticks; every time difference in a formula is taken in seconds, and slopes
// are values per second. A fractional key index i + f (0 <= f < 1) names the point at the
// fraction f of the segment from key i to key i+1.
//
// Change notification: every change is recorded (RCurveChangeRecord) and, unless delivery is
// suspended by BeginEdit, passed to the listeners at once in registration order. EndEdit
// delivers what accumulated inside the bracket as one record. A listener must not destroy the
// curve it is told about.
//
// Failures are return values: index operations answer 1 (or false, or -1) for an index or
// span they cannot serve and leave the curve unchanged.
//
// The implementation is spread over RFCurve.cpp (storage, key edits, settings, notification),
// RFCurveTangents.cpp, RFCurveEvaluation.cpp and RFCurveEdit.cpp (copying, ranges, spans).

#include <atomic>
#include <cstdint>
#include <vector>

#include "core/RTime.h"
#include "curves/RCurveChangeRecord.h"
#include "curves/RCurveKey.h"
#include "curves/RCurveKeyBlocks.h"
#include "curves/RCurveKeyTangentInfo.h"
#include "curves/RCurveListenerList.h"
#include "curves/RCurveTreeMemory.h"

class RFCurve {
public:
    // Extrapolation types; any other value is treated as ExtrapolationConstant.
    static constexpr int ExtrapolationConstant = 1;
    static constexpr int ExtrapolationRepetition = 2;
    static constexpr int ExtrapolationMirror = 3;
    static constexpr int ExtrapolationKeepSlope = 4;
    // A repetition count of -1 means no limit; counts are read as unsigned 32-bit numbers.
    static constexpr int kUnlimitedRepetitions = -1;
    // Keeps every key-index computation inside int.
    static constexpr int kMaxKeyCount = 0x7FFFFFFF - RCurveKeyBlocks::kKeysPerTableStep;

    // Receives the curve, the accumulated changes and the user data given at registration.
    using Listener = RCurveListenerList::Listener;

    RFCurve();
    // Announces CurveDestroyed to the listeners (always, whatever the delivery state), then
    // frees the keys.
    virtual ~RFCurve();
    RFCurve(const RFCurve&) = delete;
    RFCurve& operator=(const RFCurve&) = delete;

    static RFCurve* Create();
    // Deletes a curve made by Create or Clone; null is ignored.
    static void Destroy(RFCurve* curve);
    // Curves of a tree made in one go lie together with its nodes (RCurveTreeMemory).
    static void* operator new(std::size_t bytes) { return RCurveTreeMemory::Allocate(bytes); }
    static void operator delete(void* curve) noexcept { RCurveTreeMemory::Free(curve); }

    // ---- Keys and settings -------------------------------------------------------------

    int GetKeyCount() const { return keyCount_; }
    // The stored record; no range check, callers keep index below the key count.
    RCurveKey& GetKey(int index) { return keys_.Key(index); }
    const RCurveKey& GetKey(int index) const { return keys_.Key(index); }
    RCurveKey GetKeyCopy(int index) const { return keys_.Key(index); }
    // Keys addressable by the block table (a multiple of 1600).
    int GetKeyCapacity() const { return keys_.GetCapacity(); }

    float GetDefaultValue() const { return defaultValue_; }
    // Notifies DefaultChanged.
    void SetDefaultValue(float value);
    // Three floats, red, green, blue; a null argument is ignored. No notification.
    void GetColor(float* rgb) const;
    void SetColor(const float* rgb);

    // The setters notify KeysChanged for the whole curve.
    int GetPreExtrapolationType() const { return preType_; }
    void SetPreExtrapolationType(int type);
    int GetPreExtrapolationRepetition() const { return preRepetition_; }
    void SetPreExtrapolationRepetition(int count);
    int GetPostExtrapolationType() const { return postType_; }
    void SetPostExtrapolationType(int type);
    int GetPostExtrapolationRepetition() const { return postRepetition_; }
    void SetPostExtrapolationRepetition(int count);

    bool IsCurveSelected() const { return selected_; }
    // Notifies SelectionChanged, which moves the modification counter by 0x10000.
    void SetCurveSelected(bool selected);

    // Takes the source's colour and curve selection (notifying only a selection that changes):
    // what a curve that stands in for another keeps of it.
    void CopyLookFrom(const RFCurve& source);

    // A word for the curve's owner, copied with the curve and not interpreted here.
    uintptr_t GetTag() const { return tag_; }
    void SetTag(uintptr_t tag) { tag_ = tag; }

    // Low half: content changes; high half: selection changes.
    uint32_t GetModificationCount() const { return modificationCount_; }

    // Counts the changes of every curve and curve node of the process that can change an
    // evaluated value (keys, defaults, extrapolation; a node's curve, children, layers and
    // time warp): a cache of values evaluated from curves is stale once it has moved.
    static uint64_t GetEditCountOfAllCurves() { return editCountOfAllCurves_.load(std::memory_order_relaxed); }
    // Curve nodes count their own such changes here.
    static void CountEditOfAllCurves() {
        if (uncountedEditScopes_ == 0) editCountOfAllCurves_.fetch_add(1, std::memory_order_relaxed);
    }
    // While one lives, the edits this thread makes are not counted as edits of all curves: for
    // building curves and curve nodes that nothing has evaluated yet, so that no cache of
    // evaluated values goes stale for them.
    class UncountedEdits {
    public:
        UncountedEdits() { ++uncountedEditScopes_; }
        ~UncountedEdits() { --uncountedEditScopes_; }
        UncountedEdits(const UncountedEdits&) = delete;
        UncountedEdits& operator=(const UncountedEdits&) = delete;
    };

    // ---- Edit bracket and notification -------------------------------------------------

    // Suspends delivery of changes to the listeners.
    void BeginEdit() { SetNotifyNow(false); }
    // Empties the cache, counts one modification and delivers what accumulated.
    void EndEdit();
    // BeginEdit, then room for count keys. The caller fills keys 0..count-1 through GetKey
    // and closes with EndBulkKeys (count). False when the keys cannot be stored (the bracket
    // is open all the same).
    bool BeginBulkKeys(int count);
    // BeginBulkKeys for a caller that writes each of keys 0..count-1 whole: the storage made
    // for them is not zero-filled first.
    bool BeginBulkKeysOverwritten(int count);
    // Sets the key count (at most the keys reserved), empties the cache, counts one
    // modification and resumes delivery.
    void EndBulkKeys(int count);

    // Records a change (unless recording is switched off) and delivers it when delivery is on.
    void NotifyChange(uint32_t kind, int index);
    // Switching delivery on delivers the changes that accumulated.
    void SetNotifyNow(bool deliverNow);
    void AddListener(Listener listener, void* userData);
    // Removes the last registration of the same pair; an absent pair is ignored.
    void RemoveListener(Listener listener, void* userData);

    // ---- Storage -----------------------------------------------------------------------

    // False when count exceeds kMaxKeyCount or memory runs out.
    bool ReserveKeys(int count);
    // Frees blocks and table room that the keys do not need.
    void CompactKeyBlocks();
    // Frees every key; notifies KeysChanged for the whole curve.
    void ClearKeys();

    // ---- Key edits ---------------------------------------------------------------------

    // The fractional key index of a time: -1 with no keys, -0.5 before the first key, count -
    // 0.5 after the last. The hint (the curve's own when null) is a key index carried between
    // calls that makes searching near the last answer cheap; the search is logarithmic
    // otherwise.
    double FindKeyIndex(RTime time, int* hint = nullptr) const;
    // Adds a copy of the key at the time (a key already there is replaced) and answers its
    // index, also stored in the hint when given. -1 when the key cannot be stored.
    int AddKey(RTime time, const RCurveKey& key, int* hint = nullptr);
    // 0 when stored; 1, nothing changed, for an index outside the keys or a time that would
    // break the key order.
    int ReplaceKey(int index, const RCurveKey& key);
    // 0 when removed, 1 for an index outside the keys. The next key keeps its incoming side;
    // removing the only key makes its value the default value.
    int RemoveKey(int index);
    // Appends a Cubic Auto key without an ordering check (for callers that produce keys in
    // time order) and without notification; answers its index, -1 when it cannot be stored.
    int AppendKey(RTime time, float value);
    // Adds a Cubic Auto key with the curve's value at the time; answers its index.
    int InsertKeyKeepingShape(RTime time, int* hint = nullptr);
    // Adds a key at the time with the kind of the key before it (an unbroken User key where
    // that is a Tcb key), keeping the curve's shape: the keys whose Tcb slopes the new key
    // would change become User keys holding their slopes, and outside the keys the new
    // segment follows the extrapolation (flat, or the keep-slope line). A key already there
    // is kept. Answers the index of the key at the time, -1 on failure.
    int InsertKeyAt(RTime time, int* hint = nullptr);
    // Multiplies values and user slopes (only of selected keys when selectedOnly is set;
    // the default value too when it is not, or when the curve without keys is selected).
    void ScaleValues(bool selectedOnly, float factor);

    // ---- Evaluation --------------------------------------------------------------------

    float EvaluateAt(RTime time, int* hint = nullptr) const;
    // As EvaluateAt, answering the cached value when the time is the cached one.
    float EvaluateAtCached(RTime time, int* hint = nullptr) const;
    void ResetCache() const { cacheValid_ = false; }
    void SetCache(RTime time, float value);
    bool IsCacheValid() const { return cacheValid_; }
    // The fractional key index after extrapolation: a time outside the keys maps to the
    // index whose value repetition or mirroring gives; keep-slope and constant extrapolation
    // map to the end key (EvaluateAt extends the keep-slope line itself).
    double MapTimeToKeyIndex(RTime time, int* hint = nullptr) const;
    // The value at a fractional key index (clamped to the keys).
    float InterpolateAtIndex(double index) const;
    // Incoming and outgoing slope of the curve at a time inside the keys; 0 outside.
    double GetLeftDerivativeAt(RTime time, int* hint = nullptr) const;
    double GetRightDerivativeAt(RTime time, int* hint = nullptr) const;
    // Values of the outgoing and incoming Bezier control points of key k.
    double GetRightControlValue(int k) const;
    double GetLeftControlValue(int k) const;
    // The parameter s of the weighted segment's time Bezier (controls 0, outWeight,
    // 1 - inWeight, 1) at which it reaches the fraction; secant method, single precision.
    static float SolveBezierTime(float fraction, float outWeight, float inWeight);

    // ---- Tangents ----------------------------------------------------------------------
    // Setters answer false, nothing changed, for an index they cannot serve.

    double GetRightDerivative(int k) const;
    double GetLeftDerivative(int k) const;
    bool SetRightDerivative(int k, double slope);
    bool SetLeftDerivative(int k, double slope);
    double GetRightAutoRatio(int k) const;
    double GetLeftAutoRatio(int k) const;
    bool SetRightAutoRatio(int k, double ratio);
    bool SetLeftAutoRatio(int k, double ratio);

    // Weights of a side not in use read 1/3. The weight words of a Tcb key hold its bias, so
    // the weights of its segment cannot be set.
    bool IsRightWeighted(int k) const { return IsSideOn(k, false, true); }
    bool IsLeftWeighted(int k) const { return IsSideOn(k, true, true); }
    bool SetRightWeighted(int k, bool weighted) { return SetSideOn(k, false, true, weighted); }
    bool SetLeftWeighted(int k, bool weighted) { return SetSideOn(k, true, true, weighted); }
    float GetRightWeight(int k) const { return GetSideValue(k, false, true); }
    float GetLeftWeight(int k) const { return GetSideValue(k, true, true); }
    // Stores the weight (clamped) and marks the side weighted.
    bool SetRightWeight(int k, float weight) { return SetSideValue(k, false, true, weight); }
    bool SetLeftWeight(int k, float weight) { return SetSideValue(k, true, true, weight); }
    // Velocities of a side not in use read 0; they are carried, not evaluated.
    bool IsRightVelocityOn(int k) const { return IsSideOn(k, false, false); }
    bool IsLeftVelocityOn(int k) const { return IsSideOn(k, true, false); }
    bool SetRightVelocityOn(int k, bool on) { return SetSideOn(k, false, false, on); }
    bool SetLeftVelocityOn(int k, bool on) { return SetSideOn(k, true, false, on); }
    float GetRightVelocity(int k) const { return GetSideValue(k, false, false); }
    float GetLeftVelocity(int k) const { return GetSideValue(k, true, false); }
    bool SetRightVelocity(int k, float velocity) { return SetSideValue(k, false, false, velocity); }
    bool SetLeftVelocity(int k, float velocity) { return SetSideValue(k, true, false, velocity); }

    RCurveKeyTangentInfo GetLeftTangentInfo(int k) const;
    RCurveKeyTangentInfo GetRightTangentInfo(int k) const;
    bool SetLeftTangentInfo(int k, const RCurveKeyTangentInfo& info);
    bool SetRightTangentInfo(int k, const RCurveKeyTangentInfo& info);

    // Set a slope from a Bezier control-point value.
    bool SetRightControlValue(int k, double value);
    bool SetLeftControlValue(int k, double value);

    // ---- Curve operations --------------------------------------------------------------

    // Copies default value, colour, selection, tag, cache and extrapolation, and the keys
    // when withKeys is set (else this curve's keys are cleared).
    void CopyFrom(const RFCurve& source, bool withKeys);
    // A new curve (for Destroy): a full copy for the unbounded span (start infinitely early,
    // stop infinitely late); for any other span a curve without keys that has the default
    // value, tag, cache and modification count.
    RFCurve* Clone(RTime start, RTime stop) const;
    // Removes keys first..last (clamped to the keys); the key after them keeps its incoming
    // side, and a curve left without keys takes the first key's value as default. False when
    // the curve has no keys (a range holding no key is true, nothing removed).
    bool RemoveKeys(int first, int last);
    // Removes the keys strictly between start and stop.
    bool RemoveKeysInSpan(RTime start, RTime stop);
    // Commits the cached value as a key at the cache time (moved to time first unless time
    // is infinitely late), keeping the neighbours' shape. A key within tolerance (in key-index
    // units, below 0.5) of the time is updated, or rebuilt with replace. 0 on success, 1 when
    // the cache is empty or the key cannot be stored. The key's index goes to the hint.
    int AddKeyFromCache(int* hint, uint32_t interpolation, uint32_t tangentMode, bool makeBreak,
                        bool replace, RTime time = RTime(RTime::kInfinitelyLate),
                        double tolerance = 0.0);

    // Replaces this curve's keys from start to stop (inclusive) by the source's keys there.
    // An infinitely early start or infinitely late stop means the source's first or last key.
    // Without keepSpan the span shrinks to the source keys inside it. The slopes at the span
    // ends are kept on keys whose tangents are stored. A source without keys with
    // fillWhenEmpty gives a flat span at its default value, joined to this curve's values
    // next to the span. False, nothing changed, for an empty span (start after stop, or no
    // source key inside it without keepSpan). The span is removed and the copies put in with
    // one move of the keys after it, so the cost is linear in the keys of both curves, and
    // the listeners hear of it once.
    bool ReplaceSpan(const RFCurve& source, RTime start, RTime stop, bool keepSpan,
                     bool fillWhenEmpty);
    // As ReplaceSpan, each copied value multiplied by a factor fading linearly from
    // startFactor at the span start to stopFactor at its end.
    bool ReplaceSpanScaled(const RFCurve& source, RTime start, RTime stop, float startFactor,
                           float stopFactor, bool keepSpan, bool fillWhenEmpty);
    // As ReplaceSpan, each copied value v becoming startOffset + v (or, inverted, startOffset - v,
    // with user slopes negated); in a second pass every key after the span is mapped the same
    // way by stopOffset (0 and not inverted leave them as they are). The curve-node tree uses
    // it to join rotation channels by whole turns and flips, one correction for the whole copy
    // and one for the keys after it, so that no key's orientation changes.
    bool ReplaceSpanOffset(const RFCurve& source, RTime start, RTime stop, float startOffset,
                           bool invertAtStart, float stopOffset, bool invertAtStop, bool keepSpan,
                           bool fillWhenEmpty);

private:
    // How copied span values are mapped: at fraction f of the span, value v becomes
    // (1 - f)(offsetAtStart + scaleAtStart v) + f (offsetAtStop + scaleAtStop v). The keys
    // after the span become offsetAfter + scaleAfter v.
    struct SpanMapping {
        double offsetAtStart = 0.0;
        double scaleAtStart = 1.0;
        double offsetAtStop = 0.0;
        double scaleAtStop = 1.0;
        double offsetAfter = 0.0;
        double scaleAfter = 1.0;
        bool mapUserSlopes = false;
        bool identity = true;
        bool MapsKeysAfter() const { return offsetAfter != 0.0 || scaleAfter != 1.0; }
    };

    // Storage and key edits (RFCurve.cpp).
    int64_t KeyTicks(int k) const { return keys_.Key(k).GetTime().GetTicks(); }
    double KeyValue(int k) const { return keys_.Key(k).GetValue(); }
    int LastKeyAtOrBefore(int64_t ticks, int low, int high) const;
    void CountModification(uint32_t amount = 1) {
        modificationCount_ += amount;
        CountEditOfAllCurves();
    }
    void Deliver();

    // Tangents (RFCurveTangents.cpp).
    double SegmentSeconds(int k) const;
    bool NeighbourSlopes(int k, double& left, double& right) const;
    double TcbOutgoing(int k, const RCurveKey& params) const;
    double TcbIncoming(int k, const RCurveKey& params) const;
    bool SetIncoming(int k, double value, bool givenIsSlope);
    // Weights (weight set) and velocities of the left or right side of key k.
    RCurveKey* SideStorage(int k, bool left, bool weight);
    bool IsSideOn(int k, bool left, bool weight) const;
    float GetSideValue(int k, bool left, bool weight) const;
    bool SetSideOn(int k, bool left, bool weight, bool on);
    bool SetSideValue(int k, bool left, bool weight, float value);
    RCurveKeyTangentInfo GetSideInfo(int k, bool left) const;
    // Whether a side of key k stores an auto ratio, so that its slope follows the neighbours.
    bool IsAutoSide(int k, bool left) const;
    // An automatic side with the auto ratio that gives its slope against key k's present
    // neighbours; other sides, and one that does not lie between two keys, unchanged.
    RCurveKeyTangentInfo RatioKeepingSlope(int k, bool left, RCurveKeyTangentInfo side) const;
    void SetSideWeightAndVelocity(int k, bool left, const RCurveKeyTangentInfo& info);

    // Evaluation (RFCurveEvaluation.cpp).
    float EvaluateKeepSlope(RTime time, bool before) const;
    double MapBefore(int64_t ticks, int* hint) const;
    double MapAfter(int64_t ticks, int* hint) const;
    double InterpolateSegment(int i, double fraction) const;
    double SegmentDerivative(int i, double fraction) const;
    double DerivativeAt(RTime time, int* hint, bool left) const;

    // Operations (RFCurveEdit.cpp).
    struct KeySides {
        RCurveKeyTangentInfo incoming;
        RCurveKeyTangentInfo outgoing;
        bool facingLeft = false;
        bool withFar = false;
    };
    KeySides ReadSides(int k, bool facingLeft) const;
    void RestoreIncomingSide(int k, const RCurveKeyTangentInfo& incoming);
    void WriteSides(int k, const KeySides& sides, bool newNeighbour);
    bool RemoveKeyRange(int first, int last, bool releaseWhenAllGo);
    void FindKeysInClosedSpan(RTime start, RTime stop, int& first, int& last) const;
    bool ReplaceSpanMapped(const RFCurve& source, RTime start, RTime stop, bool keepSpan,
                           bool fillWhenEmpty, const SpanMapping& mapping);
    // This curve's value and slope just outside a span end, kept when the span is filled.
    struct SpanBorder {
        bool bounded = false;
        RTime time;
        float value = 0.0f;
        double slope = 0.0;
    };
    SpanBorder ReadSpanBorder(RTime end, bool bounded, bool before) const;
    void FillSpan(RTime start, RTime stop, float startValue, float stopValue,
                  const SpanBorder& before, const SpanBorder& after);
    int InsertSpanKeys(const RFCurve& source, int from, int count, RTime start);
    void MapSpanKey(int index, RTime start, RTime stop, const SpanMapping& mapping);
    void MapKeysAfter(RTime stop, const SpanMapping& mapping);
    int CommitUserKey(RTime time, float value);

    // Keeping the shape where InsertKeyAt puts a key (RFCurveEdit.cpp).
    // Outside the keys the curve follows its extrapolation: flat, or the keep-slope line.
    struct InsertedSpanEnd {
        bool outside = false;
        bool afterLast = false;
        double slope = 0.0;        // the extrapolated curve's slope
        double endFarSlope = 0.0;  // the end key's slope on its side within the keys
    };
    InsertedSpanEnd ReadInsertedSpanEnd(int lower) const;
    void HoldExtrapolatedShape(int inserted, const InsertedSpanEnd& end);
    // Makes the keys whose slopes a key put between keys lower and upper would change
    // through Tcb parameters hold the slopes they have as User keys.
    void HoldTcbSlopesAround(int lower, int upper);
    bool FollowsNeighboursThroughTcb(int k, bool besideInsertAfter) const;
    void HoldSlopesAsUser(const std::vector<int>& keys);

    // The members are in an order that leaves no gaps: a scene holds many curves.
    float color_[3] = {1.0f, 1.0f, 1.0f};
    float defaultValue_ = 0.0f;
    uint32_t modificationCount_ = 0;
    bool deliverNow_ = true;
    bool notifyEnabled_ = true;
    bool selected_ = false;
    mutable bool cacheValid_ = false;
    RCurveKeyBlocks keys_;
    int keyCount_ = 0;
    int preType_ = ExtrapolationConstant;
    int preRepetition_ = 0;
    int postType_ = ExtrapolationConstant;
    int postRepetition_ = 0;
    mutable int searchHint_ = 0;
    uintptr_t tag_ = 0;
    mutable RTime cacheTime_;
    mutable float cacheValue_ = 0.0f;
    RCurveChangeRecord changes_;
    RCurveListenerList listeners_;
    uint64_t nextListenerSerial_ = 0;
    static inline std::atomic<uint64_t> editCountOfAllCurves_{0};
    static inline thread_local int uncountedEditScopes_ = 0;
};

#endif
