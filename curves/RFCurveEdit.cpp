// Curve-level operations: copying and cloning, removing ranges of keys, committing a cached
// value as a key, and replacing a span of keys by another curve's.

#include <algorithm>
#include <cmath>

#include "curves/AutoTangents.h"
#include "curves/CurveTime.h"
#include "curves/RFCurve.h"

namespace {

using Key = RCurveKey;

// The key AddKeyFromCache builds: a Tcb key (continuity -1 for a break), an Auto key (AutoBreak
// with ratio 100 for a break), or the given kind with slopes 0; weights 1/3, velocities 0.
Key MakeCommittedKey(RTime time, float value, uint32_t interpolation, uint32_t tangentMode, bool makeBreak) {
    if (interpolation == Key::Cubic && tangentMode == Key::Tcb) {
        Key key;
        key.SetTensionContinuityBias(time, value, 0.0f, makeBreak ? -1.0f : 0.0f, 0.0f);
        return key;
    }
    if (interpolation == Key::Cubic && tangentMode == Key::Auto && makeBreak) {
        return Key::Plain(time, value, Key::Cubic, Key::AutoBreak, 100.0f);
    }
    return Key::Plain(time, value, interpolation, tangentMode);
}

// Tolerances of half a key or more would let the two rounding directions cross.
double UsableTolerance(double tolerance) {
    constexpr double kBelowHalf = 0.4999999;
    return tolerance > 0.0 ? std::min(tolerance, kBelowHalf) : 0.0;
}

bool NearlyEqual(double a, double b) {
    return std::fabs(a - b) <= 1e-6 * std::max({1.0, std::fabs(a), std::fabs(b)});
}

bool IsTcb(const Key& key) { return key.IsCubicWithMode(Key::Tcb); }

// The fraction of the span at a time, in single precision; 0 for a span of one instant.
float SpanFraction(RTime start, RTime stop, RTime time) {
    if (stop <= start) {
        return 0.0f;
    }
    return static_cast<float>(curve_time::SecondsBetween(start.GetTicks(), time.GetTicks()) /
                              curve_time::SecondsBetween(start.GetTicks(), stop.GetTicks()));
}

}  // namespace

// ---- Copying ----------------------------------------------------------------------------------

void RFCurve::CopyFrom(const RFCurve& source, bool withKeys) {
    if (&source == this) {
        return;
    }
    if (!withKeys) {
        ClearKeys();
    }
    defaultValue_ = source.defaultValue_;
    if (withKeys) {
        const int count = source.keyCount_;
        BeginEdit();
        ResetCache();
        const bool stored = keys_.CopyBlocksFrom(source.keys_, count);
        EndBulkKeys(stored ? count : 0);
    }
    std::copy(source.color_, source.color_ + 3, color_);
    selected_ = source.selected_;
    tag_ = source.tag_;
    cacheValid_ = source.cacheValid_;
    cacheTime_ = source.cacheTime_;
    cacheValue_ = source.cacheValue_;
    preType_ = source.preType_;
    preRepetition_ = source.preRepetition_;
    postType_ = source.postType_;
    postRepetition_ = source.postRepetition_;
    CountModification();
    NotifyChange(RCurveChangeRecord::KeysChanged, -1);
}

RFCurve* RFCurve::Clone(RTime start, RTime stop) const {
    RFCurve* copy = Create();
    if (start.IsInfinitelyEarly() && stop.IsInfinitelyLate()) {
        copy->CopyFrom(*this, true);
        return copy;
    }
    copy->defaultValue_ = defaultValue_;
    copy->tag_ = tag_;
    copy->cacheValid_ = cacheValid_;
    copy->cacheTime_ = cacheTime_;
    copy->cacheValue_ = cacheValue_;
    copy->modificationCount_ = modificationCount_;
    return copy;
}

// ---- Removing ranges ----------------------------------------------------------------------

bool RFCurve::RemoveKeys(int first, int last) { return RemoveKeyRange(first, last, true); }

