#include "curves/RFCurveFilterGimbleKiller.h"

#include <algorithm>
#include <memory>

#include "core/RMatrix.h"
#include "core/RQuaternion.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveFilterKeySync.h"
#include "curves/RFCurveFilterSupport.h"
#include "curves/RFCurveNode.h"
#include "curves/RotationContinuity.h"

namespace {

const char* const kMessages[] = {"No key", "Left unchanged", "Not 3 curve", "Not rotation node"};

constexpr int kErrorNoKey = 0;
constexpr int kErrorUnchanged = 1;
constexpr int kErrorNotThreeCurves = 2;
constexpr int kErrorNotRotation = 3;

// Keys inserted between two source keys at most: the 1/1200 s floor already bounds them by
// the time between the keys, this bounds them for keys far apart in time too.
constexpr int kMaxInsertedPerStep = 4096;

// The rebuilt X, Y, Z curves of a rotation and the state of the rebuild.
class RotationRebuild {
public:
    RotationRebuild(RFCurve* const* source, int order) : order_(order) {
        for (int c = 0; c < 3; ++c) {
            source_[c] = source[c];
            rebuilt_[c].reset(RFCurve::Create());
            rebuilt_[c]->CopyFrom(*source[c], false);
        }
    }

    RFCurve* Release(int channel) { return rebuilt_[channel].release(); }

    // The key at the index, copied unchanged, starts the rebuild.
    bool Start(int index) {
        const RTime time = source_[0]->GetKey(index).GetTime();
        ReadTriple(index, time, previous_);
        previousTime_ = time;
        for (int c = 0; c < 3; ++c) {
            const RCurveKey key = source_[c]->GetKeyCount() > index &&
                                          source_[c]->GetKey(index).GetTime() == time
                                      ? source_[c]->GetKey(index)
                                      : RCurveKey::Plain(time, static_cast<float>(previous_[c]));
            if (rebuilt_[c]->AddKey(time, key) < 0) {
                return false;
            }
        }
        return true;
    }

    // Writes the key at the index continuous with the previous one, with keys at intermediate
    // orientations before it while the Euler step is too large.
    bool Add(int index) {
        const RTime time = source_[0]->GetKey(index).GetTime();
        double current[3];
        ReadTriple(index, time, current);
        if (order_ != kRotationOrderSphericXYZ) {
            EulerFilterStepInOrder(current, current, previous_, order_);
        }
        for (int inserted = 0; inserted < kMaxInsertedPerStep && IsTooFar(current, time); ++inserted) {
            double between[3];
            RTime betweenTime;
            Intermediate(current, time, between, betweenTime);
            if (!Write(between, betweenTime)) {
                return false;
            }
        }
        return Write(current, time);
    }

private:
    // The three angles at the X key's time: a channel without a key there is evaluated.
    void ReadTriple(int index, RTime time, double out[3]) const {
        for (int c = 0; c < 3; ++c) {
            const RFCurve& curve = *source_[c];
            out[c] = curve.GetKeyCount() > index && curve.GetKey(index).GetTime() == time
                         ? curve.GetKey(index).GetValue()
                         : curve.EvaluateAt(time);
        }
    }

    bool IsTooFar(const double triple[3], RTime time) const {
        return SquaredEulerDistance(triple, previous_) >= RFCurveFilterGimbleKiller::kMaxSquaredStep &&
               (time - previousTime_).ToSeconds() >= RFCurveFilterGimbleKiller::kMinSubdividedSeconds;
    }

    // The first orientation on the shortest rotation from the previous key towards the
    // current one, halving the way each time, that lies near enough in Euler space (or
    // within 1/1200 s of the previous key).
    void Intermediate(const double current[3], RTime time, double out[3], RTime& outTime) const {
        RMatrix from;
        RMatrix to;
        EulerToMatrixInOrder(from, previous_, order_);
        EulerToMatrixInOrder(to, current, order_);
        // relative = from^T to: from acts first, then relative.
        RMatrix fromTransposed;
        MatrixTranspose(fromTransposed, from);
        RMatrix relative;
        MatrixMultiplyRotation(relative, to, fromTransposed);
        RQuaternion q;
        QuaternionFromMatrix(q, relative);
        if (q.w < 0.0) {
            QuaternionScale(q, q, -1.0);
        }
        const double previousSeconds = previousTime_.ToSeconds();
        const double currentSeconds = time.ToSeconds();
        double f = 0.5;
        while (true) {
            const RQuaternion blend(f * q.x, f * q.y, f * q.z, f * q.w + 1.0 - f);
            RMatrix step;
            QuaternionToMatrix(step, blend);
            RMatrix orientation;
            MatrixMultiplyRotation(orientation, step, from);
            MatrixToEulerInOrder(out, orientation, order_);
            if (order_ != kRotationOrderSphericXYZ) {
                EulerFilterStepInOrder(out, out, previous_, order_);
            }
            outTime.FromSeconds(f * currentSeconds + (1.0 - f) * previousSeconds);
            if (!IsTooFar(out, outTime)) {
                return;
            }
            f *= 0.5;
        }
    }

