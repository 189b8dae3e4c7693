#include "formats/motion/MotionConversion.h"

#include "core/EulerAngles.h"
#include "core/RQuaternion.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>
#include "curves/RAnimationSettings.h"
#include "scene/RWyxNode.h"
#include "curves/RCurveKey.h"
#include "curves/RCurveKeyBlocks.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveFilterConstantKeyReducer.h"
#include "curves/RFCurveNode.h"
#include "formats/motion/RotationCurveFilter.h"

#include <cfloat>
#include <cmath>

void BeginCurveEdits(RFCurve* const* curves, int count) {
    for (int i = 0; i < count; ++i) {
        if (curves[i] != nullptr) {
            curves[i]->BeginEdit();
        }
    }
}

void EndCurveEdits(RFCurve* const* curves, int count) {
    for (int i = 0; i < count; ++i) {
        if (curves[i] != nullptr) {
            curves[i]->EndEdit();
        }
    }
}

bool AppendFrameKey(RFCurve* curve, RTime time, double value) {
    return curve == nullptr || curve->AppendKey(time, static_cast<float>(value)) >= 0;
}

bool AppendFrameKey(RFCurve* curve, RTime time, double value, unsigned interpolation) {
    if (curve == nullptr) {
        return true;
    }
    const int index = curve->AppendKey(time, static_cast<float>(value));
    if (index < 0) {
        return false;
    }
    curve->GetKey(index) = RCurveKey::Plain(time, static_cast<float>(value), interpolation, RCurveKey::Auto);
    return true;
}

bool StoreFrameKeys(RFCurve* curve, RTime start, RTime step, const float* values, int stride, int count) {
    return StoreFrameKeys(curve, start, step, &values, std::max(count, 1), 0, stride, count);
}

bool StoreFrameKeys(RFCurve* curve, RTime start, RTime step, const float* const* pieces, int rowsPerPiece,
                    int column, int stride, int count) {
    if (curve == nullptr) {
        return true;
    }
    if (!curve->BeginBulkKeysOverwritten(count)) {
        curve->EndBulkKeys(0);
        return false;
    }
    static const RCurveKey kPlain = RCurveKey::Plain(RTime(), 0.0f);
    // Where the last time start + step * (count - 1) is exact, so is every one before it, and
    // plain arithmetic gives each; otherwise each is worked out (and saturates) as it stands.
    std::int64_t span = 0;
    std::int64_t last = 0;
    const bool exact = !__builtin_mul_overflow(step.GetTicks(), std::int64_t{count - 1}, &span) &&
                       !__builtin_add_overflow(start.GetTicks(), span, &last);
    for (int first = 0, piece = 0; first < count; ++piece) {
        const float* values = pieces[piece] + column;
        const int end = first + std::min(count - first, rowsPerPiece);
        // The keys of one storage block lie side by side: each run of them is found once.
        for (int i = first; i < end;) {
            const int runEnd = std::min(end, i + RCurveKeyBlocks::kKeysPerBlock - i % RCurveKeyBlocks::kKeysPerBlock);
            for (RCurveKey* key = &curve->GetKey(i); i < runEnd; ++i, ++key, values += stride) {
                *key = kPlain;
                key->SetTime(exact ? RTime(start.GetTicks() + step.GetTicks() * i) : start + step * i);
                key->SetValue(*values);
            }
        }
        first = end;
    }
    curve->EndBulkKeys(count);
    return true;
}

void FilterRotationCurves(RFCurve* const rotation[3]) { RotationCurveFilter().Apply(rotation); }

void ReduceConstantKeys(RFCurve* const* curves, int count) {
    if (!IsConstantKeyReductionOn()) {
        return;
    }
    RFCurveFilterConstantKeyReducer reducer;
    for (int i = 0; i < count; ++i) {
        if (curves[i] != nullptr) {
            reducer.Apply(*curves[i]);
        }
    }
}

void RotationFromXAxis(RMatrix& out, const RVector4& u) {
    RQuaternion turn;
    QuaternionFromXAxis(turn, u);
    QuaternionToMatrix(out, turn);
}


int NodeTreeDepth(RWyxNode* node, int limit) {
    if (node == nullptr) {
        return 0;
    }
    int deepest = 0;
    std::vector<std::pair<RWyxNode*, int>> pending{{node, 1}};
    while (!pending.empty()) {
        const auto [current, depth] = pending.back();
        pending.pop_back();
        if (depth > limit) {
            return limit + 1;
        }
        deepest = depth > deepest ? depth : deepest;
        for (int i = 0; i < current->GetChildCount(); ++i) {
            pending.emplace_back(current->GetChild(i), depth + 1);
        }
    }
    return deepest;
}

bool WithinFloats(double value) { return std::fabs(value) <= FLT_MAX; }

bool ChannelNodeValues(RFCurveNode* channel, const RTime* time, double out[3]) {
    constexpr int kMostValues = 8;
    const int count = channel == nullptr ? 0 : time != nullptr ? channel->GetValueCount() : channel->GetRawValueCount();
    if (count < 3 || count > kMostValues) {
        return false;
    }
    double values[kMostValues];
    if (time != nullptr) {
        channel->EvaluateAt(values, *time);
    } else {
        channel->GetDefaultValues(values);
    }
    std::copy(values, values + 3, out);
    return true;
}

int FindNonFiniteChannel(RFCurveNode* const channels[3], const RTime* time, double& value) {
    for (int c = 0; c < 3; ++c) {
        double values[3];
        if (!ChannelNodeValues(channels[c], time, values)) {
            continue;
        }
        for (int axis = 0; axis < 3; ++axis) {
            if (!std::isfinite(values[axis])) {
                value = values[axis];
                return 3 * c + axis;
            }
        }
    }
    return -1;
}

RMatrix RotationProduct(const RMatrix& first, const RMatrix& second) {
    RMatrix product;
    MatrixMultiplyRotation(product, second, first);
    return product;
}

RMatrix RotationProduct(const RMatrix& first, const RMatrix& second, const RMatrix& third) {
    return RotationProduct(RotationProduct(first, second), third);
}

void RotationFromAxisAngles(RMatrix& out, const double angles[3], int code) {
    const EulerOrder order = GetEulerOrder(code);
    double sequence[3];
    for (int position = 0; position < 3; ++position) {
        sequence[position] = angles[order.AngleAxis(position)];
    }
    EulerToMatrix(out, sequence[0], sequence[1], sequence[2], code);
}
