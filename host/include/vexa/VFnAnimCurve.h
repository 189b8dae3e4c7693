#ifndef VEXA_VFNANIMCURVE_H
#define VEXA_VFNANIMCURVE_H

// Animation curves: keyed nodes whose "output" drives a plug.
//
// A curve is made on a plug (create) and attached through it (the constructor from a plug:
// kNotFound, status 7, when no curve drives the plug). Curves with a time input (types TA, TL,
// TT, TU) give their value at the scene's current time; the others at the value of their
// "input" plug. Before the first and after the last key the value stays constant.
//
// Tangents. Each key has an in and an out tangent type. Fixed tangents keep what setTangent
// gave them; every other type is worked out from the neighbouring keys whenever keys change:
//   global (0) and smooth (4), slow (6), fast (7): slope (v[i+1] - v[i-1]) / (t[i+1] - t[i-1]),
//       the slope to the only neighbour at either end;
//   linear (2): the slope to the neighbour on that side; flat (3) and step (5): 0;
//   clamped (8): as smooth, but 0 when the key does not lie strictly between its neighbours;
//   fixed (1): set once like smooth when the key is added, then kept.
// A step out tangent holds the key's value until the next key; other spans are cubic.
//
// Units. getTangent answers x in seconds and y in internal units (radians, centimetres):
// y / x is the slope per second. setTangent takes x in UI time units and y in UI value units
// (degrees or radians as VAngle's UI unit, the UI distance unit) unless convertUnits is false,
// in which case it takes what getTangent answers. Unweighted curves use only the slope of a
// tangent; weighted curves use its length as well: the Bezier handle of a key lies at one
// third of its tangent (x, y) from the key.

#include <vexa/VFnDependencyNode.h>
#include <vexa/VPlug.h>
#include <vexa/VTime.h>
#include <vexa/VexaExport.h>

class VDGModifier;

class VEXA_API VFnAnimCurve : public VFnDependencyNode {
public:
    enum AnimCurveType {
        kAnimCurveTA = 0, kAnimCurveTL = 1, kAnimCurveTT = 2, kAnimCurveTU = 3,
        kAnimCurveUA = 4, kAnimCurveUL = 5, kAnimCurveUT = 6, kAnimCurveUU = 7, kAnimCurveUnknown = 8,
    };
    enum TangentType {
        kTangentGlobal = 0, kTangentFixed = 1, kTangentLinear = 2, kTangentFlat = 3, kTangentSmooth = 4,
        kTangentStep = 5, kTangentSlow = 6, kTangentFast = 7, kTangentClamped = 8,
    };

    VFnAnimCurve() = default;
    explicit VFnAnimCurve(const VObject& object, VStatus* status = nullptr);
    explicit VFnAnimCurve(const VPlug& plug, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kAnimCurve; }
    VStatus setObject(const VObject& object) override;

    // Makes a curve of the given type and connects its output to the plug. kFailure when the
    // plug is locked or already driven; kInvalidParameter when it holds no single number.
    VObject create(const VPlug& plug, AnimCurveType type, VDGModifier* modifier = nullptr, VStatus* status = nullptr);
    // The type follows the plug's unit: angles TA, distances TL, times TT, anything else TU.
    VObject create(const VPlug& plug, VDGModifier* modifier = nullptr, VStatus* status = nullptr);

    AnimCurveType animCurveType(VStatus* status = nullptr) const;
    bool isTimeInput(VStatus* status = nullptr) const;
    unsigned numKeys(VStatus* status = nullptr) const;
    unsigned numKeyframes(VStatus* status = nullptr) const { return numKeys(status); }

    // Adds a key (replacing the value of a key at the same time) and answers its index.
    unsigned addKey(const VTime& time, double value, TangentType inType = kTangentGlobal,
                    TangentType outType = kTangentGlobal, VDGModifier* modifier = nullptr, VStatus* status = nullptr);
    // For curves with an input value instead of a time.
    unsigned addKey(double input, double value, TangentType inType = kTangentGlobal,
                    TangentType outType = kTangentGlobal, VDGModifier* modifier = nullptr, VStatus* status = nullptr);
    VStatus remove(unsigned index, VDGModifier* modifier = nullptr);
    bool find(const VTime& time, unsigned& index, VStatus* status = nullptr) const;
    unsigned findClosest(const VTime& time, VStatus* status = nullptr) const;

    VTime time(unsigned index, VStatus* status = nullptr) const;   // in seconds
    double unitlessInput(unsigned index, VStatus* status = nullptr) const;
    double value(unsigned index, VStatus* status = nullptr) const;
    VStatus setValue(unsigned index, double value);
    VStatus setTime(unsigned index, const VTime& time);

    TangentType inTangentType(unsigned index, VStatus* status = nullptr) const;
    TangentType outTangentType(unsigned index, VStatus* status = nullptr) const;
    VStatus setInTangentType(unsigned index, TangentType type);
    VStatus setOutTangentType(unsigned index, TangentType type);
    VStatus getTangent(unsigned index, double& x, double& y, bool inTangent) const;
    VStatus getTangent(unsigned index, float& x, float& y, bool inTangent) const;
    // Fixes the tangent (its type becomes kTangentFixed). A locked key moves its other tangent
    // to the same slope (weighted curves keep the other tangent's length).
    VStatus setTangent(unsigned index, double x, double y, bool inTangent, VDGModifier* modifier = nullptr,
                       bool convertUnits = true);
    bool tangentsLocked(unsigned index, VStatus* status = nullptr) const;
    VStatus setTangentsLocked(unsigned index, bool locked);
    bool weightsLocked(unsigned index, VStatus* status = nullptr) const;
    VStatus setWeightsLocked(unsigned index, bool locked);
    bool isWeighted(VStatus* status = nullptr) const;
    VStatus setIsWeighted(bool weighted);

    double evaluate(const VTime& time, VStatus* status = nullptr) const;
    VStatus evaluate(const VTime& time, double& value) const;
    double evaluateAtInput(double input, VStatus* status = nullptr) const;
};

#endif