bool RFCurve::RemoveKeyRange(int first, int last, bool releaseWhenAllGo) {
    const int n = keyCount_;
    if (n == 0) {
        return false;
    }
    ResetCache();
    const float firstValue = keys_.Key(0).GetValue();
    first = std::max(first, 0);
    last = std::min(last, n - 1);
    if (first > last) {
        return true;
    }
    if (first == last) {
        return RemoveKey(first) == 0;
    }
    if (first == 0 && last == n - 1) {
        if (releaseWhenAllGo) {
            ClearKeys();
        } else {
            keyCount_ = 0;
            NotifyChange(RCurveChangeRecord::KeysChanged, -1);
        }
        defaultValue_ = firstValue;
        return true;
    }
    const bool hasNext = last < n - 1;
    RCurveKeyTangentInfo nextIncoming;
    if (hasNext) {
        nextIncoming = GetLeftTangentInfo(last + 1);
    }
    keys_.MoveKeys(first, last + 1, n - last - 1);
    keyCount_ -= last - first + 1;
    if (hasNext) {
        RestoreIncomingSide(first, nextIncoming);
    }
    NotifyChange(RCurveChangeRecord::KeysChanged, -1);
    return true;
}

// Setting the incoming side of an unbroken User key sets its outgoing side too: that one is
// kept as it was.
void RFCurve::RestoreIncomingSide(int k, const RCurveKeyTangentInfo& incoming) {
    const bool keepOutgoing = keys_.Key(k).IsCubicWithMode(Key::User) && k < keyCount_ - 1;
    const RCurveKeyTangentInfo outgoing = keepOutgoing ? GetRightTangentInfo(k) : RCurveKeyTangentInfo();
    SetLeftTangentInfo(k, incoming);
    if (keepOutgoing) {
        SetRightTangentInfo(k, outgoing);
    }
}

bool RFCurve::RemoveKeysInSpan(RTime start, RTime stop) {
    if (keyCount_ == 0) {
        return false;
    }
    const double a = FindKeyIndex(start);
    const double b = FindKeyIndex(stop);
    const int first = static_cast<int>(std::ceil(a)) + (a == std::floor(a) ? 1 : 0);
    const int last = static_cast<int>(std::floor(b)) - (b == std::floor(b) ? 1 : 0);
    return RemoveKeys(first, last);
}

// The indexes of the keys from start to stop, both included (first > last for none); no tick
// arithmetic at the span ends.
void RFCurve::FindKeysInClosedSpan(RTime start, RTime stop, int& first, int& last) const {
    first = keyCount_ == 0 ? 0 : static_cast<int>(std::ceil(FindKeyIndex(start)));
    last = keyCount_ == 0 ? -1 : static_cast<int>(std::floor(FindKeyIndex(stop)));
}

// ---- Committing the cached value ----------------------------------------------------------------

