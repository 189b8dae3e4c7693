#ifndef WYX_SCENE_RWYXSCALINGCHECKER_H
#define WYX_SCENE_RWYXSCALINGCHECKER_H

// Finds the nodes of a subtree whose scaling would not survive a conversion to a host that
// wants unit, positive or uniform scales: the host import warns with these lists before it
// converts a scene.
//
// A node is judged in its default take and, when another take is current, in that one too,
// on the "S" channel's X, Y and Z curves: first their default values, and when those pass,
// the curves sampled every sampling period from the first key to the last. A value decides
// the first of these that holds for it (the first existing curve's value is the reference):
//   1 not unit: off from 1 by more than the tolerance (skeleton nodes only);
//   2 negative: below 0;
//   3 not uniform: off from the reference by more than the tolerance.
// A negative value ends the sampling at once; otherwise a non-uniform sample outranks a
// non-unit one. A node lands in the list of its answer and take; non-unit and non-uniform
// scales count only on nodes with children (they pass on to them), negative ones on any.
//
// Sampling keeps to at most kMaxSamples samples per take: a longer key span is sampled with a
// wider step, so that keys far apart cannot make the check run without end.

#include "core/RTime.h"
#include "scene/RWyxNodeVisitor.h"

#include <cstdint>
#include <vector>

class RWyxTakeNode;

class RWyxScalingChecker : public RWyxNodeVisitor {
public:
    static constexpr double kDefaultTolerance = 2.220446049250313e-16;
    static constexpr std::int64_t kMaxSamples = 1000000;

    // Which take a list is about.
    enum Take { kDefaultTake = 0, kCurrentTake = 1 };
    // Answers of the check of one take node.
    enum Answer { kPasses = 0, kNotUnit = 1, kNegative = 2, kNotUniform = 3 };

    // A sampling period of 1/24 second, every check on, the machine epsilon as tolerance.
    RWyxScalingChecker();

    // Empties the six lists and the result list.
    void Clear() override;
    // True when the node was appended to one of the lists.
    bool Accept(RWyxNode* node) override;

    void SetUnitCheck(bool on) { unitCheck_ = on; }
    void SetNegativeCheck(bool on) { negativeCheck_ = on; }
    void SetNonUniformCheck(bool on) { nonUniformCheck_ = on; }
    void SetTolerance(double tolerance) { tolerance_ = tolerance; }
    const RTime& GetSamplingPeriod() const { return samplingPeriod_; }

    const std::vector<RWyxNode*>& GetNotUnitNodes(Take take) const { return notUnit_[take]; }
    const std::vector<RWyxNode*>& GetNegativeNodes(Take take) const { return negative_[take]; }
    const std::vector<RWyxNode*>& GetNonUniformNodes(Take take) const { return nonUniform_[take]; }

    // The answer for one take node (null: passes), with the unit check as given.
    Answer CheckTakeNode(const RWyxTakeNode* takeNode, bool unitCheck) const;

private:
    Answer TestValues(const double* values, int count, bool unitCheck) const;
    // Appends the node to the list of the answer; true when it was appended.
    bool Report(RWyxNode* node, Answer answer, Take take);

    RTime samplingPeriod_;
    bool unitCheck_ = true;
    bool negativeCheck_ = true;
    bool nonUniformCheck_ = true;
    std::vector<RWyxNode*> notUnit_[2];
    std::vector<RWyxNode*> negative_[2];
    std::vector<RWyxNode*> nonUniform_[2];
    double tolerance_ = kDefaultTolerance;
};

#endif
