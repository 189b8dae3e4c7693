#ifndef WYX_FORMATS_GEOMETRY_RPATCHEVALUATOR_H
#define WYX_FORMATS_GEOMETRY_RPATCHEVALUATOR_H

// Samples a tensor-product patch surface (U count x V count control points, U fastest, with a
// cubic, quadratic or linear basis per direction) into a regular grid of positions and
// normals, and on request records in an RInfluenceTable how much each control point weighs on
// each grid point. RNurbsEvaluator derives from it and replaces the basis.
//
// Driving order: the closed flags, steps and control points (and for NURBS their data), then
// GetUPointCount / GetVPointCount to size the outputs, SetPositionOutput / SetNormalOutput,
// then Evaluate. Control points, outputs and NURBS data stay the caller's; the evaluator reads
// and writes only within the counts and capacities it was given.
//
// Per direction, with N control points, window w (4 cubic, 3 quadratic, 2 linear), advance a
// (3 Bezier, 2 quadric Bezier, 1 otherwise) and step s: segment k uses control points k a to
// k a + w - 1 (modulo N, so a closed direction wraps to its first points) and gives s a
// samples at t = m / (s a); an open direction has (N - w) / a + 1 segments and one more
// sample at the end of the last, a closed one N / a segments. The point count is the number
// of samples, so the grid always fits the outputs sized by it, whatever the advance.
//
// Failures are values: Evaluate answers false, and the point counts 0, with the reason on
// GetError() (a basis type outside 0 to 4, fewer control points than the window, a step
// below 1, fewer than two samples in a direction (no cell to make), a grid of more than
// kMaxGridPoints, missing control points or outputs, outputs or an influence table too small
// for the grid). Nothing is written then.

#include "core/RError.h"
#include "core/RVector4.h"

#include <memory>
#include <vector>

class RInfluenceTable;

class RPatchEvaluator {
public:
    // Error codes of GetError().
    static constexpr int kErrorUnknownBasis = 0;
    static constexpr int kErrorTooFewControlPoints = 1;
    static constexpr int kErrorBadStep = 2;
    static constexpr int kErrorBadOrder = 3;
    static constexpr int kErrorShortKnotVector = 4;
    static constexpr int kErrorNoSpan = 5;
    static constexpr int kErrorGridTooLarge = 6;
    static constexpr int kErrorMissingInput = 7;
    static constexpr int kErrorOutputTooSmall = 8;
    static constexpr int kErrorTableTooSmall = 9;
    static constexpr int kErrorTooFewSamples = 10;

    // The most grid points one evaluation makes (in a direction and in all): counts and steps
    // come from files, and a grid is sized by their product.
    static constexpr long long kMaxGridPoints = 1LL << 26;

    // A new evaluator with each direction set by its basis type, a patch's "PatchType"
    // (RWyxPatch::kBezier to RWyxPatch::kLinear; a type outside them leaves
    // the direction without a basis, which Evaluate refuses), step 4, open.
    static std::unique_ptr<RPatchEvaluator> Create(int uType, int vType);

    RPatchEvaluator(const RPatchEvaluator&) = delete;
    RPatchEvaluator& operator=(const RPatchEvaluator&) = delete;
    virtual ~RPatchEvaluator();

    // Writes every grid point's position and (with a normal output) its normal, the cross
    // product V tangent x U tangent, not normalised; x, y and z only, w untouched. Where an
    // edge of the grid is collapsed to one point its normals are repaired (see below). With a
    // table (its side 0 holding a list per control point, side 1 one per grid point), adds the
    // non-zero weight of every control point on every grid point. False, nothing written,
    // on any failure.
    bool Evaluate(RInfluenceTable* table);

    void SetUClosed(bool closed);
    void SetVClosed(bool closed);
    bool GetUClosed() const { return directions_[kU].closed; }
    bool GetVClosed() const { return directions_[kV].closed; }
    void SetUStep(int step);
    void SetVStep(int step);
    // The Cardinal basis of tension s for the direction (window 4, advance 1).
    void SetUCardinalTension(double tension);
    void SetVCardinalTension(double tension);
    double GetUCardinalTension() const { return directions_[kU].tension; }
    double GetVCardinalTension() const { return directions_[kV].tension; }
    // uCount x vCount points, U fastest; only x, y and z are read (NURBS keep weights apart).
    void SetControlPoints(const RVector4* points, int uCount, int vCount);
    // The outputs and how many points each holds.
    void SetPositionOutput(RVector4* positions, int capacity);
    void SetNormalOutput(RVector4* normals, int capacity);
    // NURBS data (weights, knots); patches take none and answer true.
    virtual bool SetNurbsData(int kind, const double* data, int count);

