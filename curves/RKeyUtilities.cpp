#include "curves/RKeyUtilities.h"

#include <cmath>
#include <memory>

#include "core/RNoDestructor.h"
#include "curves/RFCurve.h"

namespace {

using Key = RCurveKey;

const char* const kKeyUtilitiesMessages[] = {
    "No key",
    "Multiple interpolation or tangeants types",
    "Multiple key count",
    "Unsynched keys",
    "Left unchanged",
};

bool IsCubicUser(const Key& key) { return key.IsCubicWithMode(Key::User) || key.IsCubicWithMode(Key::UserBreak); }

// The sample times of a resampling: count steps from start, plus stop when it is off the steps.
struct SamplePlan {
    int steps = 0;
    bool extraAtStop = false;
    int Total() const { return steps + (extraAtStop ? 1 : 0); }
};

bool PlanSamples(RTime start, RTime stop, RTime period, bool includeStop, SamplePlan& plan) {
    if (stop <= start || period.GetTicks() <= 0) {
        return false;
    }
    const uint64_t span = static_cast<uint64_t>(stop.GetTicks()) - static_cast<uint64_t>(start.GetTicks());
    const uint64_t step = static_cast<uint64_t>(period.GetTicks());
    const uint64_t steps = span / step + 1;
    const bool extra = includeStop && span % step != 0;
    if (steps + (extra ? 1 : 0) > static_cast<uint64_t>(kMaxResampledKeys)) {
        return false;
    }
    plan.steps = static_cast<int>(steps);
    plan.extraAtStop = extra;
    return true;
}

RTime SampleTime(const SamplePlan& plan, RTime start, RTime stop, RTime period, int i) {
    return i < plan.steps ? start + period * i : stop;
}

// Resampling reads the source while it rewrites the destination: when they are one curve,
// the samples are read from a full copy.
template <typename Fill>
bool Resample(const RFCurve& source, RFCurve& destination, RTime start, RTime stop, RTime period,
              bool includeStop, Fill fillKey) {
    SamplePlan plan;
    if (!PlanSamples(start, stop, period, includeStop, plan)) {
        return false;
    }
    std::unique_ptr<RFCurve> copy;
    const RFCurve* from = &source;
    if (&source == &destination) {
        copy = std::make_unique<RFCurve>();
        copy->CopyFrom(source, true);
        from = copy.get();
    }
    const int total = plan.Total();
    destination.ClearKeys();
    if (!destination.BeginBulkKeys(total)) {
        destination.EndBulkKeys(0);
        return false;
    }
    int hint = 0;
    for (int i = 0; i < total; ++i) {
        fillKey(*from, destination, i, SampleTime(plan, start, stop, period, i), hint);
    }
    destination.EndBulkKeys(total);
    return true;
}

}  // namespace

RError& GetKeyUtilitiesError() {
    static RNoDestructor<RError> error(kKeyUtilitiesMessages, 5);
    return error.Get();
}

bool CountKeyTypes(const RFCurve& curve, RCurveKeyStats& stats) {
    stats = RCurveKeyStats();
    for (int k = 0; k < curve.GetKeyCount(); ++k) {
        const Key& key = curve.GetKey(k);
        switch (key.GetInterpolation()) {
            case Key::Constant:
                ++stats.constant;
                break;
            case Key::Linear:
                ++stats.linear;
                break;
            case Key::Cubic:
                switch (key.GetTangentMode()) {
                    case Key::Auto:
                        ++stats.cubicAuto;
                        break;
                    case Key::AutoBreak:
                        ++stats.cubicAutoBreak;
                        break;
                    case Key::User:
                        ++stats.cubicUser;
                        break;
                    case Key::UserBreak:
                        ++stats.cubicUserBreak;
                        break;
                    case Key::Tcb:
                        ++stats.cubicTcb;
                        break;
                    default:
                        break;
                }
                break;
            default:
                break;
        }
    }
    return true;
}

bool ResampleCurve(const RFCurve& source, RFCurve& destination, RTime start, RTime stop, RTime period,
                   uint32_t interpolation, uint32_t tangentMode, bool includeStop) {
    auto fill = [&](const RFCurve& from, RFCurve& to, int i, RTime time, int& hint) {
        to.GetKey(i) = Key::Plain(time, from.EvaluateAt(time, &hint), interpolation, tangentMode);
    };
    return Resample(source, destination, start, stop, period, includeStop, fill);
}

