#include "curves/RFCurve.h"

#include <algorithm>
#include <cmath>

#include "curves/CurveTime.h"

RFCurve::RFCurve() = default;

RFCurve::~RFCurve() {
    // Without listeners the destruction is only an edit that caches of evaluated values see.
    if (listeners_.IsEmpty()) {
        CountEditOfAllCurves();
        return;
    }
    // Listeners always hear of the destruction, whatever the state of recording.
    notifyEnabled_ = true;
    deliverNow_ = true;
    NotifyChange(RCurveChangeRecord::CurveDestroyed, -1);
}

RFCurve* RFCurve::Create() { return new RFCurve(); }

void RFCurve::Destroy(RFCurve* curve) { delete curve; }

// ---- Settings -------------------------------------------------------------------------

void RFCurve::SetDefaultValue(float value) {
    defaultValue_ = value;
    // A curve without keys evaluates to it.
    ResetCache();
    NotifyChange(RCurveChangeRecord::DefaultChanged, -1);
    CountModification();
}

void RFCurve::GetColor(float* rgb) const {
    if (rgb != nullptr) {
        std::copy(color_, color_ + 3, rgb);
    }
}

void RFCurve::SetColor(const float* rgb) {
    if (rgb != nullptr) {
        std::copy(rgb, rgb + 3, color_);
    }
}

void RFCurve::CopyLookFrom(const RFCurve& source) {
    SetColor(source.color_);
    if (selected_ != source.selected_) {
        SetCurveSelected(source.selected_);
    }
}

void RFCurve::SetPreExtrapolationType(int type) {
    preType_ = type;
    ResetCache();
    NotifyChange(RCurveChangeRecord::KeysChanged, -1);
}

void RFCurve::SetPreExtrapolationRepetition(int count) {
    preRepetition_ = count;
    ResetCache();
    NotifyChange(RCurveChangeRecord::KeysChanged, -1);
}

void RFCurve::SetPostExtrapolationType(int type) {
    postType_ = type;
    ResetCache();
    NotifyChange(RCurveChangeRecord::KeysChanged, -1);
}

void RFCurve::SetPostExtrapolationRepetition(int count) {
    postRepetition_ = count;
    ResetCache();
    NotifyChange(RCurveChangeRecord::KeysChanged, -1);
}

void RFCurve::SetCurveSelected(bool selected) {
    selected_ = selected;
    NotifyChange(RCurveChangeRecord::SelectionChanged, -1);
}

// ---- Edit bracket and notification ------------------------------------------------------

void RFCurve::EndEdit() {
    ResetCache();
    CountModification();
    SetNotifyNow(true);
}

bool RFCurve::BeginBulkKeys(int count) {
    BeginEdit();
    return ReserveKeys(count);
}

bool RFCurve::BeginBulkKeysOverwritten(int count) {
    BeginEdit();
    ResetCache();
    return count <= kMaxKeyCount && keys_.ReserveToOverwrite(count);
}

void RFCurve::EndBulkKeys(int count) {
    keyCount_ = std::clamp(count, 0, keys_.GetAllocatedKeys());
    ResetCache();
    CountModification();
    SetNotifyNow(true);
}

void RFCurve::NotifyChange(uint32_t kind, int index) {
    if (!notifyEnabled_) {
        return;
    }
    changes_.Add(kind, index);
    CountModification(kind == RCurveChangeRecord::SelectionChanged ? 0x10000u : 1u);
    if (deliverNow_) {
        Deliver();
    }
}

void RFCurve::SetNotifyNow(bool deliverNow) {
    if (deliverNow_ == deliverNow) {
        return;
    }
    deliverNow_ = deliverNow;
    if (deliverNow && !changes_.IsEmpty()) {
        Deliver();
    }
}

void RFCurve::Deliver() {
    // The record is handed over before the calls, so a listener that edits the curve starts
    // a record of its own. The calls go over the registrations as they were when delivery
    // began: a listener may add or remove listeners, and one removed meanwhile is not called.
    const RCurveChangeRecord record = changes_;
    changes_.Reset();
    if (listeners_.IsEmpty()) {
        return;
    }
    // A lone registration is still there when its call comes: no list of them is needed.
    if (listeners_.GetCount() == 1) {
        const RCurveListenerList::Entry entry = listeners_.At(0);
        entry.listener(*this, record, entry.userData);
        return;
    }
    std::vector<RCurveListenerList::Entry> registered;
    listeners_.CopyTo(registered);
    for (const RCurveListenerList::Entry& entry : registered) {
        if (listeners_.HoldsSerial(entry.serial)) {
            entry.listener(*this, record, entry.userData);
        }
    }
}