    // The grid size; 0 when the direction cannot be sampled (reason on GetError()).
    int GetUPointCount();
    int GetVPointCount();
    // U points x V points; 0 when either is 0 or the product passes kMaxGridPoints.
    int GetGridPointCount();

    // Whether an edge of the evaluated grid (column 0, the last column, row 0, the last row)
    // is collapsed to one point: there every normal would be zero, so Evaluate gives the
    // whole edge one normal made from the tangents next to it. The test is on the evaluated
    // edge, whatever the basis: a collapsed control row that the surface does not reach does
    // not count. A far edge is evaluated at the direction's true end (a NURBS grid's last
    // sample stays just inside its span), so both ends are judged alike. False when the
    // surface cannot be evaluated.
    bool IsUStartCollapsed();
    bool IsUEndCollapsed();
    bool IsVStartCollapsed();
    bool IsVEndCollapsed();

    const RError& GetError() const { return error_; }

protected:
    enum Axis { kU = 0, kV = 1 };

    // One sample of a direction: the control points (columns or rows, wrapped) of its basis
    // functions, their values and derivatives.
    struct Sample {
        int width;
        int control[4];
        double value[4];
        double derivative[4];
    };

    struct Direction {
        bool closed = false;
        int step = 4;
        int count = 0;  // control points
        int window = 4;  // control points per segment; the order for NURBS
        int advance = 1;
        bool basisKnown = false;
        double tension = 1.0;
        double matrix[4][4] = {};
        bool stale = true;
        int error = -1;
        std::vector<Sample> samples;
        // The sample at the direction's far end, where its far edge is judged collapsed or not:
        // the last sample, or for an open NURBS direction the end of its last span.
        Sample end{};
    };

    RPatchEvaluator();

    Direction& DirectionAt(Axis axis) { return directions_[axis]; }
    const Direction& DirectionAt(Axis axis) const { return directions_[axis]; }
    // Marks the samples and the collapsed flags out of date.
    void MarkStale(Axis axis);
    void MarkAllStale();

    // Fills the direction's samples; answers an error code, or -1 when it can be sampled.
    virtual int ComputeBasis(Axis axis);
    // Weighted surfaces divide by the weighted basis sum.
    virtual bool IsRational() const { return false; }
    // The weight of control point `point` (1 for patches).
    virtual double WeightOf(int /*point*/) const { return 1.0; }
    // An error code when the data beyond the control points is missing or short; -1 when fine.
    virtual int CheckSurfaceData() const { return -1; }

    // Checks the count and step of a direction and the size of its grid; sampleCount is the
    // number of samples it will have. An error code or -1.
    static int CheckSampleCount(const Direction& direction, long long sampleCount);

private:
    void SetBasis(Axis axis, int type);
    void SetCardinal(Axis axis, double tension);
    // The direction's samples, computed when out of date; false with the error set.
    bool Prepare(Axis axis);
    // Both directions, the control points and the surface data; false with the error set.
    bool PrepareSurface();
    // The control points as weighted (x w, y w, z w, w) and plain (x, y, z, 1) points.
    void BuildNets();
    // The sums of one sample pair over a net: the point and its U and V derivatives.
    void SumPoint(const std::vector<RVector4>& net, const Sample& us, const Sample& vs, RVector4 sums[3]) const;
    // Position and tangents of grid point (i, j), and of any sample pair.
    void EvaluatePoint(int i, int j, RVector4& position, RVector4& uTangent, RVector4& vTangent) const;
    void EvaluateAt(const Sample& us, const Sample& vs, RVector4& position, RVector4& uTangent,
                    RVector4& vTangent) const;
    RVector4 NormalFromTangents(int vTangentPoint, int uTangentPoint) const;
    void EvaluateGrid();
    void UpdateCollapsedFlags();
    bool IsEdgeCollapsed(Axis fixed, const Sample& at) const;
    void RepairCollapsedEdges();
    void ComputeInfluence(RInfluenceTable& table) const;
    bool Fail(int code);

    RError error_;
    Direction directions_[2];
    const RVector4* points_ = nullptr;
    std::vector<RVector4> weighted_;
    std::vector<RVector4> plain_;
    RVector4* positions_ = nullptr;
    int positionCapacity_ = 0;
    RVector4* normals_ = nullptr;
    int normalCapacity_ = 0;
    // U start, U end, V start, V end.
    bool collapsed_[4] = {false, false, false, false};
    bool flagsStale_ = true;
};

#endif