int RFCurve::AddKeyFromCache(int* hint, uint32_t interpolation, uint32_t tangentMode, bool makeBreak,
                             bool replace, RTime time, double tolerance) {
    if (!cacheValid_) {
        return 1;
    }
    if (!time.IsInfinitelyLate()) {
        cacheTime_ = time;
    }
    const RTime at = cacheTime_;
    const float value = cacheValue_;
    if (keyCount_ == 0) {
        return AddKey(at, MakeCommittedKey(at, value, interpolation, tangentMode, makeBreak), hint) < 0 ? 1 : 0;
    }

    const int n = keyCount_;
    const double tol = UsableTolerance(tolerance);
    const double x = FindKeyIndex(at, hint);
    const int lo = static_cast<int>(std::floor(x + tol));
    const int hi = static_cast<int>(std::ceil(x - tol));
    const bool existing = lo == hi;
    const int lower = existing ? lo - 1 : lo;
    int upper = existing ? hi + 1 : hi;
    // Outside the keys there is no neighbour on one side. Each neighbour keeps the side that
    // faces the key, and its other side too when that one is automatic: an automatic slope
    // follows the secants on both sides of its key.
    const bool hasLower = lower >= 0;
    const bool hasUpper = upper < n;
    const KeySides lowerSides = hasLower ? ReadSides(lower, false) : KeySides();
    const KeySides upperSides = hasUpper ? ReadSides(upper, true) : KeySides();

    RCurveKeyTangentInfo incoming;
    RCurveKeyTangentInfo outgoing;
    int e = lo;
    if (existing) {
        incoming = GetLeftTangentInfo(e);
        outgoing = GetRightTangentInfo(e);
        Key key = keys_.Key(e);
        if (replace) {
            key = MakeCommittedKey(at, value, interpolation, tangentMode, makeBreak);
        } else {
            key.SetValue(value);
            key.SetTime(at);
        }
        if (ReplaceKey(e, key) != 0) {
            return 1;
        }
    } else {
        incoming.slope = static_cast<float>(GetLeftDerivativeAt(at, hint));
        outgoing.slope = static_cast<float>(GetRightDerivativeAt(at, hint));
        e = AddKey(at, MakeCommittedKey(at, value, interpolation, tangentMode, makeBreak), hint);
        if (e < 0) {
            return 1;
        }
        ++upper;
    }

    if (!existing && !makeBreak) {
        // The slopes read from the curve hold for the new key only as slopes.
        incoming = RatioKeepingSlope(e, true, incoming);
        outgoing = RatioKeepingSlope(e, false, outgoing);
    }
    if (makeBreak) {
        incoming.slope = 0.0f;
        outgoing.slope = 0.0f;
        incoming.autoRatio = 100.0f;
        outgoing.autoRatio = 100.0f;
        Key& key = keys_.Key(e);
        if (key.IsCubicWithMode(Key::Auto)) {
            key.SetTangentMode(Key::AutoBreak);
        } else if (key.IsCubicWithMode(Key::Tcb)) {
            key.SetRawData(0, 0.0f);
            key.SetRawData(1, -1.0f);
            key.SetRawData(2, 0.0f);
        }
    }
    SetLeftTangentInfo(e, incoming);
    SetRightTangentInfo(e, outgoing);
    if (hasLower) {
        WriteSides(lower, lowerSides, !existing);
    }
    if (hasUpper) {
        WriteSides(upper, upperSides, !existing);
    }
    if (hint != nullptr) {
        *hint = e;
    }
    return 0;
}

// The side of neighbour k that faces a key being committed (its left side with facingLeft),
// and its other side when that one is automatic or writing the facing one would change it.
RFCurve::KeySides RFCurve::ReadSides(int k, bool facingLeft) const {
    KeySides sides;
    sides.facingLeft = facingLeft;
    // Setting the incoming side of an unbroken User key sets its outgoing side too.
    sides.withFar = IsAutoSide(k, !facingLeft) || (facingLeft && keys_.Key(k).IsCubicWithMode(Key::User));
    const RCurveKeyTangentInfo facing = facingLeft ? GetLeftTangentInfo(k) : GetRightTangentInfo(k);
    const RCurveKeyTangentInfo far = !sides.withFar ? RCurveKeyTangentInfo()
                                     : facingLeft   ? GetRightTangentInfo(k)
                                                    : GetLeftTangentInfo(k);
    sides.incoming = facingLeft ? facing : far;
    sides.outgoing = facingLeft ? far : facing;
    return sides;
}

// Applies the sides read of key k again, incoming first; with newNeighbour the automatic sides
// keep their slopes against the key's new neighbours instead of their former ratios.
void RFCurve::WriteSides(int k, const KeySides& sides, bool newNeighbour) {
    const auto kept = [&](bool left, const RCurveKeyTangentInfo& side) {
        return newNeighbour ? RatioKeepingSlope(k, left, side) : side;
    };
    if (sides.facingLeft || sides.withFar) {
        SetLeftTangentInfo(k, kept(true, sides.incoming));
    }
    if (!sides.facingLeft || sides.withFar) {
        SetRightTangentInfo(k, kept(false, sides.outgoing));
    }
}

// ---- Keeping the shape around an inserted key ------------------------------------------------

