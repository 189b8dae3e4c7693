// Animation curves of the import: an SDK function curve of the current take becomes the host
// animation curve of one plug, unless the plug's driven keys are protected or the plug is
// locked and the user (or the options) keep it so.

#include "hostimport/ImportLaterSteps.h"
#include "hostimport/TransformChecks.h"
#include "hostimport/WyxVexaImportSession.h"

#include "core/RWyxLogFile.h"
#include "curves/RFCurve.h"
#include "scene/RWyxTakeNode.h"
#include "plugin/HostUtilities.h"
#include "plugin/WyxVexa3ButtonDialog.h"
#include "plugin/WyxVexaConfirmDialog.h"
#include "plugin/WyxVexaOptions.h"

#include <vexa/VFnAnimCurve.h>
#include <vexa/VFnDependencyNode.h>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// The locked-attribute answers.
constexpr int kUnlockAll = 0;
constexpr int kAsk = 1;
constexpr int kKeepAllLocked = 2;

// A weighted tangent of no length (at the ends of a curve) gets this many seconds.
constexpr double kEndTangentSeconds = 0.33;

using TangentType = VFnAnimCurve::TangentType;

VTime Seconds(double seconds) { return VTime(seconds, VTime::kSeconds); }

double KeySeconds(const RFCurve& curve, int k) { return curve.GetKey(k).GetTime().ToSeconds(); }

bool HasTensionKeys(const RFCurve& curve) {
    for (int k = 0; k < curve.GetKeyCount(); ++k) {
        if (curve.GetKey(k).IsCubicWithModeBits(RCurveKey::Tcb)) return true;
    }
    return false;
}

// The tangent types of one key from its interpolation and tangent mode.
struct KeyTangents {
    TangentType in = VFnAnimCurve::kTangentGlobal;
    TangentType out = VFnAnimCurve::kTangentGlobal;
    bool explicitTangents = false;
    bool lockAllowed = true;
};

KeyTangents TangentsOf(const RCurveKey& key, TangentType previousOut) {
    KeyTangents tangents;
    tangents.out = previousOut;
    tangents.in = previousOut;
    switch (key.GetInterpolation()) {
        case RCurveKey::Constant:
            tangents.out = VFnAnimCurve::kTangentStep;
            return tangents;
        case RCurveKey::Linear:
            tangents.out = VFnAnimCurve::kTangentLinear;
            return tangents;
        case RCurveKey::Cubic:
            break;
        default:
            return tangents;
    }
    switch (key.GetTangentMode()) {
        case RCurveKey::Auto:
            tangents.out = tangents.in = VFnAnimCurve::kTangentSmooth;
            break;
        case RCurveKey::User:
            tangents.out = VFnAnimCurve::kTangentFixed;
            tangents.explicitTangents = true;
            break;
        case RCurveKey::UserBreak:
            tangents.out = VFnAnimCurve::kTangentSmooth;
            tangents.explicitTangents = true;
            tangents.lockAllowed = false;
            break;
        default:
            break;
    }
    return tangents;
}

// The tangent types of every key: a key's in type is carried over from the key before it; the
// first key's is its own out type. The last key takes both types from the key before it, clamped
// after a smooth one: its own interpolation shapes no segment, and the export writes a clamped
// key as a fixed or linear one, which would otherwise come back smooth and then clamped again.
// Between two keys of given tangents the in type is fixed: the host makes a given tangent fixed,
// and so a fixed key after a broken one (whose out type is smooth) comes in locked, as the
// export wrote it; judged by that smooth type it came in unlocked, the export wrote it broken,
// and the key after it broke on the next trip.
std::vector<KeyTangents> CurveTangents(const RFCurve& curve) {
    const int count = curve.GetKeyCount();
    std::vector<KeyTangents> all(static_cast<size_t>(count));
    TangentType previousOut = VFnAnimCurve::kTangentGlobal;
    bool previousExplicit = false;
    for (int i = 0; i < count; ++i) {
        KeyTangents tangents = TangentsOf(curve.GetKey(i), previousOut);
        const bool smooth = curve.GetKey(i).IsCubicWithMode(RCurveKey::Auto);
        if (i == 0 && !smooth) tangents.in = tangents.out;
        if (previousExplicit && tangents.explicitTangents) tangents.in = VFnAnimCurve::kTangentFixed;
        previousExplicit = tangents.explicitTangents;
        if (i == count - 1 && count > 1) {
            tangents.in = previousOut == VFnAnimCurve::kTangentSmooth ? VFnAnimCurve::kTangentClamped : previousOut;
            tangents.out = tangents.in;
        }
        previousOut = tangents.out;
        all[static_cast<size_t>(i)] = tangents;
    }
    return all;
}