bool ResampleCurveKeepingTypes(const RFCurve& source, RFCurve& destination, RTime start, RTime stop,
                               RTime period, bool includeStop) {
    auto fill = [](const RFCurve& from, RFCurve& to, int i, RTime time, int& hint) {
        const int n = from.GetKeyCount();
        const double x = from.FindKeyIndex(time);
        uint32_t interpolation = Key::Cubic;
        uint32_t tangentMode = Key::Auto;
        bool userSlopes = false;
        if (x >= 0.0 && x <= n - 1) {
            const Key& model = from.GetKey(static_cast<int>(std::floor(x)));
            interpolation = model.GetInterpolation();
            tangentMode = model.GetTangentMode() == Key::Tcb ? Key::Auto : model.GetTangentMode();
            userSlopes = IsCubicUser(model);
        }
        Key& key = to.GetKey(i);
        key = Key::Plain(time, from.EvaluateAt(time, &hint), interpolation, tangentMode);
        if (userSlopes) {
            // The incoming slope of a key is stored in the key before it.
            key.SetDataValue(0, static_cast<float>(from.GetRightDerivativeAt(time)));
            if (i > 0 && to.GetKey(i - 1).GetInterpolation() == Key::Cubic) {
                to.GetKey(i - 1).SetDataValue(1, static_cast<float>(from.GetLeftDerivativeAt(time)));
            }
        }
    };
    return Resample(source, destination, start, stop, period, includeStop, fill);
}

void SpliceCurves(const RFCurve& base, const RFCurve& inserted, RFCurve& destination) {
    const int nA = base.GetKeyCount();
    const int nB = inserted.GetKeyCount();
    if (nA == 0) {
        if (nB > 0) {
            destination.CopyFrom(inserted, true);
        }
        return;
    }
    if (nB == 0) {
        destination.CopyFrom(base, true);
        return;
    }
    const RTime insertedFirst = inserted.GetKey(0).GetTime();
    const RTime insertedLast = inserted.GetKey(nB - 1).GetTime();
    if (insertedFirst <= base.GetKey(0).GetTime() && insertedLast >= base.GetKey(nA - 1).GetTime()) {
        destination.CopyFrom(inserted, true);
        return;
    }
    // The destination is rewritten while the inputs are read: read from copies when it is
    // one of them.
    std::unique_ptr<RFCurve> baseCopy;
    std::unique_ptr<RFCurve> insertedCopy;
    const RFCurve* a = &base;
    const RFCurve* b = &inserted;
    if (&destination == &base || &destination == &inserted) {
        baseCopy = std::make_unique<RFCurve>();
        baseCopy->CopyFrom(base, true);
        insertedCopy = std::make_unique<RFCurve>();
        insertedCopy->CopyFrom(inserted, true);
        a = baseCopy.get();
        b = insertedCopy.get();
    }
    const int i0 = static_cast<int>(std::ceil(a->FindKeyIndex(insertedFirst)));
    const int i1 = static_cast<int>(std::floor(a->FindKeyIndex(insertedLast)));
    const int tail = nA - (i1 + 1);
    const int total = i0 + nB + tail;
    destination.ClearKeys();
    if (!destination.BeginBulkKeys(total)) {
        destination.EndBulkKeys(0);
        return;
    }
    int out = 0;
    for (int k = 0; k < i0; ++k) {
        destination.GetKey(out++) = a->GetKey(k);
    }
    for (int k = 0; k < nB; ++k) {
        destination.GetKey(out++) = b->GetKey(k);
    }
    for (int k = i1 + 1; k < nA; ++k) {
        destination.GetKey(out++) = a->GetKey(k);
    }
    // Seams: where the base had user tangents, the inserted keys meet the base's shape.
    if (i0 - 1 >= 0 && i0 < nA && IsCubicUser(a->GetKey(i0 - 1))) {
        destination.GetKey(i0 - 1).SetDataValue(1, static_cast<float>(a->GetRightDerivativeAt(insertedFirst)));
    }
    if (i1 >= 0 && i1 < nA - 1 && IsCubicUser(a->GetKey(i1))) {
        Key& last = destination.GetKey(i0 + nB - 1);
        last.SetInterpolation(Key::Cubic);
        last.SetTangentMode(Key::UserBreak);
        last.SetDataValue(0, static_cast<float>(a->GetLeftDerivativeAt(insertedLast)));
        last.SetDataValue(1, a->GetKey(i1).GetDataValue(1));
    }
    destination.EndBulkKeys(total);
}