RFCurve::InsertedSpanEnd RFCurve::ReadInsertedSpanEnd(int lower) const {
    InsertedSpanEnd end;
    const int n = keyCount_;
    end.outside = lower < 0 || lower >= n - 1;
    if (!end.outside) {
        return end;
    }
    end.afterLast = lower >= 0;
    const int type = end.afterLast ? postType_ : preType_;
    const int repetitions = end.afterLast ? postRepetition_ : preRepetition_;
    end.endFarSlope = end.afterLast ? GetLeftDerivative(n - 1) : GetRightDerivative(0);
    if (type == ExtrapolationKeepSlope && repetitions != 0 && n > 1) {
        end.slope = end.endFarSlope;
    }
    return end;
}

// A key put outside the keys starts or ends the segment that now stands where the curve
// followed its extrapolation: the new key and the end key's side facing it take the
// extrapolated slope, and the end key becomes broken when its other side differs.
void RFCurve::HoldExtrapolatedShape(int inserted, const InsertedSpanEnd& end) {
    if (!end.outside || keyCount_ < 2) {
        return;
    }
    const int endKey = end.afterLast ? inserted - 1 : inserted + 1;
    Key& key = keys_.Key(endKey);
    const bool unbroken = key.IsCubicWithMode(Key::Auto) || key.IsCubicWithMode(Key::User);
    if (unbroken && !NearlyEqual(end.slope, end.endFarSlope)) {
        key.SetTangentMode(key.GetTangentMode() | Key::Break);
    }
    if (end.afterLast) {
        SetRightDerivative(endKey, end.slope);
        SetLeftDerivative(inserted, end.slope);
    } else {
        SetRightDerivative(inserted, end.slope);
        SetLeftDerivative(endKey, end.slope);
        SetRightDerivative(endKey, end.endFarSlope);
    }
}

// Key k's slopes follow the value of a neighbour through Tcb parameters: its own, or, on its
// incoming side, those of a Tcb key before it (which a User key alone does not read).
bool RFCurve::FollowsNeighboursThroughTcb(int k, bool besideInsertAfter) const {
    const Key& key = keys_.Key(k);
    if (key.GetInterpolation() != Key::Cubic) {
        return false;
    }
    if (IsTcb(key)) {
        return true;
    }
    return besideInsertAfter && k >= 1 && IsTcb(keys_.Key(k - 1)) && key.GetTangentMode() != Key::User;
}

void RFCurve::HoldTcbSlopesAround(int lower, int upper) {
    const int n = keyCount_;
    std::vector<int> held;
    if (lower >= 0 && lower < n && FollowsNeighboursThroughTcb(lower, true)) {
        held.push_back(lower);
    }
    if (upper >= 0 && upper < n && FollowsNeighboursThroughTcb(upper, false)) {
        held.push_back(upper);
    }
    if (held.empty()) {
        return;
    }
    // Behind a Tcb key only an unbroken User key holds a slope of its own (and not as the last
    // key): a key whose two sides differ needs the key before it to hold its incoming slope.
    for (int k = held.front(); k >= 1 && IsTcb(keys_.Key(k - 1)); --k) {
        if (k != n - 1 && NearlyEqual(GetLeftDerivative(k), GetRightDerivative(k))) {
            break;
        }
        held.insert(held.begin(), k - 1);
    }
    HoldSlopesAsUser(held);
}