// One side's tangent in the host's UI units.
struct Tangent {
    double x = 0.0;
    double y = 0.0;
};

Tangent UnweightedTangent(double slope, double a, double b, double unitsPerSecond) {
    const double s = slope / (b * unitsPerSecond);
    Tangent tangent;
    tangent.x = 1.0 / std::sqrt(1.0 + s * s);
    tangent.y = tangent.x * s / a;
    return tangent;
}

Tangent WeightedTangent(double slope, double weight, double span, double a, double b, double unitsPerSecond) {
    double seconds = 3.0 * weight * span;
    if (seconds == 0.0) seconds = kEndTangentSeconds;
    Tangent tangent;
    tangent.y = slope * seconds / (a * b);
    tangent.x = seconds * unitsPerSecond;
    return tangent;
}

VStatus SetKeyTangents(VFnAnimCurve& host, const RFCurve& curve, int k, bool weighted, double a, double b) {
    const int count = curve.GetKeyCount();
    const double unitsPerSecond = HostTimeUnitsPerSecond();
    const auto index = static_cast<unsigned>(k);
    Tangent in;
    Tangent out;
    if (weighted) {
        host.setWeightsLocked(index, false);
        const double before = k > 0 ? KeySeconds(curve, k) - KeySeconds(curve, k - 1) : 0.0;
        const double after = k + 1 < count ? KeySeconds(curve, k + 1) - KeySeconds(curve, k) : 0.0;
        in = WeightedTangent(curve.GetLeftDerivative(k), curve.GetLeftWeight(k), before, a, b, unitsPerSecond);
        out = WeightedTangent(curve.GetRightDerivative(k), curve.GetRightWeight(k), after, a, b, unitsPerSecond);
    } else {
        in = UnweightedTangent(curve.GetLeftDerivative(k), a, b, unitsPerSecond);
        out = UnweightedTangent(curve.GetRightDerivative(k), a, b, unitsPerSecond);
    }
    VStatus status = host.setTangent(index, in.x, in.y, true);
    if (status) status = host.setTangent(index, out.x, out.y, false);
    return status;
}

const WyxVexaOptions& Options() { return *GetPluginOptions(); }

// The answer for a plug that gets no curve, made once: most plugs of a still node get it.
const VStatus& NoCurve() {
    static const VStatus noCurve(VStatus::kNotFound, "No curve");
    return noCurve;
}

}  // namespace

VStatus ResampleCurveKeys(VFnAnimCurve& hostCurve, const RFCurve& curve, double a, double rate) {
    if (!(rate > 0.0) || !std::isfinite(rate)) {
        return VStatus(VStatus::kInvalidParameter, "The sampling rate must be above 0.");
    }
    const int count = curve.GetKeyCount();
    if (count == 0) return VStatus();
    RTime period;
    period.FromSeconds(1.0 / rate);
    const std::int64_t step = period.GetTicks();
    if (step <= 0) return VStatus(VStatus::kInvalidParameter, "The sampling rate is too high.");
    const std::int64_t first = curve.GetKey(0).GetTime().GetTicks();
    const std::int64_t last = curve.GetKey(count - 1).GetTime().GetTicks();
    // The first and the last key, and the whole periods between them (rounded down, so that
    // keys before time 0 find their periods too).
    std::vector<std::int64_t> times{first};
    std::int64_t index = first / step - (first % step < 0 ? 1 : 0);
    for (std::int64_t at = (index + 1) * step; at < last; at += step) times.push_back(at);
    if (last != first) times.push_back(last);
    int hint = 0;
    for (const std::int64_t ticks : times) {
        const RTime time(ticks);
        VStatus status;
        hostCurve.addKey(Seconds(time.ToSeconds()), curve.EvaluateAt(time, &hint) / a, VFnAnimCurve::kTangentGlobal,
                         VFnAnimCurve::kTangentGlobal, nullptr, &status);
        if (!status) return status;
    }
    return VStatus();
}

// ---- the plug's curve ---------------------------------------------------------------------------