void RFCurve::AddListener(Listener listener, void* userData) {
    if (listener != nullptr) {
        listeners_.Append({listener, userData, nextListenerSerial_++});
    }
}

void RFCurve::RemoveListener(Listener listener, void* userData) {
    for (std::size_t i = listeners_.GetCount(); i > 0; --i) {
        const RCurveListenerList::Entry& entry = listeners_.At(i - 1);
        if (entry.listener == listener && entry.userData == userData) {
            listeners_.RemoveAt(i - 1);
            return;
        }
    }
}

// ---- Storage ----------------------------------------------------------------------------

bool RFCurve::ReserveKeys(int count) {
    ResetCache();
    return count <= kMaxKeyCount && keys_.Reserve(count);
}

void RFCurve::CompactKeyBlocks() { keys_.Compact(keyCount_); }

void RFCurve::ClearKeys() {
    ResetCache();
    keys_.Release();
    keyCount_ = 0;
    NotifyChange(RCurveChangeRecord::KeysChanged, -1);
}

// ---- Key search -------------------------------------------------------------------------

int RFCurve::LastKeyAtOrBefore(int64_t ticks, int low, int high) const {
    // The answer lies in low..high and key low is not after the time. The next two keys are
    // tried first: a caller stepping through the curve lands between the keys after its
    // previous answer or exactly on the next key, and neither may cost a search.
    for (int nearby = 0; nearby < 2; ++nearby) {
        if (low == high || KeyTicks(low + 1) > ticks) {
            return low;
        }
        ++low;
    }
    if (KeyTicks(high) <= ticks) {
        return high;
    }
    while (high - low > 1) {
        const int middle = low + (high - low) / 2;
        if (KeyTicks(middle) <= ticks) {
            low = middle;
        } else {
            high = middle;
        }
    }
    return low;
}

double RFCurve::FindKeyIndex(RTime time, int* hint) const {
    const int n = keyCount_;
    if (n == 0) {
        return -1.0;
    }
    int& carried = hint != nullptr ? *hint : searchHint_;
    const int start = std::clamp(carried, 0, n - 1);
    const int64_t ticks = time.GetTicks();
    int j = 0;
    if (ticks < KeyTicks(start)) {
        // Downwards from the start key.
        if (ticks < KeyTicks(0)) {
            carried = 0;
            return -0.5;
        }
        // Stepping backwards lands on or after the key just below the start.
        j = KeyTicks(start - 1) <= ticks ? start - 1 : LastKeyAtOrBefore(ticks, 0, start - 1);
        carried = j;
        if (KeyTicks(j) == ticks) {
            return j;
        }
    } else {
        // Upwards from the start key.
        if (ticks == KeyTicks(start)) {
            return start;
        }
        if (ticks > KeyTicks(n - 1)) {
            carried = n;
            return n - 0.5;
        }
        j = LastKeyAtOrBefore(ticks, start, n - 1);
        if (KeyTicks(j) == ticks) {
            carried = j;
            return j;
        }
        carried = j + 1;
    }
    const int64_t from = KeyTicks(j);
    const int64_t to = KeyTicks(j + 1);
    if (to <= from) {
        return j;  // keys out of order (appended unchecked): no fraction to give
    }
    const double elapsed = curve_time::TicksToSeconds(curve_time::TicksBetween(from, ticks));
    const double length = curve_time::TicksToSeconds(curve_time::TicksBetween(from, to));
    // A whole number means a key at exactly this time, and every caller relies on it: a time
    // strictly between two keys stays strictly between their indexes even where the fraction
    // is lost in rounding (a tick next to a key far into a long curve).
    const double lower = j;
    const double upper = j + 1.0;
    const double index = lower + elapsed / length;
    if (index <= lower) {
        return std::nextafter(lower, upper);
    }
    return index < upper ? index : std::nextafter(upper, lower);
}

// ---- Key edits --------------------------------------------------------------------------

int RFCurve::AddKey(RTime time, const RCurveKey& key, int* hint) {
    if (keyCount_ >= kMaxKeyCount || !ReserveKeys(keyCount_ + 1)) {
        return -1;
    }
    RCurveKey added = key;
    added.SetTime(time);
    int index = 0;
    if (keyCount_ > 0) {
        const double x = FindKeyIndex(time, hint);
        index = static_cast<int>(std::ceil(x));
        if (x == index) {
            ReplaceKey(index, added);
            if (hint != nullptr) {
                *hint = index;
            }
            return index;
        }
        keys_.MoveKeys(index + 1, index, keyCount_ - index);
    }
    keys_.Key(index) = added;
    ++keyCount_;
    if (hint != nullptr) {
        *hint = index;
    }
    CountModification();
    NotifyChange(RCurveChangeRecord::KeysChanged, index);
    return index;
}