// The keys (ascending) become User or UserBreak keys holding the slopes they have, and the
// key after each keeps its incoming slope. The curve keeps its shape.
void RFCurve::HoldSlopesAsUser(const std::vector<int>& keys) {
    const int n = keyCount_;
    struct Slopes {
        double incoming;
        double outgoing;
        double nextIncoming;
    };
    std::vector<Slopes> slopes;
    slopes.reserve(keys.size());
    for (const int k : keys) {
        slopes.push_back({GetLeftDerivative(k), GetRightDerivative(k), k + 1 < n ? GetLeftDerivative(k + 1) : 0.0});
    }
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const int k = keys[i];
        const Slopes& held = slopes[i];
        Key& key = keys_.Key(k);
        if (IsTcb(key)) {
            // The words of the bias become weights again.
            key.SetWeightMode(0);
            key.SetDataValue(2, Key::kDefaultWeight);
            key.SetDataValue(3, Key::kDefaultWeight);
        }
        const bool behindTcb = k >= 1 && IsTcb(keys_.Key(k - 1));
        key.SetTangentMode(behindTcb || NearlyEqual(held.incoming, held.outgoing) ? Key::User : Key::UserBreak);
        key.SetDataValue(0, static_cast<float>(held.outgoing));
        Key* previous = k >= 1 ? &keys_.Key(k - 1) : nullptr;
        if (previous != nullptr && !behindTcb && previous->GetInterpolation() == Key::Cubic) {
            previous->SetDataValue(1, static_cast<float>(held.incoming));
        }
        const bool nextHeld = i + 1 < keys.size() && keys[i + 1] == k + 1;
        if (k + 1 < n && !nextHeld && !IsTcb(keys_.Key(k + 1))) {
            double stored = held.nextIncoming;
            double left = 0.0;
            double right = 0.0;
            if (keys_.Key(k + 1).IsCubicWithModeBits(Key::Auto) && NeighbourSlopes(k + 1, left, right)) {
                stored = AutoRatioFromSlopeLeft(stored, left, right);
            }
            key.SetDataValue(1, static_cast<float>(stored));
        }
    }
    ResetCache();
    NotifyChange(RCurveChangeRecord::KeysChanged, -1);
}

// ---- Replacing spans --------------------------------------------------------------------------

bool RFCurve::ReplaceSpan(const RFCurve& source, RTime start, RTime stop, bool keepSpan, bool fillWhenEmpty) {
    return ReplaceSpanMapped(source, start, stop, keepSpan, fillWhenEmpty, SpanMapping());
}

bool RFCurve::ReplaceSpanScaled(const RFCurve& source, RTime start, RTime stop, float startFactor,
                                float stopFactor, bool keepSpan, bool fillWhenEmpty) {
    SpanMapping mapping;
    mapping.scaleAtStart = startFactor;
    mapping.scaleAtStop = stopFactor;
    mapping.identity = false;
    return ReplaceSpanMapped(source, start, stop, keepSpan, fillWhenEmpty, mapping);
}

bool RFCurve::ReplaceSpanOffset(const RFCurve& source, RTime start, RTime stop, float startOffset,
                                bool invertAtStart, float stopOffset, bool invertAtStop, bool keepSpan,
                                bool fillWhenEmpty) {
    SpanMapping mapping;
    mapping.offsetAtStart = startOffset;
    mapping.scaleAtStart = invertAtStart ? -1.0 : 1.0;
    mapping.offsetAtStop = mapping.offsetAtStart;
    mapping.scaleAtStop = mapping.scaleAtStart;
    mapping.offsetAfter = stopOffset;
    mapping.scaleAfter = invertAtStop ? -1.0 : 1.0;
    mapping.mapUserSlopes = true;
    mapping.identity = startOffset == 0.0f && !invertAtStart;
    return ReplaceSpanMapped(source, start, stop, keepSpan, fillWhenEmpty, mapping);
}

// Maps the value (and, for offsets, the user slopes) of a key copied into the span.
void RFCurve::MapSpanKey(int index, RTime start, RTime stop, const SpanMapping& mapping) {
    Key& key = keys_.Key(index);
    const double f = SpanFraction(start, stop, key.GetTime());
    const double offset = (1.0 - f) * mapping.offsetAtStart + f * mapping.offsetAtStop;
    const double scale = (1.0 - f) * mapping.scaleAtStart + f * mapping.scaleAtStop;
    key.SetValue(static_cast<float>(offset + scale * key.GetValue()));
    if (mapping.mapUserSlopes && (key.IsCubicWithMode(Key::User) || key.IsCubicWithMode(Key::UserBreak))) {
        // The offset fades along the span: its slope adds to every user slope.
        const double seconds = curve_time::SecondsBetween(start.GetTicks(), stop.GetTicks());
        const double drift = seconds > 0.0 ? (mapping.offsetAtStop - mapping.offsetAtStart) / seconds : 0.0;
        key.SetDataValue(0, static_cast<float>(scale * key.GetDataValue(0) + drift));
        key.SetDataValue(1, static_cast<float>(scale * key.GetDataValue(1) + drift));
    }
}

