#ifndef WYX_CURVES_RKEYUTILITIES_H
#define WYX_CURVES_RKEYUTILITIES_H

// Free functions over function curves for the key filters and the host import: a census of
// key kinds, resampling at a fixed period, and splicing one curve into another.

#include <cstdint>

#include "core/RError.h"
#include "core/RTime.h"

class RFCurve;

// Key counts by kind, in this order.
struct RCurveKeyStats {
    uint32_t constant = 0;
    uint32_t linear = 0;
    uint32_t cubicAuto = 0;
    uint32_t cubicAutoBreak = 0;
    uint32_t cubicUser = 0;
    uint32_t cubicUserBreak = 0;
    uint32_t cubicTcb = 0;
};

// Resampling refuses to plan more keys than this.
constexpr int64_t kMaxResampledKeys = 10000000;

// The error object of the key utilities (codes 0 "No key" to 4 "Left unchanged"), for callers
// that report these conditions; the operations here do not set it.
RError& GetKeyUtilitiesError();

// Counts the keys by interpolation and, for Cubic keys, by tangent mode (other tangent modes
// are not counted). Always true.
bool CountKeyTypes(const RFCurve& curve, RCurveKeyStats& stats);

// Replaces the destination's keys by samples of the source from start in steps of the period
// while the time does not pass stop, plus one at stop when includeStop is set and stop is not
// on a step. Every key gets the given kind, slopes 0 and weights 1/3. False, destination
// untouched, when stop is not after start, the period is not positive or more than
// kMaxResampledKeys keys would be made. Source and destination may be the same curve.
bool ResampleCurve(const RFCurve& source, RFCurve& destination, RTime start, RTime stop, RTime period,
                   uint32_t interpolation, uint32_t tangentMode, bool includeStop);
// The same sampling, each key taking the kind of the source key before it (Tcb becomes Auto;
// Cubic Auto outside the source's keys); user keys get the source's slopes there.
bool ResampleCurveKeepingTypes(const RFCurve& source, RFCurve& destination, RTime start, RTime stop,
                               RTime period, bool includeStop);

// Makes the destination the base curve with the inserted curve's keys in place of the base's
// keys over the inserted curve's key span. The destination may be one of the two inputs.
void SpliceCurves(const RFCurve& base, const RFCurve& inserted, RFCurve& destination);

#endif