    bool Write(const double triple[3], RTime time) {
        for (int c = 0; c < 3; ++c) {
            if (rebuilt_[c]->AppendKey(time, static_cast<float>(triple[c])) < 0) {
                return false;
            }
        }
        std::copy(triple, triple + 3, previous_);
        previousTime_ = time;
        return true;
    }

    RFCurve* source_[3] = {nullptr, nullptr, nullptr};
    TemporaryCurve rebuilt_[3];
    int order_;
    double previous_[3] = {0.0, 0.0, 0.0};
    RTime previousTime_;
};

}  // namespace

RFCurveFilterGimbleKiller::RFCurveFilterGimbleKiller() : RFCurveFilter("Gimble Killer", kMessages, 4) {
    RFCurveFilterGimbleKiller::Reset();
}

void RFCurveFilterGimbleKiller::Reset() {
    synchronizeFirst_ = true;
    RFCurveFilter::Reset();
}

bool RFCurveFilterGimbleKiller::Apply(RFCurve& /*curve*/) {
    return Fail(kErrorNotThreeCurves, kMessages[kErrorNotThreeCurves]);
}

bool RFCurveFilterGimbleKiller::Apply(RFCurve* const* curves, int count) {
    if (count != 3 || curves == nullptr) {
        return Fail(kErrorNotThreeCurves, "Need 3 RFCurve to apply a gimble killer filter.");
    }
    TemporaryRotationNode node(curves);
    if (!node.IsComplete()) {
        return Fail(kErrorNotThreeCurves, "Need 3 RFCurve to apply a gimble killer filter.");
    }
    return Apply(node.Get(), false);
}

bool RFCurveFilterGimbleKiller::Apply(RFCurveNode& node, bool /*recursive*/) {
    if (node.GetChildCount() != 3) {
        return Fail(kErrorNotThreeCurves, "Gimble Killer. ioCurveNode does not have 3 childs.");
    }
    static const char* const kChannels[] = {"X", "Y", "Z"};
    int childIndex[3];
    RFCurve* curves[3];
    for (int c = 0; c < 3; ++c) {
        childIndex[c] = node.GetChildIndexByName(kChannels[c]);
        curves[c] = childIndex[c] < 0 ? nullptr : node.GetChild(childIndex[c])->GetCurve();
    }
    if (node.GetLayerType() != RFCurveNode::LayerRotation || curves[0] == nullptr ||
        curves[1] == nullptr || curves[2] == nullptr) {
        return Fail(kErrorNotRotation, "Gimble Killer. Not a Rotation node!");
    }
    if (curves[0]->GetKeyCount() == 0) {
        return Fail(kErrorNoKey, kMessages[kErrorNoKey]);
    }

    if (synchronizeFirst_) {
        RFCurveFilterKeySync sync;
        if (sync.IsNeeded(curves, 3)) {
            sync.SetSpan(GetStartTime(), GetStopTime());
            sync.Apply(curves, 3);
        }
    }

    const RFCurve& x = *curves[0];
    const int first = GetFirstKeyIndex(x);
    const int last = GetLastKeyIndex(x);
    RotationRebuild rebuild(curves, node.GetRotationOrder());
    bool written = rebuild.Start(first);
    for (int k = first + 1; written && k < last; ++k) {
        written = rebuild.Add(k);
    }
    if (!written) {
        return Fail(kErrorUnchanged, "Gimble Killer. The keys could not be stored.");
    }

    // The rebuilt curves go into a copy of the node, whose span the node then takes over.
    TemporaryNodeCopy copy(node.Clone(true, false, false, -1));
    for (int c = 0; c < 3; ++c) {
        copy->GetChild(childIndex[c])->SetCurve(rebuild.Release(c), true);
    }
    TakeOverRotationSpan(node, *copy, GetStartTime(), GetStopTime());
    return true;
}