// Maps every key after the span, user slopes included, so that the curve there keeps its shape
// under the new offset.
void RFCurve::MapKeysAfter(RTime stop, const SpanMapping& mapping) {
    const int first = keyCount_ == 0 ? 0 : static_cast<int>(std::floor(FindKeyIndex(stop))) + 1;
    for (int k = std::max(first, 0); k < keyCount_; ++k) {
        Key& key = keys_.Key(k);
        key.SetValue(static_cast<float>(mapping.offsetAfter + mapping.scaleAfter * key.GetValue()));
        if (mapping.mapUserSlopes && key.IsCubicWithModeBits(Key::User)) {
            key.SetDataValue(0, static_cast<float>(mapping.scaleAfter * key.GetDataValue(0)));
            key.SetDataValue(1, static_cast<float>(mapping.scaleAfter * key.GetDataValue(1)));
        }
    }
    ResetCache();
}

RFCurve::SpanBorder RFCurve::ReadSpanBorder(RTime end, bool bounded, bool before) const {
    SpanBorder border;
    border.bounded = bounded;
    if (!bounded) {
        return border;
    }
    // Bounded ends lie strictly inside the 64-bit range, so one tick further stays inside.
    border.time = RTime(before ? end.GetTicks() - 1 : end.GetTicks() + 1);
    border.value = EvaluateAt(border.time);
    border.slope = before ? GetLeftDerivativeAt(border.time) : GetRightDerivativeAt(border.time);
    return border;
}

int RFCurve::CommitUserKey(RTime time, float value) {
    SetCache(time, value);
    int index = 0;
    return AddKeyFromCache(&index, Key::Cubic, Key::User, false, true) == 0 ? index : -1;
}

// A flat (or, for a mapped fill, straight) span from start to stop, pinned to this curve's
// former values one tick outside each bounded end; the keys there keep the curve's former
// slope on their outer side.
void RFCurve::FillSpan(RTime start, RTime stop, float startValue, float stopValue, const SpanBorder& before,
                       const SpanBorder& after) {
    if (!before.bounded && !after.bounded) {
        defaultValue_ = startValue;
        return;
    }
    const double seconds = curve_time::SecondsBetween(start.GetTicks(), stop.GetTicks());
    const double inner = seconds > 0.0 ? (static_cast<double>(stopValue) - startValue) / seconds : 0.0;
    if (before.bounded) {
        CommitUserKey(before.time, before.value);
        CommitUserKey(start, startValue);
    }
    if (after.bounded) {
        CommitUserKey(stop, stopValue);
        CommitUserKey(after.time, after.value);
    }
    const int lastIndex = keyCount_ - 1;
    auto indexAt = [&](RTime time) { return std::clamp(static_cast<int>(FindKeyIndex(time)), 0, lastIndex); };
    auto breakKey = [&](RTime time, double incoming, double outgoing) {
        const int k = indexAt(time);
        keys_.Key(k).SetTangentMode(Key::UserBreak);
        SetLeftDerivative(k, incoming);
        SetRightDerivative(k, outgoing);
    };
    if (before.bounded) {
        breakKey(before.time, before.slope, 0.0);
        breakKey(start, 0.0, inner);
    }
    if (after.bounded) {
        breakKey(stop, inner, 0.0);
        breakKey(after.time, 0.0, after.slope);
    }
}

