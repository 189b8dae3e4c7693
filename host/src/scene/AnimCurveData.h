#ifndef VEXA_HOST_ANIMCURVEDATA_H
#define VEXA_HOST_ANIMCURVEDATA_H

// The keys of an animation curve and their evaluation (the rules are written in
// VFnAnimCurve.h). Inputs are seconds for time-input curves, input values for the others;
// tangents are (x, y) in input units and internal value units.

#include "host/src/scene/NodeType.h"

#include <vexa/VexaExport.h>

#include <ostream>
#include <string>
#include <vector>

namespace vexa_host {

struct AnimKey {
    double input = 0.0;
    double value = 0.0;
    int inType = 0;
    int outType = 0;
    double inX = 1.0, inY = 0.0;
    double outX = 1.0, outY = 0.0;
    bool tangentsLocked = true;
    bool weightsLocked = true;
};

class VEXA_API AnimCurveData : public NodePayload {
public:
    std::vector<AnimKey> keys;
    bool weighted = false;

    // Inserts in input order; a key at the same input takes the new value and types.
    size_t addKey(double input, double value, int inType, int outType);
    void removeKey(size_t index);
    // Sets one tangent as given (its type becomes fixed); a locked key turns its other tangent
    // to the same slope.
    void setTangent(size_t index, double x, double y, bool inSide);
    void setTangentType(size_t index, int type, bool inSide);
    // Recomputes the worked-out tangents of the keys around index.
    void refreshAround(size_t index);
    void refreshAll();
    double evaluate(double input) const;
    // The key at exactly this input, or -1.
    int find(double input) const;

    void describe(std::ostream& out, const std::string& indent) const override;

private:
    void refreshKey(size_t index);
    double autoSlope(size_t index, int type, bool inSide) const;
};

// The curve type (VFnAnimCurve::AnimCurveType) of a node of an animation curve type.
int animCurveTypeOf(const std::string& typeName);
bool isTimeInputType(int curveType);

}  // namespace vexa_host

#endif