int RFCurve::ReplaceKey(int index, const RCurveKey& key) {
    ResetCache();
    if (index < 0 || index >= keyCount_) {
        return 1;
    }
    const RTime time = key.GetTime();
    if ((index > 0 && time <= keys_.Key(index - 1).GetTime()) ||
        (index < keyCount_ - 1 && time >= keys_.Key(index + 1).GetTime())) {
        return 1;
    }
    keys_.Key(index) = key;
    NotifyChange(RCurveChangeRecord::KeysChanged, index);
    return 0;
}

int RFCurve::RemoveKey(int index) {
    if (index < 0 || index >= keyCount_) {
        return 1;
    }
    ResetCache();
    if (keyCount_ == 1) {
        defaultValue_ = keys_.Key(0).GetValue();
    }
    const bool hasNext = index < keyCount_ - 1;
    RCurveKeyTangentInfo nextIncoming;
    if (hasNext) {
        nextIncoming = GetLeftTangentInfo(index + 1);
    }
    keys_.MoveKeys(index, index + 1, keyCount_ - index - 1);
    --keyCount_;
    if (hasNext) {
        RestoreIncomingSide(index, nextIncoming);
    }
    NotifyChange(RCurveChangeRecord::KeysChanged, index - 1);
    return 0;
}

int RFCurve::AppendKey(RTime time, float value) {
    if (keyCount_ >= kMaxKeyCount || !ReserveKeys(keyCount_ + 1)) {
        return -1;
    }
    // Every appended key is the same plain key but for its time and value: it is made once.
    static const RCurveKey kPlain = RCurveKey::Plain(RTime(), 0.0f);
    RCurveKey& key = keys_.Key(keyCount_);
    key = kPlain;
    key.SetTime(time);
    key.SetValue(value);
    CountModification();
    return keyCount_++;
}

int RFCurve::InsertKeyKeepingShape(RTime time, int* hint) {
    return AddKey(time, RCurveKey::Plain(time, EvaluateAt(time, hint)), hint);
}

int RFCurve::InsertKeyAt(RTime time, int* hint) {
    if (keyCount_ == 0) {
        return InsertKeyKeepingShape(time, hint);
    }
    const double x = FindKeyIndex(time, hint);
    const int j = std::min(static_cast<int>(std::ceil(x)), keyCount_ - 1);
    if (keys_.Key(j).GetTime() == time) {
        return j;
    }
    const RCurveKey& model = keys_.Key(j > 0 ? j - 1 : 0);
    const uint32_t interpolation = model.GetInterpolation();
    // A Tcb key's slopes follow its neighbours' values, so the new key holds the slope the
    // curve has at its time as an unbroken User key instead.
    const uint32_t tangentMode = model.IsCubicWithMode(RCurveKey::Tcb) ? RCurveKey::User : model.GetTangentMode();
    const int lower = x < 0.0 ? -1 : static_cast<int>(std::floor(x));
    const InsertedSpanEnd outside = ReadInsertedSpanEnd(lower);
    const float value = EvaluateAtCached(time, hint);
    HoldTcbSlopesAround(lower, lower + 1);
    SetCache(time, value);
    // The key lands where the time belongs, which after the last key is past j.
    int landed = j;
    if (AddKeyFromCache(&landed, interpolation, tangentMode, false, true) != 0) {
        return -1;
    }
    HoldExtrapolatedShape(landed, outside);
    if (hint != nullptr) {
        *hint = landed;
    }
    return landed;
}

void RFCurve::ScaleValues(bool selectedOnly, float factor) {
    notifyEnabled_ = false;
    ResetCache();
    int first = -1;
    int last = -1;
    if (keyCount_ == 0) {
        if (!selectedOnly || selected_) {
            defaultValue_ *= factor;
        }
    } else {
        if (!selectedOnly) {
            defaultValue_ *= factor;
        }
        for (int k = 0; k < keyCount_; ++k) {
            RCurveKey& key = keys_.Key(k);
            if (selectedOnly && !key.IsSelected()) {
                continue;
            }
            key.MultiplyValue(factor);
            key.ScaleUserSlopes(factor);
            if (first < 0) {
                first = k;
            }
            last = k;
        }
    }
    notifyEnabled_ = true;
    BeginEdit();
    NotifyChange(RCurveChangeRecord::KeysChanged, first);
    NotifyChange(RCurveChangeRecord::KeysChanged, last);
    EndEdit();
}