bool RFCurve::ReplaceSpanMapped(const RFCurve& source, RTime start, RTime stop, bool keepSpan,
                                bool fillWhenEmpty, const SpanMapping& mapping) {
    const bool startBounded = !start.IsInfinitelyEarly();
    const bool stopBounded = !stop.IsInfinitelyLate();
    const int sourceCount = source.GetKeyCount();
    if (sourceCount > 0) {
        if (!startBounded) {
            start = source.GetKey(0).GetTime();
        }
        if (!stopBounded) {
            stop = source.GetKey(sourceCount - 1).GetTime();
        }
    }
    if (start > stop) {
        return false;
    }
    int firstSource = 0;
    int lastSource = -1;
    if (sourceCount > 0) {
        firstSource = std::max(0, static_cast<int>(std::ceil(source.FindKeyIndex(start))));
        lastSource = std::min(static_cast<int>(std::floor(source.FindKeyIndex(stop))), sourceCount - 1);
        if (!keepSpan) {
            // The span shrinks to the source keys inside it; none inside leaves nothing to do.
            if (firstSource > lastSource) {
                return false;
            }
            start = source.GetKey(firstSource).GetTime();
            stop = source.GetKey(lastSource).GetTime();
        }
    }
    // Room for every copied key is made before anything changes, net of the keys of the span:
    // they go first, and their storage is kept for the copy.
    const int copied = std::max(lastSource - firstSource + 1, 0);
    int firstRemoved = 0;
    int lastRemoved = -1;
    FindKeysInClosedSpan(start, stop, firstRemoved, lastRemoved);
    const int remaining = keyCount_ - std::max(lastRemoved - firstRemoved + 1, 0);
    if (copied > kMaxKeyCount - remaining || !ReserveKeys(remaining + copied)) {
        return false;
    }

    BeginEdit();
    const double incomingAtStart = GetLeftDerivativeAt(start);
    // The slope leaving the span belongs to the keys after it, which may be mapped.
    const double outgoingAtStop = GetRightDerivativeAt(stop) * (mapping.mapUserSlopes ? mapping.scaleAfter : 1.0);
    const bool filling = sourceCount == 0 && fillWhenEmpty;
    const SpanBorder before = filling ? ReadSpanBorder(start, startBounded, true) : SpanBorder();
    const SpanBorder after = filling ? ReadSpanBorder(stop, stopBounded, false) : SpanBorder();
    if (firstRemoved <= lastRemoved) {
        RemoveKeyRange(firstRemoved, lastRemoved, copied == 0);
    }
    if (copied > 0 && ReserveKeys(keyCount_ + copied)) {
        const int first = InsertSpanKeys(source, firstSource, copied, start);
        const int last = first + copied - 1;
        if (!mapping.identity) {
            for (int k = first; k <= last; ++k) {
                MapSpanKey(k, start, stop, mapping);
            }
        }
        constexpr uint32_t kStoredTangentBits = Key::User | Key::Auto;
        if (startBounded && (keys_.Key(first).GetTangentMode() & kStoredTangentBits) != 0) {
            SetLeftDerivative(first, incomingAtStart);
        }
        if (stopBounded && (keys_.Key(last).GetTangentMode() & kStoredTangentBits) != 0) {
            SetRightDerivative(last, outgoingAtStop);
        }
    } else if (filling) {
        const float fill = source.GetDefaultValue();
        auto mapped = [&](double f) {
            if (mapping.identity) {
                return fill;
            }
            const double offset = (1.0 - f) * mapping.offsetAtStart + f * mapping.offsetAtStop;
            const double scale = (1.0 - f) * mapping.scaleAtStart + f * mapping.scaleAtStop;
            return static_cast<float>(offset + scale * fill);
        };
        FillSpan(start, stop, mapped(0.0), mapped(1.0), before, after);
    }
    if (mapping.MapsKeysAfter()) {
        MapKeysAfter(stop, mapping);
    }
    NotifyChange(RCurveChangeRecord::KeysChanged, -1);
    EndEdit();
    return true;
}

// Copies count source keys from index from into the gap the removed span left at start, with
// one move of the keys after it; the room was reserved. Answers the index of the first copy.
int RFCurve::InsertSpanKeys(const RFCurve& source, int from, int count, RTime start) {
    ResetCache();
    const int at = keyCount_ == 0 ? 0 : static_cast<int>(std::ceil(FindKeyIndex(start)));
    keys_.MoveKeys(at + count, at, keyCount_ - at);
    keys_.CopyKeysFrom(source.keys_, at, from, count);
    keyCount_ += count;
    CountModification();
    return at;
}