bool WyxVexaImportSession::PlugCurve::HasKeys() const { return curve != nullptr && curve->GetKeyCount() > 0; }

RFCurve* WyxVexaImportSession::PlugCurve::Get() const {
    if (curve != nullptr || waiting == nullptr) return curve;
    return waiting->GetChannelCurve(static_cast<RWyxTakeNode::Channel>(channel));
}

VStatus WyxVexaImportSession::ImportAttributeCurve(VFnDependencyNode& node, const char* attribute, RFCurve* curve,
                                                   int curveType, double a, double b) {
    return ImportAttributeCurve(node, attribute, PlugCurve{curve}, curveType, a, b);
}

VStatus WyxVexaImportSession::ImportAttributeCurve(VFnDependencyNode& node, const char* attribute,
                                                   const PlugCurve& curve, int curveType, double a, double b) {
    VStatus status;
    VPlug plug = node.findPlug(attribute, &status);
    // A plain name finds its plug exactly when the node has the attribute: the attribute is
    // looked for again only for a plug that failed or a path of several names.
    const bool plain = std::strpbrk(attribute, ".[") == nullptr;
    if ((!status || !plain) && !node.hasAttribute(attribute)) {
        return VStatus(VStatus::kFailure, VString("No attribute ") + attribute);
    }
    if (!status) return VStatus(VStatus::kFailure, status.errorString());
    return ImportPlugCurve(plug, curve, curveType, a, b);
}

VStatus WyxVexaImportSession::ImportPlugCurve(VPlug& plug, RFCurve* curve, int curveType, double a, double b) {
    return ImportPlugCurve(plug, PlugCurve{curve}, curveType, a, b);
}

VStatus WyxVexaImportSession::ImportPlugCurve(VPlug& plug, const PlugCurve& source, int curveType, double a,
                                              double b) {
    if (source.curve == nullptr && source.waiting == nullptr) return NoCurve();
    const bool keyed = source.HasKeys();
    if (source.undriven && !keyed) {
        return plug.isLocked() ? ImportLockedPlug(plug, source, nullptr, false, curveType, a, b)
                               : NoCurve();
    }
    VStatus status;
    VFnAnimCurve hostCurve(plug, &status);
    if (IsDrivenPlug(plug)) return status;
    // The curve is wanted only from here on: a tree still to be made is made then.
    RFCurve* const curve = status || keyed ? source.Get() : nullptr;
    // A host curve would override a static value: it takes the value as its one key.
    if (status && curve != nullptr) return TransferCurveKeys(hostCurve, *curve, a, b, status);
    if (status) return NoCurve();
    if (status != VStatus::kNotFound) return VStatus(VStatus::kFailure, status.errorString());
    if (keyed) {
        hostCurve.create(plug, static_cast<VFnAnimCurve::AnimCurveType>(curveType), nullptr, &status);
        if (status) return TransferCurveKeys(hostCurve, *curve, a, b, status);
    }
    if (!plug.isLocked()) return keyed ? VStatus(VStatus::kFailure, "Cannot create an animation curve") : status;
    return ImportLockedPlug(plug, source, curve, keyed, curveType, a, b);
}

VStatus WyxVexaImportSession::ImportLockedPlug(VPlug& plug, const PlugCurve& source, RFCurve* curve, bool keyed,
                                               int curveType, double a, double b) {
    const int answer = DecideAboutLockedPlug(plug.name(), keyed);
    if (answer == kKeepAllLocked) return VStatus(VStatus::kFailure, "The attribute stays locked");
    RFCurve* const unlocked = curve != nullptr ? curve : source.Get();
    if (unlocked == nullptr) return NoCurve();
    return UnlockAndCreateCurve(plug, unlocked, curveType, a, b);
}

int WyxVexaImportSession::DecideAboutLockedPlug(const VString& plugName, bool keyed) {
    const VString what = keyed ? "animation data." : "data.";
    const VString line = plugName + ": this attribute is locked. Cannot transfer " + what;
    if (log_ != nullptr) log_->AddLine(line.asChar());
    if (!Options().GetBoolOption(kImportShowUI)) {
        lockedAttributeDecision_ = Options().GetBoolOption(kSetLockedAttrib) ? kKeepAllLocked : kUnlockAll;
    } else if (lockedAttributeDecision_ == kAsk) {
        WyxVexa3ButtonDialog dialog;
        dialog.SetTitle("WYX import Warning");
        // Real line breaks: the dialog escapes its text for the script itself.
        dialog.SetMessage(line + "\n\n" + "NOTE: Clicking 'Unlock All' or 'Keep All Locked' will silence this dialog\n" +
                          "      until the end of the import (the affected attributes will still be printed in the log "
                          "file).\n");
        dialog.SetButtonLabel(0, " Unlock All ");
        dialog.SetButtonLabel(1, " Unlock ");
        dialog.SetButtonLabel(2, " Keep All Locked ");
        const int pressed = dialog.Show();
        // A dialog closed without an answer unlocks nothing, and asks no more.
        lockedAttributeDecision_ = pressed == WyxVexaConfirmDialog::kDismissed ? kKeepAllLocked : pressed;
    }
    return lockedAttributeDecision_;
}

VStatus WyxVexaImportSession::UnlockAndCreateCurve(VPlug& plug, RFCurve* curve, int curveType, double a, double b) {
    if (!plug.setLocked(false)) return VStatus(VStatus::kFailure, "Cannot unlock the attribute");
    const bool keyed = curve->GetKeyCount() > 0;
    const auto type = static_cast<VFnAnimCurve::AnimCurveType>(curveType);
    VStatus status;
    VFnAnimCurve hostCurve;
    if (keyed) {
        hostCurve.create(plug, type, nullptr, &status);
        if (status) return TransferCurveKeys(hostCurve, *curve, a, b, status);
    }
    // Locked through its compound: the parent is unlocked as well.
    VPlug parent = plug.parent(&status);
    if (!status || parent.isNull()) return VStatus(VStatus::kFailure, "Cannot unlock the attribute's compound");
    parent.setLocked(false);
    if (!keyed) return VStatus();
    hostCurve.create(plug, type, nullptr, &status);
    if (!status) return VStatus(VStatus::kFailure, "Cannot create an animation curve");
    return TransferCurveKeys(hostCurve, *curve, a, b, status);
}

// ---- the keys -------------------------------------------------------------------------------------

VStatus WyxVexaImportSession::TransferCurveKeys(VFnAnimCurve& hostCurve, const RFCurve& curve, double a, double b,
                                                const VStatus& curveStatus) {
    if (!curveStatus) return curveStatus;
    if (curve.GetKeyCount() == 0) {
        // One key at time 0 holds the default, in the plug's unit.
        const double value = curve.GetDefaultValue() / a;
        while (hostCurve.numKeys() > 1) hostCurve.remove(hostCurve.numKeys() - 1);
        if (hostCurve.numKeys() == 0) {
            VStatus status;
            hostCurve.addKey(Seconds(0.0), value, VFnAnimCurve::kTangentGlobal, VFnAnimCurve::kTangentGlobal, nullptr,
                             &status);
            return status;
        }
        hostCurve.setTime(0, Seconds(0.0));
        return hostCurve.setValue(0, value);
    }
    for (unsigned k = hostCurve.numKeys(); k > 0; --k) hostCurve.remove(k - 1);
    if (HasTensionKeys(curve)) return ResampleCurveKeys(hostCurve, curve, a, GetSamplingRate());
    return TransferKeysWithTangents(hostCurve, curve, a, b);
}

VStatus WyxVexaImportSession::TransferKeysWithTangents(VFnAnimCurve& hostCurve, const RFCurve& curve, double a,
                                                       double b) {
    const bool weighted = IsWeightedCurve(curve);
    hostCurve.setIsWeighted(weighted);
    const std::vector<KeyTangents> tangents = CurveTangents(curve);
    const int count = curve.GetKeyCount();
    for (int k = 0; k < count; ++k) {
        const KeyTangents& key = tangents[static_cast<size_t>(k)];
        VStatus status;
        const unsigned index = hostCurve.addKey(Seconds(KeySeconds(curve, k)), curve.GetKey(k).GetValue() / a, key.in,
                                                key.out, nullptr, &status);
        if (!status) return status;
        const bool locked = (key.lockAllowed && key.in == key.out) || k == 0 || k == count - 1;
        hostCurve.setTangentsLocked(index, false);
        if (key.explicitTangents) SetKeyTangents(hostCurve, curve, k, weighted, a, b);
        hostCurve.setTangentsLocked(index, locked);
    }
    return VStatus();
}
